#!/usr/bin/env bash
# Installs what the browser suite in tests/browser needs and does not find:
# Debian's chromium and firefox-esr packages (when running as root), and the
# suite's npm packages exactly as its lock file gives them. Does nothing that
# is not needed.
set -euo pipefail

suite=$(cd "$(dirname "$0")/../tests/browser" && pwd)
chromium=${FINDLET_CHROMIUM:-/usr/bin/chromium}
firefox=${FINDLET_FIREFOX:-/usr/bin/firefox-esr}

# Each browser as: its path, the path the Debian package installs, the package.
browsers=("$chromium" /usr/bin/chromium chromium "$firefox" /usr/bin/firefox-esr firefox-esr)
packages=()
for ((i = 0; i < ${#browsers[@]}; i += 3)); do
  path=${browsers[i]} debian_path=${browsers[i + 1]} package=${browsers[i + 2]}
  [ -x "$path" ] && continue
  if [ "$path" = "$debian_path" ] && [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
    packages+=("$package")
  else
    echo "browser-setup: $package not found at $path; install the Debian package $package as root" >&2
    exit 1
  fi
done
if ((${#packages[@]} > 0)); then
  echo "browser-setup: installing ${packages[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${packages[@]}"
fi

for tool in node npm; do
  command -v "$tool" >/dev/null || { echo "browser-setup: $tool is needed" >&2; exit 1; }
done

# The installed packages match the lock file when every package it names is
# installed at the version it gives.
lock_is_installed() {
  (cd "$suite" && node --input-type=module -e '
    import fs from "node:fs";
    const lock = JSON.parse(fs.readFileSync("package-lock.json", "utf8"));
    for (const [where, entry] of Object.entries(lock.packages)) {
      if (where === "") continue;
      const file = `${where}/package.json`;
      if (!fs.existsSync(file) || JSON.parse(fs.readFileSync(file, "utf8")).version !== entry.version) process.exit(1);
    }')
}

if ! lock_is_installed; then
  echo "browser-setup: installing the suite's npm packages"
  (cd "$suite" && npm ci --ignore-scripts --no-audit --no-fund)
fi
echo "browser-setup: ready: chromium at $chromium, firefox-esr at $firefox, npm packages of $suite installed"
