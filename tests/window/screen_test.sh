#!/usr/bin/env bash
# The game window under Xvfb, read back by pixels: a 4:3 window sized from the screen and centred on it,
# the title picture stretched over the 8 × 6 play area inside the white margin, the same after the user
# resizes the window and on a larger screen, and the scene picture and swatch in place once play starts.
# Usage: bash screen_test.sh path/to/lanternfall. Exit 77 when the display tools are missing.
set -u
. "$(dirname "$0")/lib.sh"
wt_init "${1:-}"

LEFT="40,90,200"   # left half of the title picture
RIGHT="230,170,20" # right half
WHITE="255,255,255"
# A title picture of another shape than the window, two colours side by side: it must be stretched over
# picStt, not letterboxed or cropped.
convert -size 40x90 "xc:rgb($LEFT)" -size 40x90 "xc:rgb($RIGHT)" +append -quality 95 "$WORK/img/ttl.jpg"
SCENE="60,170,90"
wt_solid scene "$SCENE"
# The opening shows the scene picture with one line of text and waits for a click.
wt_crlf opn.dat ">img scene" "first" ">p" "tugi"

# check_window SCREEN_W SCREEN_H EXPECTED_HEIGHT WHAT
check_window() {
  local sw=$1 sh=$2 want_h=$3 what=$4
  wt_window_geometry
  wt_shot "$what"
  echo "$what: window at ($WX, $WY), ${WW}x${WH} on a ${sw}x${sh} screen"
  # One pixel of rounding in each of the height, the width derived from it, and the position.
  [ $((WH - want_h)) -le 1 ] && [ $((want_h - WH)) -le 1 ] || wt_fail "$what: height $WH, expected $want_h"
  local off=$((3 * WW - 4 * WH))
  [ "${off#-}" -le 4 ] || wt_fail "$what: ${WW}x${WH} is not 4:3"
  off=$((2 * WX + WW - sw))
  [ "${off#-}" -le 2 ] || wt_fail "$what: not centred across (left $WX, width $WW)"
  off=$((2 * WY + WH - sh))
  [ "${off#-}" -le 2 ] || wt_fail "$what: not centred down (top $WY, height $WH)"

  # picStt covers the 8 × 6 rectangle of the 8.1 × 6.1 units over the client area, which start at -0.05.
  local l=$((WX + WW * 5 / 810)) r=$((WX + WW * 805 / 810)) t=$((WY + WH * 5 / 610)) b=$((WY + WH * 605 / 610))
  local qx1=$(((3 * l + r) / 4)) qx3=$(((l + 3 * r) / 4)) my=$(((t + b) / 2))
  wt_expect_pixel $((l + 3)) $((t + 3)) "$LEFT" "$what: top-left corner of the title"
  wt_expect_pixel $((l + 3)) $((b - 4)) "$LEFT" "$what: bottom-left corner of the title"
  wt_expect_pixel $((r - 4)) $((t + 3)) "$RIGHT" "$what: top-right corner of the title"
  wt_expect_pixel $((r - 4)) $((b - 4)) "$RIGHT" "$what: bottom-right corner of the title"
  wt_expect_pixel "$qx1" "$my" "$LEFT" "$what: left quarter of the title"
  wt_expect_pixel "$qx3" "$my" "$RIGHT" "$what: right quarter of the title"
  # The margin around the play area is the window's white background.
  wt_expect_pixel $((WX + 1)) $((WY + 1)) "$WHITE" "$what: top-left margin"
  wt_expect_pixel $((WX + WW - 2)) $((WY + WH - 2)) "$WHITE" "$what: bottom-right margin"
  wt_expect_pixel $((l - 2)) "$my" "$WHITE" "$what: left margin"
  wt_expect_pixel $((r + 1)) "$my" "$WHITE" "$what: right margin"
}

# ---- 1024 × 768: the window is 4/5 of the screen height ----
wt_start_xvfb 1024 768
wt_launch
check_window 1024 768 614 "start-1024x768"

# ---- The user makes the window square: the game takes the height, goes back to 4:3 and centres ----
xdotool windowsize "$WID" 500 500
wt_settle 1.5
check_window 1024 768 500 "resized-to-500"
# ... and it stays there: no loop of resizes with the window system.
wt_window_geometry
first="$WX $WY $WW $WH"
wt_settle 1
wt_window_geometry
[ "$first" = "$WX $WY $WW $WH" ] || wt_fail "the window kept moving: $first, then $WX $WY $WW $WH"
kill -0 "$WT_GAME_PID" 2>/dev/null || wt_fail "the game ended after the resize"

# ---- A left click on the title starts the game: the scene picture fills the left 6 × 6 square and the
# swatch (black at the start) sits at 6..8 × 4.3..5.6 of the resized window ----
xdotool mousemove $((WX + WW / 2)) $((WY + WH / 2)) click 1
xdotool mousemove 0 0
wt_settle 1.5
wt_shot "scene-after-click"
l=$((WX + WW * 5 / 810)) m=$((WX + WW * 605 / 810)) r=$((WX + WW * 805 / 810))
t=$((WY + WH * 5 / 610)) b=$((WY + WH * 605 / 610))
# The text lies at the top left of the scene; the other three corners show the picture.
wt_expect_pixel $((m - 4)) $((t + 3)) "$SCENE" "scene picture, top-right corner"
wt_expect_pixel $((l + 3)) $((b - 4)) "$SCENE" "scene picture, bottom-left corner"
wt_expect_pixel $((m - 4)) $((b - 4)) "$SCENE" "scene picture, bottom-right corner"
sy0=$((WY + WH * 435 / 610)) sy1=$((WY + WH * 565 / 610)) cx=$(((m + r) / 2))
wt_expect_pixel "$cx" $((sy0 + 3)) "0,0,0" "swatch, top"
wt_expect_pixel "$cx" $((sy1 - 3)) "0,0,0" "swatch, bottom"
wt_expect_pixel $((m + 3)) $(((sy0 + sy1) / 2)) "0,0,0" "swatch, left edge"
wt_expect_pixel "$cx" $((sy1 + 4)) "$WHITE" "the strip below the swatch"
wt_expect_pixel "$cx" $((sy0 - 3)) "$WHITE" "between the power caption and the swatch"
wt_stop_xvfb

# ---- A larger screen ----
wt_start_xvfb 1600 1200
wt_launch
check_window 1600 1200 960 "start-1600x1200"
wt_stop_xvfb

echo "PASS"
