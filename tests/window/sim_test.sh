#!/usr/bin/env bash
# The wish simulation in the real window under Xvfb: the mouse button on the title picks the difficulty,
# clicks on the text advance it, and the option buttons steer which power grows (seen in the swatch).
# Usage: bash sim_test.sh path/to/lanternfall. Exit 77 when no display tools are installed.
set -u

GAME=${1:?usage: sim_test.sh path/to/lanternfall}
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skip: $tool not installed"; exit 77; }
done
[ -x "$GAME" ] || { echo "skip: no game binary at $GAME"; exit 77; }

WORK=$(mktemp -d)
XVFB_PID=
GAME_PID=
cleanup() {
  [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null && wait "$GAME_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }

# ---- A content folder of solid-colour pictures, so that the screen says where the game stands ----
# The game reads its content beside its executable, so it runs from a copy in the work folder.
mkdir -p "$WORK/img" "$WORK/txt"
cp "$GAME" "$WORK/lanternfall"
solid() { convert -size 64x48 "xc:rgb($2)" -quality 95 "$WORK/img/$1.jpg"; }
solid ttl "200,60,160"
solid one "40,170,60"
solid two "230,200,30"
solid bad "210,30,30"
crlf() { printf '%s\r\n' "$@"; }
# "first" waits for a click (a bare ">p" follows); the click shows picture two and "second", which waits
# again; the next click hands over to the wish simulation.
crlf ">img one" "first" ">p" ">img two" "second" "tugi" >"$WORK/txt/opn.dat"
crlf ">img bad" "bad end" ">end" >"$WORK/txt/badend.dat"
crlf "the end" ">end" >"$WORK/txt/end.dat"
# Events hand straight back, so that one falling due while the test steers the powers changes nothing seen.
for n in 0 1 2 3 4 5 6 7 8; do
  crlf "tugi" >"$WORK/txt/0$n.dat"
  crlf "tugi" >"$WORK/txt/1$n.dat"
done

# ---- Display ----
for n in $(seq 91 140); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  sleep 1
  if kill -0 "$XVFB_PID" 2>/dev/null; then export DISPLAY=":$n"; break; fi
  XVFB_PID=
done
[ -n "$XVFB_PID" ] || { echo "skip: could not start Xvfb"; exit 77; }
unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy

WID= WX= WY= WW= WH=
start_game() {
  "$WORK/lanternfall" 2>"$WORK/stderr.txt" &
  GAME_PID=$!
  WID=
  for _ in $(seq 1 300); do  # a loaded machine may take seconds to bring the window up
    WID=$(xdotool search --onlyvisible --name '^Lanternfall$' 2>/dev/null | head -1)
    [ -n "$WID" ] && break
    sleep 0.1
  done
  if [ -z "$WID" ]; then
    kill -0 "$GAME_PID" 2>/dev/null || { wait "$GAME_PID"; echo "the game exited with status $?"; }
    fail "no game window appeared ($(cat "$WORK/stderr.txt"))"
  fi
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$WID")"
  WX=$X WY=$Y WW=$WIDTH WH=$HEIGHT
  echo "window $WID at ${WX},${WY} size ${WW}x${WH}"
}
stop_game() {
  kill "$GAME_PID" 2>/dev/null
  wait "$GAME_PID" 2>/dev/null
  GAME_PID=
}

# The window's logical grid: 8.1 x 6.1 units over the client area, origin at (-0.05, -0.05).
px() { awk -v u="$1" -v w="$WW" -v o="$WX" 'BEGIN { printf "%d", o + (u + 0.05) * w / 8.1 }'; }
py() { awk -v u="$1" -v h="$WH" -v o="$WY" 'BEGIN { printf "%d", o + (u + 0.05) * h / 6.1 }'; }

SHOT="$WORK/shot.png"
snap() { import -window root "$SHOT" 2>/dev/null || fail "screenshot failed"; }
# "r g b" of the last screenshot at the logical point (x, y).
colour_at() {
  convert "$SHOT" -crop "1x1+$(px "$1")+$(py "$2")" -depth 8 txt:- |
    sed -n 's/.*(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' | awk '{ printf "%d %d %d", $1, $2, $3 }'
}
# True when the colour at (x, y) is within 24 of "r g b" in every channel.
looks() {
  local got
  got=$(colour_at "$1" "$2")
  awk -v a="$got" -v b="$3" 'BEGIN { split(a, x, " "); split(b, y, " ");
    for (i = 1; i <= 3; i++) { d = x[i] - y[i]; if (d < -24 || d > 24) exit 1 } }'
}
# Wait up to $4 seconds for the colour at (x, y) to look like "r g b".
wait_for() {
  local deadline=$((SECONDS + $4))
  while [ $SECONDS -le $deadline ]; do
    snap
    looks "$1" "$2" "$3" && return 0
    sleep 0.2
  done
  return 1
}
click() {  # logical x, y, xdotool button (1 left, 2 middle, 3 right)
  xdotool mousemove --sync "$(px "$1")" "$(py "$2")" click "$3"
}
# One channel (1 red, 2 green, 3 blue) of the power swatch, which fills (6, 4.3)-(8, 5.6).
swatch() { snap; colour_at 7 5 | awk -v c="$1" '{ print $c }'; }

# ---- Left click: EASY ----
start_game
wait_for 4 3 "200 60 160" 5 || fail "title picture not shown: $(colour_at 4 3)"
click 4 3 1
wait_for 3 5 "40 170 60" 3 || fail "the opening's first picture did not follow a left click: $(colour_at 3 5)"
looks 7 5.8 "255 255 255" || fail "the title still covers the window after the click: $(colour_at 7 5.8)"
sleep 1
snap
looks 3 5 "40 170 60" || fail "the opening went on without a click"
click 3 3 1
wait_for 3 5 "230 200 30" 3 || fail "a click on the text did not advance it: $(colour_at 3 5)"
click 3 3 1
# The wish simulation wishes for the leaf first: the swatch turns green, with no red and no blue.
sleep 2
green=$(swatch 2); red=$(swatch 1)
[ "$green" -gt 60 ] && [ "$red" -lt 20 ] || fail "leaf power does not grow first (green $green, red $red)"
click 7 0.5 1  # her
sleep 3
red=$(swatch 1)
[ "$red" -gt 100 ] || fail "wishing for her does not raise the red of the swatch (red $red)"
click 7 1.5 1  # him
sleep 3
blue=$(swatch 3); red=$(swatch 1)
[ "$blue" -gt 100 ] && [ "$blue" -gt "$red" ] || fail "wishing for him does not move the swatch to blue (blue $blue, red $red)"
# EASY lasts 99 days of 3 s: well after HARD's thirty-one days it is still running.
sleep 24
snap
looks 3 5 "230 200 30" || fail "EASY ended too soon: $(colour_at 3 5)"
stop_game

# ---- Right click: HARD, whose day 31 comes after thirty seconds ----
start_game
wait_for 4 3 "200 60 160" 5 || fail "title picture not shown on the second start"
click 4 3 3
wait_for 3 5 "40 170 60" 3 || fail "the opening did not follow a right click"
click 3 3 1
wait_for 3 5 "230 200 30" 3 || fail "a click on the text did not advance it in HARD"
click 3 3 1
sleep 1
[ "$(swatch 2)" -gt 60 ] || fail "leaf power does not grow in HARD"
wait_for 3 5 "210 30 30" 40 || fail "HARD did not reach its bad end by day 31: $(colour_at 3 5)"
# Its ">end" brings the title back for another game.
click 3 3 1
wait_for 4 3 "200 60 160" 5 || fail "the bad end did not return to the title"
stop_game

echo "PASS"
