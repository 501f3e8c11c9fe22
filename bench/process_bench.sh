#!/usr/bin/env bash
# Whole-process figures of the real game under Xvfb, medians over several runs: time from launch to the
# window mapped and to the title painted in it, CPU while the title idles with the music playing, and
# resident memory once the opening's text is on screen (music and fonts loaded).
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
  printf 'RESULT\tgame: launch to window mapped (median)\tn/a\tms\t60\n'
  printf 'RESULT\tgame: launch to title painted (median)\tn/a\tms\t100\n'
  printf 'RESULT\tgame: idle CPU on the title with music (median)\tn/a\t%%core\t1.2\n'
  printf 'RESULT\tgame: resident memory with music and fonts (median)\tn/a\tMiB\t45\n'
  exit 0
}
for tool in Xvfb xdotool python3; do
  command -v "$tool" >/dev/null 2>&1 || unmeasured "$tool is not installed"
done
[ -x "$game" ] || unmeasured "no game at $game"
[ -f "$build/bgm.mid" ] || echo "process_bench: warning: no bgm.mid beside the game: figures without music"

display=
for n in $(seq $((200 + RANDOM % 200)) 499); do
  [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
[ -n "$display" ] || unmeasured "no free X display number"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null' EXIT
for _ in $(seq 50); do
  DISPLAY=$display python3 -c 'import ctypes,sys; x=ctypes.cdll.LoadLibrary("libX11.so.6"); x.XOpenDisplay.restype=ctypes.c_void_p; sys.exit(0 if x.XOpenDisplay(None) else 1)' 2>/dev/null && break
  sleep 0.1
done

export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
out=$(mktemp)
for i in $(seq "$runs"); do
  DISPLAY=$display python3 "$here/process_probe.py" "$game" "$idle" | tee -a "$out"
done

python3 - "$out" <<'PY'
import json, statistics, sys
rows = [json.loads(line) for line in open(sys.argv[1]) if line.strip()]
good = [r for r in rows if "error" not in r]
for r in rows:
    if "error" in r:
        print("process_bench: run failed:", r["error"], r.get("stderr", ""))
    elif "audio" in r.get("stderr", "") or "sound font" in r.get("stderr", ""):
        print("process_bench: warning: the music did not play:", r["stderr"].strip())
def result(name, key, unit, goal):
    values = [r[key] for r in good if key in r]
    shown = f"{statistics.median(values):.2f}" if values else "n/a"
    if values:
        print(f"process_bench: {key} over {len(values)} runs: " + " ".join(f"{v:.1f}" for v in values))
    print(f"RESULT\t{name}\t{shown}\t{unit}\t{goal}")
result("game: launch to window mapped (median)", "launch_ms", "ms", 60)
result("game: launch to title painted (median)", "painted_ms", "ms", 100)
result("game: idle CPU on the title with music (median)", "idle_cpu_percent", "%core", 1.2)
result("game: resident memory with music and fonts (median)", "rss_text_mib", "MiB", 45)
peaks = [r["peak_rss_mib"] for r in good if "peak_rss_mib" in r]
if peaks:
    print(f"process_bench: peak resident memory (VmHWM), median {statistics.median(peaks):.1f} MiB")
PY
rm -f "$out"
