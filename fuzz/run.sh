#!/bin/bash
# Builds the fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, writes their seed corpus (forms made by code,
# and the resources of both builds of ZelvanPack as the resource compiler
# wrote them), and runs each for a bounded time.
#
#   bash fuzz/run.sh BUILD_DIR            (FUZZ_SECONDS per target, default 60)
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: bash fuzz/run.sh BUILD_DIR" >&2
  exit 2
fi
build=$1
seconds=${FUZZ_SECONDS:-60}
source_dir=$(cd "$(dirname "$0")/.." && pwd)

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build" -G Ninja \
  -DZELVAN_BUILD_FUZZERS=ON -DZELVAN_BUILD_TESTS=OFF -DZELVAN_SANITIZE=ON -DZELVAN_WERROR=ON \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
cmake --build "$build" -j2 --target fuzz_form_binary fuzz_form_text fuzz_packageinfo fuzz_resources fuzz_make_seeds \
  zelvanpack_vcl40 zelvanpack_vcl30

corpus=$build/fuzz-corpus
"$build/fuzz/fuzz_make_seeds" "$corpus/seeds" "$build"/src/package/zelvanpack_vcl*.resources/resources.res
# target:seed folder
for fuzzer in form_binary:binary form_text:text packageinfo:packageinfo resources:resources; do
  target=fuzz_${fuzzer%%:*}
  seeds=${fuzzer#*:}
  mkdir -p "$corpus/$seeds"
  log=$build/$target.log
  echo "== $target for ${seconds}s (log: $log)"
  # The fuzzer's progress goes to the log; a finding is shown in full.
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -artifact_prefix="$build/$target-" "$corpus/$seeds" "$corpus/seeds/$seeds" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    exit 1
  fi
  tail -n 1 "$log"
done
