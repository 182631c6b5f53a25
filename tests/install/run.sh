#!/usr/bin/env bash
# Installs what BUILD made into a scratch prefix and uses it as other
# projects do. The installed programs start from the prefix, moved
# elsewhere; the installed headers stand on each other alone, and none of
# the runtime's own is among them. Then the examples (examples/): built
# with find_package(Zelvan), installed into a prefix of their own with the
# packages beside form_sectors, and run from there on images made here with
# the Zelvan prefix gone; boot_sector built once more with pkg-config. Or,
# with --vcl30 for a build of the whole tree, the vcl30 build:
# zelvan-host30 from the prefix, and tests/install, a project that still
# names the component's library as an earlier release did and a host that
# binds to ZelvanPack.dpl by the installed names.
#
#   bash tests/install/run.sh BUILD [--vcl30]
set -euo pipefail
build=$1
vcl30=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
examples=$(cd "$here/../../examples" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "install: $*" >&2
  exit 1
}
# same EXPECTED ACTUAL WHAT
same() {
  [ "$1" = "$2" ] || fail "$3: expected
$1
but got
$2"
}
# Other projects are held to our warnings too.
strict=(-G Ninja "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Wpedantic -Werror")

prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

# No installed module looks for another anywhere but beside itself or in
# the prefix's library folder, wherever the prefix lies.
for module in "$prefix"/bin/* "$prefix"/lib/*.so; do
  readelf -d "$module" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p' | tr ':' '\n' | grep -v '^\$ORIGIN' &&
    fail "$module looks for modules outside the prefix"
done
moved=$scratch/moved
mv "$prefix" "$moved"
env -u LD_LIBRARY_PATH "$moved/bin/zelvan" --help >/dev/null || fail "the installed zelvan does not start"
palette=$(env -u LD_LIBRARY_PATH "$moved/bin/zelvan-host" install ZelvanPack.bpl | sed -n '/^palette$/,$p')
same "$(printf 'palette\n  Kesmet       TZelvan (picture TZELVAN, 24 x 24)')" "$palette" "the installed zelvan-host's palette"
if [ "$vcl30" = --vcl30 ]; then
  palette=$(env -u LD_LIBRARY_PATH "$moved/bin/zelvan-host30" install ZelvanPack.dpl | sed -n '/^palette$/,$p')
  same "$(printf 'palette\n  Kesmet       TZelvan (picture TZELVAN, 24 x 24)')" "$palette" "the installed zelvan-host30's palette"
fi
mv "$moved" "$prefix"
echo "install: the installed programs start from the prefix, wherever it lies"

include=$prefix/include/zelvan
for header in $(cd "$include" && find . -name '*.h' | sort); do
  echo "#include \"${header#./}\"" | c++ -std=c++20 -fsyntax-only -I "$include" -x c++ - ||
    fail "the installed $header needs a header that is not installed"
done
for own in shared_state formbinary formtext language sysinit units; do
  [ ! -e "$include/vcl/$own.h" ] || fail "the runtime's own vcl/$own.h is installed"
done
# A program cannot make itself TZelvan's friend to reach its fields.
printf '%s\n' '#include "orvane/orvane.h"' \
  'namespace Orvane { struct TZelvanTestPeer { static bool Valid(const TZelvan& z) { return z.FDriveValid; } }; }' \
  >"$scratch/pry.cpp"
pried=$(LC_ALL=C c++ -std=c++20 -fsyntax-only -I "$include" "$scratch/pry.cpp" 2>&1 || true)
grep -q 'private within this context' <<<"$pried" ||
  fail "the installed orvane.h lets a program of its own reach TZelvan's private fields"
echo "install: public headers only, each standing on the installed ones"

# Images: a FAT16 and a FAT32 disk, and a floppy whose second half is random.
images=$scratch/images
mkdir "$images"
mkfs.fat -C -F 16 -n EXAMPLES "$images/disk.img" 16384 >/dev/null
mkfs.fat -C -F 32 -n BIGONE "$images/fat32.img" 65536 >/dev/null
mkfs.fat -C -n FLOPPY "$images/floppy.img" 1440 >/dev/null
dd if=/dev/urandom of="$images/floppy.img" bs=512 seek=1440 count=1440 conv=notrunc status=none
drives="A=$images/floppy.img:removable;C=$images/disk.img;D=$images/fat32.img"

# What boot_sector prints of an image, from what mtools' minfo reads of it.
expected_boot_sector() {
  local info
  info=$(minfo -i "$1" ::)
  field() { sed -n "s/^$1//p" <<<"$info" | head -1; }
  local size fat
  size=$(field 'small size: ' | cut -d' ' -f1)
  [ "$size" != 0 ] || size=$(field 'big size: ' | cut -d' ' -f1)
  fat=$(field 'sectors per fat: ')
  [ "$fat" != 0 ] || fat=$(field 'Big fatlen=')
  printf '%-21s%s\n' \
    'OEM name:' "$(field 'banner:' | tr -d '"')" \
    'bytes per sector:' "$(field 'sector size: ' | cut -d' ' -f1)" \
    'sectors per cluster:' "$(field 'cluster size: ' | cut -d' ' -f1)" \
    'reserved sectors:' "$(field 'reserved (boot) sectors: ')" \
    'FATs:' "$(field 'fats: ')" \
    'root entries:' "$(field 'max available root directory slots: ')" \
    'sectors:' "$size" \
    'media descriptor:' "$(field 'media descriptor byte: ')" \
    'sectors per FAT:' "$fat" \
    'sectors per track:' "$(field 'sectors per track: ')" \
    'heads:' "$(field 'heads: ')" \
    'hidden sectors:' "$(field 'hidden sectors: ')" \
    'volume label:' "$(field 'disk label=' | tr -d '"' | sed 's/ *$//')" \
    'file system:' "$(field 'disk type=' | tr -d '"' | sed 's/ *$//')" \
    'signature:' "$(od -An -tx1 -j510 -N2 "$1" | tr -d ' \n')"
}

if [ "$vcl30" = --vcl30 ]; then
  cmake -S "$here" -B "$scratch/consumer" "${strict[@]}" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$scratch/consumer" >/dev/null
  same 55aa "$(ZELVAN_DRIVES=$drives "$scratch/consumer/consumer")" "the consumer of zelvan::orvane"
  same "$(printf 'Kesmet: TZelvan\nDriveName = C\nFirstSector = 0\nSectors = 1')" \
    "$(ZELVAN_DRIVES=$drives "$scratch/consumer/names30")" "the vcl30 host"
  echo "install: zelvan::orvane still links; a vcl30 host binds to ZelvanPack.dpl by the installed names"
  exit 0
fi

cmake -S "$examples" -B "$scratch/examples" "${strict[@]}" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$scratch/examples" >/dev/null
cmake --install "$scratch/examples" --prefix "$scratch/apps" >/dev/null
PKG_CONFIG_PATH=$prefix/lib/pkgconfig c++ -std=c++20 -Wall -Wextra -Wpedantic -Werror "$examples/boot_sector.cpp" \
  $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs zelvan) -o "$scratch/boot_sector_pc"
same "$(expected_boot_sector "$images/disk.img")" "$(ZELVAN_DRIVES=$drives "$scratch/boot_sector_pc" C)" \
  "boot_sector built with pkg-config, on C:"
echo "install: boot_sector built with pkg-config reads C:'s boot sector as minfo does"

# From here on the programs have only their own install.
mv "$prefix" "$moved"
apps=$scratch/apps/bin
run() { env -u LD_LIBRARY_PATH ZELVAN_DRIVES="$drives" "$@"; }
for letter in A C D; do
  image=$(tr ';' '\n' <<<"$drives" | sed -n "s/^$letter=\([^:]*\).*/\1/p")
  same "$(expected_boot_sector "$image")" "$(run "$apps/boot_sector" "$letter")" "boot_sector on $letter:"
