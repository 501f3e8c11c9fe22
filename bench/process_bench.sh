#!/usr/bin/env bash
# Whole-process figures of the real game under Xvfb, medians over several runs: on a 1024 x 768 screen,
# time from launch to the window mapped and to the title painted in it, CPU while the title idles with
# the music playing and with no audio device at all, and resident memory once the opening's text is on
# screen (music and fonts loaded); on a 3840 x 2160 screen, resident memory on the title and the text;
# and, as the floor under them, the same figures of a bare SDL window (bench/floor/bare_window.cpp).
# Usage: bash bench/process_bench.sh BUILD_DIR   (RUNS and IDLE_SECONDS may be set in the environment)
# The music is synthesized for SDL's dummy audio driver unless SDL_AUDIODRIVER says otherwise: it consumes
# sound at the pace of a real card, so the figure counts the synthesis on any machine, sound card or not.
# A figure that cannot be measured here is reported as "n/a" with the reason, never guessed.
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
game="$build/lanternfall"
runs=${RUNS:-5}
idle=${IDLE_SECONDS:-15}

unmeasured() {
  echo "process_bench: $1"
  printf 'RESULT\tgame: launch to window mapped, 1024x768 (median)\tn/a\tms\t60\n'
  printf 'RESULT\tgame: launch to title painted, 1024x768 (median)\tn/a\tms\t80\n'
  printf 'RESULT\tgame: idle CPU on the title with music (median)\tn/a\t%%core\t1.0\n'
  printf 'RESULT\tgame: idle CPU on the title, no audio device (median)\tn/a\t%%core\t0.3\n'
  printf 'RESULT\tgame: resident memory, text page with music, 1024x768 (median)\tn/a\tMiB\t33\n'
  printf 'RESULT\tgame: resident memory, title with music, 3840x2160 screen (median)\tn/a\tMiB\t50\n'
  printf 'RESULT\tgame: resident memory, text page with music, 3840x2160 screen\tn/a\tMiB\t50\n'
  printf 'RESULT\tfloor: bare SDL window, launch to painted, 1024x768 (median)\tn/a\tms\t80\n'
  printf 'RESULT\tfloor: bare SDL window, resident memory, 1024x768 (median)\tn/a\tMiB\t33\n'
  exit 0
}
for tool in Xvfb xdotool python3; do
  command -v "$tool" >/dev/null 2>&1 || unmeasured "$tool is not installed"
done
[ -x "$game" ] || unmeasured "no game at $game"
[ -f "$build/bgm.mid" ] || echo "process_bench: warning: no bgm.mid beside the game: figures without music"

# One Xvfb per screen size; the probe runs RUNS times in it, each line of JSON tagged with its setting.
out=$(mktemp)
xvfb=
trap 'rm -f "$out"; [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; wait 2>/dev/null' EXIT
measure() {  # TAG SCREEN IDLE_SECONDS [VAR=VALUE ...]
  local tag=$1 screen=$2 seconds=$3 display= n
  shift 3
  for n in $(seq $((200 + RANDOM % 200)) 499); do
    [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
  done
  [ -n "$display" ] || { echo "process_bench: no free X display number for $tag"; return; }
  Xvfb "$display" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do
    DISPLAY=$display python3 -c 'import ctypes,sys; x=ctypes.cdll.LoadLibrary("libX11.so.6"); x.XOpenDisplay.restype=ctypes.c_void_p; sys.exit(0 if x.XOpenDisplay(None) else 1)' 2>/dev/null && break
    sleep 0.1
  done
  for _ in $(seq "$runs"); do
    env DISPLAY="$display" "$@" python3 "$here/process_probe.py" "${probe_target:-$game}" "$seconds" |
      python3 -c 'import json,sys; r=json.loads(sys.stdin.read()); r["tag"]=sys.argv[1]; print(json.dumps(r))' "$tag" |
      tee -a "$out"
  done
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  xvfb=
}

export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
measure music 1024x768 "$idle"
# No audio device at all: SDL has no such driver, the game runs silent and only its loop is left.
measure silent 1024x768 "$idle" SDL_AUDIODRIVER=none-at-all
# Resident memory is what a 4K screen costs; its idle CPU is not read.
measure uhd 3840x2160 1
# The floor: a bare SDL window of the same size painted by the same renderer, nothing else.
if [ -x "$build/bench/bare_window" ]; then
  probe_target="$build/bench/bare_window" measure floor 1024x768 1
else
  echo "process_bench: no $build/bench/bare_window: the floor is not measured"
fi

python3 - "$out" <<'PY'
import json, statistics, sys
rows = [json.loads(line) for line in open(sys.argv[1]) if line.strip()]
good = [r for r in rows if "error" not in r]
for r in rows:
    if "error" in r:
        print("process_bench: run failed:", r["tag"], r["error"], r.get("stderr", ""))
    elif r["tag"] != "silent" and ("audio" in r.get("stderr", "") or "sound font" in r.get("stderr", "")):
        print("process_bench: warning: the music did not play:", r["stderr"].strip())
def result(name, tag, key, unit, goal):
    values = [r[key] for r in good if r["tag"] == tag and key in r]
    shown = f"{statistics.median(values):.2f}" if values else "n/a"
    if values:
        print(f"process_bench: {tag} {key} over {len(values)} runs: " + " ".join(f"{v:.1f}" for v in values))
    print(f"RESULT\t{name}\t{shown}\t{unit}\t{goal}")
result("game: launch to window mapped, 1024x768 (median)", "music", "launch_ms", "ms", 60)
result("game: launch to title painted, 1024x768 (median)", "music", "painted_ms", "ms", 80)
result("game: idle CPU on the title with music (median)", "music", "idle_cpu_percent", "%core", 1.0)
result("game: idle CPU on the title, no audio device (median)", "silent", "idle_cpu_percent", "%core", 0.3)
result("game: resident memory, text page with music, 1024x768 (median)", "music", "rss_text_mib", "MiB", 33)
result("game: resident memory, title with music, 3840x2160 screen (median)", "uhd", "rss_title_mib", "MiB", 50)
result("game: resident memory, text page with music, 3840x2160 screen", "uhd", "rss_text_mib", "MiB", 50)
result("floor: bare SDL window, launch to painted, 1024x768 (median)", "floor", "painted_ms", "ms", 80)
result("floor: bare SDL window, resident memory, 1024x768 (median)", "floor", "rss_title_mib", "MiB", 33)
for tag in ("music", "uhd"):
    peaks = [r["peak_rss_mib"] for r in good if r["tag"] == tag and "peak_rss_mib" in r]
    if peaks:
        print(f"process_bench: {tag}: peak resident memory (VmHWM), median {statistics.median(peaks):.1f} MiB")
    sizes = sorted({r.get("window") for r in good if r["tag"] == tag and r.get("window")})
    if sizes:
        print(f"process_bench: {tag}: window client size " + ", ".join(sizes))
PY
