#!/usr/bin/env bash
# The game on real desktops, under a window manager (openbox: frames, focus, fullscreen): the outer window
# 4:3, 4/5 of the screen high and centred on a 1024 x 768 and a 3840 x 2160 screen; a game played with
# the keyboard alone (Enter on the title, Space, keypad Enter and Enter through the opening, F11 into
# fullscreen and Escape out of it, 1 and 3 steering the swatch to an event, then twenty and two hundred
# fast F11 presses leaving the window at its size); a right click and two quick
# clicks 10 px apart each advancing the text; at 192 dpi the same window with the power numbers twice as
# tall as at 96 dpi.
# Usage: bash desktop_test.sh path/to/lanternfall. Exit 77 when the display tools are missing.
set -u
. "$(dirname "$0")/lib.sh"
wt_init "${1:-}"

WHITE="255,255,255"
declare -A COLOUR=([title]="200,60,160" [event]="150,60,30")
for n in 1 2 3 4 5 6; do COLOUR[p$n]="$((20 + 30 * n)),$((200 - 25 * n)),120"; done
wt_solid ttl "${COLOUR[title]}"
for n in 1 2 3 4 5 6; do wt_solid "p$n" "${COLOUR[p$n]}"; done
wt_solid event "${COLOUR[event]}"
# Six pages, each waiting for the player, each with its own picture.
wt_crlf opn.dat ">img p1" "one" ">p" ">img p2" "two" ">p" ">img p3" "three" ">p" ">img p4" "four" ">p" \
  ">img p5" "five" ">p" ">img p6" "six" "tugi"
for n in 0 1 2 3 4 5 6 7 8; do
  wt_crlf "0$n.dat" ">img event" "her event" "tugi"
  wt_crlf "1$n.dat" ">img event" "his event" "tugi"
done

# The picture the scene shows at (3, 5), below the text, by name; "?" for none.
scene() {
  local got name
  got=$(wt_colour_at 3 5)
  for name in "${!COLOUR[@]}"; do
    wt_near "$got" "${COLOUR[$name]}" 12 && echo "$name" && return
  done
  echo "? ($got)"
}
shows() {
  wt_shot "$2"
  [ "$(scene)" = "$1" ]
}
# expect_scene NAME WHAT: the scene shows picture NAME within 5 s.
expect_scene() { wt_until 5 "$2 (the scene shows $(scene), not $1)" shows "$1" "$1"; }
# Keys go to the focused window, as a player's do.
key() { xdotool key "$@"; }

# check_outer SCREEN_W SCREEN_H WHAT: the outer window, frame included, is 4:3, 4/5 of the screen high and
# centred, within 2 px.
check_outer() {
  local sw=$1 sh=$2 what=$3 want_h want_w off
  wt_outer_geometry
  want_h=$((sh * 4 / 5)) want_w=$((sh * 4 / 5 * 4 / 3))
  echo "$what: outer window ${OW}x${OH} at ($OX, $OY), client ${WW}x${WH} at ($WX, $WY)"
  [ "$OH" != "$WH" ] || wt_fail "$what: the window has no frame: is the window manager running?"
  for off in $((OH - want_h)) $((OW - want_w)) $((2 * OX + OW - sw)) $((2 * OY + OH - sh)); do
    [ "${off#-}" -le 2 ] ||
      wt_fail "$what: outer ${OW}x${OH} at ($OX, $OY), expected ${want_w}x${want_h} at ($(((sw - want_w) / 2)), $(((sh - want_h) / 2)))"
  done
}

# Height in pixels of the power numbers in lblStr (pale blue on white, 6..8 x 4..4.3 units).
numbers_height() {
  local x0 y0 x1 y1
  x0=$(wt_px 6) y0=$(wt_py 4) x1=$(wt_px 8) y1=$(wt_py 4.3)
  convert "$SHOT" -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" +repage -fuzz 25% -fill black \
    -opaque "rgb(155,200,228)" -fill white +opaque black -trim -format "%h" info: 2>/dev/null
}
# wish_numbers WHAT: start a game with Enter into an opening that hands over at once, and measure the
# numbers once they show (the swatch has left black).
wish_numbers() {
  wt_crlf opn.dat "tugi"
  wt_launch
  wt_until 10 "$1: the title" shows title title
  key Return
  wt_until 10 "$1: the wish simulation" swatch_moves
  # The numbers replace the legend with the first power change; a frame may be caught half drawn.
  wt_until 5 "$1: the power numbers" numbers_shown
  echo "$1: the power numbers are $HEIGHT px tall"
  [ -n "$HEIGHT" ] && [ "$HEIGHT" -ge 6 ] || wt_fail "$1: no power numbers ($HEIGHT)"
}
numbers_shown() {
  wt_shot numbers
  HEIGHT=$(numbers_height)
  [ -n "$HEIGHT" ] && [ "$HEIGHT" -ge 6 ]
}
swatch_moves() {
  wt_shot wishing
  [ "$(wt_colour_at 7 5)" != "0,0,0" ]
}

