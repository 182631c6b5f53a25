#!/usr/bin/env bash
# Builds with warnings as errors and runs every test; builds as the demo
# does with Unix Makefiles, installs that and uses it from the examples and
# from other projects, and the same for the whole tree; then runs the tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer with zelvan built on
# the runtime packages; builds the component, the packages, the tools and
# their tests for 32-bit and 64-bit Windows and runs them under Wine (the
# 32-bit ones where the kernel runs 32-bit programs); and runs the fuzz
# targets of the form readers, the package-information reader, the resource
# reader, the boot-region readers and the hosted LoadLibraryA on damaged
# packages for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
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

echo "== tests"
run_suite build-test -DCMAKE_BUILD_TYPE=Debug
echo "== the demo's build with CMake's default generator, Unix Makefiles, installed and used by other projects"
bash scripts/demo-build.sh build-make -G "Unix Makefiles"
bash tests/install/run.sh build-make
echo "== the whole tree with Unix Makefiles, installed, with the vcl30 build"
cmake --build build-make -j"$jobs"
bash tests/install/run.sh build-make --vcl30
echo "== tests under address and undefined-behaviour sanitizers, zelvan built with the runtime packages"
run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DZELVAN_SANITIZE=ON -DZELVAN_WITH_PACKAGES=ON
echo "== the Windows build, run under Wine"
mkdir -p build-windows
bash scripts/windows-stage.sh | tee build-windows/stage.log
read -r windows_passed windows_skipped < <(sed -n 's/^windows: \([0-9]*\) passed, 0 failed, \([0-9]*\) skipped$/\1 \2/p' build-windows/stage.log)
passed=$((passed + windows_passed))
skipped=$((skipped + windows_skipped))
echo "== fuzzing the form readers, the package-information reader, the resource reader, the boot-region readers and the loading of damaged packages"
bash fuzz/run.sh build-fuzz
echo "tests: $passed passed, 0 failed, $skipped skipped"
