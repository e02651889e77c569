#!/bin/sh
# Builds the thread test, and the libraries it uses, under ThreadSanitizer in
# build-tsan/ and runs it. Only this test: the rest of the suite runs one
# thread.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
flags="-fsanitize=thread -fno-omit-frame-pointer"

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRISVALE_BUILD_TESTS=ON \
      -DBRISVALE_BUILD_EXAMPLES=OFF -DBRISVALE_BUILD_BENCHMARKS=OFF \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags"
cmake --build build-tsan -j "${JOBS:-$(nproc)}" --target BrisvaleThreadTests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" build-tsan/tests/threads/BrisvaleThreadTests