# ---- 1024 x 768: the keyboard-only game ----
wt_start_xvfb 1024 768
wt_start_openbox
wt_launch
check_outer 1024 768 "1024x768"
WINDOWED="$OX $OY $OW $OH"
xdotool windowactivate --sync "$WID" 2>/dev/null
wt_until 10 "the title" shows title title
key Return
expect_scene p1 "Enter on the title"
key space
expect_scene p2 "Space on the first page"
key KP_Enter
expect_scene p3 "keypad Enter on the second page"

# Fullscreen: the game fills the screen height at 4:3 (on this screen all of it; the bars at the sides
# are checked on the wide screen below).
key F11
fullscreen() {
  wt_outer_geometry
  [ "$WW" = 1024 ] && [ "$WH" = 768 ] && [ "$WX" = 0 ] && [ "$WY" = 0 ]
}
wt_until 10 "F11 into fullscreen (client ${WW}x${WH} at ($WX, $WY))" fullscreen
# From here on the game's window is the 4:3 part of the screen.
WW=$((768 * 4 / 3)) WX=$(((1024 - 768 * 4 / 3) / 2))
wt_until 5 "the fullscreen frame" shows p3 fullscreen
wt_expect_pixel 1 384 "$WHITE" "fullscreen: the game's white margin at the screen's left edge"
# A right click on the text advances it, in fullscreen too.
wt_click 3 1 3
xdotool mousemove 0 0
expect_scene p4 "a right click on the text in fullscreen"
key Escape
windowed() {
  wt_outer_geometry
  [ "$OX $OY $OW $OH" = "$WINDOWED" ]
}
wt_until 10 "Escape out of fullscreen (outer ${OW}x${OH} at ($OX, $OY), was $WINDOWED)" windowed
wt_until 5 "the window after fullscreen" shows p4 windowed

# Two quick clicks 10 px apart are two clicks, not a double click: the text steps twice. (The right click
# before was another button: it pairs with neither.)
x=$(wt_px 3) y=$(wt_py 1)
xdotool mousemove --sync "$x" "$y" click 1 mousemove --sync $((x + 10)) "$y" click 1 mousemove 0 0
expect_scene p6 "two clicks 10 px apart"
key Return
wt_until 5 "Enter on the last page: the wish simulation" swatch_moves

# Steering with the number keys: the leaf (3) until the swatch is nearly pure green, then her (1) until
# the green falls near the leaf threshold, until her event shows.
wish=leaf
key 3
deadline=$((SECONDS + 60))
until shows event steering; do
  wt_alive "steering"
  [ "$SECONDS" -lt "$deadline" ] || wt_fail "steering with 1 and 3: no event within 60 s"
  g=$(wt_colour_at 7 5 | cut -d, -f2)
  if [ "$wish" = leaf ] && [ "$g" -ge 235 ]; then
    key 1
    wish=her
  elif [ "$wish" = her ] && [ "$g" -lt 125 ]; then
    key 3
    wish=leaf
  fi
  sleep 0.2
done
echo "her event reached with the keyboard alone"
key F11
wt_until 10 "F11 into fullscreen again" fullscreen
key F11
wt_until 10 "F11 out of fullscreen" windowed
# Fast presses, twenty and then two hundred, 12 ms apart (closer, SDL takes a release and the next press
# for a held key): the window system's answer to one press arrives after the next, and the window must
# still come back at the size it had. Escape leaves fullscreen wherever the presses left it.
for presses in 20 200; do
  xdotool key --delay 12 $(printf 'F11 %.0s' $(seq "$presses"))
  wt_settle 1
  key Escape
  wt_until 10 "$presses fast F11 presses, then Escape: back in the window as it was ($WINDOWED)" windowed
  wt_settle 1.5
  windowed || wt_fail "after $presses fast F11 presses the window went on to ${OW}x${OH} at ($OX, $OY), was $WINDOWED"
done
wt_alive "the keyboard-only game"
wt_stop_xvfb

# ---- 3840 x 2160 at 96 and at 192 dpi ----
wt_start_xvfb 3840 2160
wt_start_openbox
wish_numbers "3840x2160 at 96 dpi"
check_outer 3840 2160 "3840x2160 at 96 dpi"
WINDOWED="$OX $OY $OW $OH"
H96=$HEIGHT
# Fullscreen on a wide screen: black bars left and right of the 2880 x 2160 game.
key F11
bars() {
  wt_shot wide-fullscreen
  wt_near "$(wt_pixel 3 1080)" "0,0,0" 16 && wt_near "$(wt_pixel 3836 1080)" "0,0,0" 16 &&
    wt_near "$(wt_pixel 483 1080)" "$WHITE" 16 && wt_near "$(wt_pixel 3356 1080)" "$WHITE" 16
}
wt_until 10 "F11 on a 3840x2160 screen: black bars beside the 4:3 game" bars
key Escape
wt_until 10 "Escape out of fullscreen on 3840x2160" windowed
wt_stop_game
wt_set_dpi 192
wish_numbers "3840x2160 at 192 dpi"
check_outer 3840 2160 "3840x2160 at 192 dpi"
awk -v a="$H96" -v b="$HEIGHT" 'BEGIN { r = b / a; exit !(r > 1.7 && r < 2.3) }' ||
  wt_fail "at 192 dpi the power numbers are $HEIGHT px tall, at 96 dpi $H96 px: not about twice"
wt_stop_xvfb
echo "PASS"
