#!/usr/bin/env bash
# Prints the speed table: each row's work beside its floor, both measured in
# one process by zelvan_bench (a Release build), as the fastest of interleaved
# repetitions, with the ratio and its goal; then the per-call row once more
# as one loop timed on its own, in CPU time, the stricter measure; then the
# peak memory of a 64 MiB read on the NT road, measured first in a process of
# its own. The fastest,
# not the median: on a machine that other processes share, a repetition is
# either undisturbed or slowed by waiting for a processor, and the median
# picks either at random.
#   bash bench/table.sh [BUILD_DIR [REPETITIONS]]     (build-rel, 10)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-rel}
repetitions=${2:-10}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELVAN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target zelvan_bench >/dev/null
bench=$build/bench/zelvan_bench

memory=$("$bench" --benchmark_filter='^memory/' --benchmark_format=csv 2>/dev/null)
order=$("$bench" --benchmark_filter='/work/' --benchmark_list_tests | cut -d/ -f1 | paste -sd' ')
rows=$("$bench" --benchmark_filter='/(work|floor)/' --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true --benchmark_format=csv 2>/dev/null)
once=$("$bench" --benchmark_filter='^nt_sector/' --benchmark_format=csv 2>/dev/null)

# Google Benchmark's CSV as fields separated by tabs, its quotes dropped: a
# quoted field, a label, may hold commas.
fields() {
  awk '{
    line = ""; quoted = 0
    for (i = 1; i <= length($0); ++i) {
      c = substr($0, i, 1)
      if (c == "\"") quoted = !quoted
      else line = line (c == "," && !quoted ? "\t" : c)
    }
    print line
  }'
}

# Fields: name, iterations, real_time, cpu_time, time_unit, ..., label, ...;
# a repetition's name is "ROW/work/real_time", an aggregate's ends in
# "_median" and the like.
printf '%s\n' "$rows" | fields | awk -F'\t' -v repetitions="$repetitions" -v order="$order" '
  function shown(us) {
    if (us >= 1e6) return sprintf("%.2f s", us / 1e6)
    if (us >= 1e3) return sprintf("%.2f ms", us / 1e3)
    return sprintf("%.2f us", us)
  }
  function micro(value, unit) { return unit == "s" ? value * 1e6 : unit == "ms" ? value * 1e3 : unit == "ns" ? value / 1e3 : value }
  $1 ~ /\/real_time$/ {
    split($1, part, "/")
    row = part[1]; kind = part[2]
    us = micro($3, $5)
    if (!((row, kind) in time) || us < time[row, kind]) time[row, kind] = us
    if (kind == "work") label[row] = $8
  }
  END {
    print "| work | time | floor | time | work / floor | goal |"
    print "|---|---|---|---|---|---|"
    count = split(order, rows, " ")
    for (i = 1; i <= count; ++i) {
      row = rows[i]
      split(label[row], what, "|")
      ratio = time[row, "work"] / time[row, "floor"]
      verdict = ratio <= what[3] ? "met" : "MISSED"
      printf "| %s | %s | %s | %s | %.2fx | <= %sx %s |\n", what[1], shown(time[row, "work"]), what[2],
             shown(time[row, "floor"]), ratio, what[3], verdict
    }
    printf "\nThe fastest of %d interleaved repetitions, real time.\n", repetitions
  }'

# Columns as above; the row's goal is the third part of the work's label.
printf '%s\n' "$once" | fields | awk -F'\t' '
  $1 ~ /^nt_sector\// {
    split($1, part, "/"); calls[part[2]] = $2; cpu[part[2]] = $4; unit = $5
    if (part[2] == "work") split($8, what, "|")
  }
  END {
    ratio = cpu["work"] / cpu["floor"]
    printf "%s, one loop of %d calls timed on its own, CPU time: %.2f %s a call; %s, %d calls: %.2f %s; %.2fx; <= %sx %s\n",
           what[1], calls["work"], cpu["work"], unit, what[2], calls["floor"], cpu["floor"], unit, ratio, what[3],
           ratio <= what[3] ? "met" : "MISSED"
  }'

printf '%s\n' "$memory" | fields | awk -F'\t' '
  NR == 1 { for (i = 1; i <= NF; ++i) column[$i] = i; next }
  { peak = $column["peak_MiB"]; bound = $column["bound_MiB"]
    printf "Peak memory of a 64 MiB read on the NT road: %.1f MiB above the process before the caller'"'"'s buffer; bound %.0f MiB (the buffer, one 64 MiB block and 8 MiB): %s\n",
           peak, bound, peak <= bound ? "met" : "MISSED" }'
