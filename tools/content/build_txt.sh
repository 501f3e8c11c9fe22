#!/usr/bin/env bash
# Turns the reviewable UTF-8 scenario sources (content-src/txt/<name>.txt) into the files the game reads,
# content/txt/<name>.dat, with the scenario converter the authors use (Shift-JIS, CR LF).
# Usage: tools/content/build_txt.sh [BUILD_DIR]   (default: build; the converter is built there if needed)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
convert="$build/tools/convert/lanternfall-convert"
if [ ! -x "$convert" ]; then
  cmake -S "$root" -B "$build" >/dev/null
  cmake --build "$build" --target lanternfall-convert
fi
"$convert" "$root/content-src/txt" -o "$root/content/txt"
