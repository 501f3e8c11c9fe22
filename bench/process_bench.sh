#!/usr/bin/env bash
# Whole-process figures of the real game under Xvfb, medians over several runs: CPU while the title idles
# with the music playing, time from launch to the window shown, and resident memory with music.
# Usage: bash bench/process_bench.sh BUILD_DIR   (RUNS and IDLE_SECONDS may be set in the environment)
# The music is synthesized for SDL's dummy audio driver unless SDL_AUDIODRIVER says otherwise: it consumes
# sound at the pace of a real card, so the figure counts the synthesis on any machine, sound card or not.
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
game="$build/lanternfall"
runs=${RUNS:-5}
idle=${IDLE_SECONDS:-15}

command -v Xvfb >/dev/null 2>&1 || { echo "process_bench: Xvfb not installed, skipped"; exit 0; }
[ -x "$game" ] || { echo "process_bench: no game at $game, skipped"; exit 0; }
[ -f "$build/bgm.mid" ] || echo "process_bench: warning: no bgm.mid beside the game: figures without music"

display=":$((200 + RANDOM % 300))"
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
    if values:
        print(f"RESULT\t{name}\t{statistics.median(values):.2f}\t{unit}\t{goal}")
result("game: idle CPU with music (median)", "idle_cpu_percent", "%", 1.2)
result("game: launch to window shown (median)", "launch_ms", "ms", 60)
result("game: resident memory with music (median)", "rss_mib", "MiB", 45)
PY
rm -f "$out"
