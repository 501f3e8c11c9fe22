#!/bin/bash
# make windows-test: the cross-built suites run under Wine, headless, with one Wine prefix and server for
# all of them; then the window test under Xvfb. Usage: run.sh BUILD_DIR
set -euo pipefail
# Wine's programs want a display even when they open no window: a private one for the whole run.
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"; fi
BUILD_DIR=$(cd "${1:-build-win}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
SOURCE_DIR=$(cd "$HERE/../.." && pwd)
source "$HERE/wine_env.sh"

# The reference pixels of the bundled pictures, decoded by libjpeg-turbo (ImageMagick's JPEG reader),
# for the WIC decoder's comparison.
REFERENCE="$BUILD_DIR/reference"
mkdir -p "$REFERENCE"
for jpg in "$SOURCE_DIR"/content/img/*.jpg; do
  ppm="$REFERENCE/$(basename "${jpg%.jpg}").ppm"
  [ "$ppm" -nt "$jpg" ] || convert "$jpg" -depth 8 "ppm:$ppm"
done
export LANTERNFALL_REFERENCE="Z:$REFERENCE"

# The code page the tests run in: C (1252) unless the caller chose another.
export LC_ALL="${LC_ALL:-C.UTF-8}"

trap wine_stop EXIT
start=$(date +%s)
wine_start
echo "wine: prefix ready in $(( $(date +%s) - start )) s"
ctest --test-dir "$BUILD_DIR" -L windows --output-on-failure -j2 --timeout 300 -E window

# The window test, once where Windows' ANSI code page is 932 and once where it is 1252. Wine takes the
# code page from the locale, which must exist for its file names to hold Japanese.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
for locale in ja_JP.UTF-8 C.UTF-8; do
  LC_ALL=$locale ctest --test-dir "$BUILD_DIR" -R '^win\.window$' --output-on-failure --timeout 300
done
# A high-dpi desktop: Windows at 192 dpi, twice the classic one.
LC_ALL=ja_JP.UTF-8 LANTERNFALL_WINE_DPI=192 ctest --test-dir "$BUILD_DIR" -R '^win\.window$' --output-on-failure \
  --timeout 300
