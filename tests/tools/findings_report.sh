#!/usr/bin/env bash
# The checker's report on a content folder broken in known ways, the same on every system: a copy of the
# bundled content in which tests/data/lint_findings/*.txt are converted over (or beside) the bundled
# scenarios with the converter under test, one scenario removed, one left in an editor's UTF-8 with LF
# line ends, a picture kept only as a PNG and the music replaced by something else. The report, with the
# folder named relatively, must equal tests/golden/lint_findings.txt, and the preview's pages of one of
# its scenarios tests/golden/preview_findings_pages.txt.
#   findings_report.sh BUILD_DIR [RUNNER]   RUNNER runs the tools (wine for the Windows build)
# Set LANTERNFALL_REGENERATE=1 to write the golden files from this run instead (review their diff).
set -euo pipefail
BUILD_DIR=$(cd "${1:?usage: findings_report.sh BUILD_DIR [RUNNER]}" && pwd)
RUNNER=${2:-}
HERE=$(cd "$(dirname "$0")" && pwd)
SOURCE_DIR=$(cd "$HERE/../.." && pwd)
GOLDEN="$SOURCE_DIR/tests/golden/lint_findings.txt"
GOLDEN_PAGES="$SOURCE_DIR/tests/golden/preview_findings_pages.txt"
EXE=""
[ -f "$BUILD_DIR/tools/lint/lanternfall-lint.exe" ] && EXE=.exe
CONVERT="$BUILD_DIR/tools/convert/lanternfall-convert$EXE"
LINT="$BUILD_DIR/tools/lint/lanternfall-lint$EXE"
PREVIEW="$BUILD_DIR/tools/preview/lanternfall-preview$EXE"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# A parent named in Japanese: the tools take their arguments whatever the system's code page.
PARENT="$WORK/点検"
FOLDER="$PARENT/findings"
mkdir -p "$FOLDER"
cp -r "$SOURCE_DIR/content/." "$FOLDER/"
cd "$PARENT"
$RUNNER "$CONVERT" "$SOURCE_DIR"/tests/data/lint_findings/*.txt -o findings/txt >"$WORK/convert.log" 2>&1 || {
  cat "$WORK/convert.log"
  echo "FAIL: the converter did not convert the findings' sources"
  exit 1
}
rm findings/txt/03.dat
printf '前置き\ntugi\n' >findings/txt/04.dat
cp findings/img/oka.jpg findings/img/lantern.png
# The preview's pages of a scenario with missing pictures, the music still whole. The game's problems
# name the folder, which is where this run made it; stdout first, then stderr, as the two systems
# interleave them differently.
status=0
$RUNNER "$PREVIEW" --pages findings 01 >"$WORK/pages.raw" 2>"$WORK/pages.err" || status=$?
cat "$WORK/pages.raw" "$WORK/pages.err" | tr -d '\r' | sed "s|[A-Z]*:*$FOLDER/|FOLDER/|g" >"$WORK/pages.txt"
echo "exit status $status" >>"$WORK/pages.txt"
printf 'RIFF....' >findings/bgm.mid

status=0
$RUNNER "$LINT" findings >"$WORK/report.raw" 2>&1 || status=$?
# Windows ends the lines it prints with CR LF.
tr -d '\r' <"$WORK/report.raw" >"$WORK/report.txt"
echo "exit status $status" >>"$WORK/report.txt"

FAILED=0
for pair in "report.txt:$GOLDEN" "pages.txt:$GOLDEN_PAGES"; do
  got="$WORK/${pair%%:*}" want=${pair#*:}
  if [ "${LANTERNFALL_REGENERATE:-}" = 1 ]; then
    cp "$got" "$want"
    echo "wrote $want"
  elif ! diff -u "$want" "$got"; then
    echo "FAIL: the output differs from $want"
    FAILED=1
  fi
done
[ "$FAILED" = 0 ] && echo "PASS: the checker's report and the preview's pages equal their golden files"
exit "$FAILED"