done
same "boot_sector: drive Q: cannot be measured: no such drive, or no medium in it" \
  "$(run "$apps/boot_sector" q 2>&1 >/dev/null || true)" "boot_sector on a drive that is not there"
echo "install: boot_sector reads the boot sectors of FAT12, FAT16 and FAT32 volumes as minfo does"

for platform in nt 95; do
  rm -f "$scratch/backup.img"
  ZELVAN_PLATFORM=$platform run "$apps/floppy_backup" A 1440 "$scratch/backup.img" >/dev/null
  cmp "$scratch/backup.img" "$images/floppy.img" || fail "floppy_backup on $platform: the backup is not the disk"
done
# Without a C: the component checks the run against no drive, and refuses it.
refusal=$(env -u LD_LIBRARY_PATH ZELVAN_DRIVES="A=$images/floppy.img:removable" \
  "$apps/floppy_backup" A 1440 "$scratch/none.img" 2>&1 || true)
same "floppy_backup: cylinder 0 head 0: sectors 0 to 17 are refused: they lie beyond no drive, which the component checks them against" \
  "$refusal" "floppy_backup with no drive to check the run against"
[ ! -e "$scratch/none.img" ] || fail "floppy_backup wrote a backup of a run it could not set"
echo "install: floppy_backup copies a floppy track by track on NT and on Windows 95, and stops at a refused run"

printf '%s\n' 'object Module1: TDataModule' '  object Zelvan1: TZelvan' '    FirstSector = 32' '    Sectors = 4' '  end' 'end' \
  >"$scratch/Module1.dfm"
same "Zelvan1: sectors 32 to 35 of C: in $scratch/run.bin" "$(run "$apps/form_sectors" "$scratch/Module1.dfm" "$scratch/run.bin")" \
  "form_sectors"
cmp "$scratch/run.bin" <(dd if="$images/disk.img" bs=512 skip=32 count=4 status=none) ||
  fail "form_sectors: the run is not sectors 32 to 35 of C:"
sed -i 's/FirstSector = 32/FirstSector = 99999999/' "$scratch/Module1.dfm"
same "form_sectors: Zelvan1.FirstSector was refused: the drive cannot take the value the form gives" \
  "$(run "$apps/form_sectors" "$scratch/Module1.dfm" "$scratch/refused.bin" 2>&1 || true)" "form_sectors with a run beyond C:"
echo "install: form_sectors, built with the runtime packages, runs with them beside it and reads the run its form names"
