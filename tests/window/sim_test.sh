#!/usr/bin/env bash
# The wish simulation in the real window under Xvfb: the mouse button on the title picks the difficulty,
# clicks on the text advance it, and the option buttons steer which power grows (seen in the swatch).
# Usage: bash sim_test.sh path/to/lanternfall. Exit 77 when the display tools are missing.
set -u
. "$(dirname "$0")/lib.sh"
wt_init "${1:-}"

# ---- A story of solid-colour pictures, so that the screen says where the game stands ----
TITLE="200,60,160"
ONE="40,170,60"
TWO="230,200,30"
BAD="210,30,30"
WHITE="255,255,255"
wt_solid ttl "$TITLE"
wt_solid one "$ONE"
wt_solid two "$TWO"
wt_solid bad "$BAD"
# "first" waits for a click (a bare ">p" follows); the click shows picture two and "second", which waits
# again; the next click hands over to the wish simulation.
wt_crlf opn.dat ">img one" "first" ">p" ">img two" "second" "tugi"
wt_crlf badend.dat ">img bad" "bad end" ">end"
wt_crlf end.dat "the end" ">end"
# Events hand straight back, so that one falling due while the test steers the powers changes nothing seen.
wt_instant_events

wt_start_xvfb 1024 768

# The window's logical grid: 8.1 x 6.1 units over the client area, origin at (-0.05, -0.05).
looks() { wt_near "$(wt_colour_at "$1" "$2")" "$3" 24; }
# wait_for X Y "r,g,b" SECONDS: the colour at the logical point (x, y) turns to "r,g,b" in time.
wait_for() {
  local deadline=$((SECONDS + $4))
  while [ $SECONDS -le $deadline ]; do
    wt_shot
    looks "$1" "$2" "$3" && return 0
    sleep 0.2
  done
  return 1
}
# One channel (1 red, 2 green, 3 blue) of the power swatch, which fills (6, 4.3)-(8, 5.6).
swatch() {
  wt_shot swatch
  wt_colour_at 7 5 | cut -d, -f"$1"
}
# Through the title and the two-page opening into the wish simulation.
play_opening() {  # xdotool button, difficulty name
  wait_for 4 3 "$TITLE" 5 || wt_fail "$2: title picture not shown: $(wt_colour_at 4 3)"
  wt_click 4 3 "$1"
  wait_for 3 5 "$ONE" 3 || wt_fail "$2: the opening's first picture did not follow the click: $(wt_colour_at 3 5)"
  looks 7 5.8 "$WHITE" || wt_fail "$2: the title still covers the window after the click: $(wt_colour_at 7 5.8)"
  sleep 1
  wt_shot
  looks 3 5 "$ONE" || wt_fail "$2: the opening went on without a click"
  wt_click 3 3 1
  wait_for 3 5 "$TWO" 3 || wt_fail "$2: a click on the text did not advance it: $(wt_colour_at 3 5)"
  wt_click 3 3 1
}

# ---- Left click: EASY ----
wt_launch
play_opening 1 EASY
# The wish simulation wishes for the leaf first: the swatch turns green, with no red.
sleep 2
green=$(swatch 2)
red=$(swatch 1)
[ "$green" -gt 60 ] && [ "$red" -lt 20 ] || wt_fail "leaf power does not grow first (green $green, red $red)"
wt_click 7 0.5 1 # her
sleep 3
red=$(swatch 1)
[ "$red" -gt 100 ] || wt_fail "wishing for her does not raise the red of the swatch (red $red)"
wt_click 7 1.5 1 # him
sleep 3
blue=$(swatch 3)
red=$(swatch 1)
[ "$blue" -gt 100 ] && [ "$blue" -gt "$red" ] ||
  wt_fail "wishing for him does not move the swatch to blue (blue $blue, red $red)"
# EASY lasts 99 days of 3 s: well after HARD's thirty-one days it is still running.
sleep 24
wt_shot
looks 3 5 "$TWO" || wt_fail "EASY ended too soon: $(wt_colour_at 3 5)"
wt_stop_game

# ---- Right click: HARD, whose day 31 comes after thirty seconds ----
wt_launch
play_opening 3 HARD
sleep 1
[ "$(swatch 2)" -gt 60 ] || wt_fail "leaf power does not grow in HARD"
wait_for 3 5 "$BAD" 40 || wt_fail "HARD did not reach its bad end by day 31: $(wt_colour_at 3 5)"
# Its ">end" brings the title back for another game.
wt_click 3 3 1
wait_for 4 3 "$TITLE" 5 || wt_fail "the bad end did not return to the title"
wt_stop_game

echo "PASS"
