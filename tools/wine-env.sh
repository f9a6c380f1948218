#!/usr/bin/env bash
# Runs Windows programs under Wine headless and non-interactively.
#
#   tools/wine-env.sh COMMAND [ARGS...]   start Wine, run COMMAND, stop Wine
#   tools/wine-env.sh --start             start Wine and leave it running
#   tools/wine-env.sh --stop              stop the Wine server of the prefix
#
# The prefix (about 0.7 GB) is FINDLET_WINEPREFIX, by default
# /tmp/findlet-wine, never inside the source tree; it is made on first use
# and kept for later runs. COMMAND inherits WINEPREFIX, WINEDEBUG,
# WINEDLLOVERRIDES and LANG, with no display.
#
# The Wine server and the services that wineboot starts are started here with
# their input and output on /dev/null. Started on demand by a program under
# test instead, they would inherit its pipes and keep them open for as long
# as they live, and CTest, which reads a test's output until the pipe closes,
# would wait for them.
set -euo pipefail

export WINEPREFIX="${FINDLET_WINEPREFIX:-/tmp/findlet-wine}"
export WINEDEBUG=-all
# No .NET or HTML engine: Wine would offer to install them.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Names are converted between UTF-8 and the Windows code page; under LANG=C
# Wine drops the high bit of every byte instead.
export LANG=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY LC_ALL

fail() {
  echo "wine-env: $*" >&2
  exit 1
}

start_wine() {
  command -v wine >/dev/null || fail "wine is not installed (apt-get install wine wine64)"
  command -v wineserver >/dev/null || fail "wineserver is not installed"
  case "$WINEPREFIX" in
    /*) ;;
    *) fail "FINDLET_WINEPREFIX must be an absolute path: $WINEPREFIX" ;;
  esac
  mkdir -p "$WINEPREFIX"
  # Status 2: a server for this prefix is running already, which serves as well.
  local status=0
  wineserver -p </dev/null >/dev/null 2>&1 || status=$?
  if [ "$status" -ne 0 ] && [ "$status" -ne 2 ]; then
    fail "wineserver -p failed with status $status"
  fi
  wine wineboot -i </dev/null >/dev/null 2>&1 || fail "wineboot failed in $WINEPREFIX"
}

stop_wine() {
  # Status 1: no server was running.
  wineserver -k </dev/null >/dev/null 2>&1 || true
}

case "${1:-}" in
  --start)
    start_wine
    ;;
  --stop)
    stop_wine
    ;;
  "" | -h | --help)
    sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'
    [ -n "${1:-}" ]
    ;;
  *)
    trap stop_wine EXIT
    start_wine
    "$@"
    ;;
esac
