#!/usr/bin/env bash
# Builds the project and runs every test suite: the release build with the
# unit, end-to-end and browser tests, its Linux packages, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, the unit, end-to-end and
# property tests under ThreadSanitizer, and the Windows build under Wine.
# Exits non-zero as soon as any of them fails.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n==== %s\n' "$*"; }

step "Browser suite prerequisites"
tools/browser-setup.sh

step "Release build and every test"
cmake --workflow --preset default

step "Linux packages: lintian on the .deb, the manual page in both packages"
tools/check-packages.sh

step "Debug build with AddressSanitizer and UndefinedBehaviorSanitizer, every test"
cmake --workflow --preset debug

step "Build with ThreadSanitizer: unit, end-to-end and property tests, the walk's threads started at once"
cmake --workflow --preset tsan

step "Windows build and the end-to-end suite under Wine"
tools/test-windows.sh

step "All suites passed"
