#!/usr/bin/env bash
# The author's preview in a real window under Xvfb: named a scenario, it opens on that scenario at once
# (its picture, not the title); after the file is edited on disk, F5 shows the edit; a picture the edit
# names but the folder lacks is reported in the window's title bar.
# Usage: bash preview_test.sh path/to/lanternfall (the preview is found beside it, under tools/preview).
# Exit 77 when the display tools are missing.
set -u
. "$(dirname "$0")/lib.sh"
wt_init "${1:-}"
PREVIEW="$(dirname "$WT_GAME")/tools/preview/lanternfall-preview"
[ -x "$PREVIEW" ] || wt_skip "no preview executable at $PREVIEW"
# The window's name holds the scenario's own words (UTF-8): xdotool reads it only in a UTF-8 locale.
export LC_ALL=C.UTF-8

TITLE="40,90,200" FIRST="200,40,40" EDITED="40,180,60"
wt_solid ttl "$TITLE"
wt_solid first "$FIRST"
wt_solid edited "$EDITED"
# The scenario waits on its text, so the picture stays up until the test is done with it.
wt_crlf 00.dat ">img first" "the first version" "tugi"
# The opening must not be what shows: it has a picture of its own colour.
wt_solid opening "250,250,0"
wt_crlf opn.dat ">img opening" "the opening" "tugi"

wt_start_xvfb 1024 768
"$PREVIEW" "$WORK" 00 >"$WORK/game.log" 2>&1 &
WT_GAME_PID=$!
WID=
deadline=$((SECONDS + 20))
while [ -z "$WID" ] && [ "$SECONDS" -lt "$deadline" ]; do
  # Found by its process: xdotool's name search reads only names in the old Latin-1 form.
  WID=$(timeout 20 xdotool search --sync --onlyvisible --pid "$WT_GAME_PID" 2>/dev/null | head -1)
  [ -n "$WID" ] || kill -0 "$WT_GAME_PID" 2>/dev/null || break
  [ -n "$WID" ] || sleep 0.2
done
[ -n "$WID" ] || wt_fail "no preview window appeared within 20 s: $(cat "$WORK/game.log")"
[ "$(xdotool getwindowname "$WID")" = "Lanternfall preview: 00" ] ||
  wt_fail "the window is named '$(xdotool getwindowname "$WID")', expected 'Lanternfall preview: 00'"
wt_window_geometry

# scene_is COLOUR WHAT: within 5 s the scene picture (below its text) shows that colour.
scene_is() {
  local try got
  for try in $(seq 1 25); do
    wt_settle 0.2
    wt_shot "$2"
    got=$(wt_colour_at 3 5)
    wt_near "$got" "$1" 16 && return 0
  done
  wt_fail "$2: the scene shows $got, expected $1"
}
scene_is "$FIRST" "opens-on-the-scenario"
wt_alive "after opening"

# F5 reaches the window through the keyboard focus, as an author's key press does.
press_f5() {
  xdotool windowfocus --sync "$WID" 2>/dev/null || xdotool windowfocus "$WID"
  xdotool key --clearmodifiers F5
}
wt_crlf 00.dat ">img edited" "the edited version" "tugi"
press_f5
scene_is "$EDITED" "f5-shows-the-edit"

wt_crlf 00.dat ">img nowhere" "a picture that is not there" "tugi"
press_f5
name=
for try in $(seq 1 25); do
  name=$(xdotool getwindowname "$WID")
  case "$name" in *'picture "nowhere" not shown'*) break ;; esac
  sleep 0.2
done
case "$name" in
  'Lanternfall preview: 00'*'picture "nowhere" not shown'*) ;;
  *) wt_fail "the title bar should name the missing picture, it reads: $name" ;;
esac
grep -q 'picture "nowhere" not shown' "$WORK/game.log" || wt_fail "the problem is not on stderr: $(cat "$WORK/game.log")"
wt_alive "after three versions"
echo "PASS"
