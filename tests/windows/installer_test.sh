#!/usr/bin/env bash
# The installer under Wine, silently (/S) as a player without administrator rights would run it: every
# file of the zip lands under the user's own programs folder with the uninstaller, the Start-menu entry
# and the uninstall entry of the current user; the game starts from there; then the uninstaller, also
# silent, leaves none of it behind. Usage: installer_test.sh BUILD_DIR (run.sh provides Wine).
# Exit 77 when no installer was built (make windows-installer builds it).
set -uo pipefail
BUILD_DIR=$(cd "${1:?usage: installer_test.sh BUILD_DIR}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
[ -n "${WINEPREFIX:-}" ] || . "$HERE/wine_env.sh"
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")
SETUP="$BUILD_DIR/lanternfall-$VERSION-win64-setup.exe"
ZIP="$BUILD_DIR/lanternfall-$VERSION-win64.zip"
if [ ! -f "$SETUP" ]; then
  echo "SKIP: $SETUP is missing (make windows-installer builds it)"
  exit 77
fi
FAILED=0
fail() {
  echo "FAIL: $*"
  FAILED=1
}
KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lanternfall'
# Windows' own folders of the current user, as Unix paths.
unix_folder() { winepath -u "$(wine cmd /c echo "$1" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
INSTDIR="$(unix_folder '%LOCALAPPDATA%')/Programs/Lanternfall"
MENU="$(unix_folder '%APPDATA%')/Microsoft/Windows/Start Menu/Programs/Lanternfall"
rm -rf "$INSTDIR" "$MENU"
wine reg delete "$KEY" /f >/dev/null 2>&1

wine "$SETUP" /S || fail "the installer exited with $?"
EXPECTED=$(mktemp)
trap 'rm -f "$EXPECTED"' EXIT
zipinfo -1 "$ZIP" | grep -v '/$' | sed 's|^[^/]*/||' | sort >"$EXPECTED"
grep -qx 'tools/lanternfall-convert.exe' "$EXPECTED" || fail "the zip's list lacks the tools: $(cat "$EXPECTED")"
count=0
while read -r f; do
  [ -f "$INSTDIR/$f" ] || fail "$f was not installed"
  count=$((count + 1))
done <"$EXPECTED"
[ -f "$INSTDIR/uninstall.exe" ] || fail "no uninstaller"
[ -f "$MENU/Lanternfall.lnk" ] || fail "no Start-menu entry in $MENU"
wine reg query "$KEY" /v UninstallString 2>/dev/null | grep -qi 'uninstall.exe' || fail "no uninstall entry"
# The installed tools run from there.
(cd / && wine "$INSTDIR/tools/lanternfall-lint.exe" 2>&1) | grep -q '/Lanternfall: 0 error(s), 0 warning(s)' ||
  fail "the installed checker did not check the installed game clean"

# The uninstaller copies itself away and returns at once; the files go within seconds.
wine "$INSTDIR/uninstall.exe" /S || fail "the uninstaller exited with $?"
for _ in $(seq 100); do
  [ -e "$INSTDIR" ] || break
  sleep 0.2
done
[ -e "$INSTDIR" ] && fail "the uninstaller left $(find "$INSTDIR" | head -5)"
[ -e "$MENU" ] && fail "the uninstaller left the Start-menu entry"
wine reg query "$KEY" >/dev/null 2>&1 && fail "the uninstaller left the uninstall entry"
[ "$FAILED" = 0 ] && echo "PASS: installed $count files for the user, and uninstalled them"
exit "$FAILED"
