#!/bin/bash
# make windows-zip: the Windows program, the bundled content and the author tools (tools/) in one folder,
# zipped as BUILD_DIR/lanternfall-<version>-win64.zip, playable from wherever it is unpacked.
# Usage: make_zip.sh BUILD_DIR
set -euo pipefail
BUILD_DIR=$(cd "${1:-build-win}" && pwd)
SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")
[ -n "$VERSION" ] || { echo "make_zip.sh: no project version in $BUILD_DIR/CMakeCache.txt" >&2; exit 1; }
EXE="$BUILD_DIR/lanternfall.exe"
[ -f "$EXE" ] || { echo "make_zip.sh: $EXE is missing (make windows builds it)" >&2; exit 1; }

CONVERT="$BUILD_DIR/tools/convert/lanternfall-convert.exe"
LINT="$BUILD_DIR/tools/lint/lanternfall-lint.exe"
PREVIEW="$BUILD_DIR/tools/preview/lanternfall-preview.exe"
for tool in "$CONVERT" "$LINT" "$PREVIEW"; do
  [ -f "$tool" ] || { echo "make_zip.sh: $tool is missing (make windows builds it)" >&2; exit 1; }
done

# Only Windows' own DLLs: the programs must start on a bare Windows.
for program in "$EXE" "$CONVERT" "$LINT" "$PREVIEW"; do
  imports=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z' | sort)
  for dll in $imports; do
    case "$dll" in
      kernel32.dll | user32.dll | gdi32.dll | winmm.dll | ole32.dll | msvcrt.dll | advapi32.dll | shell32.dll) ;;
      *) echo "make_zip.sh: $(basename "$program") needs $dll, which Windows does not have" >&2; exit 1 ;;
    esac
  done
done

STAGE=$(mktemp -d)
trap 'rm -rf "$STAGE"' EXIT
NAME="lanternfall-$VERSION-win64"
mkdir -p "$STAGE/$NAME"
cp "$EXE" "$STAGE/$NAME/"
# The author tools beside the game, in a folder of their own: a player never needs them.
mkdir -p "$STAGE/$NAME/tools"
cp "$CONVERT" "$LINT" "$PREVIEW" "$STAGE/$NAME/tools/"
x86_64-w64-mingw32-strip "$STAGE/$NAME/lanternfall.exe" "$STAGE/$NAME"/tools/*.exe
cp -r "$SOURCE_DIR/content/txt" "$SOURCE_DIR/content/img" "$SOURCE_DIR/content/bgm.mid" "$STAGE/$NAME/"
# Notepad reads UTF-8 with its byte-order mark, and wants CR LF.
{ printf '\xEF\xBB\xBF'; sed 's/$/\r/' "$SOURCE_DIR/dist/windows/readme.txt"; } >"$STAGE/$NAME/README.txt"
ZIP="$BUILD_DIR/$NAME.zip"
rm -f "$ZIP"
(cd "$STAGE" && TZ=UTC find "$NAME" -exec touch -d "@0" {} + && zip -qrX "$ZIP" "$NAME")
echo "$ZIP: $(du -k "$ZIP" | cut -f1) KiB"
