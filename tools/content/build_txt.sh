#!/usr/bin/env bash
# Turns the reviewable UTF-8 scenario sources (content-src/txt/<name>.txt) into the files the game reads:
# content/txt/<name>.dat in Shift-JIS (code page 932) with CR LF line ends.
# Usage: tools/content/build_txt.sh   (from anywhere; paths are taken from the script's place)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
src="$root/content-src/txt"
dst="$root/content/txt"
mkdir -p "$dst"
for f in "$src"/*.txt; do
  name="$(basename "$f" .txt)"
  # iconv fails on any character code page 932 lacks, so a stray character is caught here, not in play.
  iconv -f UTF-8 -t CP932 "$f" | sed 's/\r$//; s/$/\r/' >"$dst/$name.dat.tmp"
  mv "$dst/$name.dat.tmp" "$dst/$name.dat"
done
echo "converted $(ls "$src"/*.txt | wc -l) scenarios into $dst"
