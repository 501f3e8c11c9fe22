#!/usr/bin/env bash
# The floor of the house, checked: the game (app ui script sim audio, main.cpp) and platform/runtime
# include no third-party header; the backends' headers, which the game includes, show none either; no
# platform file includes game code; the runtime includes nothing of the backends, and the two backends
# stand beside each other without including one another. Then every platform/runtime/*.cpp is compiled
# with the repository alone on the include path, and each header it reaches must come from the C and
# C++ standard libraries, the kernel's headers or the compiler.
#   floor_test.sh REPO CXX     check the repository
#   floor_test.sh --self-test CXX   plant each kind of fault in a scratch tree and make sure it is caught
set -uo pipefail

# Headers the game and the runtime may name in angle brackets besides the C++ standard library's own
# (which have no ".h" and no slash): the C library, POSIX and the compiler's intrinsics.
readonly SYSTEM_HEADERS='^(assert|ctype|errno|fcntl|float|inttypes|limits|locale|malloc|math|poll|pthread|signal|stdarg|stddef|stdint|stdio|stdlib|string|strings|time|unistd|wchar|[a-z]*mmintrin)\.h$|^sys/[a-z_]+\.h$'
# Debian packages a runtime file's headers may come from.
readonly SYSTEM_PACKAGES='^(libc6-dev|linux-libc-dev|libstdc\+\+-[0-9]+-dev|libgcc-[0-9]+-dev|gcc-[0-9]+|libc6-dev-[a-z0-9]+)$'

FAILED=0
fault() {
  echo "FLOOR: $*"
  FAILED=1
}

# Every #include line of the given files as "file:line:<name>" or "file:line:\"name\"".
includes() {
  grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$@" 2>/dev/null |
    sed -E 's/^([^:]*):([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*([<"][^>"]*[>"]).*/\1:\2:\3/'
}

