#!/bin/sh
# Installs, with apt-get, whatever of the build's dependencies is missing;
# with --fuzz, also what the fuzz build needs.
set -eu

packages="build-essential cmake pkg-config libxerces-c-dev libxml2-dev libexpat1-dev libgtest-dev libbenchmark-dev libxml2-utils"
if [ "${1:-}" = "--fuzz" ]; then
    packages="$packages clang libclang-rt-14-dev"
fi

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

if [ -n "$missing" ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    # shellcheck disable=SC2086
    apt-get install -y --no-install-recommends $missing
fi
