#!/usr/bin/env bash
# The text history in the real window under Xvfb and openbox, judged from the screen: the wheel over the
# scene opens it on the page read before, over the dimmed scene; while it is open nothing moves, not the
# text and not the day; Escape closes it with nothing stepped, and the next click steps exactly once.
# Usage: bash history_test.sh path/to/lanternfall. Exit 77 when the display tools are missing.
set -u
. "$(dirname "$0")/lib.sh"
wt_init "${1:-}"

TITLE="200,60,160"
SCENE="40,120,170"
wt_solid ttl "$TITLE"
wt_solid scene "$SCENE"
# Page one: three rows; page two: one wide row; page three: one narrow row, then the wish simulation.
wt_crlf opn.dat ">img scene" "WWWW first page" "WWWW second row" "WWWW third row" ">p" \
  "MMMMMMMMMMMMMMMMMMMMMMMMMMMMMM" ">p" "ii" "tugi"
wt_crlf badend.dat "bad end" ">end"
wt_crlf end.dat "the end" ">end"
wt_instant_events

# A signature of the day label's part of the window in the last screenshot.
day_area() {
  local x0 y0 x1 y1
  x0=$(wt_px 6) y0=$(wt_py 3) x1=$(wt_px 8) y1=$(wt_py 4)
  convert "$SHOT" -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" +repage -format "%#" info:
}
scene_is() { wt_near "$(wt_colour_at 3 5)" "$1" 16; }
width_of() { cut -d' ' -f2 <<<"$1" | cut -dx -f1; }
click() {
  wt_click "$1" "$2" "$3"
  xdotool mousemove 0 0
  sleep 0.8  # clicks a reader's distance apart: never a double click
}
wheel_up() {
  xdotool mousemove --sync "$(wt_px 3)" "$(wt_py 3)" click 4
  xdotool mousemove 0 0
}

wt_start_xvfb 1024 768
wt_start_openbox
wt_launch
xdotool windowactivate --sync "$WID" 2>/dev/null
wt_until 10 "the title" eval 'wt_shot title; scene_is "$TITLE"'
click 4 3 3  # HARD: a day a second
wt_until 5 "the opening" eval 'wt_shot page1; scene_is "$SCENE"'
sleep 0.5
wt_shot page1
PAGE1=$(wt_white_text)
click 3 3 1
wt_shot page2
PAGE2=$(wt_white_text)
echo "page one: $PAGE1; page two: $PAGE2"
[ "$PAGE1" != "$PAGE2" ] || wt_fail "the click did not turn the page"

# ---- Open over the opening ----
wheel_up
wt_settle
wt_shot open
OPEN=$(wt_white_text)
wt_same_text "$OPEN" "$PAGE1" || wt_fail "the history shows \"$OPEN\", not the first page's rows \"$PAGE1\""
dimmed=$(wt_colour_at 3 5)
wt_near "$dimmed" "$SCENE" 16 && wt_fail "the scene under the history is not dimmed ($dimmed)"
OPEN_DAY=$(day_area)
sleep 3
wt_shot open-later
[ "$(wt_white_text)" = "$OPEN" ] || wt_fail "the rows changed while the history was open: $(wt_white_text)"
[ "$(day_area)" = "$OPEN_DAY" ] || wt_fail "the day label changed while the history was open"
xdotool key Escape
wt_settle
wt_shot closed
wt_same_text "$(wt_white_text)" "$PAGE2" || wt_fail "after Escape the second page is not back as it was: $(wt_white_text)"
scene_is "$SCENE" || wt_fail "after Escape the scene is still dimmed: $(wt_colour_at 3 5)"
click 3 3 1
wt_shot stepped
STEPPED=$(wt_white_text)
echo "after closing and one click: $STEPPED"
[ "$(cut -d' ' -f1 <<<"$STEPPED")" -gt 0 ] || wt_fail "one click after closing took two steps (no text left)"
[ "$(width_of "$STEPPED")" -lt $(($(width_of "$PAGE2") / 3)) ] ||
  wt_fail "one click after closing did not show the third page: $STEPPED"

# ---- Open over the wish simulation: the day stands still ----
click 3 3 1
wt_until 5 "the wish simulation" eval 'wt_shot wish; [ "$(wt_white_text | cut -d" " -f1)" = 0 ]'
sleep 1.2
wt_shot before
BEFORE_DAY=$(day_area)
wheel_up
wt_settle 0.5
wt_shot held
HELD_DAY=$(day_area)
HELD_TEXT=$(wt_white_text)
[ "$(cut -d' ' -f1 <<<"$HELD_TEXT")" -gt 0 ] || wt_fail "the history shows no rows over the wish simulation"
sleep 3
wt_shot held-later
[ "$(day_area)" = "$HELD_DAY" ] || wt_fail "the day went on under the history"
[ "$(wt_white_text)" = "$HELD_TEXT" ] || wt_fail "the history's rows changed while it was open"
xdotool key Escape
sleep 2.5
wt_shot going-on
[ "$(wt_white_text | cut -d' ' -f1)" = 0 ] || wt_fail "Escape did not close the history"
[ "$(day_area)" != "$BEFORE_DAY" ] || wt_fail "the day did not go on after the history closed"
wt_alive "the end"
echo "PASS"
