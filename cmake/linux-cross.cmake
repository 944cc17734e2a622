# Cross-build spantally for another Linux CPU with Debian's cross compiler
# for the GNU triplet TRIPLET (g++-TRIPLET), for example:
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-cross.cmake \
#         -DTRIPLET=aarch64-linux-gnu -DSPANTALLY_STATIC=ON
# packaging/targets lists the triplet of every CPU the release builds for.
if(NOT TRIPLET)
  message(FATAL_ERROR "linux-cross.cmake needs -DTRIPLET=..., such as aarch64-linux-gnu")
endif()
# (the compiler checks read this file again, in a project of their own)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TRIPLET)

set(CMAKE_SYSTEM_NAME Linux)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${TRIPLET})

set(CMAKE_C_COMPILER ${TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TRIPLET}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
