#!/usr/bin/env bash
# With no display at all, the game says in one line what is missing and what to do, and exits with
# status 1, with no library's complaint before it.
# Usage: bash no_display_test.sh path/to/lanternfall.
set -u
game=${1:?usage: no_display_test.sh path/to/lanternfall}
err=$(mktemp)
trap 'rm -f "$err"' EXIT

env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u SDL_AUDIODRIVER -u XDG_RUNTIME_DIR \
  "$game" >/dev/null 2>"$err" </dev/null
status=$?
fail() {
  echo "FAIL: $*"
  echo "--- stderr:"
  cat "$err"
  exit 1
}
[ "$status" -eq 1 ] || fail "exit status $status, expected 1"
[ "$(wc -l <"$err")" -eq 1 ] || fail "expected exactly one line on stderr"
grep -q '^lanternfall: .*DISPLAY.*WAYLAND_DISPLAY.*desktop session.*xvfb-run' "$err" ||
  fail "the line should name DISPLAY and WAYLAND_DISPLAY, and suggest a desktop session or xvfb-run"

# An empty DISPLAY is no display either.
env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u SDL_AUDIODRIVER DISPLAY= "$game" >/dev/null 2>"$err" </dev/null
status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <"$err")" -eq 1 ] || fail "empty DISPLAY: status $status"
echo "PASS"
