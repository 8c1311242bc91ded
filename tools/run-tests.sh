#!/bin/sh
# Builds orvix and runs every test (Release build in build/, or the folder given as $1 with
# further CMake options after it).
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh
build="${1:-build}"
[ $# -gt 0 ] && shift
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
