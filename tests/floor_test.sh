#!/usr/bin/env bash
# The floor of the house, checked: the game (app ui script sim audio, main.cpp) includes no third-party
# header; the backends' headers, which the game includes, show none either; platform/runtime includes
# nothing but the C++ standard library (no POSIX, no processor intrinsics: it builds for any system); no
# platform file includes game code; the runtime includes nothing of the backends, and the two backends
# stand beside each other without including one another. Then every platform/runtime/*.cpp is compiled
# with the repository alone on the include path: what it and the repository's headers include must be
# the C++ standard library's own headers, and what those reach must come from the C and C++ standard
# libraries, the kernel's headers or the compiler.
#   floor_test.sh REPO CXX     check the repository
#   floor_test.sh --self-test CXX   plant each kind of fault in a scratch tree and make sure it is caught
set -uo pipefail

# Headers the game and the backends' headers may name in angle brackets besides the C++ standard
# library's own (which have no ".h" and no slash): the C library, POSIX and the compiler's intrinsics.
readonly SYSTEM_HEADERS='^(assert|ctype|errno|fcntl|float|inttypes|limits|locale|malloc|math|poll|pthread|signal|stdarg|stddef|stdint|stdio|stdlib|string|strings|time|unistd|wchar|[a-z]*mmintrin)\.h$|^sys/[a-z_]+\.h$'
# The headers of the C++ standard library (C++20), the only ones the runtime names.
readonly CXX_HEADERS='^(algorithm|any|array|atomic|barrier|bit|bitset|cassert|cctype|cerrno|cfenv|cfloat|charconv|chrono|cinttypes|climits|clocale|cmath|codecvt|compare|complex|concepts|condition_variable|coroutine|csetjmp|csignal|cstdarg|cstddef|cstdint|cstdio|cstdlib|cstring|ctime|cuchar|cwchar|cwctype|deque|exception|execution|filesystem|format|forward_list|fstream|functional|future|initializer_list|iomanip|ios|iosfwd|iostream|istream|iterator|latch|limits|list|locale|map|memory|memory_resource|mutex|new|numbers|numeric|optional|ostream|queue|random|ranges|ratio|regex|scoped_allocator|semaphore|set|shared_mutex|source_location|span|sstream|stack|stdexcept|stop_token|streambuf|string|string_view|syncstream|system_error|thread|tuple|type_traits|typeindex|typeinfo|unordered_map|unordered_set|utility|valarray|variant|vector|version)$'
# The Debian package of the C++ standard library's headers.
readonly CXX_PACKAGE='^libstdc\+\+-[0-9]+-dev$'
# Debian packages a runtime file's headers may come from, through the standard library's own.
readonly SYSTEM_PACKAGES='^(libc6-dev|linux-libc-dev|libstdc\+\+-[0-9]+-dev|libgcc-[0-9]+-dev|gcc-[0-9]+|libc6-dev-[a-z0-9]+|libclang-common-[0-9]+-dev)$'

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
              if [[ $file == platform/runtime/* ]]; then
                [[ $name =~ $CXX_HEADERS ]] ||
                  fault "$file:$line includes <$name>: the runtime uses the C++ standard library alone; what needs the system or a library is a backend's"
              elif [[ $name == */* || $name == *.* ]] && ! [[ $name =~ $SYSTEM_HEADERS ]]; then
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

