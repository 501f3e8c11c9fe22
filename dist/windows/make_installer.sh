#!/bin/bash
# make windows-installer: the zip's folder as a per-user NSIS installer,
# BUILD_DIR/lanternfall-<version>-win64-setup.exe (installer.nsi says what it does).
# Usage: make_installer.sh BUILD_DIR (after make_zip.sh)
set -euo pipefail
BUILD_DIR=$(cd "${1:-build-win}" && pwd)
SOURCE_DIR=$(cd "$(dirname "$0")/../.." && pwd)
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")
NAME="lanternfall-$VERSION-win64"
ZIP="$BUILD_DIR/$NAME.zip"
[ -f "$ZIP" ] || { echo "make_installer.sh: $ZIP is missing (make windows-zip makes it)" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
(cd "$WORK" && unzip -q "$ZIP")
cp "$BUILD_DIR/lanternfall.ico" "$WORK/"
STAGE="$WORK/$NAME"
# One File line per file into its folder, and the matching Delete lines, deepest folders removed first.
{
  (cd "$STAGE" && find . -type d | sort) | while read -r dir; do
    win=${dir#.}
    echo "SetOutPath \"\$INSTDIR${win//\//\\}\""
    (cd "$STAGE/$dir" && find . -maxdepth 1 -type f | sort) | while read -r f; do
      echo "File \"$STAGE${win}/${f#./}\""
    done
  done
  echo 'SetOutPath "$INSTDIR"'
} >"$WORK/install.nsh"
{
  (cd "$STAGE" && find . -type f | sort) | while read -r f; do
    f=${f#./}
    echo "Delete \"\$INSTDIR\\${f//\//\\}\""
  done
  (cd "$STAGE" && find . -mindepth 1 -type d | sort -r) | while read -r d; do
    d=${d#./}
    echo "RMDir \"\$INSTDIR\\${d//\//\\}\""
  done
} >"$WORK/uninstall.nsh"

OUT="$BUILD_DIR/$NAME-setup.exe"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$VERSION" -DSTAGE="$STAGE" -DOUTFILE="$OUT" \
  -DINSTALL_LIST="$WORK/install.nsh" -DUNINSTALL_LIST="$WORK/uninstall.nsh" "$SOURCE_DIR/dist/windows/installer.nsi"
echo "$OUT: $(du -k "$OUT" | cut -f1) KiB"
