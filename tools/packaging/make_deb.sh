#!/usr/bin/env bash
# Builds the Debian package from a clean copy of the source tree (the files git knows, committed or not,
# without any build folder), then runs lintian on it. Usage: make_deb.sh OUTDIR
# The .deb, .buildinfo and .changes land in OUTDIR; the lintian report in OUTDIR/lintian.txt.
# DEB_BUILD_OPTIONS=nocheck (the default here: `make test` runs the same suites) skips the tests.
set -euo pipefail
cd "$(dirname "$0")/../.."
out=$(realpath -m "${1:?usage: make_deb.sh OUTDIR}")
version=$(dpkg-parsechangelog -S Version)
src="$out/lanternfall-$version"
rm -rf "$src"
mkdir -p "$src"
if git rev-parse --git-dir >/dev/null 2>&1; then
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar --null -T - -cf - | tar -C "$src" -xf -
else
  tar --exclude='./build*' --exclude='./obj-*' -cf - . | tar -C "$src" -xf -
fi

export DEB_BUILD_OPTIONS=${DEB_BUILD_OPTIONS-nocheck}
profiles=()
case " $DEB_BUILD_OPTIONS " in *" nocheck "*) profiles=(-Pnocheck) ;; esac
start=$SECONDS
(cd "$src" && dpkg-buildpackage -us -uc -b "${profiles[@]}")
echo "make_deb: package built in $((SECONDS - start)) s"
rm -rf "$src"

deb=$(ls -t "$out"/lanternfall_"$version"_*.deb | head -1)
changes=$(ls -t "$out"/lanternfall_"$version"_*.changes | head -1)
start=$SECONDS
# lintian fails this on any error; warnings and notes are listed too, for a reviewer.
lintian --info --display-info "$changes" | tee "$out/lintian.txt"
echo "make_deb: no lintian error ($((SECONDS - start)) s); packages beside $deb"
