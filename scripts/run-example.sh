#!/bin/sh
# Builds the library and runs the example program.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build
cmake --build build --target example -j "$(nproc)"
build/examples/example
