#!/usr/bin/env bash
# CPU of the running HARD wish simulation in the real window under Xvfb: the power tick at the 10 ms floor,
# the day tick, and every frame they cause, read from the game process's own CPU ticks (/proc) over 20 s
# of play, median of several games. No music file, so the figure is the simulation and its drawing alone.
# Usage: bash sim_bench.sh BUILD_DIR (RUNS may be set). Prints "RESULT<TAB>figure<TAB>value<TAB>unit<TAB>goal".
set -u
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
runs=${RUNS:-3}
figure="sim: HARD wish simulation CPU incl. frames, real window (median)"
# The display helpers skip (exit 77) when a tool is missing and fail (exit 1) when the game does not play
# as expected: the figure is then not measured, and says so.
trap 'rc=$?; [ "$rc" != 0 ] && printf "RESULT\t%s\tn/a\t%%core\t8\n" "$figure"' EXIT
. "$here/../tests/window/lib.sh"
wt_init "$build/lanternfall"
trap 'rc=$?; wt_cleanup; [ "$rc" != 0 ] && printf "RESULT\t%s\tn/a\t%%core\t8\n" "$figure"' EXIT

# The bundled pictures, and an opening of one page that hands over at the first click.
cp "$build"/img/*.jpg "$WORK/img/" 2>/dev/null || wt_skip "no bundled pictures in $build/img"
wt_crlf opn.dat ">img oka" "wish" "tugi"
wt_crlf badend.dat "bad end" ">end"
wt_crlf end.dat "the end" ">end"
wt_instant_events

wt_start_xvfb 1024 768
at() { xdotool mousemove --sync $((WX + WW * $1 / 810)) $((WY + WH * $2 / 610)) click "$3"; }
# utime + stime of the game, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$WT_GAME_PID/stat"; }
hz=$(getconf CLK_TCK)
seconds=20 # HARD's day 31 comes 30 s in; measure well inside one game
values=()
for run in $(seq "$runs"); do
  wt_launch
  at 400 300 3 # right click on the title: HARD
  wt_settle
  at 300 300 1 # the opening's one page
  # Away from every control, so that no tooltip comes and goes during the measurement.
  xdotool mousemove 0 0
  sleep 2
  before=$(cpu_ticks)
  sleep "$seconds"
  after=$(cpu_ticks)
  kill -0 "$WT_GAME_PID" 2>/dev/null || wt_fail "the game exited during the measurement"
  values+=("$(awk -v d=$((after - before)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * d / hz / s }')")
  wt_stop_game
done
echo "sim_bench: HARD play CPU per run (% of a core): ${values[*]}"
median=$(printf '%s\n' "${values[@]}" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
printf 'RESULT\t%s\t%s\t%%core\t8\n' "$figure" "$median"
