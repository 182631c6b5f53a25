#!/bin/bash
# Builds the form fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, writes their seed corpus, and runs each for a
# bounded time.
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
cmake --build "$build" -j2 --target fuzz_form_binary fuzz_form_text fuzz_make_seeds

corpus=$build/fuzz-corpus
"$build/fuzz/fuzz_make_seeds" "$corpus/seeds"
for reader in binary text; do
  mkdir -p "$corpus/$reader"
  log=$build/fuzz-$reader.log
  echo "== fuzz_form_$reader for ${seconds}s (log: $log)"
  # The fuzzer's progress goes to the log; a finding is shown in full.
  if ! "$build/fuzz/fuzz_form_$reader" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -artifact_prefix="$build/fuzz-$reader-" "$corpus/$reader" "$corpus/seeds/$reader" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    exit 1
  fi
  tail -n 1 "$log"
done
