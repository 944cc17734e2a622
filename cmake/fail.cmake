# Stands in for the tests when they cannot be built: fails, saying why.
message(FATAL_ERROR "${WHY}")
