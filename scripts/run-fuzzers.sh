#!/bin/sh
# Builds the libFuzzer targets with clang, AddressSanitizer and UBSan in
# build-fuzz/ and runs each for the given number of seconds (default 60),
# seeded with the sample documents that the generator writes. The corpus
# grows in build-fuzz/corpus/<target>; a crash leaves its input in the
# current directory.
#   scripts/run-fuzzers.sh [seconds]
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh --fuzz
seconds=${1:-60}
targets="fuzz_response_round_trip fuzz_setter_round_trip"
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DBRISVALE_BUILD_FUZZERS=ON -DBRISVALE_BUILD_EXAMPLES=OFF -DBRISVALE_BUILD_BENCHMARKS=OFF \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only" \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags"
# shellcheck disable=SC2086
cmake --build build-fuzz -j "${JOBS:-$(nproc)}" --target $targets
# Both libraries define the classes they share; see the file.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}suppressions=$PWD/tests/fuzz/shared-definitions.supp"
export ASAN_OPTIONS
for target in $targets; do
    mkdir -p "build-fuzz/corpus/$target"
    # shellcheck disable=SC2046
    "build-fuzz/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        "build-fuzz/corpus/$target" $(ls -d build-fuzz/test-support/*/samples)
done
