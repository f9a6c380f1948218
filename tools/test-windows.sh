#!/usr/bin/env bash
# The Windows part of the tests, headless: cross-builds findlet.exe (windows
# preset), checks that it imports only system DLLs and carries its
# application manifest, runs the end-to-end suite against it under Wine (wine
# preset: the native build, which registers its end-to-end cases a second
# time for findlet.exe), then builds the .zip and runs the findlet.exe it
# holds under Wine, on names in several scripts and with a Wine console, on
# which it must show them as they are.
#
# Needs, as Debian packages: cmake ninja-build g++ libgtest-dev libgmock-dev
# g++-mingw-w64-x86-64-posix wine wine64 (and script, from util-linux, for
# the console). The Wine prefix is
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

for tool in cmake ninja x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-objdump \
  x86_64-w64-mingw32-windres wine wineserver script; do
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

# The manifest is resource 1 of type 24 (RT_MANIFEST); windres dumps an
# executable's resources in .rc form, each line of text as a quoted string.
check_manifest() {
  local resources
  resources=$(x86_64-w64-mingw32-windres -J coff -O rc -i "$1")
  grep -q '^1 24 ' <<<"$resources" || fail "$1 has no application manifest (resource 1 24)"
  grep -q 'requestedExecutionLevel level=""asInvoker""' <<<"$resources" ||
    fail "the manifest of $1 does not ask to run as the invoking user"
}
step "findlet.exe carries its manifest"
check_manifest "$exe"

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

check_manifest "$unpacked/$package/findlet.exe"

step "The packaged findlet.exe under Wine, against the Linux build"
cp -r examples/demo "$unpacked/demo"
# Names in other scripts reach findlet.exe through the wide calls, and read as
# on Linux.
mkdir "$unpacked/demo/Ünïcödé"
touch "$unpacked/demo/日本語.pdf" "$unpacked/demo/Beyoncé - Halo.mp3" "$unpacked/demo/Ünïcödé/café.txt"
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

step "Console output in UTF-16, with a Wine console"
# With standard output on a console (a pseudo-terminal here) a run writes its
# text with WriteConsoleW, so that names show whatever the console's code page
# (437 under Wine), and never changes that code page. Wine's console draws the
# screen on the terminal in UTF-8, with escape sequences (removed here)
# between the characters. With standard output on a pipe the text stays with
# the C runtime (its bytes are compared with the Linux build's above).
relay=$unpacked/relay.log
shown=$unpacked/console.out
folder="$unpacked/demo/Café 日本語"
mkdir "$folder"
tools/wine-env.sh script -qec \
  "WINEDEBUG=+relay wine '$unpacked/$package/findlet.exe' '$folder' 2>'$relay'" /dev/null \
  </dev/null >"$shown"
sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$shown" | tr -d '\r' | grep -a "$folder" ||
  fail "the console does not show the folder's name as it is"
grep -aq 'Call KERNEL32.WriteConsoleW(' "$relay" || fail "no WriteConsoleW with a console"
! grep -aq 'Call KERNEL32.SetConsoleOutputCP(' "$relay" || fail "the console's code page was changed"
tools/wine-env.sh script -qec \
  "WINEDEBUG=+relay wine '$unpacked/$package/findlet.exe' '$folder' 2>'$relay' | cat" \
  /dev/null </dev/null >/dev/null
! grep -aq 'Call KERNEL32.WriteConsoleW(' "$relay" || fail "WriteConsoleW with standard output on a pipe"

step "Windows part passed"
