#!/usr/bin/env bash
# The Windows stage: builds the component, zelvan.exe, the packages and the
# Windows test programs for 32-bit and for 64-bit Windows; reads the PE
# packages' tables without running them; and runs the programs under Wine on
# FAT images mapped to drive letters, as Windows NT 4.0, Windows 10, Windows 95
# and Windows 98 report themselves: the 64-bit programs under wine64 on every
# machine, the 32-bit ones where the kernel runs 32-bit programs. The test
# programs and zelvan.exe are checked against dd, the confirmation dialog is
# answered on a display of our own, and every zelvan command is compared with
# the hosted build's.
#
#   bash scripts/windows-stage.sh [--64-only]
#
# --64-only (or ZELVAN_WINDOWS_64_ONLY=1) takes the road of a machine that
# runs no 32-bit programs: each 32-bit case is counted as skipped. Ends with
# the line "windows: N passed, N failed, N skipped"; fails when a check failed
# or when nothing passed.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/windows/wine.sh
source tests/windows/tally.sh
source tests/windows/drives.sh
source tests/windows/comparison.sh
source tests/windows/dialog.sh
source tests/windows/hosts.sh

only_64=${ZELVAN_WINDOWS_64_ONLY:-}
for argument in "$@"; do
  case $argument in
    --64-only) only_64=1 ;;
    *) echo "usage: bash scripts/windows-stage.sh [--64-only]" >&2; exit 2 ;;
  esac
done

bash scripts/setup.sh --windows || stage_fail "Wine, Xvfb, xdotool and ImageMagick could not be installed"
jobs=$(nproc)

# windows_tree DIR TOOLCHAIN: the component, the tools and their tests for
# one Windows. Each program chooses whether it stands alone
# (cmake/ZelvanWindows.cmake): no linker flags for all of them, whatever an
# older tree has cached. zelvan.exe is built with the runtime packages, and
# so the comparison with the hosted build's zelvan is one of the packages
# against the static libraries.
windows_tree() {
  cmake -S . -B "$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$2" -DZELVAN_WERROR=ON -DZELVAN_WITH_PACKAGES=ON \
    -UCMAKE_EXE_LINKER_FLAGS >/dev/null
  cmake --build "$1" -j"$jobs"
}
echo "== the component, the tools and their tests built for 32-bit and for 64-bit Windows"
windows_tree build-windows cmake/mingw-i686.cmake
windows_tree build-windows64 cmake/mingw-x86_64.cmake
# The hosted build that the comparison runs beside Wine.
[ -d build-test ] || cmake -S . -B build-test -G Ninja -DZELVAN_WERROR=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-test -j"$jobs" --target zelvan zelvan-host zelvan-host30 zelvan_pe_tables

stage_dir=$PWD/build-windows/wine
pristine=$stage_dir/pristine
wine_images=$stage_dir/drives
hosted_images=$stage_dir/hosted
scratch=$stage_dir/scratch
hosted_zelvan=$PWD/build-test/tools/zelvan/zelvan
mkdir -p "$pristine" "$wine_images" "$hosted_images" "$scratch"

# Wine's names of the Windows it reports, and the same Windows as platform
# id and build (the hosted ZELVAN_PLATFORM, and what the test program expects).
declare -A platform_of=([nt40]=2:1381 [win10]=2:9200 [win95]=1:950 [win98]=1:2222)

echo "== FAT images made by mkfs.fat, with random bytes where reads from the wrong place show"
make_images
restore_images "$wine_images"
restore_images "$hosted_images"

echo "== ZelvanPack's DLLs, 32-bit and 64-bit: imports, exports and resources, read from the files without running them"
status=0
build-test/tests/pe/zelvan_pe_tables --vcl40=build-windows/bin/ZelvanPack.bpl --vcl30=build-windows/bin/ZelvanPack.dpl \
  --vcl40-64=build-windows64/bin/ZelvanPack.bpl >"$scratch/pe-tables.log" 2>&1 || status=$?
sed 's/^/    /' "$scratch/pe-tables.log"
count_test_program "zelvan_pe_tables" "$status" "$scratch/pe-tables.log"

trap 'wine_stop; display_stop' EXIT
display_start "$stage_dir"

