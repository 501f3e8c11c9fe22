# Shared helpers of the display tests: a private Xvfb, a test content folder beside a copy of the game,
# launching it and finding its window, screenshots and pixel colours. Source it, then call wt_init.
#   . "$(dirname "$0")/lib.sh"
#   wt_init "$1"                 # skips (exit 77) when a tool is missing; makes $WORK with img/ and txt/
#   wt_start_xvfb 1024 768       # a free display of that size, exported as DISPLAY
#   wt_solid ttl "40,90,200"     # img/ttl.jpg of one colour (optional size, default 64x48)
#   wt_launch                    # runs the copy, waits for "Lanternfall"; sets WID WX WY WW WH
#   wt_shot name; wt_pixel x y   # screenshot of the root window; "r,g,b" at a screen pixel
#   wt_fail "message"            # keeps the screenshots under the build dir and exits 1
#   wt_start_openbox; wt_set_dpi 192; wt_outer_geometry   # a window manager, desktop scaling, frames

WT_GAME=
WORK=
WT_XVFB_PID=
WT_GAME_PID=
WT_NAME=$(basename "${0%.sh}")
SHOT=
WID= WX= WY= WW= WH=

wt_skip() {
  echo "SKIP: $*"
  exit 77
}

wt_cleanup() {
  if [ -n "$WT_GAME_PID" ]; then kill "$WT_GAME_PID" 2>/dev/null && wait "$WT_GAME_PID" 2>/dev/null; fi
  if [ -n "${WT_WM_PID:-}" ]; then kill "$WT_WM_PID" 2>/dev/null && wait "$WT_WM_PID" 2>/dev/null; fi
  if [ -n "$WT_XVFB_PID" ]; then kill "$WT_XVFB_PID" 2>/dev/null && wait "$WT_XVFB_PID" 2>/dev/null; fi
  [ -n "$WORK" ] && rm -rf "$WORK"
  return 0
}

wt_init() {
  WT_GAME=${1:?usage: $WT_NAME.sh path/to/lanternfall}
  local tool
  for tool in Xvfb xdotool xwininfo xprop import convert; do
    command -v "$tool" >/dev/null 2>&1 || wt_skip "$tool is not installed (make deps installs xvfb, xdotool, imagemagick)"
  done
  [ -x "$WT_GAME" ] || wt_skip "no game executable at $WT_GAME"
  WORK=$(mktemp -d)
  trap wt_cleanup EXIT
  trap 'exit 1' INT TERM
  mkdir -p "$WORK/img" "$WORK/txt"
  # The game reads its content from beside its executable, so it runs from a copy in the work folder.
  cp "$WT_GAME" "$WORK/lanternfall"
  unset SDL_VIDEODRIVER
  export SDL_AUDIODRIVER=dummy
}

# A display of its own: Xvfb picks a free number itself (-displayfd), so that window tests running side by
# side never share or race for one, and it tells the number only once it accepts connections. -noreset:
# a short-lived client (xdotool) leaving would otherwise reset the server while the next one connects.
wt_start_xvfb() {
  local w=$1 h=$2 n= try
  rm -f "$WORK/xvfb.display"
  Xvfb -displayfd 3 -screen 0 "${w}x${h}x24" -nolisten tcp -noreset 3>"$WORK/xvfb.display" >/dev/null 2>&1 &
  WT_XVFB_PID=$!
  for try in $(seq 200); do
    # Only a whole line: "1" read halfway through "10\n" would be another display.
    if [ -z "$(tail -c1 "$WORK/xvfb.display" 2>/dev/null | tr -d '\n')" ]; then
      n=$(sed -n 's/^\([0-9][0-9]*\)$/\1/p' "$WORK/xvfb.display" 2>/dev/null)
    fi
    [ -n "$n" ] && break
    kill -0 "$WT_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$n" ]; then
    kill "$WT_XVFB_PID" 2>/dev/null && wait "$WT_XVFB_PID" 2>/dev/null
    WT_XVFB_PID=
    wt_skip "Xvfb did not start"
  fi
  export DISPLAY=":$n"
  # The pointer starts in the middle of the screen; park it in a corner so no tooltip covers anything.
  xdotool mousemove 0 0
}

wt_stop_xvfb() {
  wt_stop_game
  wt_stop_openbox
  if [ -n "$WT_XVFB_PID" ]; then kill "$WT_XVFB_PID" 2>/dev/null && wait "$WT_XVFB_PID" 2>/dev/null; fi
  WT_XVFB_PID=
}

