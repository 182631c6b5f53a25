#!/usr/bin/env bash
# Builds the project and runs `zelvan demo` on images it makes itself.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELVAN_BUILD_TESTS=OFF -DZELVAN_BUILD_BENCH=OFF >/dev/null
cmake --build build --target zelvan -j"$(nproc)"
build/tools/zelvan/zelvan demo
