#!/usr/bin/env bash
# The checker's report on a content folder broken in known ways, the same on every system: a copy of the
# bundled content in which tests/data/lint_findings/*.txt are converted over (or beside) the bundled
# scenarios with the converter under test, one scenario removed, one left in an editor's UTF-8 with LF
# line ends, a picture kept only as a PNG and the music replaced by something else. The report, with the
# folder named relatively, must equal tests/golden/lint_findings.txt.
#   findings_report.sh BUILD_DIR [RUNNER]   RUNNER runs the tools (wine for the Windows build)
# Set LANTERNFALL_REGENERATE=1 to write the golden file from this run instead (review its diff).
set -euo pipefail
BUILD_DIR=$(cd "${1:?usage: findings_report.sh BUILD_DIR [RUNNER]}" && pwd)
RUNNER=${2:-}
HERE=$(cd "$(dirname "$0")" && pwd)
SOURCE_DIR=$(cd "$HERE/../.." && pwd)
GOLDEN="$SOURCE_DIR/tests/golden/lint_findings.txt"
EXE=""
[ -f "$BUILD_DIR/tools/lint/lanternfall-lint.exe" ] && EXE=.exe
CONVERT="$BUILD_DIR/tools/convert/lanternfall-convert$EXE"
LINT="$BUILD_DIR/tools/lint/lanternfall-lint$EXE"

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
printf 'RIFF....' >findings/bgm.mid

status=0
$RUNNER "$LINT" findings >"$WORK/report.raw" 2>&1 || status=$?
# Windows ends the lines it prints with CR LF.
tr -d '\r' <"$WORK/report.raw" >"$WORK/report.txt"
echo "exit status $status" >>"$WORK/report.txt"
if [ "${LANTERNFALL_REGENERATE:-}" = 1 ]; then
  cp "$WORK/report.txt" "$GOLDEN"
  echo "wrote $GOLDEN"
  exit 0
fi
if ! diff -u "$GOLDEN" "$WORK/report.txt"; then
  echo "FAIL: the report differs from $GOLDEN"
  exit 1
fi
echo "PASS: the report equals $GOLDEN ($(grep -c ': error: \|: warning: ' "$GOLDEN") findings)"