# wt_solid NAME "r,g,b" [WxH]: a JPEG of one colour in the picture folder.
wt_solid() {
  convert -size "${3:-64x48}" "xc:rgb($2)" -quality 95 "$WORK/img/$1.jpg"
}

# wt_crlf FILE LINE...: a scenario file with CR LF line ends (ASCII text needs no conversion).
wt_crlf() {
  local file=$1
  shift
  printf '%s\r\n' "$@" >"$WORK/txt/$file"
}

# The eighteen event scenarios, each handing straight back to the wish simulation, for tests in which
# an event falling due must change nothing on screen.
wt_instant_events() {
  local n
  for n in 0 1 2 3 4 5 6 7 8; do
    wt_crlf "0$n.dat" "tugi"
    wt_crlf "1$n.dat" "tugi"
  done
}

# The client area on the screen (under a window manager xdotool's position is off by the frame).
wt_window_geometry() {
  local info
  info=$(xwininfo -id "$WID")
  WX=$(awk '/Absolute upper-left X/ { print $NF }' <<<"$info")
  WY=$(awk '/Absolute upper-left Y/ { print $NF }' <<<"$info")
  WW=$(awk '/^ *Width:/ { print $NF }' <<<"$info")
  WH=$(awk '/^ *Height:/ { print $NF }' <<<"$info")
}

# Launch the copy and wait (at most 20 s) for its window to be mapped.
wt_launch() {
  "$WORK/lanternfall" >"$WORK/game.log" 2>&1 &
  WT_GAME_PID=$!
  local deadline=$((SECONDS + 20))
  WID=
  while [ -z "$WID" ] && [ "$SECONDS" -lt "$deadline" ]; do
    WID=$(timeout 20 xdotool search --sync --onlyvisible --name '^Lanternfall$' 2>/dev/null | head -1)
    [ -n "$WID" ] || kill -0 "$WT_GAME_PID" 2>/dev/null || break
    [ -n "$WID" ] || sleep 0.2
  done
  if [ -z "$WID" ]; then
    cat "$WORK/game.log"
    wt_fail "no window named Lanternfall appeared within 20 s"
  fi
  wt_settle
  wt_window_geometry
}

wt_stop_game() {
  if [ -n "$WT_GAME_PID" ]; then kill "$WT_GAME_PID" 2>/dev/null && wait "$WT_GAME_PID" 2>/dev/null; fi
  WT_GAME_PID=
}

# The game draws only when something changed: give it a moment to handle what the test just did.
wt_settle() { sleep "${1:-0.7}"; }

wt_shot() {
  SHOT="$WORK/${1:-shot}.png"
  import -window root "$SHOT"
}

# "r,g,b" of a screen pixel of the last screenshot.
wt_pixel() {
  convert "$SHOT" -format "%[fx:int(255*p{$1,$2}.r+0.5)],%[fx:int(255*p{$1,$2}.g+0.5)],%[fx:int(255*p{$1,$2}.b+0.5)]" info:
}

# Screen pixel of a point given in the window's logical units (8.1 × 6.1 with the origin at -0.05).
wt_px() { awk -v u="$1" -v w="$WW" -v o="$WX" 'BEGIN { printf "%d", o + (u + 0.05) * w / 8.1 }'; }
wt_py() { awk -v u="$1" -v h="$WH" -v o="$WY" 'BEGIN { printf "%d", o + (u + 0.05) * h / 6.1 }'; }
# "r,g,b" of the last screenshot at a point in logical units.
wt_colour_at() { wt_pixel "$(wt_px "$1")" "$(wt_py "$2")"; }
# wt_click X Y BUTTON: press a mouse button (1 left, 3 right) at a point in logical units.
wt_click() { xdotool mousemove --sync "$(wt_px "$1")" "$(wt_py "$2")" click "$3"; }
# wt_alive WHAT: the game is still running, or the test fails with its output.
wt_alive() { kill -0 "$WT_GAME_PID" 2>/dev/null || wt_fail "$1: the game is gone: $(cat "$WORK/game.log")"; }

# wt_near "r,g,b" "r,g,b" TOLERANCE: true when every channel is within the tolerance (JPEG is lossy).
wt_near() {
  local IFS=,
  local -a a=($1) b=($2)
  local i d
  for i in 0 1 2; do
    d=$((a[i] - b[i]))
    [ "${d#-}" -le "$3" ] || return 1
  done
}

