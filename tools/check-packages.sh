#!/usr/bin/env bash
# Builds the Linux packages from the default preset's build (which must be
# built first: cmake --workflow --preset default) and checks them: lintian
# reports no error on the .deb; the .deb holds the manual page where man finds
# it once installed, and man renders it without a warning; the .tar.gz holds
# the page too.
#
# lintian and man are the Debian packages lintian and man-db. Without one of
# them its check is skipped with a message; with CI=true that is a failure.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
  echo "check-packages: $*" >&2
  exit 1
}
# Whether a tool is there; when not, says which check is skipped, or fails
# under CI.
have() {
  command -v "$1" >/dev/null && return 0
  [ "${CI:-}" != true ] || fail "$1 is missing; install the Debian package $2"
  echo "check-packages: SKIPPED $3: $1 is missing (install the Debian package $2)"
  return 1
}

build=build/default
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
[ -n "$version" ] || fail "$build is not configured; run cmake --workflow --preset default first"

cpack --preset default
deb=$build/findlet_${version}_$(dpkg --print-architecture).deb
tgz=$build/findlet-$version-Linux.tar.gz
page=usr/share/man/man1/findlet.1.gz
[ -f "$deb" ] || fail "cpack made no $deb"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
[ -f "$unpacked/$page" ] || fail "$deb holds no $page"
listing=$(tar -tzf "$tgz")
grep -qx "findlet-$version-Linux/share/man/man1/findlet.1.gz" <<<"$listing" ||
  fail "$tgz holds no share/man/man1/findlet.1.gz"

if have lintian lintian "the lintian check of the .deb"; then
  lintian --fail-on error "$deb" || fail "lintian reports errors in $deb"
  echo "check-packages: lintian reports no error in $deb"
fi

if have man man-db "the manual page rendering"; then
  # man finds the page by name in the installed hierarchy.
  found=$(man -M "$unpacked/usr/share/man" -w findlet) || fail "man does not find findlet"
  [ "$found" = "$unpacked/$page" ] || fail "man findlet gives $found"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$unpacked/$page" 2>&1 >/dev/null) ||
    fail "man cannot render $page: $warnings"
  [ -z "$warnings" ] || fail "man warns about $page:"$'\n'"$warnings"
  echo "check-packages: man renders $page without a warning"
fi

echo "check-packages: the .deb and the .tar.gz hold the manual page"
