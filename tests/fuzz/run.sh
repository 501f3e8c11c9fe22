#!/usr/bin/env bash
# Runs the scenario fuzzer for a bounded time: bash tests/fuzz/run.sh <build-dir> <seconds>.
# Seeds are the bundled scenarios and the checked-in test scenarios behind a header of ticks and clicks.
# Fails on a crash, a leak, undefined behaviour, or an input that runs longer than the timeout.
set -euo pipefail

build=${1:?usage: run.sh <build-dir> <seconds>}
seconds=${2:-60}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
fuzzer=$build/tests/fuzz/fuzz_scenario
[ -x "$fuzzer" ] || { echo "run.sh: no fuzzer at $fuzzer (build the fuzz_scenario target)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$build/fuzz-artifacts"

# Header: 24 actions, alternately a 100 ms wait (byte 20) and a click on a label (byte 1); byte 0 is the
# action count.
header=$(printf '\x18'; for _ in $(seq 12); do printf '\x14\x01'; done)
n=0
for f in "$root"/content/txt/*.dat "$root"/tests/fuzz/seeds/*.dat; do
  [ -f "$f" ] || continue
  n=$((n + 1))
  { printf '%s' "$header"; cat "$f"; } > "$work/corpus/seed-$n"
done
echo "fuzz_scenario: $n seed scenarios, ${seconds}s"

# Closing the fuzzer's stderr silences the game's content complaints; sanitizer and crash reports still
# go to libFuzzer's own copy of it.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$fuzzer" "$work/corpus" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/"
