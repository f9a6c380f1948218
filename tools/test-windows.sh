#!/usr/bin/env bash
# The Windows part of the tests, headless: cross-builds findlet.exe (windows
# preset), checks that it imports only system DLLs, runs the end-to-end
# suite against it under Wine (wine preset: the native build, which registers
# its end-to-end cases a second time for findlet.exe), then builds the .zip
# and runs the findlet.exe it holds under Wine.
#
# Needs, as Debian packages: cmake ninja-build g++ libgtest-dev libgmock-dev
# g++-mingw-w64-x86-64-posix wine wine64. The Wine prefix is
# FINDLET_WINEPREFIX (default /tmp/findlet-wine), outside the source tree.
# Exits non-zero on the first failure; a skipped case counts as a failure.
set -euo pipefail
cd "$(dirname "$0")/.."

export FINDLET_WINEPREFIX="${FINDLET_WINEPREFIX:-/tmp/findlet-wine}"

step() { printf '\n==== %s\n' "$*"; }
fail() {
  echo "test-windows: $*" >&2
  exit 1
}

for tool in cmake ninja x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-objdump wine wineserver; do
  command -v "$tool" >/dev/null ||
    fail "$tool is missing; install g++-mingw-w64-x86-64-posix wine wine64 (apt-get)"
done

step "Windows cross build (windows preset)"
cmake --preset windows
cmake --build --preset windows
exe=build/windows/findlet.exe

step "findlet.exe imports only system DLLs"
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print $3 }' | sort | tr '\n' ' ')
echo "imports: $imports"
[ "$imports" = "KERNEL32.dll msvcrt.dll " ] || fail "unexpected DLL imports: $imports"

step "End-to-end suite under Wine (wine preset)"
cmake --preset wine -DFINDLET_WINEPREFIX="$FINDLET_WINEPREFIX"
cmake --build --preset wine
log=build/wine/wine-tests.log
tools/wine-env.sh ctest --preset wine -j2 </dev/null 2>&1 | tee "$log"
if grep -Eq '(\*\*\*Skipped|Not Run)' "$log"; then
  fail "cases were skipped or not run (see $log)"
fi

step "Windows package"
cpack --preset windows
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
package=findlet-$version-win64
zip=build/windows/$package.zip
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && cmake -E tar xf "$OLDPWD/$zip")
listing=$(cd "$unpacked" && find . -type f | sort | tr '\n' ' ')
expected=""
for file in LICENSE LICENSE.bootstrap LICENSE.jquery README.md THIRD-PARTY-NOTICES.md findlet.exe; do
  expected+="./$package/$file "
done
[ "$listing" = "$expected" ] || fail "unexpected contents of $zip: $listing"

step "The packaged findlet.exe under Wine, against the Linux build"
cp -r examples/demo "$unpacked/demo"
tools/wine-env.sh wine "$unpacked/$package/findlet.exe" "$unpacked/demo" \
  </dev/null >"$unpacked/windows.out"
mv "$unpacked/demo/search.html" "$unpacked/windows.html"
build/wine/findlet "$unpacked/demo" >"$unpacked/linux.out"
tr -d '\r' <"$unpacked/windows.out" | cmp - "$unpacked/linux.out" ||
  fail "console output differs from the Linux build's"
rows() { grep '^<tr><td><a href=' "$1" | sort; }
cmp <(rows "$unpacked/windows.html") <(rows "$unpacked/demo/search.html") ||
  fail "rows differ from the Linux build's"
[ -n "$(rows "$unpacked/windows.html")" ] || fail "the page lists no rows"
cat "$unpacked/linux.out"

step "Windows part passed"