# The Debian package of each given file, into OWNER (file -> package); none for a file of no package.
declare -A OWNER=()
find_owners() {
  local line pkg path
  [ $# -gt 0 ] || return 0
  while IFS= read -r line; do
    pkg=${line%%: *}
    path=${line#*: }
    pkg=${pkg%%,*}
    [[ $line == *": "/* ]] && OWNER[$path]=${pkg%%:*}
  done < <(dpkg-query -S "$@" 2>/dev/null)
}

# Each runtime source compiles with the repository alone on the include path. What the source and the
# repository's headers include themselves must be the repository's or the C++ standard library's (a
# header found in /usr/include, say <fluidsynth.h> or <sys/stat.h>, is named with the package that owns
# it), and what the standard library's headers reach in turn must come from the system's own packages.
check_runtime_compiles() {
  local repo=$1 cxx=$2
  local reached edges src out root
  root=$(realpath "$repo")
  reached=$(mktemp)
  edges=$(mktemp)
  for src in "$repo"/platform/runtime/*.cpp; do
    [ -f "$src" ] || continue
    if ! out=$("$cxx" -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Werror -I"$repo" -H "$src" 2>&1); then
      fault "${src#"$repo"/} does not compile with only the repository on the include path:"
      echo "$out" | grep -v '^\.' | head -20
      continue
    fi
    echo "$out" | sed -nE "s|^\.+ (.*)\$|\1 ${src#"$repo"/}|p" >>"$reached"
    # "header<TAB>the file that included it", from the depth of the dots -H writes.
    echo "$out" | awk -v src="$src" '/^\.+ / {
      d = index($0, " ") - 1; stack[d] = substr($0, d + 2)
      print stack[d] "\t" (d == 1 ? src : stack[d - 1]) }' >>"$edges"
  done
  if ! command -v dpkg-query >/dev/null; then
    echo "(dpkg-query missing: the owners of the runtime's system headers are not checked)"
    rm -f "$reached" "$edges"
    return
  fi
  check_direct_includes "$root" "$edges"
  # One header, the first runtime file that reaches it; headers of our own are fine.
  local -A from=()
  local h f pkg
  while read -r h f; do
    h=$(realpath -m "$h" 2>/dev/null || echo "$h")
    [[ $h == "$root"/* ]] && continue
    [ -n "${from[$h]:-}" ] || from[$h]=$f
  done < <(sort -u -k1,1 "$reached")
  rm -f "$reached" "$edges"
  find_owners "${!from[@]}"
  for h in "${!from[@]}"; do
    pkg=${OWNER[$h]:-}
    # A header of no package at all is not a system header either.
    if ! [[ $pkg =~ $SYSTEM_PACKAGES ]]; then
      fault "${from[$h]} reaches $h (package ${pkg:-none}): the runtime needs nothing but the standard libraries"
    fi
  done
}

# The headers that files of the repository include themselves, outside the repository: each must be a
# header of the C++ standard library's package.
check_direct_includes() {
  local root=$1 edges=$2
  local -a paths canonical
  local -A canon=() direct=()
  local i h parent pkg
  mapfile -t paths < <(tr '\t' '\n' <"$edges" | sort -u)
  [ ${#paths[@]} -gt 0 ] || return
  mapfile -t canonical < <(realpath -m -- "${paths[@]}")
  for i in "${!paths[@]}"; do canon[${paths[$i]}]=${canonical[$i]}; done
  while IFS=$'\t' read -r h parent; do
    h=${canon[$h]}
    parent=${canon[$parent]}
    [[ $parent == "$root"/* && $h != "$root"/* ]] || continue
    parent=${parent#"$root"/}
    [[ " ${direct[$h]:-} " == *" $parent "* ]] || direct[$h]+=" $parent"
  done <"$edges"
  find_owners "${!direct[@]}"
  for h in "${!direct[@]}"; do
    pkg=${OWNER[$h]:-}
    [[ $pkg =~ $CXX_PACKAGE ]] && continue
    for parent in ${direct[$h]}; do
      fault "$parent includes $h (package ${pkg:-none}): the runtime uses the C++ standard library alone"
    done
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
  printf '#include <cstdint>\n#include <ctime>\nint g() { return 1; }\n' >"$scratch/platform/runtime/g.cpp"
  printf '#include <sys/stat.h>\n#include <immintrin.h>\nint h() { return 2; }\n' >"$scratch/platform/runtime/h.cpp"
  # Out of the line-by-line check's sight: only the compiler sees what this includes.
  printf '#define SYSTEM_HEADER <sys/stat.h>\n#include SYSTEM_HEADER\nint i() { return 3; }\n' >"$scratch/platform/runtime/i.cpp"
  printf '#include <unistd.h>\n#include <time.h>\n' >"$scratch/app/j.cpp"
  touch "$scratch/app/fom.h"
  out=$(FAILED=0; check_sources "$scratch"; check_runtime_compiles "$scratch" "$cxx"; echo "failed=$FAILED")
  echo "$out"
  expected=(
    'app/a.cpp:1 includes <SDL2/SDL.h>'
    'sim/b.cpp:1 includes "SDL.h", which is not a file'
    'platform/runtime/c.cpp:1 includes <fluidsynth.h>'
    'platform/media/d.cpp:1 includes game code "app/fom.h"'
    'platform/runtime/e.h:1 includes the backend header "platform/sdl/e.h"'
    'platform/runtime/e.h:2 includes <unistd.h>: the runtime uses the C++ standard library alone'
    'platform/runtime/h.cpp:1 includes <sys/stat.h>: the runtime uses the C++ standard library alone'
    'platform/runtime/h.cpp:2 includes <immintrin.h>: the runtime uses the C++ standard library alone'
    'platform/runtime/i.cpp includes /usr/include/'
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
  # The compiler names the package of what a runtime file includes itself.
  if ! grep -qE 'i\.cpp includes /usr/include/.*sys/stat\.h \(package libc6-dev\)' <<<"$out"; then
    echo "SELF-TEST: the compile check let <sys/stat.h> through a macro"
    missed=1
  fi
  # Clean files raise nothing; the game may use the system's C headers.
  if grep -qE 'g\.cpp|a\.cpp:2|j\.cpp' <<<"$out"; then
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
