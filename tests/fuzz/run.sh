#!/usr/bin/env bash
# Runs every fuzzer for its share of a bounded time: bash tests/fuzz/run.sh <build-dir> <seconds>
# (FUZZ_TARGETS="fuzz_midi fuzz_picture" runs only those).
#   fuzz_scenario  the opening scenario under ticks and clicks
#   fuzz_midi      the MIDI file reader
#   fuzz_picture   the picture loader and the stretch-paint
#   fuzz_content   a whole content folder played from start-up, music through the offline sink
#   fuzz_lint      the content checker on a whole content folder
# Fails on a crash, a leak, undefined behaviour, an input that runs longer than the timeout, memory past
# the limit, or stderr that grows without bound (the game names content problems there, each once).
set -euo pipefail

build=${1:?usage: run.sh <build-dir> <seconds>}
seconds=${2:-60}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
targets=(${FUZZ_TARGETS:-fuzz_scenario fuzz_midi fuzz_picture fuzz_content fuzz_lint})
share=$((seconds / ${#targets[@]}))
[ "$share" -ge 1 ] || share=1
# What the game may write to stderr over one run: its problems are named once and then counted.
max_log_bytes=$((64 * 1024 * 1024))

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/fuzz-artifacts"

# One record of a packed content folder (tests/fuzz/content_folder.h): file number, 3-byte length, bytes.
record() {
  local number=$1 file=$2 size
  size=$(stat -c %s "$file")
  printf "\\x$(printf %02x "$number")\\x$(printf %02x $((size & 255)))\\x$(printf %02x $(((size >> 8) & 255)))\\x$(printf %02x $(((size >> 16) & 255)))"
  cat "$file"
}

seed() {  # seed <target>: fills $work/<target>
  local dir="$work/$1" n=0
  mkdir -p "$dir"
  case $1 in
    fuzz_scenario)
      # 24 actions, alternately a 100 ms wait (byte 20) and a click on a label (byte 1); byte 0 counts them.
      local header
      header=$(printf '\x18'; for _ in $(seq 12); do printf '\x14\x01'; done)
      for f in "$root"/content/txt/*.dat "$root"/tests/fuzz/seeds/*.dat; do
        n=$((n + 1))
        { printf '%s' "$header"; cat "$f"; } >"$dir/seed-$n"
      done
      # Sizes that lie: byte 0 from 240 on makes the file sparse past the cap, 255 a link to procfs.
      { printf '\xf4\x14\x01\x14\x01'; cat "$root/content/txt/opn.dat"; } >"$dir/seed-sparse"
      printf '\xff' >"$dir/seed-endless"
      n=$((n + 2)) ;;
    fuzz_midi)
      for f in "$root"/content/bgm.mid "$root"/tests/data/*.mid; do
        [ -f "$f" ] || continue
        n=$((n + 1)); cp "$f" "$dir/seed-$n"
      done
      # Floods of channel events other than notes: program changes, controllers, system-exclusive.
      python3 - "$dir" <<'PY'
import struct, sys
def smf(body):
    body += b"\x00\xff\x2f\x00"
    return b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" + struct.pack(">I", len(body)) + body
floods = {
    "programs": b"\x00\xc0\x05" + b"\x00\x05" * 5000,
    "controllers": b"\x00\xb0\x07\x40" + b"\x00\x07\x40" * 5000,
    "sysex": b"\x00\xf0\x05\x7e\x7f\x09\x01\xf7" * 400,
    "bends": b"".join(bytes([1, 0xe0 | (i % 16), 0, i % 128]) for i in range(6000)),
}
for name, body in floods.items():
    open(f"{sys.argv[1]}/seed-{name}", "wb").write(smf(body))
PY
      n=$((n + 4)) ;;
    fuzz_picture)
      for f in "$root"/content/img/*.jpg "$root"/tests/data/img/*.jpg; do
        n=$((n + 1))
        { printf '\x94'; cat "$f"; } >"$dir/seed-$n"  # a 600-pixel box
      done ;;
    fuzz_content | fuzz_lint)
      local txt="$root/content/txt" img="$root/content/img"
      printf '\x01\x14\x01\x04\x01\x07\x03\x03\x05\x01\x01\xfd' >"$work/actions"
      { record 0 "$txt/opn.dat"; record 1 "$txt/00.dat"; record 2 "$txt/10.dat"; record 3 "$txt/end.dat"
        record 4 "$txt/badend.dat"; record 5 "$img/ttl.jpg"; record 7 "$root/content/bgm.mid"
        record 8 "$work/actions"; } >"$dir/seed-1"
      # Many distinct pictures in one step, and back and forth between two over the next ones.
      printf '>img a\r\n>img b\r\n>img c\r\n>img d\r\n>img e\r\n>img f\r\n>img g\r\n>img h\r\nrow\r\n>img a\r\nrow\r\n>img b\r\nrow\r\n>img a\r\nrow\r\n' >"$work/pictures.dat"
      { record 0 "$work/pictures.dat"; record 5 "$img/ttl.jpg"; record 6 "$root/tests/data/img/ui_quadrants_640x480.jpg"
        record 8 "$work/actions"; } >"$dir/seed-2"
      n=2 ;;
  esac
  echo "$1: $n seeds, ${share}s"
}

status=0
for target in "${targets[@]}"; do
  fuzzer=$build/tests/fuzz/$target
  [ -x "$fuzzer" ] || { echo "run.sh: no fuzzer at $fuzzer (build the $target target)" >&2; exit 2; }
  seed "$target"
  max_len=16384
  case $target in fuzz_picture | fuzz_content | fuzz_lint) max_len=262144 ;; fuzz_midi) max_len=65536 ;; esac
  log="$work/$target.log"
  # stdout closed (the checker reports there); stderr kept, to see that it stays bounded.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$fuzzer" "$work/$target" -max_total_time="$share" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
      -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$target-" \
      >"$log" 2>&1 &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    if [ "$(stat -c %s "$log")" -gt "$max_log_bytes" ]; then
      echo "$target: stderr passed $((max_log_bytes >> 20)) MiB; stopped" >&2
      kill "$pid" 2>/dev/null || true
      status=1
    fi
    sleep 1
  done
  if ! wait "$pid"; then
    status=1
    echo "$target: FAILED" >&2
    grep -v '^lanternfall: ' "$log" | tail -60 >&2
  fi
  grep -E '^stat::number_of_executed_units|^Done [0-9]+ runs' "$log" | sed "s/^/$target: /" || true
  echo "$target: stderr $(stat -c %s "$log") bytes"
done
exit $status