# wt_expect_pixel X Y "r,g,b" WHAT: the screen pixel has that colour (tolerance 16) or the test fails.
wt_expect_pixel() {
  local got
  got=$(wt_pixel "$1" "$2")
  wt_near "$got" "$3" 16 || wt_fail "$4: pixel ($1, $2) is $got, expected $3"
}

wt_fail() {
  echo "FAIL: $*"
  local keep="${LANTERNFALL_BINARY_DIR:-$(dirname "$WT_GAME")}/window-failures/$WT_NAME"
  mkdir -p "$keep" && cp "$WORK"/*.png "$WORK/game.log" "$keep/" 2>/dev/null
  echo "screenshots and the game's output kept in $keep"
  exit 1
}

# ---- A real window manager ----
WT_WM_PID=

# wt_start_openbox: Debian's openbox on the current display (frames, focus, fullscreen); waits until it
# manages the screen. Skips when openbox is not installed.
wt_start_openbox() {
  command -v openbox >/dev/null 2>&1 || wt_skip "openbox is not installed (make deps installs it)"
  openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
  WT_WM_PID=$!
  local deadline=$((SECONDS + 20))
  until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    kill -0 "$WT_WM_PID" 2>/dev/null || wt_fail "openbox did not start: $(cat "$WORK/openbox.log")"
    [ "$SECONDS" -lt "$deadline" ] || wt_fail "openbox did not take the screen within 20 s"
    sleep 0.1
  done
}

wt_stop_openbox() {
  if [ -n "$WT_WM_PID" ]; then kill "$WT_WM_PID" 2>/dev/null && wait "$WT_WM_PID" 2>/dev/null; fi
  WT_WM_PID=
}

# wt_set_dpi DPI: the desktop's text scaling, as display settings publish it (Xft.dpi on the root).
wt_set_dpi() {
  xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t%s\n' "$1")"
}

# wt_outer_geometry: the client area (WX WY WW WH, as the game draws in it) and the outer window with the
# window manager's frame (OX OY OW OH).
OX= OY= OW= OH=
wt_outer_geometry() {
  local l=0 r=0 t=0 b=0 ext
  wt_window_geometry
  ext=$(xprop -id "$WID" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p')
  [ -n "$ext" ] && IFS=', ' read -r l r t b <<<"$ext"
  OX=$((WX - l)) OY=$((WY - t)) OW=$((WW + l + r)) OH=$((WH + t + b))
}

# wt_until SECONDS WHAT COMMAND...: runs COMMAND every 0.2 s until it succeeds, or fails the test.
wt_until() {
  local limit=$1 what=$2 deadline
  shift 2
  deadline=$((SECONDS + limit))
  until "$@"; do
    wt_alive "$what"
    [ "$SECONDS" -lt "$deadline" ] || wt_fail "$what: not within $limit s"
    sleep 0.2
  done
}

# ---- Reading text from the screen ----
# wt_white_text: white text over the scene picture (0..6 units square) of the last screenshot: "COUNT
# WxH+X+Y", the number of pure white pixels (every channel above 90 %) and their bounding box relative to
# the picture; "0 ..." when there are none.
wt_white_text() {
  local x0 y0 x1 y1
  x0=$(($(wt_px 0) + 2)) y0=$(($(wt_py 0) + 2)) x1=$(($(wt_px 6) - 2)) y1=$(($(wt_py 6) - 2))
  convert "$SHOT" -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" +repage -separate -evaluate-sequence min \
    -threshold 90% -format "%[fx:int(mean*w*h+0.5)] %@" info: 2>/dev/null | awk '{ print $1, $2 }'
}

# wt_same_text A B: two readings of wt_white_text agree: the same box within 2 pixels, counts within 15 %
# (the edges of the glyphs blend with what lies under them).
wt_same_text() {
  local -a a b
  read -r -a a <<<"$(tr 'x+' '  ' <<<"$1")"
  read -r -a b <<<"$(tr 'x+' '  ' <<<"$2")"
  [ "${#a[@]}" = 5 ] && [ "${#b[@]}" = 5 ] || return 1
  local i d
  for i in 1 2 3 4; do
    d=$((a[i] - b[i]))
    [ "${d#-}" -le 2 ] || return 1
  done
  d=$((a[0] - b[0]))
  [ $((${d#-} * 100)) -le $((a[0] * 15)) ]
}
