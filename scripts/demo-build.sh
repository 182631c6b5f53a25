#!/usr/bin/env bash
# The demo's build: a Release tree without tests or benchmarks, of which
# only zelvan, zelvan-host and zelvan-host30 (with the packages they need)
# and the man pages are built.
#   bash scripts/demo-build.sh DIR [CMAKE-OPTIONS...]   (-G Ninja, say)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
cmake -S . -B "$dir" "$@" -DCMAKE_BUILD_TYPE=Release -DZELVAN_BUILD_TESTS=OFF -DZELVAN_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --target zelvan zelvan-host zelvan-host30 zelvan_man_page zelvan-host_man_page -j"$(nproc)"
