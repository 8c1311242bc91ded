#!/bin/sh
# Builds orvix and opens it on the bundled sample picture of a globe.
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target orvix
exec build/src/orvix "$PWD/samples/globe.jpg"
