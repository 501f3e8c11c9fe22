#!/usr/bin/env bash
# The real game with its music under Xvfb: bgm.mid plays through an audio device (SDL's dummy driver,
# which consumes sound at a sound card's pace), and closing the window the way a window manager does
# ends the program at once and cleanly with status 0, every time: twenty closes with the music and
# twenty without, at different moments after the window appeared.
# Usage: bash music_test.sh path/to/lanternfall. Exit 77 when the display tools are missing.
set -u
. "$(dirname "$0")/lib.sh"
wt_init "${1:-}"
command -v python3 >/dev/null 2>&1 || wt_skip "python3 is not installed"
BGM="$(dirname "$0")/../../content/bgm.mid"
[ -f "$BGM" ] || wt_skip "no content/bgm.mid"

# Ask the window to close, as a window manager does when the user clicks its close button.
close_window() {
  python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("l", ctypes.c_long * 5)]
class XEvent(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
x.XFlush.argtypes = [ctypes.c_void_p]
dpy = x.XOpenDisplay(None)
window = int(sys.argv[1])
ev = XEvent()
ev.xclient.type = 33  # ClientMessage
ev.xclient.window = window
ev.xclient.message_type = x.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
ev.xclient.format = 32
ev.xclient.l[0] = x.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(dpy, window, 0, 0, ctypes.byref(ev))
x.XFlush(dpy)
PY
}

# run_and_close WHAT SETTLE: launch, let it run SETTLE seconds, close the window; the game must end by
# itself within 3 s, with status 0 and nothing on stderr from the window system.
run_and_close() {
  local what=$1
  wt_launch
  sleep "$2"
  kill -0 "$WT_GAME_PID" 2>/dev/null || wt_fail "$what: the game ended by itself: $(cat "$WORK/game.log")"
  close_window "$WID"
  local i
  for i in $(seq 30); do
    kill -0 "$WT_GAME_PID" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$WT_GAME_PID" 2>/dev/null; then
    wt_fail "$what: still running 3 s after its window was closed"
  fi
  wait "$WT_GAME_PID"
  local status=$?
  WT_GAME_PID=
  [ "$status" -eq 0 ] || wt_fail "$what: ended with status $status: $(cat "$WORK/game.log")"
  if grep -E "X Error|BadWindow|window system refused" "$WORK/game.log"; then
    wt_fail "$what: an error of the window system on the way out"
  fi
}

# close_many WHAT: twenty closes, the first after the music has had 2 s to play, the others sooner.
close_many() {
  local n
  run_and_close "$1, close 1" 2
  for n in $(seq 2 20); do
    run_and_close "$1, close $n" "0.$((n % 5))"
  done
  echo "$1: 20 closes, each at once with status 0"
}

wt_solid ttl "90,60,140"
wt_start_xvfb 1024 768

cp "$BGM" "$WORK/bgm.mid"
close_many "with music"
# The music must really have played: no complaint about the audio device or the sound font.
if grep -E "audio|sound font|MIDI" "$WORK/game.log"; then
  wt_fail "the music did not play"
fi

rm "$WORK/bgm.mid"
close_many "without bgm.mid"
echo "PASS"
