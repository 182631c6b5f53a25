#!/usr/bin/env bash
# The Windows stage: builds the component, zelvan.exe, the packages and the
# Windows test programs for 32-bit Windows, and runs them under Wine on FAT
# images mapped to drive letters, as Windows NT 4.0, Windows 10, Windows 95
# and Windows 98 report themselves. The test program and zelvan.exe are checked against dd,
# the confirmation dialog is answered on a display of our own, and every
# zelvan command is compared with the hosted build's. Ends with the line
# "windows: N passed, N failed, N skipped"; fails when a check failed or
# when nothing passed.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/windows/wine.sh
source tests/windows/tally.sh
source tests/windows/drives.sh
source tests/windows/comparison.sh
source tests/windows/dialog.sh
source tests/windows/exports.sh
source tests/windows/hosts.sh

bash scripts/setup.sh --windows || stage_fail "Wine, Xvfb, xdotool and ImageMagick could not be installed"
jobs=$(nproc)

echo "== the component, the tools and their tests built for 32-bit Windows"
# Each program chooses whether it stands alone (cmake/ZelvanWindows.cmake):
# no linker flags for all of them, whatever an older tree has cached.
# zelvan.exe is built with the runtime packages, and so the comparison with
# the hosted build's zelvan is one of the packages against the static libraries.
cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DZELVAN_WERROR=ON \
  -DZELVAN_WITH_PACKAGES=ON -UCMAKE_EXE_LINKER_FLAGS >/dev/null
cmake --build build-windows -j"$jobs"
# The hosted build that the comparison runs beside Wine.
[ -d build-test ] || cmake -S . -B build-test -G Ninja -DZELVAN_WERROR=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-test -j"$jobs" --target zelvan zelvan-host zelvan-host30

stage_dir=$PWD/build-windows/wine
pristine=$stage_dir/pristine
wine_images=$stage_dir/drives
hosted_images=$stage_dir/hosted
scratch=$stage_dir/scratch
zelvan_exe=$PWD/build-windows/bin/zelvan.exe
hosted_zelvan=$PWD/build-test/tools/zelvan/zelvan
mkdir -p "$pristine" "$wine_images" "$hosted_images" "$scratch"

# Wine's names of the Windows it reports, and the same Windows as platform
# id and build (the hosted ZELVAN_PLATFORM, and what the test program expects).
declare -A platform_of=([nt40]=2:1381 [win10]=2:9200 [win95]=1:950 [win98]=1:2222)

echo "== FAT images made by mkfs.fat, their second halves filled with random bytes"
make_images
restore_images "$wine_images"
restore_images "$hosted_images"

echo "== a 32-bit Wine prefix with the images on drive letters"
wine_prefix "$stage_dir/prefix"
trap 'wine_stop; display_stop' EXIT
wine_mappings=()
for letter in $(drive_letters); do wine_mappings+=("$letter:$(kind_of "$letter"):$wine_images/$(image_of "$letter")"); done
wine_drives "${wine_mappings[@]}"
display_start "$stage_dir"
wine --version

current_identity=
use_identity() {
  [ "$1" = "$current_identity" ] && return
  wine_version "$1"
  current_identity=$1
}

# run_counted NAME LOG EXE ARGS...: runs a Windows test program, shows what
# it printed and adds its count line to the stage's.
run_counted() {
  local name=$1 log=$2 status=0
  shift 2
  echo "-- $name"
  wine_run 120 "$@" >"$log" 2>&1 || status=$?
  sed 's/\r$//; s/^/    /' "$log"
  count_test_program "$name" "$status" "$log"
}

# test_program IDENTITY FILTER LETTERS...: the Windows test program of each
# runtime generation, on the drives named.
test_program() {
  local identity=$1 filter=$2 letter flavour arguments=()
  shift 2
  for letter in "$@"; do
    arguments+=("--$(kind_of "$letter")=$letter=$(windows_path "$wine_images/$(image_of "$letter")")")
  done
  use_identity "$identity"
  for flavour in vcl40 vcl30; do
    run_counted "zelvan_windows_tests_$flavour.exe as $identity" "$scratch/tests-$identity-$flavour.log" \
      "build-windows/tests/windows/zelvan_windows_tests_$flavour.exe" --gtest_filter="$filter" \
      --platform="${platform_of[$identity]}" "${arguments[@]}"
    restore_images "$wine_images"
  done
}

echo "== the component under Wine: logical transfers on FAT12, FAT16 and FAT32, the NT volume, the floppy methods"
test_program nt40 '*' D E F A G
test_program win10 '*' D E F A G
# Windows 95 (build 950) knows neither FAT32 nor an NT volume; Wine has no
# INT 13h for its floppy road.
test_program win95 'Identity.*:LogicalTransfer.*' D E

