#!/usr/bin/env bash
# The author tools of the Windows build under Wine, in the caller's code page: the converter turns the
# bundled sources into the very bytes of the bundled scenarios (which decode back to the sources) inside a
# folder named in Japanese, names a character Shift-JIS lacks and leaves the old file whole, and replaces
# a file it wrote before; the checker passes the bundled content clean (and, unpacked beside the game,
# checks the game's folder when given none) and gives the same report as on Linux on a folder with known
# findings, where the preview prints the same pages (tests/tools/findings_report.sh).
# Usage: tools_test.sh BUILD_DIR (run.sh provides the Wine prefix and server).
set -uo pipefail
BUILD_DIR=$(cd "${1:?usage: tools_test.sh BUILD_DIR}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
SOURCE_DIR=$(cd "$HERE/../.." && pwd)
[ -n "${WINEPREFIX:-}" ] || . "$HERE/wine_env.sh"
CONVERT="$BUILD_DIR/tools/convert/lanternfall-convert.exe"
LINT="$BUILD_DIR/tools/lint/lanternfall-lint.exe"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FAILED=0
fail() {
  echo "FAIL: $*"
  FAILED=1
}

# UTF-8 sources to code page 932 and back, into a folder the converter makes.
OUT="$WORK/シナリオ/txt"
wine "$CONVERT" "$SOURCE_DIR/content-src/txt" -o "$OUT" >"$WORK/convert.log" 2>&1 ||
  fail "the bundled sources did not convert: $(cat "$WORK/convert.log")"
count=0
for dat in "$SOURCE_DIR"/content/txt/*.dat; do
  name=$(basename "$dat" .dat)
  cmp -s "$dat" "$OUT/$name.dat" || fail "$name.dat differs from the bundled scenario"
  iconv -f CP932 -t UTF-8 "$OUT/$name.dat" | tr -d '\r' | cmp -s - "$SOURCE_DIR/content-src/txt/$name.txt" ||
    fail "$name.dat does not decode back to its source"
  count=$((count + 1))
done
[ "$count" = 21 ] || fail "$count bundled scenarios compared, not 21"

# A character the code page lacks: named by line and column, and the file converted before stays whole.
cp "$OUT/00.dat" "$WORK/before.dat"
mkdir -p "$WORK/src"
printf '一行目\nここに\xf0\x9f\x8f\xae がある\n' >"$WORK/src/00.txt"
status=0
wine "$CONVERT" "$WORK/src/00.txt" -o "$OUT" >"$WORK/bad.log" 2>&1 || status=$?
[ "$status" = 1 ] || fail "an unconvertible source exited with $status, not 1"
grep -q '00.txt:2:4: .* U+1F3EE has no Shift-JIS form' "$WORK/bad.log" ||
  fail "the unconvertible character was not named: $(cat "$WORK/bad.log")"
cmp -s "$WORK/before.dat" "$OUT/00.dat" || fail "a failed conversion changed the file written before"
ls -A "$OUT" | grep -q '^\.' && fail "a temporary file was left behind: $(ls -A "$OUT")"
# A good source replaces the file written before.
printf 'あたらしい\ntugi\n' >"$WORK/src/00.txt"
wine "$CONVERT" "$WORK/src/00.txt" -o "$OUT" >"$WORK/good.log" 2>&1 || fail "the new source did not convert"
printf 'あたらしい\r\ntugi\r\n' | iconv -f UTF-8 -t CP932 | cmp -s - "$OUT/00.dat" ||
  fail "the converted file did not replace the one before"

# The bundled content passes clean, as on Linux.
status=0
(cd "$WORK" && wine "$LINT" "$SOURCE_DIR/content") >"$WORK/lint.log" 2>&1 || status=$?
[ "$status" = 0 ] || fail "the checker exited with $status on the bundled content"
grep -q ': 0 error(s), 0 warning(s)' "$WORK/lint.log" || fail "the bundled content: $(cat "$WORK/lint.log")"

# Unpacked from the zip and given no folder, the checker checks the game's folder above tools\.
GAME="$WORK/ランタン"
mkdir -p "$GAME/tools"
cp -r "$SOURCE_DIR/content/." "$GAME/"
cp "$BUILD_DIR/lanternfall.exe" "$GAME/"
cp "$LINT" "$GAME/tools/"
(cd "$WORK" && wine "$GAME/tools/lanternfall-lint.exe") >"$WORK/unpacked.log" 2>&1 ||
  fail "the unpacked checker: $(cat "$WORK/unpacked.log")"
grep -q 'ランタン: 0 error(s), 0 warning(s)' "$WORK/unpacked.log" ||
  fail "the unpacked checker did not check its game's folder: $(cat "$WORK/unpacked.log")"

bash "$SOURCE_DIR/tests/tools/findings_report.sh" "$BUILD_DIR" wine || FAILED=1
[ "$FAILED" = 0 ] && echo "PASS: the author tools under Wine"
exit "$FAILED"
