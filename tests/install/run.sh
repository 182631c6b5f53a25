#!/usr/bin/env bash
# Installs the project from BUILD_DIR into a scratch prefix, builds the
# consumer against it with find_package(Zelvan), reads a boot sector, and
# installs ZelvanPack in the installed design-time host.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
# Every installed header stands on the installed ones alone.
include="$scratch/prefix/include/zelvan"
for header in $(cd "$include" && find . -name '*.h' | sort); do
  echo "#include \"${header#./}\"" | c++ -std=c++20 -fsyntax-only -I "$include" -x c++ - ||
    { echo "the installed $header needs a header that is not installed" >&2; exit 1; }
done
cmake -S "$here" -B "$scratch/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
cmake --build "$scratch/consumer" >/dev/null
mkfs.fat -C -F 16 "$scratch/disk.img" 16384 >/dev/null
signature=$(ZELVAN_DRIVES="C=$scratch/disk.img" "$scratch/consumer/consumer")
[ "$signature" = "55aa" ] || { echo "the installed component read '$signature', not the boot signature 55aa" >&2; exit 1; }
echo "find_package(Zelvan): the installed component read the boot signature 55aa"
palette=$("$scratch/prefix/bin/zelvan-host" install ZelvanPack.bpl | sed -n '/^palette$/,$p')
[ "$palette" = "$(printf 'palette\n  Kesmet       TZelvan (picture TZELVAN, 24 x 24)')" ] ||
  { echo "the installed zelvan-host shows no TZelvan on Kesmet: '$palette'" >&2; exit 1; }
echo "the installed zelvan-host installs ZelvanPack.bpl beside it: Kesmet holds TZelvan"
