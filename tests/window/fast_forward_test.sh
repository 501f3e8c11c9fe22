#!/usr/bin/env bash
# Fast-forward in the real window under Xvfb and openbox: Ctrl held through an opening whose every page
# waits for a click reaches its last page at the timer's pace (a row a tick, with generous bounds), waits
# there, and every page on the way was shown whole (read back through the history).
# Usage: bash fast_forward_test.sh path/to/lanternfall. Exit 77 when the display tools are missing.
set -u
. "$(dirname "$0")/lib.sh"
wt_init "${1:-}"

TITLE="200,60,160"
SCENE="40,120,170"
LAST="170,60,40"
PAGES=6
wt_solid ttl "$TITLE"
wt_solid scene "$SCENE"
wt_solid last "$LAST"
# Page k holds k rows and waits for a click; the last has a picture of its own.
lines=(">img scene")
rows=0
for k in $(seq $PAGES); do
  [ "$k" = "$PAGES" ] && lines+=(">img last")
  for r in $(seq "$k"); do lines+=("WWWW page $k row $r"); done
  rows=$((rows + k))
  [ "$k" = "$PAGES" ] || lines+=(">p")
done
lines+=("tugi")
wt_crlf opn.dat "${lines[@]}"
wt_crlf badend.dat "bad end" ">end"
wt_crlf end.dat "the end" ">end"

height_of() { cut -d' ' -f2 <<<"$1" | cut -d+ -f1 | cut -dx -f2; }
scene_is() { wt_near "$(wt_colour_at 3 5)" "$1" 16; }

wt_start_xvfb 1024 768
wt_start_openbox
wt_launch
xdotool windowactivate --sync "$WID" 2>/dev/null
wt_until 10 "the title" eval 'wt_shot title; scene_is "$TITLE"'
wt_click 4 3 1
xdotool mousemove 0 0
wt_until 5 "the opening" eval 'wt_shot first; scene_is "$SCENE"'
sleep 1
wt_shot first
scene_is "$SCENE" || wt_fail "the first page did not wait for a click"
FIRST=$(wt_white_text)

xdotool keydown Control_L
start=$(date +%s%3N)
until wt_shot ff && scene_is "$LAST"; do
  wt_alive "fast-forward"
  [ $(($(date +%s%3N) - start)) -lt 15000 ] || { xdotool keyup Control_L; wt_fail "Ctrl held 15 s did not reach the last page"; }
  sleep 0.1
done
elapsed=$(($(date +%s%3N) - start))
echo "the last page after ${elapsed} ms of Ctrl ($rows rows, $((rows * 100)) ms at a row a tick)"
sleep 2  # held on past the last page: its end waits for a real click
wt_shot held-at-end
xdotool keyup Control_L
scene_is "$LAST" || wt_fail "fast-forward went past the last page: $(wt_colour_at 3 5)"
LASTPAGE=$(wt_white_text)
[ "$(cut -d' ' -f1 <<<"$LASTPAGE")" -gt 0 ] || wt_fail "fast-forward clicked into the wish simulation"
[ "$elapsed" -ge 1000 ] || wt_fail "the pages went by in $elapsed ms, faster than the timer's pace"
[ "$elapsed" -le 10000 ] || wt_fail "the pages took $elapsed ms"

# Each page, read back through the history, holds all its rows: one row fewer each page back.
prev=$(height_of "$LASTPAGE")
xdotool key Prior
for k in $(seq $((PAGES - 1)) -1 1); do
  wt_settle 0.4
  wt_shot "history-$k"
  page=$(wt_white_text)
  h=$(height_of "$page")
  echo "page $k in the history: $page"
  [ "$h" -lt "$prev" ] || wt_fail "page $k in the history is not shorter than page $((k + 1)) ($h, $prev)"
  prev=$h
  [ "$k" = 1 ] || xdotool key Up
done
# The first page as shown ended in the mark that waited for a click, which the history leaves out.
[ "$(height_of "$page")" = "$(height_of "$FIRST")" ] ||
  wt_fail "the oldest page in the history is not the first page's one row ($page, $FIRST)"
xdotool key Escape
wt_settle
wt_click 3 3 1
xdotool mousemove 0 0
wt_until 5 "the click into the wish simulation" eval 'wt_shot wish; [ "$(wt_white_text | cut -d" " -f1)" = 0 ]'
echo "PASS"
