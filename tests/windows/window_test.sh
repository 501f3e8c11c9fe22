#!/usr/bin/env bash
# The Windows program playing the bundled game under Wine, Xvfb and openbox, from a folder named in
# Japanese: the title at 4:3 and 4/5 of a 1280 x 1024 screen, centred; Enter starts EASY and the text shows
# white over its magenta and black copies; a right click advances it; F11 covers the screen and F11 leaves
# it; closing the window ends the program with status 0. The locale (and with it Windows' ANSI code
# page) is the caller's: run.sh runs it under ja_JP.UTF-8 (932) and C.UTF-8 (1252), and once more with
# Windows set to 192 dpi (LANTERNFALL_WINE_DPI), where the text's pixel size follows twips of 1/192 inch.
# Usage: window_test.sh BUILD_DIR. Exit 77 when a display tool is missing.
set -u
BUILD_DIR=$(cd "${1:?usage: window_test.sh BUILD_DIR}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../window/lib.sh"
. "$HERE/wine_env.sh"
WT_NAME="windows-window-$(locale charmap 2>/dev/null)-${LC_ALL:-${LANG:-C}}"
export LANTERNFALL_BINARY_DIR="$BUILD_DIR"
for tool in Xvfb xdotool xwininfo xprop import convert wine openbox; do
  command -v "$tool" >/dev/null 2>&1 || wt_skip "$tool is not installed (make windows-deps installs it)"
done
WORK=$(mktemp -d)
trap wt_cleanup EXIT
trap 'exit 1' INT TERM
GAME_DIR="$WORK/ランタン フォール"
mkdir -p "$GAME_DIR"
cp "$BUILD_DIR/lanternfall.exe" "$GAME_DIR/"
cp -r "$HERE/../../content/." "$GAME_DIR/"

wt_start_xvfb 1280 1024
# The display answers before the window manager is asked to take it.
for _ in $(seq 100); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done
wt_start_openbox
# Wine's desktop (and with it the screen size Windows reports) lives in the wineserver's first display:
# a server of this display's own, ended with the test.
wine_stop
wine_start || wt_fail "the Wine prefix did not boot"
DPI=${LANTERNFALL_WINE_DPI:-96}
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DPI" /f >/dev/null 2>&1 ||
  wt_fail "could not set Wine's dpi to $DPI"
trap 'wt_cleanup; wine_stop' EXIT
(cd / && exec wine "$GAME_DIR/lanternfall.exe") >"$WORK/game.log" 2>&1 &
WT_GAME_PID=$!
WID=$(timeout 60 xdotool search --sync --onlyvisible --name '^Lanternfall$' 2>/dev/null | head -1)
[ -n "$WID" ] || wt_fail "no window named Lanternfall appeared within 60 s: $(cat "$WORK/game.log")"
sleep 1

# near A B TOLERANCE
near() { [ $(( $1 > $2 ? $1 - $2 : $2 - $1 )) -le "$3" ]; }
wt_outer_geometry
echo "window: outer ${OW}x${OH} at ($OX, $OY), client ${WW}x${WH}"
# The game sizes its Win32 window, frame included; openbox draws its own frame in the place of Wine's,
# a few pixels apart from it (by the locale's title font too): outer sizes are checked to 6 px, the
# centring across, where both frames are symmetric, to 2.
# At another dpi Wine sizes its own frame, which openbox replaces, at that dpi: the client is what the game
# set less a frame about dpi/96 times as thick. Across, the frames still match.
right_size() {
  wt_outer_geometry
  if [ "$DPI" = 96 ]; then
    near "$OH" 819 6 && near "$OW" $((OH * 4 / 3)) 8
  else
    [ "$WH" -le 819 ] && [ "$WH" -ge $((819 - 32 * DPI / 96)) ] && near "$OW" $((819 * 4 / 3)) 10
  fi
}
right_size || wt_fail "the window is ${OW}x${OH} (client ${WW}x${WH}) at $DPI dpi, not 4:3 and 4/5 of 1024 high"
[ "$DPI" != 96 ] || near "$OY" $(((1024 - OH) / 2)) 6 || wt_fail "the window is not centred down: top $OY"
near $((WX + WW / 2)) 640 2 || wt_fail "the window is not centred across: client from $WX, $WW wide"
wt_shot title
title=$(wt_colour_at 4 3)
wt_near "$title" "255,255,255" 30 && wt_fail "the title picture is not shown: the middle of the window is $title"

# How many pixels of the text's top left are white, and how many magenta (its shadow copy).
text_colours() {
  wt_shot text
  convert "$SHOT" -crop "$(( $(wt_px 3) - $(wt_px 0) ))x$(( $(wt_py 1.5) - $(wt_py 0) ))+$(wt_px 0)+$(wt_py 0)" \
    -format '%c' histogram:info:- >"$WORK/histogram"
  WHITE=$(awk '/#FFFFFF/ { n += $1 } END { print n + 0 }' "$WORK/histogram")
  MAGENTA=$(awk '/#FF00FF/ { n += $1 } END { print n + 0 }' "$WORK/histogram")
}
shows_text() { text_colours; [ "$WHITE" -gt 50 ] && [ "$MAGENTA" -gt 20 ]; }
xdotool mousemove 0 0 key Return
wt_until 15 "Enter starts EASY: white text over its shadow" shows_text
echo "text: $WHITE white and $MAGENTA magenta pixels"
# The text's size follows the window's height in twips, in points: (height / 1000 + 3) points at the
# screen's dpi, twips being 1440 / dpi per inch. The first row's ink is most of that em high.
em=$(( (819 * 1440 / DPI / 1000 + 3) * DPI / 72 ))
ink=$(convert "$SHOT" -crop "$(( $(wt_px 3) - $(wt_px 0) ))x$(( $(wt_py 1.5) - $(wt_py 0) ))+$(wt_px 0)+$(wt_py 0)" \
  +repage -fill black +opaque white -scale '1x!' -depth 8 txt:- |
  awk -F'[,:]' 'NR > 1 && $0 !~ /gray\(0\)|#000000/ {
                  if (first != "" && $2 - last > 2) exit  # the gap below the first row
                  if (first == "") first = $2
                  last = $2 }
                END { print (first == "" ? 0 : last - first + 1) }')
echo "text: first rows' ink $ink px high, em $em px at $DPI dpi"
[ "$ink" -ge $((em * 3 / 4)) ] && [ "$ink" -le "$em" ] ||
  wt_fail "the first row is $ink px high at $DPI dpi: its font is not $em px (twips per pixel $((1440 / DPI)))"

# The page fills by itself, then waits for the player; a right click on the scene turns it.
page_waits() {
  text_colours
  cp "$SHOT" "$WORK/before.png"
  sleep 1
  text_colours
  compare -metric AE "$WORK/before.png" "$SHOT" null: 2>/dev/null
}
wt_until 20 "the page waits for the player" page_waits
wt_window_geometry
wt_click 3 4 3
xdotool mousemove 0 0
page_turned() { wt_shot after; ! compare -metric AE "$WORK/before.png" "$SHOT" null: 2>/dev/null; }
wt_until 10 "a right click advances the text" page_turned

# The wheel over the scene opens the text history over the dimmed window (the blank corner under the
# side column turns grey); Escape closes it.
corner() { wt_shot history; wt_colour_at 7.8 5.8; }
dimmed() { local c; c=$(corner); ! wt_near "$c" "255,255,255" 60 && wt_near "$c" "95,95,95" 40; }
undimmed() { wt_near "$(corner)" "255,255,255" 16; }
wt_until 10 "the blank corner is white before the history" undimmed
xdotool mousemove --sync "$(wt_px 3)" "$(wt_py 3)" click 4
xdotool mousemove 0 0
wt_until 10 "the wheel over the scene opens the history over the dimmed window" dimmed
xdotool key Escape
wt_until 10 "Escape closes the history" undimmed

# Keys go to the focused window: the game's, before F11 is pressed.
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$WID" ]; }
wt_until 10 "the game's window has the keyboard focus" focused
xdotool key F11
fills_screen() { wt_window_geometry; [ "$WX,$WY,$WW,$WH" = "0,0,1280,1024" ]; }
wt_until 10 "F11 fills the screen (client ${WW}x${WH} at ($WX, $WY))" fills_screen
wt_shot fullscreen
xdotool key F11
wt_until 10 "F11 leaves fullscreen (outer ${OW}x${OH})" right_size

xdotool key --window "$WID" alt+F4
status=
for _ in $(seq 100); do
  if ! kill -0 "$WT_GAME_PID" 2>/dev/null; then
    wait "$WT_GAME_PID"
    status=$?
    break
  fi
  sleep 0.2
done
WT_GAME_PID=
[ -n "$status" ] || wt_fail "closing the window did not end the program within 20 s"
[ "$status" = 0 ] || wt_fail "the program ended with status $status: $(cat "$WORK/game.log")"
echo "PASS: the game played from $GAME_DIR under ${LC_ALL:-${LANG:-C}}"
