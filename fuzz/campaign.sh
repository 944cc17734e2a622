#!/usr/bin/env bash
# A bounded fuzzing campaign: fuzz/campaign.sh [SECONDS] (60 by default).
# New inputs collect in build-fuzz/corpus, crashes in build-fuzz/crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD # the target works in a directory of its own, so paths are absolute
secs=${1:-60}

CXX=clang++ cmake -S . -B build-fuzz -DSPANTALLY_FUZZ=ON >/dev/null
cmake --build build-fuzz -j2 --target spantally_fuzz
mkdir -p build-fuzz/corpus
exec "$top/build-fuzz/fuzz/spantally_fuzz" -max_total_time="$secs" -print_final_stats=1 \
    -dict="$top/fuzz/spantally.dict" -artifact_prefix="$top/build-fuzz/" \
    "$top/build-fuzz/corpus" "$top/fuzz/corpus"