check_sources() {
  local repo=$1
  cd "$repo" || return 1
  local game=() runtime=() backend_headers=() platform=()
  local f
  for f in app ui script sim audio; do
    [ -d "$f" ] && while IFS= read -r x; do game+=("$x"); done < <(find "$f" -name '*.cpp' -o -name '*.h')
  done
  [ -f main.cpp ] && game+=(main.cpp)
  while IFS= read -r x; do runtime+=("$x"); done < <(find platform/runtime -name '*.cpp' -o -name '*.h' 2>/dev/null)
  while IFS= read -r x; do backend_headers+=("$x"); done < <(find platform/media platform/sdl -name '*.h' 2>/dev/null)
  while IFS= read -r x; do platform+=("$x"); done < <(find platform -name '*.cpp' -o -name '*.h' 2>/dev/null)

  local file line name
  # Angle brackets: the standard library, or a system header of the list above.
  if [ $((${#game[@]} + ${#runtime[@]} + ${#backend_headers[@]})) -gt 0 ]; then
    while IFS=: read -r file line name; do
      case $name in
        '<'*) name=${name#<}; name=${name%>}
              if [[ $name == */* || $name == *.* ]] && ! [[ $name =~ $SYSTEM_HEADERS ]]; then
                fault "$file:$line includes <$name>: only platform/media and platform/sdl sources use other libraries"
              fi ;;
        '"'*) name=${name#\"}; name=${name%\"}
              # A quoted name that is not a file of ours is somebody else's header.
              if [ ! -f "$name" ] && [ ! -f "$(dirname "$file")/$name" ]; then
                fault "$file:$line includes \"$name\", which is not a file of this repository"
              fi ;;
      esac
    done < <(includes "${game[@]}" "${runtime[@]}" "${backend_headers[@]}")
  fi

  # The platform looks down or sideways only.
  if [ ${#platform[@]} -gt 0 ]; then
    while IFS=: read -r file line name; do
      [[ $name == '"'* ]] || continue
      name=${name#\"}; name=${name%\"}
      case $name in
        app/* | ui/* | script/* | sim/* | audio/* | tools/* | tests/* | main.cpp)
          fault "$file:$line includes game code \"$name\": the platform knows nothing of the game" ;;
      esac
      case "$file:$name" in
        platform/runtime/*:platform/media/* | platform/runtime/*:platform/sdl/*)
          fault "$file:$line includes the backend header \"$name\": the runtime declares what it needs and a backend fills it" ;;
        # SDL's subsystem counts have one keeper, in media, which the window's video start must share.
        platform/sdl/*:platform/media/sdl_subsystems.h) ;;
        platform/media/*:platform/sdl/* | platform/sdl/*:platform/media/*)
          fault "$file:$line includes \"$name\": the media and SDL backends stand beside each other" ;;
      esac
    done < <(includes "${platform[@]}")
  fi
  cd - >/dev/null || return 1
}

# Each runtime source compiles with the repository alone on the include path, and reaches only system
# headers: a header found in /usr/include (say <fluidsynth.h>) is named by the package that owns it.
check_runtime_compiles() {
  local repo=$1 cxx=$2
  local reached src out root
  root=$(realpath "$repo")
  reached=$(mktemp)
  for src in "$repo"/platform/runtime/*.cpp; do
    [ -f "$src" ] || continue
    if ! out=$("$cxx" -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Werror -I"$repo" -H "$src" 2>&1); then
      fault "${src#"$repo"/} does not compile with only the repository on the include path:"
      echo "$out" | grep -v '^\.' | head -20
      continue
    fi
    echo "$out" | sed -nE "s|^\.+ (.*)\$|\1 ${src#"$repo"/}|p" >>"$reached"
  done
  # One header, the first runtime file that reaches it; headers of our own are fine.
  local -A from=()
  local h f
  while read -r h f; do
    h=$(realpath -m "$h" 2>/dev/null || echo "$h")
    [[ $h == "$root"/* ]] && continue
    [ -n "${from[$h]:-}" ] || from[$h]=$f
  done < <(sort -u -k1,1 "$reached")
  rm -f "$reached"
  [ ${#from[@]} -gt 0 ] || return
  if ! command -v dpkg-query >/dev/null; then
    echo "(dpkg-query missing: the owners of the runtime's system headers are not checked)"
    return
  fi
  local -A owner=()
  local pkg path
  while IFS= read -r line; do
    pkg=${line%%: *}
    path=${line#*: }
    pkg=${pkg%%,*}
    [[ $line == *": "/* ]] && owner[$path]=${pkg%%:*}
  done < <(dpkg-query -S "${!from[@]}" 2>/dev/null)
  for h in "${!from[@]}"; do
    pkg=${owner[$h]:-}
    # A header of no package at all is not a system header either.
    if ! [[ $pkg =~ $SYSTEM_PACKAGES ]]; then
      fault "${from[$h]} reaches $h (package ${pkg:-none}): the runtime needs nothing but the standard libraries"
    fi
  done
}

self_test() {
  local cxx=$1 scratch out expected
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' RETURN
  mkdir -p "$scratch"/{app,sim,platform/runtime,platform/media,platform/sdl}
  printf '#include <SDL2/SDL.h>\n#include <vector>\n' >"$scratch/app/a.cpp"
  printf '#include "SDL.h"\n' >"$scratch/sim/b.cpp"
  printf '#include <fluidsynth.h>\nint f() { return 0; }\n' >"$scratch/platform/runtime/c.cpp"
  printf '#include "app/fom.h"\n' >"$scratch/platform/media/d.cpp"
  printf '#include "platform/sdl/e.h"\n#include <unistd.h>\n' >"$scratch/platform/runtime/e.h"
  printf '#include <fontconfig/fontconfig.h>\n' >"$scratch/platform/sdl/e.h"
  printf '#include "platform/sdl/e.h"\n' >"$scratch/platform/media/f.cpp"
  printf '#include <cstdint>\n#include <time.h>\nint g() { return 1; }\n' >"$scratch/platform/runtime/g.cpp"
  touch "$scratch/app/fom.h"
  out=$(FAILED=0; check_sources "$scratch"; check_runtime_compiles "$scratch" "$cxx"; echo "failed=$FAILED")
  echo "$out"
  expected=(
    'app/a.cpp:1 includes <SDL2/SDL.h>'
    'sim/b.cpp:1 includes "SDL.h", which is not a file'
    'platform/runtime/c.cpp:1 includes <fluidsynth.h>'
    'platform/media/d.cpp:1 includes game code "app/fom.h"'
    'platform/runtime/e.h:1 includes the backend header "platform/sdl/e.h"'
    'platform/sdl/e.h:1 includes <fontconfig/fontconfig.h>'
    'platform/media/f.cpp:1 includes "platform/sdl/e.h": the media and SDL'
    'failed=1'
  )
  local e missed=0
  for e in "${expected[@]}"; do
    grep -qF "$e" <<<"$out" || { echo "SELF-TEST: not caught: $e"; missed=1; }
  done
  # <fluidsynth.h> lies in /usr/include: the compile check must name its package when it is installed.
  if [ -f /usr/include/fluidsynth.h ] && ! grep -q 'c.cpp reaches /usr/include/fluidsynth.h' <<<"$out"; then
    echo "SELF-TEST: the compile check let <fluidsynth.h> through"
    missed=1
  fi
  # Clean files raise nothing.
  if grep -qE 'g\.cpp|a\.cpp:2|e\.h:2' <<<"$out"; then
    echo "SELF-TEST: a standard or system header was refused"
    missed=1
  fi
  return $missed
}

if [ "${1:-}" = --self-test ]; then
  self_test "${2:-c++}"
  exit $?
fi
REPO=${1:?repository root}
CXX=${2:-c++}
check_sources "$REPO"
check_runtime_compiles "$REPO" "$CXX"
if [ $FAILED -ne 0 ]; then exit 1; fi
echo "floor: clean"
