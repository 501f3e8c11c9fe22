#!/usr/bin/env bash
# The real game on a content folder a stranger could have made: a GIF named ttl.jpg, a FIFO and a device
# where pictures should be, a hundred thousand picture lines in one step, a picture name with a NUL in it,
# a music file that floods the synthesiser (and a FIFO and a device as the endings, which the game meets
# only at the end of a game: the headless suite plays those; here the checker reads them). The game stays
# alive, shows the opening soon after a click, names each problem on stderr once, keeps its memory bounded
# and ends at once on SIGTERM; the content checker reports the same folder without crashing or hanging.
# Usage: bash hostile_test.sh path/to/lanternfall. Exit 77 when a tool is missing.
set -u
. "$(dirname "$0")/lib.sh"
command -v perl >/dev/null 2>&1 || wt_skip "perl is not installed"
LINT="$(cd "$(dirname "${1:-.}")" && pwd)/tools/lint/lanternfall-lint"
wt_init "${1:-}"

ONE="40,170,60"
said_once() {  # what, text
  local n
  n=$(grep -F -- "$2" "$WORK/game.log" | grep -v -c '^lanternfall: \.\.\. and ')
  [ "$n" = 1 ] || wt_fail "$1: stderr names \"$2\" $n times, not once: $(head -c 3000 "$WORK/game.log")"
}

# A 43-byte GIF as the title picture.
printf 'GIF89a\1\0\1\0\200\0\0\377\377\377\0\0\0!\371\4\1\0\0\0\0,\0\0\0\0\1\0\1\0\0\2\2D\1\0;' >"$WORK/img/ttl.jpg"
wt_solid one "$ONE"
mkfifo "$WORK/img/fifo.jpg"
ln -s /dev/zero "$WORK/img/zero.jpg"
{
  printf '>img one\r\n>img fifo\r\n>img zero\r\n'
  printf '>img ../../../../etc/passwd\0\r\n'
  perl -e 'print ">img one\r\n>img missing\r\n" x 50000'
  printf 'opening\r\ntugi\r\n'
} >"$WORK/txt/opn.dat"
mkfifo "$WORK/txt/badend.dat"
ln -s /dev/zero "$WORK/txt/end.dat"
wt_instant_events
# A million notes at tick 0, in running status.
perl -e 'my $t = "\0\x90\x3C\x40" . ("\0\x3C\x40" x 1000000) . "\0\xFF\x2F\0";
         print "MThd\0\0\0\6\0\0\0\1\1\xE0MTrk", pack("N", length $t), $t' >"$WORK/bgm.mid"

wt_start_xvfb 1024 768
wt_launch
wt_alive "start-up"
said_once "title" "ttl.jpg is a GIF, not a JPEG"
said_once "music" "it starts 1000001 notes within 100 ms"

# A click on the (blank) title starts the opening: one step of 100,000 picture lines shows "one".
start=$(date +%s%N)
wt_click 4 3 1
shown=
for _ in $(seq 40); do
  wt_shot
  if wt_near "$(wt_colour_at 3 5)" "$ONE" 24; then shown=1; break; fi
done
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ -n "$shown" ] || wt_fail "the opening's picture did not appear: $(wt_colour_at 3 5)"
[ "$elapsed" -lt 3000 ] || wt_fail "the opening took $elapsed ms to show"
echo "opening shown $elapsed ms after the click (screenshots included)"
wt_alive "opening"
said_once "FIFO picture" "fifo.jpg: is a FIFO, not a file"
said_once "device picture" "zero.jpg: is a character device, not a file"
said_once "control character" 'passwd\x00" not shown: its name holds a control character'
said_once "missing picture" 'picture "missing" not shown'

rss=$(awk '/VmRSS/ { print $2 }' "/proc/$WT_GAME_PID/status")
[ "$rss" -lt 400000 ] || wt_fail "resident memory is $rss KiB"
echo "resident memory $rss KiB"

# SIGTERM ends it at once.
kill -TERM "$WT_GAME_PID"
for _ in $(seq 10); do kill -0 "$WT_GAME_PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$WT_GAME_PID" 2>/dev/null && wt_fail "the game is still there 1 s after SIGTERM"
WT_GAME_PID=

# The checker on the same folder: findings, not a crash or a hang.
if [ -x "$LINT" ]; then
  timeout 60 "$LINT" "$WORK" >"$WORK/lint.log" 2>&1
  rc=$?
  [ "$rc" = 1 ] || wt_fail "the checker ended with $rc on the hostile folder: $(head -c 3000 "$WORK/lint.log")"
  for text in "ttl.jpg" "bgm.mid" "badend.dat" "fifo"; do
    grep -q -F -- "$text" "$WORK/lint.log" || wt_fail "the checker does not name $text: $(head -c 3000 "$WORK/lint.log")"
  done
  echo "checker: $(tail -1 "$WORK/lint.log")"
else
  echo "no checker at $LINT: skipped"
fi
cat "$WORK/game.log"
echo "PASS"
