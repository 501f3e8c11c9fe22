#!/usr/bin/env bash
# Whole games played with the mouse in the real window under Xvfb, judged only from the screen: HARD left
# alone runs to its bad end, whose last line waits for the click that brings back the title; EASY, steered
# by a player who watches the power swatch, reaches an event; resizing the window while the event's text
# is shown keeps it 4:3 and centred and draws text and picture again at the new size. Once on a
# 1024 x 768 screen (her event, after a HARD game) and once on 1920 x 1080 (his event, a fresh game).
# Usage: bash play_test.sh path/to/lanternfall. Exit 77 when the display tools are missing.
set -u
. "$(dirname "$0")/lib.sh"
wt_init "${1:-}"

# A failure keeps the screenshots and the game's output under the build dir, as the shared helper does,
# without those of an earlier run, and names every kept file so that the log leads straight to them.
wt_fail() {
  echo "FAIL: $*"
  local keep="${LANTERNFALL_BINARY_DIR:-$(dirname "$WT_GAME")}/window-failures/$WT_NAME"
  rm -rf "$keep"
  mkdir -p "$keep" && cp "$WORK"/*.png "$WORK/game.log" "$keep/" 2>/dev/null
  echo "kept for inspection:"
  ls -1d "$keep"/*
  exit 1
}

# ---- Content: a colour of its own for every picture, so the scene area says which scenario is on ----
WHITE="255,255,255"
declare -A COLOUR=(
  [title]="200,60,160" [opn]="40,170,60" [opn2]="230,200,30" [bad]="210,30,30")
# Nine shades for her events, nine for him; all darker than the white text and apart from each other.
for n in 0 1 2 3 4 5 6 7 8; do
  COLOUR[0$n]="$((30 + 22 * n)),90,150"
  COLOUR[1$n]="150,$((30 + 22 * n)),90"
done
wt_solid ttl "${COLOUR[title]}"
for name in opn opn2 bad; do
  wt_solid "$name" "${COLOUR[$name]}"
done
# An event picture has its own colour over its left three quarters and a band of one colour common to
# all of them over the right quarter: a picture that is cropped or left at its old size instead of
# stretched over the scene shows the band in the wrong place.
BAND="240,140,20"
for name in 00 01 02 03 04 05 06 07 08 10 11 12 13 14 15 16 17 18; do
  convert -size 48x48 "xc:rgb(${COLOUR[$name]})" -size 16x48 "xc:rgb($BAND)" +append -quality 95 \
    "$WORK/img/$name.jpg"
done
# The opening of a game left alone: a text row, then a picture line and the end, so it hands over to the
# wish simulation one tick later without a click.
opening_unattended() { wt_crlf opn.dat ">img opn" "the opening, which needs no click" ">img opn" "tugi"; }
# The opening of a game that is read: the first page waits (a bare ">p" follows), the second too ("tugi").
opening_read() { wt_crlf opn.dat ">img opn" "first page" ">p" ">img opn2" "second page" "tugi"; }
wt_crlf badend.dat ">img bad" "it is over" "the last line, which waits" ">end"
wt_crlf end.dat "the end" ">end"
# Three rows and a wait: enough text to see, all of it in the top fifth of the scene picture.
for n in 0 1 2 3 4 5 6 7 8; do
  wt_crlf "0$n.dat" ">img 0$n" "Her event 0$n begins" "WWWW MMMM WWWW MMMM" "the third row waits" "tugi"
  wt_crlf "1$n.dat" ">img 1$n" "His event 1$n begins" "WWWW MMMM WWWW MMMM" "the third row waits" "tugi"
done

# ---- Reading the screen ----
# click X Y BUTTON (1 left, 3 right); then the pointer leaves the window, so that no tooltip covers anything.
# Clicks come at least 0.7 s apart, as a reader's do: two presses closer than the double-click time make
# a double click, whose second press is no click.
LAST_CLICK=0
click() {
  local now
  now=$(date +%s%3N)
  [ $((now - LAST_CLICK)) -ge 700 ] || sleep "0.$(printf '%03d' $((700 - (now - LAST_CLICK))))"
  wt_click "$1" "$2" "$3"
  LAST_CLICK=$(date +%s%3N)
  xdotool mousemove 0 0
}
# The name of the picture whose colour the scene shows at (3, 5), below the text, or "?" for none.
scene() {
  local got name
  got=$(wt_colour_at 3 5)
  for name in "${!COLOUR[@]}"; do
    wt_near "$got" "${COLOUR[$name]}" 12 && echo "$name" && return
  done
  echo "? ($got)"
}
# wait_scene NAME SECONDS SHOTNAME: screenshots until the scene shows picture NAME; false after SECONDS.
wait_scene() {
  local deadline=$((SECONDS + $2))
  while [ $SECONDS -le $deadline ]; do
    wt_shot "$3"
    [ "$(scene)" = "$1" ] && return 0
    wt_alive "waiting for $1"
    sleep 0.3
  done
  return 1
}
# White text in the scene picture of the last screenshot: "COUNT WxH+X+Y", the number of pure white
# pixels (every channel above 90 %) and their bounding box in screen pixels; "0 ..." when there are none.
white_text() {
  local x0 y0 x1 y1
  # Two pixels inside the picture, clear of the white margin around it whatever the rounding.
  x0=$(($(wt_px 0) + 2)) y0=$(($(wt_py 0) + 2)) x1=$(($(wt_px 6) - 2)) y1=$(($(wt_py 6) - 2))
  convert "$SHOT" -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" +repage -separate -evaluate-sequence min \
    -threshold 90% -format "%[fx:int(mean*w*h+0.5)] %@" info: 2>/dev/null |
    awk -v x0="$x0" -v y0="$y0" '{ split($2, g, /[x+]/); printf "%d %dx%d+%d+%d", $1, g[1], g[2], g[3] + x0, g[4] + y0 }'
}
# The base font size the game derives from the window height: a whole point per 1000 twips, plus 3.
font_points() { echo $((WH * 15 / 1000 + 3)); }

# ---- The checks shared by both screens ----
# check_shape SCREEN_W SCREEN_H WHAT: the window is 4:3 and centred on the screen.
check_shape() {
  local off
  off=$((3 * WW - 4 * WH))
  [ "${off#-}" -le 4 ] || wt_fail "$3: ${WW}x${WH} is not 4:3"
  off=$((2 * WX + WW - $1))
  [ "${off#-}" -le 2 ] || wt_fail "$3: not centred across (left $WX, width $WW on $1)"
  off=$((2 * WY + WH - $2))
  [ "${off#-}" -le 2 ] || wt_fail "$3: not centred down (top $WY, height $WH on $2)"
}

# check_scene NAME WHAT: the last screenshot shows event picture NAME stretched over the whole scene
# area (its corners away from the text, its middle, and the band from 4.5 units across) and white text
# at its top left, inside it.
check_scene() {
  local want=${COLOUR[$1]} what=$2 text count box bw bh bx by
  wt_expect_pixel $(($(wt_px 6) - 4)) $(($(wt_py 0) + 3)) "$BAND" "$what: top-right corner of the scene"
  wt_expect_pixel $(($(wt_px 0) + 3)) $(($(wt_py 6) - 4)) "$want" "$what: bottom-left corner of the scene"
  wt_expect_pixel $(($(wt_px 6) - 4)) $(($(wt_py 6) - 4)) "$BAND" "$what: bottom-right corner of the scene"
  wt_expect_pixel "$(wt_px 3)" "$(wt_py 3)" "$want" "$what: middle of the scene"
  wt_expect_pixel "$(wt_px 4.3)" "$(wt_py 4)" "$want" "$what: just left of the picture's band"
  wt_expect_pixel "$(wt_px 4.7)" "$(wt_py 4)" "$BAND" "$what: just inside the picture's band"
  # Right of the scene, the window's white background, not the picture.
  wt_expect_pixel $(($(wt_px 6) + 3)) "$(wt_py 5.8)" "$WHITE" "$what: the strip right of the scene"
  text=$(white_text)
  read -r count box <<<"$text"
  IFS='x+' read -r bw bh bx by <<<"$box"
  echo "$what: window ${WW}x${WH} at ($WX, $WY), white text: $count pixels in $box"
  [ "$count" -ge 30 ] || wt_fail "$what: no white text over the scene picture ($count white pixels)"
  # The rows start near the left edge of the picture, below the empty first row, and stay in its top part.
  [ $((bx - $(wt_px 0))) -le $((WW / 40)) ] || wt_fail "$what: the text starts at x $bx, the scene at $(wt_px 0)"
  [ "$by" -gt "$(wt_py 0)" ] && [ $((by + bh)) -lt "$(wt_py 2.5)" ] ||
    wt_fail "$what: the text ($box) is not in the top of the scene ($(wt_py 0) to $(wt_py 6))"
  [ $((bx + bw)) -lt "$(wt_px 6)" ] || wt_fail "$what: the text ($box) runs out of the scene"
  TEXT_W=$bw TEXT_H=$bh
}

# steer WHO NAME SECONDS: the player wishes for the leaf until the swatch is nearly pure green, then for
# WHO (0 her: red, 1 him: blue) until the green falls to near the leaf threshold, and so on, until the
# event scenario NAME is on screen. Her or his power must be 205 or more and the leaf still 100 or more
# after its daily loss of 10 when a day (3 s) ends. The wished-for power gains 8.5 a tick on average
# and the leaf loses 3 meanwhile, so the leaf is wished for afresh before it falls short; each round
# starts the person higher, so the window in which both hold soon spans a whole day.
steer() {
  local who=$1 want=$2 deadline=$((SECONDS + $3)) wish=leaf rgb='' g p now switches=0 max=0 odd=0
  local -a channel=(1 3)
  click 7 2.5 1
  while [ $SECONDS -le $deadline ]; do
    wt_shot steering
    now=$(scene)
    [ "$now" = "$want" ] && echo "event $want on screen after $switches switches, the power peaking at $max" && return 0
    # Anything but the opening's picture, seen twice in a row (one screenshot may catch a frame half
    # drawn), means that another scenario started.
    if [ "$now" = opn ] || [ "$now" = opn2 ]; then
      odd=0
    else
      odd=$((odd + 1))
      [ "$odd" -lt 2 ] || wt_fail "steering towards $want: the scene shows $now instead"
      continue
    fi
    rgb=$(wt_colour_at 7 5)
    g=$(cut -d, -f2 <<<"$rgb")
    p=$(cut -d, -f"${channel[$who]}" <<<"$rgb")
    [ "$wish" != leaf ] && [ "$p" -gt "$max" ] && max=$p
    if [ "$wish" = leaf ] && [ "$g" -ge 235 ]; then
      click 7 $((who)).5 1
      wish=person switches=$((switches + 1))
    elif [ "$wish" = person ] && [ "$g" -lt 125 ]; then
      click 7 2.5 1
      wish=leaf switches=$((switches + 1))
    fi
    sleep 0.2
  done
  wt_fail "steering towards $want: no event within $3 s ($switches switches, swatch $rgb, power peaking at $max)"
}

# play_event WHO NAME SCREEN_W SCREEN_H RESIZE_W RESIZE_H: from the title, a left click (EASY), the
# read opening, steering until event NAME shows, then the window resized while its text waits.
play_event() {
  local who=$1 name=$2 sw=$3 sh=$4 what="event $2 at ${3}x$4"
  opening_read
  wait_scene title 5 title || wt_fail "$what: no title: $(scene)"
  click 4 3 1
  wait_scene opn 5 opening || wt_fail "$what: a left click on the title did not start the opening: $(scene)"
  # The first page waits for a click; the click shows the second, which waits too.
  sleep 1.5
  wt_shot opening-waits
  [ "$(scene)" = opn ] || wt_fail "$what: the opening went on without a click: $(scene)"
  [ "$(white_text | cut -d' ' -f1)" -ge 10 ] || wt_fail "$what: the waiting first page shows no text"
  click 3 1 1
  wait_scene opn2 5 second-page || wt_fail "$what: a click on the text did not show the second page: $(scene)"
  click 3 1 1
  # In the wish simulation the labels are hidden and the powers start to move: the swatch leaves black.
  local deadline=$((SECONDS + 5))
  while :; do
    wt_shot wishing
    [ "$(wt_colour_at 7 5)" != "0,0,0" ] && [ "$(white_text | cut -d' ' -f1)" -eq 0 ] && break
    [ $SECONDS -le $deadline ] || wt_fail "$what: the last click did not hand over to the wish simulation"
    sleep 0.3
  done
  steer "$who" "$name" 45
  # The three rows come a tick apart; the page is complete once two screenshots agree.
  local seen='' now
  deadline=$((SECONDS + 5))
  while :; do
    sleep 0.5
    wt_shot "$name-shown"
    now=$(white_text)
    [ "$now" = "$seen" ] && break
    [ $SECONDS -le $deadline ] || break
    seen=$now
  done
  check_scene "$name" "$what, before the resize"
  # The powers stand still while a scenario is shown, so the swatch still shows them as the day ended
  # that started the event: the wished-for power at 205 or more, the other none, the leaf at 100 or more
  # after its daily loss.
  local rgb r g b
  rgb=$(wt_colour_at 7 5)
  IFS=, read -r r g b <<<"$rgb"
  echo "$what: the swatch shows $rgb (her, leaf, him) while the event is on"
  [ "$g" -ge 100 ] || wt_fail "$what: the event started with the leaf power at $g (swatch $rgb)"
  if [ "$who" = 0 ]; then
    [ "$r" -ge 205 ] && [ "$b" -eq 0 ] || wt_fail "$what: her event with the swatch at $rgb"
  else
    [ "$b" -ge 205 ] && [ "$r" -eq 0 ] || wt_fail "$what: his event with the swatch at $rgb"
  fi
  local before_w=$TEXT_W before_h=$TEXT_H before_pt
  before_pt=$(font_points)

  # ---- The user drags the window to another shape while the text waits ----
  xdotool windowsize "$WID" "$5" "$6"
  local want_h=$6 last=
  deadline=$((SECONDS + 10))
  while :; do
    wt_settle 0.5
    wt_window_geometry
    # Settled: the height the user gave, and the same geometry twice in a row.
    [ $((WH - want_h)) -le 1 ] && [ $((want_h - WH)) -le 1 ] && [ "$last" = "$WX $WY $WW $WH" ] && break
    [ $SECONDS -le $deadline ] || wt_fail "$what: after the resize to ${5}x$6 the window is ${WW}x${WH} at ($WX, $WY)"
    last="$WX $WY $WW $WH"
  done
  wt_alive "$what, resized"
  check_shape "$sw" "$sh" "$what, resized"
  # On a busy machine the frame of the new size may come a little after the window took it.
  deadline=$((SECONDS + 5))
  while :; do
    wt_shot "$name-resized"
    wt_near "$(wt_pixel $(($(wt_px 6) - 4)) $(($(wt_py 6) - 4)))" "$BAND" 16 && break
    [ $SECONDS -le $deadline ] || break
    sleep 0.3
  done
  check_scene "$name" "$what, after the resize"
  # The text was laid out again in the font of the new height: its extent follows the point size.
  local pt ratio
  pt=$(font_points)
  ratio=$(awk -v a="$before_h" -v b="$TEXT_H" -v p="$before_pt" -v q="$pt" 'BEGIN { printf "%.2f", (b / a) / (q / p) }')
  echo "$what: font ${before_pt} pt -> ${pt} pt, text ${before_w}x${before_h} -> ${TEXT_W}x${TEXT_H} (height ratio / font ratio $ratio)"
  awk -v r="$ratio" 'BEGIN { exit !(r > 0.8 && r < 1.25) }' ||
    wt_fail "$what: the text is ${TEXT_W}x${TEXT_H} after the resize, ${before_w}x${before_h} before, fonts $before_pt and $pt pt"
  # Still waiting for its click: a click ends the event and the wish simulation goes on, text hidden.
  click 3 1 1
  deadline=$((SECONDS + 5))
  while :; do
    wt_shot after-event
    [ "$(white_text | cut -d' ' -f1)" -eq 0 ] && break
    [ $SECONDS -le $deadline ] || wt_fail "$what: the click did not end the event"
    sleep 0.3
  done
  # ... and the powers move again.
  rgb=$(wt_colour_at 7 5)
  deadline=$((SECONDS + 5))
  while :; do
    sleep 0.5
    wt_shot after-event
    [ "$(wt_colour_at 7 5)" != "$rgb" ] && break
    [ $SECONDS -le $deadline ] || wt_fail "$what: the swatch stays at $rgb after the event"
  done
  wt_alive "$what, after the event"
}

# ---- 1024 x 768: HARD left alone, then EASY after it ----
wt_start_xvfb 1024 768
wt_launch
check_shape 1024 768 "start at 1024x768"
opening_unattended
wait_scene title 5 title || wt_fail "no title picture: $(scene)"
click 4 3 3
wait_scene opn 5 hard-opening || wt_fail "a right click on the title did not start the opening: $(scene)"
# No more input: HARD's day 31 comes after thirty seconds of wish simulation.
wait_scene bad 45 hard-waiting || wt_fail "HARD left alone did not reach its bad end: $(scene)"
echo "HARD reached the bad end after $SECONDS s of the test"
# Its last line waits: the picture and the text stay until a click, however long the player waits.
sleep 3
wt_shot bad-end-waits
[ "$(scene)" = bad ] || wt_fail "the bad end did not wait for a click: $(scene)"
[ "$(white_text | cut -d' ' -f1)" -ge 10 ] || wt_fail "the bad end's last line is not shown"
wt_alive "the bad end"
click 3 1 1
wait_scene title 5 title-again || wt_fail "a click on the bad end's last line did not bring back the title: $(scene)"
# The leaf power that HARD built up carries over into this game; the steering starts from it.
play_event 0 00 1024 768 600 460
wt_stop_xvfb

# ---- 1920 x 1080: a fresh EASY game towards him, and a larger window ----
wt_start_xvfb 1920 1080
wt_launch
check_shape 1920 1080 "start at 1920x1080"
[ $((WH - 864)) -le 1 ] && [ $((864 - WH)) -le 1 ] || wt_fail "at 1920x1080 the window is $WH high, not 4/5 of the screen"
play_event 1 10 1920 1080 1500 1000
wt_stop_xvfb
echo "PASS"
