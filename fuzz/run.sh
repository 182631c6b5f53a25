#!/bin/bash
# Builds the fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, writes their seed corpus (forms made by code,
# the resources of both builds of ZelvanPack as the resource compiler wrote
# them, the first 64 KiB of FAT, NTFS and exFAT volumes their own tools
# made, and both builds of ZelvanPack itself), and runs each for a bounded
# time, as many at once as there are processors. The corpus each grows is
# kept in FUZZ_CORPUS (default ~/.cache/zelvan/fuzz-corpus) for the next run.
#
#   bash fuzz/run.sh BUILD_DIR            (FUZZ_SECONDS per target, default 30)
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: bash fuzz/run.sh BUILD_DIR" >&2
  exit 2
fi
build=$1
seconds=${FUZZ_SECONDS:-30}
source_dir=$(cd "$(dirname "$0")/.." && pwd)

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build" -G Ninja \
  -DZELVAN_BUILD_FUZZERS=ON -DZELVAN_BUILD_TESTS=OFF -DZELVAN_SANITIZE=ON -DZELVAN_WERROR=ON \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
cmake --build "$build" -j2 --target fuzz_form_binary fuzz_form_text fuzz_packageinfo fuzz_resources fuzz_boot_regions \
  fuzz_modules fuzz_make_seeds zelvanpack_vcl40 zelvanpack_vcl30

corpus=$build/fuzz-corpus
# A leak is suppressed by a function of the library it lies in, which only
# a full unwind of each allocation's stack reaches.
export LSAN_OPTIONS=suppressions=$source_dir/fuzz/lsan_suppressions.txt
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0
"$build/fuzz/fuzz_make_seeds" "$corpus/seeds" "$build"/src/package/zelvanpack_vcl*.resources/resources.res
volumes=$corpus/seeds/boot_regions
mkdir -p "$volumes"
volume=$build/fuzz-volume.img
seed_volume() { # NAME COMMAND...: formats a 4 MiB image, keeps its first 64 KiB
  rm -f "$volume"
  truncate -s 4M "$volume"
  "${@:2}" "$volume" >/dev/null 2>&1
  head -c 65536 "$volume" >"$volumes/$1"
}
seed_volume fat12 mkfs.fat -F 12
seed_volume fat16 mkfs.fat -F 16 -s 1
seed_volume fat32 mkfs.fat -F 32 -S 4096 -s 1
seed_volume ntfs mkntfs -F -Q -q -c 4096
seed_volume exfat mkfs.exfat -b 16K -c 4K
rm -f "$volume"
# Both builds of the package, without the debugging sections the loader
# never reads.
mkdir -p "$corpus/seeds/modules"
for package in "$build"/bin/ZelvanPack.bpl "$build"/bin/ZelvanPack.dpl; do
  strip --strip-debug -o "$corpus/seeds/modules/$(basename "$package")" "$package"
done
# What the targets found worth keeping stays between runs, as ccache's
# objects do, so that short runs add up.
kept=${FUZZ_CORPUS:-${XDG_CACHE_HOME:-$HOME/.cache}/zelvan/fuzz-corpus}

# fuzz TARGET SEEDS LONGEST: one target for the bounded time; its progress
# goes to its log, a finding is shown in full.
fuzz() {
  local target=$1 seeds=$2 log=$build/$1.log
  mkdir -p "$kept/$seeds"
  # Without address randomisation, where a damaged module's code lands, and
  # so a finding, is the same when its input is run again.
  if setarch "$(uname -m)" -R "$build/fuzz/$target" -max_total_time="$seconds" -max_len="$3" -timeout=10 \
      -artifact_prefix="$build/$target-" "$kept/$seeds" "$corpus/seeds/$seeds" >"$log" 2>&1; then
    echo "== $target for ${seconds}s: $(grep "^Done" "$log" | tail -n 1) (log: $log)"
  else
    echo "== $target for ${seconds}s found a fault (log: $log)"
    tail -n 60 "$log" >&2
    return 1
  fi
}

# As many targets at once as there are processors.
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
running=0
# target:seed folder:longest input
for fuzzer in form_binary:binary:4096 form_text:text:4096 packageinfo:packageinfo:4096 resources:resources:4096 \
    boot_regions:boot_regions:65536 modules:modules:1048576; do
  IFS=: read -r target seeds max_len <<<"$fuzzer"
  fuzz "fuzz_$target" "$seeds" "$max_len" &
  running=$((running + 1))
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n
    running=$((running - 1))
  fi
done
for ((; running > 0; running--)); do wait -n; done
