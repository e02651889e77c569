#!/bin/sh
# Builds the library and runs the whole test suite.
#   scripts/run-tests.sh            normal build in build/
#   scripts/run-tests.sh --sanitize AddressSanitizer and UBSan build in build-sanitize/
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build_dir=build
flags=""
if [ "${1:-}" = "--sanitize" ]; then
    build_dir=build-sanitize
    flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
fi

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRISVALE_BUILD_TESTS=ON \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags"
cmake --build "$build_dir" -j "$(nproc)"
# A test that hangs fails after twenty minutes rather than holding up the run.
ctest --test-dir "$build_dir" --output-on-failure --no-tests=error --timeout 1200 -j "$(nproc)"