# run_counted NAME LOG EXE ARGS...: runs a Windows test program, shows what
# it printed and adds its count line to the stage's. Where the program cannot
# run, its cases are counted as skipped: the 64-bit build of the same source
# lists them.
run_counted() {
  local name=$1 log=$2 status=0
  shift 2
  if [ -n "$stage_unable" ]; then
    local twin=${1/build-windows\//build-windows64/} cases
    twin=${twin/_vcl30/_vcl40}
    wine_run 60 "$twin" --gtest_list_tests "${@:2}" >"$log" 2>&1 ||
      stage_fail "the cases of $name cannot be listed by $twin"
    cases=$(grep -c '^  [A-Za-z]' "$log" || true)
    skipped_here "$name" "$cases"
    return
  fi
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
    [ "$(kind_of "$letter")" != large ] || arguments+=("--large-data=$large_window_first+$large_window_sectors")
  done
  [ -n "$stage_unable" ] || use_identity "$identity"
  for flavour in "${flavours[@]}"; do
    # The Win32 cases do not depend on the runtime: the vcl40 program runs them.
    [ "$flavour" = vcl40 ] || filter+=$([[ $filter == *-* ]] && echo ":Win32*" || echo "-Win32*")
    run_counted "$bits-bit zelvan_windows_tests_$flavour.exe as $identity" "$scratch/tests-$identity-$flavour.log" \
      "$windows_build/tests/windows/zelvan_windows_tests_$flavour.exe" --gtest_filter="$filter" \
      --platform="${platform_of[$identity]}" "${arguments[@]}"
    [ -n "$stage_unable" ] || restore_images "$wine_images"
  done
}

# departure NAME...: the words of Wine 8's departures from Windows, from
# their table.
departure() {
  local name words text=
  for name in "$@"; do
    words=$(sed -n "s/^$name | //p" tests/conformance/wine_departures.txt)
    [ -n "$words" ] || words="(tests/conformance/wine_departures.txt has no row $name)"
    text+="${text:+; }$words"
  done
  echo "$text"
}

# wine_stage BITS: every check of the programs built for BITS-bit Windows.
wine_stage() {
  bits=$1
  windows_build=build-windows${bits#32}
  zelvan_exe=$PWD/$windows_build/bin/zelvan.exe
  flavours=(vcl40)
  [ "$bits" = 64 ] || flavours+=(vcl30)
  local letter mappings=() large_first=$((large_window_first + 1)) large_written=$((large_window_first + 1000))
  if [ -z "$stage_unable" ]; then
    echo "== a $bits-bit Wine prefix with the images on drive letters"
    wine_prefix "$bits" "$PWD/$windows_build/wine/prefix"
    for letter in $(drive_letters); do mappings+=("$letter:$(kind_of "$letter"):$wine_images/$(image_of "$letter")"); done
    wine_drives "${mappings[@]}"
    "$wine_loader" --version
  fi

  echo "== the $bits-bit component under Wine: logical transfers on FAT12, FAT16, FAT32 and beyond 4 GiB, the NT volume, the floppy methods"
  test_program nt40 '*-Windows95Platform.*' D E F A G H
  test_program win10 '*-Windows95Platform.*' D E F A G H
  if [ "$bits" = 32 ]; then
    # Windows 95 (build 950) knows neither FAT32 nor an NT volume; Wine has
    # no INT 13h for its floppy road.
    test_program win95 'Identity.*:LogicalTransfer.*' D E
  else
    test_program win95 'Identity.*:Windows95Platform.*' D A
  fi

  echo "== $bits-bit ZelvanPack under Wine: LoadLibrary, FindResource, the palette, the other build refused"
  local flavour
  for flavour in "${flavours[@]}"; do
    run_counted "$bits-bit zelvan_windows_package_tests_$flavour.exe" "$scratch/package-tests-$flavour.log" \
      "$windows_build/bin/zelvan_windows_package_tests_$flavour.exe"
  done

  echo "== $bits-bit zelvan-host.exe under Wine and zelvan-host on the hosted build: same packages, same palette"
  host_checks "${flavours[@]}"

  echo "== the write confirmation of $bits-bit zelvan.exe, a real MessageBoxA on display $DISPLAY"
  confirm nt40 "answered Yes" Return 0 "$stage_dir/attention-$bits.png"
  confirm nt40 "answered No" n 1 "$stage_dir/attention-no-$bits.png"
  confirm nt40 "left unanswered" "" 124 "$scratch/attention-unanswered-$bits.png"

  echo "== $bits-bit zelvan under Wine and on the hosted build: same commands, same images"
  info_row nt40
  info_row win10
  row nt40 0 "info D" "$(departure HostFileSystemFigures)"
  row nt40 0 "read D 0 1"
  row nt40 0 "read E $(half_of E) 8 -o @out"
  row nt40 0 "--lock read F $(half_of F) 16 -o @out"
  row nt40 0 "--no-warn write E $(half_of E) 4 -i @in"
  row nt40 0 "--no-warn --lock write F $(($(half_of F) + 64)) 2 -i @in"
  row nt40 0 "read H $large_first 2 -o @out"
  row nt40 0 "--no-warn --lock write H $large_written 1 -i @in"
  row nt40 0 "floppy-read A 1440 $(half_of A) 4 -o @out"
  row nt40 0 "--no-warn floppy-write A 1440 $(half_of A) 2 -i @in"
  row nt40 0 "floppy-read G 720 $(half_of G) 2 -o @out"
  row nt40 1 "floppy-read D 1440 0 1"
  row nt40 1 "--no-warn floppy-write G 1440 0 1 -i @in"
  row nt40 1 "read Q 0 1"
  row nt40 1 "--no-warn write D $(($(sectors_of D) - 1)) 2 -i @in" "$(departure HostSizeBound WritePastTheEndGrows)"
  row nt40 1 "read D $(($(sectors_of D) + 8)) 1" "$(departure HostSizeBound ReadAtTheEndSucceedsEmpty)"
  row win10 0 "read F $(half_of F) 8 -o @out"
  row win10 1 "--no-warn write D $(half_of D) 3 -i @in" "$(departure NoWriteGuard)"
  row win10 0 "--no-warn --lock write D $(half_of D) 3 -i @in"
  row win10 0 "--no-warn write D 0 1 -i @in"
  row win10 0 "floppy-read A 1440 $(half_of A) 1 -o @out"
  row win10 0 "read H $large_first 2 -o @out"
  row win10 1 "--no-warn write H $large_written 1 -i @in" "$(departure NoWriteGuard)"
  row win10 0 "--no-warn --lock write H $large_written 1 -i @in"
  if [ "$bits" = 64 ]; then
    # A 64-bit program has no Windows 95 road, which the hosted build,
    # a model of 32-bit Windows, takes.
    refused_row win95 "read D 0 1"
    refused_row win95 "--no-warn write D $(half_of D) 1 -i @in"
    refused_row win95 "floppy-read A 1440 0 1"
    return
  fi
  # zelvan.exe's own buffers lie wherever its heap put them.
  local missed
  missed=$(departure Int25BufferAddress)
  info_row win95 "$missed"
  row win95 0 "info D" "$(departure HostFileSystemFigures Int25BufferAddress)"
  row win95 0 "read D 0 1" "$missed"
  row win95 0 "read E $(half_of E) 8 -o @out" "$missed"
  row win95 0 "--lock read D $(half_of D) 4 -o @out" "$missed"
  row win95 0 "--no-warn write E $(half_of E) 4 -i @in" "$missed"
  row win95 0 "--no-warn write D $(($(half_of D) + 9)) 3 -i @in" "$missed"
  row win95 1 "read F 0 1" "$(departure Int25OnFat32)"
  row win95 1 "read D $(($(sectors_of D) + 8)) 1" "$(departure HostSizeBound Int25CarryClear)"
  row win95 0 "floppy-read A 1440 $(half_of A) 1 -o @out" "$(departure NoInt13)"
  row win98 0 "read D $(half_of D) 2 -o @out" "$(departure No7305)"
  row win98 0 "--no-warn write D $(half_of D) 1 -i @in" "$(departure No7305)"
}

wine_stage 64

if [ -n "$only_64" ]; then
  stage_unable="no 32-bit programs run here (--64-only)"
  echo "windows: the 32-bit stage is skipped: ZELVAN_WINDOWS_64_ONLY or --64-only asks for the 64-bit stage only"
elif refusal=$(wine32_refusal) && [ -n "$refusal" ]; then
  stage_unable="no 32-bit programs run here"
  echo "windows: the 32-bit stage is skipped: this machine's kernel runs no 32-bit programs ($refusal)"
fi
wine_stage 32
stage_unable=

echo "windows: $stage_passed passed, $stage_failed failed, $stage_skipped skipped"
[ "$stage_failed" = 0 ] && [ "$stage_passed" -gt 0 ]