echo "== ZelvanPack's DLLs: what each imports and exports, as objdump reads them"
export_checks

echo "== ZelvanPack's DLLs under Wine: LoadLibrary, FindResource, the palette, the other build refused"
for flavour in vcl40 vcl30; do
  run_counted "zelvan_windows_package_tests_$flavour.exe" "$scratch/package-tests-$flavour.log" \
    "build-windows/bin/zelvan_windows_package_tests_$flavour.exe"
done

echo "== zelvan-host.exe under Wine and zelvan-host on the hosted build: same packages, same palette"
host_checks

echo "== the write confirmation, a real MessageBoxA on display $DISPLAY"
confirm nt40 "answered Yes" Return 0 "$stage_dir/attention.png"
confirm nt40 "answered No" n 1 "$stage_dir/attention-no.png"
confirm nt40 "left unanswered" "" 124 "$scratch/attention-unanswered.png"

echo "== zelvan under Wine and on the hosted build: same commands, same images"
size_figures="Wine 8's GetDiskFreeSpaceA reports the host file system that holds the image, so the size figures are the host's"
host_bound="Wine 8's GetDiskFreeSpaceA reports the host file system, whose size bound lets the run through"
grows="$host_bound, and Wine 8 grows an image written past its end; Windows refuses the run"
reads_beyond="$host_bound, and Wine 8 reads zeros past the image's end; Windows refuses the run"
no_int13="Wine 8 does not carry out INT 13h through VWIN32: the Windows 95 floppy road cannot be checked"
no_7305="Wine 8 does not carry out INT 21h function 7305h (it leaves the carry clear and moves nothing): the extended road cannot be checked"
fat32_classic="Wine 8 carries out INT 25h on a FAT32 volume; Windows 95 has no FAT32, and the releases that do refuse INT 25h on it"
carry_clear="$host_bound, and Wine 8's INT 25h leaves the carry clear when it moves nothing; Windows refuses the run"
no_write_guard="Wine 8 writes into a mounted file system's space through a volume that is not locked; Windows from Vista on refuses it (ERROR_ACCESS_DENIED)"
for identity in nt40 win10 win95; do info_row "$identity"; done
row nt40 0 "info D" "$size_figures"
row nt40 0 "read D 0 1"
row nt40 0 "read E $(half_of E) 8 -o @out"
row nt40 0 "--lock read F $(half_of F) 16 -o @out"
row nt40 0 "--no-warn write E $(half_of E) 4 -i @in"
row nt40 0 "--no-warn --lock write F $(($(half_of F) + 64)) 2 -i @in"
row nt40 0 "floppy-read A 1440 $(half_of A) 4 -o @out"
row nt40 0 "--no-warn floppy-write A 1440 $(half_of A) 2 -i @in"
row nt40 0 "floppy-read G 720 $(half_of G) 2 -o @out"
row nt40 1 "floppy-read D 1440 0 1"
row nt40 1 "--no-warn floppy-write G 1440 0 1 -i @in"
row nt40 1 "read Q 0 1"
row nt40 1 "--no-warn write D $(($(sectors_of D) - 1)) 2 -i @in" "$grows"
row nt40 1 "read D $(($(sectors_of D) + 8)) 1" "$reads_beyond"
row win10 0 "read F $(half_of F) 8 -o @out"
row win10 1 "--no-warn write D $(half_of D) 3 -i @in" "$no_write_guard"
row win10 0 "--no-warn --lock write D $(half_of D) 3 -i @in"
row win10 0 "--no-warn write D 0 1 -i @in"
row win10 0 "floppy-read A 1440 $(half_of A) 1 -o @out"
row win95 0 "info D" "$size_figures"
row win95 0 "read D 0 1"
row win95 0 "read E $(half_of E) 8 -o @out"
row win95 0 "--lock read D $(half_of D) 4 -o @out"
row win95 0 "--no-warn write E $(half_of E) 4 -i @in"
row win95 0 "--no-warn write D $(($(half_of D) + 9)) 3 -i @in"
row win95 1 "read F 0 1" "$fat32_classic"
row win95 1 "read D $(($(sectors_of D) + 8)) 1" "$carry_clear"
row win95 0 "floppy-read A 1440 $(half_of A) 1 -o @out" "$no_int13"
row win98 0 "read D $(half_of D) 2 -o @out" "$no_7305"
row win98 0 "--no-warn write D $(half_of D) 1 -i @in" "$no_7305"

echo "windows: $stage_passed passed, $stage_failed failed, $stage_skipped skipped"
[ "$stage_failed" = 0 ] && [ "$stage_passed" -gt 0 ]
