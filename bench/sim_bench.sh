#!/usr/bin/env bash
# CPU of the running HARD wish simulation in the real window (under Xvfb): power tick at the 10 ms floor,
# day tick, and every redraw they cause, read from the game process's own CPU time. No music file.
# Usage: bash sim_bench.sh BUILD_DIR. Prints "RESULT<TAB>figure<TAB>value<TAB>unit<TAB>goal".
set -u
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/window/lib.sh"
wt_init "$build/lanternfall"

# The bundled pictures, and an opening of one page that hands over at the first click.
cp "$build"/img/*.jpg "$WORK/img/" 2>/dev/null || wt_skip "no bundled pictures in $build/img"
wt_crlf opn.dat ">img oka" "wish" "tugi"
wt_crlf badend.dat "bad end" ">end"
wt_crlf end.dat "the end" ">end"
for n in 0 1 2 3 4 5 6 7 8; do
  wt_crlf "0$n.dat" "tugi"
  wt_crlf "1$n.dat" "tugi"
done

wt_start_xvfb 1024 768
wt_launch
at() { xdotool mousemove --sync $((WX + WW * $1 / 810)) $((WY + WH * $2 / 610)) click "$3"; }
at 400 300 3 # right click on the title: HARD
wt_settle
at 300 300 1 # the opening's one page
# Away from every control, so that no tooltip comes and goes during the measurement.
xdotool mousemove 0 0
sleep 2

# utime + stime of the game, in clock ticks. HARD's day 31 comes 30 s in; measure well inside it.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$WT_GAME_PID/stat"; }
seconds=20
before=$(cpu_ticks)
sleep "$seconds"
after=$(cpu_ticks)
hz=$(getconf CLK_TCK)
kill -0 "$WT_GAME_PID" 2>/dev/null || wt_fail "the game exited during the measurement"
percent=$(awk -v d=$((after - before)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * d / hz / s }')
wt_stop_game
printf 'RESULT\tsim: HARD wish simulation CPU, real window (Xvfb)\t%s\t%%core\t8\n' "$percent"
