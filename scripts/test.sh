#!/usr/bin/env bash
# Builds with warnings as errors and runs every test; builds as the demo
# does with Unix Makefiles, installs that and uses it from the examples and
# from other projects, and the same for the whole tree; then runs the tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer with zelvan built on
# the runtime packages; builds the component, the packages, the tools and
# their tests for 32-bit and 64-bit Windows and runs them under Wine (the
# 32-bit ones where the kernel runs 32-bit programs); and, beside the Windows
# stage, whose programs spend much of their time waiting on Wine, runs the
# fuzz targets of the form readers, the package-information reader, the
# resource reader, the boot-region readers and the hosted LoadLibraryA on
# damaged packages for a bounded time. Ends with each stage's time.
set -euo pipefail
cd "$(dirname "$0")/.."
began=$SECONDS
bash scripts/setup.sh
jobs=$(nproc)

passed=0
skipped=0
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DZELVAN_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" | tee "$dir/ctest.log"
  local total skips
  total=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$dir/ctest.log")
  skips=$(grep -c '(Skipped)$' "$dir/ctest.log" || true)
  passed=$((passed + total - skips))
  skipped=$((skipped + skips))
}

timings=
# took TITLE SECONDS: one line of the closing table of times.
took() {
  timings+=$(printf '%5d:%02d  %s' $(($2 / 60)) $(($2 % 60)) "$1")$'\n'
}
# stage TITLE COMMAND...: runs one stage and keeps its time.
stage() {
  local title=$1 start=$SECONDS
  shift
  echo "== $title"
  "$@"
  took "$title" $((SECONDS - start))
}

tests() { run_suite build-test -DCMAKE_BUILD_TYPE=Debug; }
demo_installed() {
  bash scripts/demo-build.sh build-make -G "Unix Makefiles"
  bash tests/install/run.sh build-make
}
tree_installed() {
  cmake --build build-make -j"$jobs"
  bash tests/install/run.sh build-make --vcl30
}
sanitized() { run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DZELVAN_SANITIZE=ON -DZELVAN_WITH_PACKAGES=ON; }
windows() {
  mkdir -p build-windows
  bash scripts/windows-stage.sh | tee build-windows/stage.log
  local windows_passed windows_skipped
  read -r windows_passed windows_skipped < <(sed -n 's/^windows: \([0-9]*\) passed, 0 failed, \([0-9]*\) skipped$/\1 \2/p' build-windows/stage.log)
  passed=$((passed + windows_passed))
  skipped=$((skipped + windows_skipped))
}

stage "tests" tests
stage "the demo's build with CMake's default generator, Unix Makefiles, installed and used by other projects" demo_installed
stage "the whole tree with Unix Makefiles, installed, with the vcl30 build" tree_installed
stage "tests under address and undefined-behaviour sanitizers, zelvan built with the runtime packages" sanitized

# The fuzzing runs in a session of its own, so that a failure of the Windows
# stage stops all of it.
mkdir -p build-fuzz
fuzz_title="fuzzing the form readers, the package-information reader, the resource reader, the boot-region readers and the loading of damaged packages (beside the Windows stage)"
setsid bash -c 'start=$SECONDS; bash fuzz/run.sh build-fuzz; status=$?; echo $((SECONDS - start)) >build-fuzz/seconds; exit $status' \
  >build-fuzz/run.log 2>&1 &
fuzz=$!
trap 'kill -- -$fuzz 2>/dev/null || true' EXIT
stage "the Windows build, run under Wine" windows
echo "== $fuzz_title"
fuzz_status=0
wait "$fuzz" || fuzz_status=$?
trap - EXIT
if [ "$fuzz_status" != 0 ]; then
  tail -n 80 build-fuzz/run.log >&2
  exit 1
fi
grep -E '^(==|Done|#)' build-fuzz/run.log | grep -E '^==|Done' || true
took "$fuzz_title" "$(cat build-fuzz/seconds)"
took "the whole command (goal: at most 15:00 from a fresh clone, 5:00 after a one-file change)" $((SECONDS - began))

echo "stage times (minutes:seconds):"
printf '%s' "$timings"
echo "tests: $passed passed, 0 failed, $skipped skipped"
