#!/usr/bin/env bash
# The speed report: runs every benchmark and prints one table of figures, goals and whether each was met.
# Each piece prints lines "RESULT<TAB>figure<TAB>value<TAB>unit<TAB>goal" (goal: an upper bound, same unit;
# value "n/a" when the figure could not be measured on this machine, with the reason in the log above).
# Usage: bash bench/run.sh BUILD_DIR. The log of every piece goes to stderr (appended, so that a log file
# keeps all of it); the table to stdout.
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
results=$(mktemp)
trap 'rm -f "$results"' EXIT
started=$SECONDS

export LANTERNFALL_BENCH_DATA="$here/../tests/data"
for exe in "$build"/bench/*_bench; do
  [ -x "$exe" ] || continue
  echo "== $(basename "$exe")" >&2
  # No colours: an escape sequence would land in front of the RESULT line that follows the table.
  "$exe" --benchmark_min_time=0.2 --benchmark_color=false 2>&1 | tee -a /dev/stderr |
    grep -o $'RESULT\t.*' >>"$results"
done
for script in "$here"/*_bench.sh; do
  [ -f "$script" ] || continue
  echo "== $(basename "$script")" >&2
  bash "$script" "$build" 2>&1 | tee -a /dev/stderr | grep -o $'RESULT\t.*' >>"$results"
done

echo
echo "Speed report ($(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $((SECONDS - started)) s)"
printf '%-66s %10s %-6s %8s  %s\n' "Figure" "Measured" "Unit" "Goal" "Met"
printf '%s\n' "--------------------------------------------------------------------------------------------------------"
while IFS=$'\t' read -r _ name value unit goal; do
  met=$(awk -v v="$value" -v g="$goal" 'BEGIN {
    if (v !~ /^-?[0-9.]+$/) print "n/a (not measured)"; else print (v + 0 <= g + 0) ? "yes" : "NO" }')
  printf '%-66s %10s %-6s %8s  %s\n' "$name" "$value" "$unit" "≤ $goal" "$met"
done <"$results"
