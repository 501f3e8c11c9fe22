#!/usr/bin/env bash
# The real game with broken surroundings under Xvfb: no title picture, a music file cut short, no audio
# device. Each time the window comes up, stderr names the problem, a right click on the title starts HARD,
# day 31 brings the bad end and a click the title again. Last, a whole game played under strace must open
# no file for writing. Usage: bash faults_test.sh path/to/lanternfall. Exit 77 when a tool is missing.
set -u
. "$(dirname "$0")/lib.sh"
command -v strace >/dev/null 2>&1 || wt_skip "strace is not installed (make deps installs it)"
wt_init "${1:-}"

TITLE="200,60,160"
ONE="40,170,60"
BAD="210,30,30"
# A one-note MIDI file (format 0, 480 ticks a quarter, half a second), and the same cut off in its track.
midi() { printf 'MThd\0\0\0\6\0\0\0\1\1\340MTrk\0\0\0\15\0\220\74\144\203\140\200\74\0\0\377\57\0'; }
midi_cut() { midi | head -c 30; }

story() {
  rm -f "$WORK"/img/* "$WORK"/txt/* "$WORK/bgm.mid"
  wt_solid ttl "$TITLE"
  wt_solid one "$ONE"
  wt_solid bad "$BAD"
  wt_crlf opn.dat ">img one" "opening" "tugi"
  wt_crlf badend.dat ">img bad" "bad end" ">end"
  wt_crlf end.dat "the end" ">end"
  wt_instant_events
  midi >"$WORK/bgm.mid"
}

# The window's logical grid: 8.1 x 6.1 units over the client area, origin at (-0.05, -0.05).
wait_for() {  # X Y "r,g,b" SECONDS
  local deadline=$((SECONDS + $4))
  while [ $SECONDS -le $deadline ]; do
    wt_shot
    wt_near "$(wt_colour_at "$1" "$2")" "$3" 24 && return 0
    sleep 0.3
  done
  return 1
}
said() { grep -q -- "$2" "$WORK/game.log" || wt_fail "$1: stderr does not name \"$2\": $(cat "$WORK/game.log")"; }

# HARD from the title (whatever it shows) to the bad end and back; then a second press starts again.
play_hard() {  # case name, colour the title shows
  wait_for 4 3 "$2" 5 || wt_fail "$1: the title area is not shown: $(wt_colour_at 4 3)"
  wt_click 4 3 3
  wait_for 3 5 "$ONE" 5 || wt_fail "$1: a right click on the title did not start the opening: $(wt_colour_at 3 5)"
  wt_click 3 3 1
  wait_for 3 5 "$BAD" 45 || wt_fail "$1: HARD did not reach its bad end by day 31: $(wt_colour_at 3 5)"
  wt_alive "$1"
  wt_click 3 3 1
  sleep 1
  wt_alive "$1"
  # Back at the title, another right click opens the story again.
  wt_click 4 3 3
  wait_for 3 5 "$ONE" 5 || wt_fail "$1: the title did not come back after the bad end: $(wt_colour_at 3 5)"
}

wt_start_xvfb 1024 768

# ---- No title picture and a music file cut short ----
story
rm "$WORK/img/ttl.jpg"
midi_cut >"$WORK/bgm.mid"
wt_launch
said "broken content" "img/ttl.jpg"
said "broken content" "bgm.mid"
# Without its picture the title shows what the picture buffer last held: nothing yet, then the bad end.
wt_shot
play_hard "broken content" "$(wt_colour_at 4 3)"
wt_stop_game

# ---- A music file that is text ----
story
printf 'not music\r\n' >"$WORK/bgm.mid"
wt_launch
said "text as music" "bgm.mid"
wt_alive "text as music"
wt_stop_game

# ---- No audio device: an SDL audio driver that does not exist ----
story
SDL_AUDIODRIVER=no-such-driver wt_launch
said "no audio device" "audio"
play_hard "no audio device" "$TITLE"
wt_stop_game

# ---- A whole game under strace: nothing is opened for writing ----
story
mv "$WORK/lanternfall" "$WORK/lanternfall.bin"
# The game finds its content beside its own executable, so the real one stays in the work folder and
# this stand-in runs it under strace.
cat >"$WORK/lanternfall" <<EOF
#!/bin/sh
exec strace -f -e trace=openat,open,creat -o "$WORK/strace.log" "$WORK/lanternfall.bin"
EOF
chmod +x "$WORK/lanternfall"
wt_launch
play_hard "strace" "$TITLE"
# Close it the way the desktop would, and let strace see it out.
game=$(ps -o pid= --ppid "$WT_GAME_PID" | tr -d ' ')
[ -n "$game" ] && kill -TERM "$game"
wait "$WT_GAME_PID" 2>/dev/null
WT_GAME_PID=
grep -q '/txt/opn.dat' "$WORK/strace.log" || wt_fail "strace did not follow the game: $(tail "$WORK/strace.log")"
grep -q '/img/one.jpg' "$WORK/strace.log" || wt_fail "strace did not follow the game's reads"
# Opened for writing: write-only, read-write, create or truncate, or creat(), whether or not the open
# succeeded. Allowed, because nothing is stored there:
#  - /dev/null, which a library opens read-write to have a harmless descriptor (seen on every run here);
#  - GPU render nodes under /dev/dri, which graphics drivers open read-write on machines that have one;
#  - /dev/shm, memory that X and graphics libraries share with the server for pixel buffers.
writes=$(grep -E 'creat\(|O_WRONLY|O_RDWR|O_CREAT|O_TRUNC' "$WORK/strace.log" |
  grep -vE '"/dev/(null|dri/[^"]+|shm/[^"]+)"' || true)
[ -z "$writes" ] || wt_fail "the game opened files for writing:
$writes"
echo "strace: $(grep -c 'open' "$WORK/strace.log") opens, none for writing"
echo "PASS"
