# The stage's count of checks. Every check ends in exactly one of pass, fail
# or skip, with a line that says which and why. Sourced by
# scripts/windows-stage.sh.

stage_passed=0
stage_failed=0
stage_skipped=0

check_pass() {
  stage_passed=$((stage_passed + 1))
  printf '  pass  %s\n' "$*"
}

check_fail() {
  stage_failed=$((stage_failed + 1))
  printf '  FAIL  %s\n' "$*"
}

check_skip() {
  stage_skipped=$((stage_skipped + 1))
  printf '  skip  %s\n' "$*"
}

# While the stage cannot run a part of itself (32-bit programs on a machine
# that runs none), stage_unable says why, and each check of that part counts
# its cases as skipped instead of running them.
stage_unable=

# skipped_here NAME [CASES]: true when the check named NAME cannot run here,
# after counting its CASES (1 by default) as skipped.
skipped_here() {
  [ -n "$stage_unable" ] || return 1
  stage_skipped=$((stage_skipped + ${2:-1}))
  printf '  skip  %s%s: %s\n' "$1" "$([ "${2:-1}" = 1 ] || echo " ($2 cases)")" "$stage_unable"
}

# The status of a program that was still running at its time limit.
hung() { [ "$1" = 124 ] || [ "$1" = 137 ]; }

# Why a program that did not end as it should ended: its status in words.
ending() {
  if hung "$1"; then echo "it hung and was ended after its time limit"; else echo "it exited $1"; fi
}

# What a program said on standard error, on one line.
said() { head -c 300 "$1" | tr '\r\n' '  '; }

# count_test_program NAME STATUS LOG: adds the closing line of a test program,
# "N passed, N failed, N skipped", to the stage's count.
count_test_program() {
  local name=$1 status=$2 line
  line=$(tail -n 1 "$3" | tr -d '\r')
  if [[ ! $line =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed,\ ([0-9]+)\ skipped$ ]]; then
    check_fail "$name ended without its count line: $(ending "$status")"
    return
  fi
  stage_passed=$((stage_passed + BASH_REMATCH[1]))
  stage_failed=$((stage_failed + BASH_REMATCH[2]))
  stage_skipped=$((stage_skipped + BASH_REMATCH[3]))
  if [ "${BASH_REMATCH[1]}" = 0 ]; then
    check_fail "$name ran no case to its end: $line"
  elif [ "$status" != 0 ] && [ "${BASH_REMATCH[2]}" = 0 ]; then
    check_fail "$name: $line, but $(ending "$status")"
  fi
}
