#!/usr/bin/env bash
# Whole-process figures of the real window under Xvfb (1024 × 768) with the bundled content and music:
# launch to the window shown, CPU while the title screen idles, resident memory. Medians of several runs.
# Usage: bash bench/window_bench.sh BUILD_DIR. Prints RESULT lines for bench/run.sh.
set -u
build=${1:-build}
game="$build/lanternfall"
. "$(dirname "$0")/../tests/window/lib.sh"
for tool in Xvfb xdotool xev stdbuf; do
  command -v "$tool" >/dev/null 2>&1 || { echo "window bench skipped: $tool is not installed"; exit 0; }
done
[ -x "$game" ] || { echo "window bench skipped: no $game"; exit 0; }
WT_GAME=$game
WORK=$(mktemp -d)
trap wt_cleanup EXIT
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}  # the music is still synthesised in real time
unset SDL_VIDEODRIVER
wt_start_xvfb 1024 768

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)

# The moment of mapping is read from the X server's own events on one quiet connection: polling with a
# new client every few milliseconds would itself slow the game's connection down.
events="$WORK/events"
launch=() cpu=() rss=()
for run in 1 2 3 4 5; do
  : >"$events"
  stdbuf -oL xev -root -event substructure >"$events" 2>/dev/null &
  xev_pid=$!
  sleep 0.3
  start=$(date +%s%N)
  "$game" >/dev/null 2>&1 &
  WT_GAME_PID=$!
  until grep -q '^MapNotify' "$events"; do
    kill -0 "$WT_GAME_PID" 2>/dev/null || { echo "the game ended before showing its window"; exit 1; }
    sleep 0.001
  done
  launch+=($((($(date +%s%N) - start) / 1000000)))
  kill "$xev_pid" 2>/dev/null
  wait "$xev_pid" 2>/dev/null
  sleep 2  # the title is drawn and the sound font loaded
  if [ "$run" -le 3 ]; then
    a=$(ticks "$WT_GAME_PID")
    sleep 5
    b=$(ticks "$WT_GAME_PID")
    cpu+=("$(awk -v t=$((b - a)) -v hz="$hz" 'BEGIN { printf "%.2f", 100 * t / hz / 5 }')")
    rss+=("$(awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$WT_GAME_PID/status")")
  fi
  wt_stop_game
done

echo "launch ms: ${launch[*]}; idle CPU %: ${cpu[*]}; RSS MiB: ${rss[*]}"
printf 'RESULT\twindow: launch to window shown\t%s\tms\t60\n' "$(printf '%s\n' "${launch[@]}" | median)"
printf 'RESULT\twindow: CPU idling on the title with music\t%s\t%%\t1.2\n' "$(printf '%s\n' "${cpu[@]}" | median)"
printf 'RESULT\twindow: resident memory with fonts and music\t%s\tMiB\t45\n' "$(printf '%s\n' "${rss[@]}" | median)"
