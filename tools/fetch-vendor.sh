#!/usr/bin/env bash
# Fetches the web libraries that the page templates embed from the npm registry
# and checks them against templates/vendor/SHA256SUMS.
#
#   tools/fetch-vendor.sh            check the fetched files and the committed copies
#   tools/fetch-vendor.sh --replace  check the fetched files, then copy them (and the
#                                    licence texts) over the committed copies
#
# The manifest is never rewritten here: a different library version changes the
# page texts, so a new manifest is a deliberate, reviewed edit.
set -euo pipefail

BOOTSTRAP=bootstrap@3.4.1
JQUERY=jquery@3.5.1

repo=$(cd "$(dirname "$0")/.." && pwd)
vendor=$repo/templates/vendor
manifest=$vendor/SHA256SUMS

replace=0
case "${1:-}" in
  "") ;;
  --replace) replace=1 ;;
  *)
    echo "usage: $0 [--replace]" >&2
    exit 2
    ;;
esac

command -v npm >/dev/null || { echo "fetch-vendor: npm is needed" >&2; exit 1; }
command -v sha256sum >/dev/null || { echo "fetch-vendor: sha256sum is needed" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# npm pack downloads the release tarball without installing anything.
(cd "$tmp" && npm pack --silent "$BOOTSTRAP" "$JQUERY" >/dev/null)
mkdir "$tmp/bootstrap" "$tmp/jquery" "$tmp/files"
tar -xzf "$tmp"/bootstrap-*.tgz -C "$tmp/bootstrap"
tar -xzf "$tmp"/jquery-*.tgz -C "$tmp/jquery"

cp "$tmp/bootstrap/package/dist/css/bootstrap.min.css" "$tmp/files/"
cp "$tmp/bootstrap/package/dist/js/bootstrap.min.js" "$tmp/files/"
cp "$tmp/jquery/package/dist/jquery.min.js" "$tmp/files/"
cp "$tmp/bootstrap/package/LICENSE" "$tmp/files/LICENSE.bootstrap"
cp "$tmp/jquery/package/LICENSE.txt" "$tmp/files/LICENSE.jquery"

echo "fetched files:"
(cd "$tmp/files" && sha256sum --check --strict "$manifest")

if [ "$replace" -eq 1 ]; then
  cp "$tmp"/files/* "$vendor/"
  echo "replaced the files in $vendor"
fi

echo "committed files:"
(cd "$vendor" && sha256sum --check --strict SHA256SUMS)
for licence in LICENSE.bootstrap LICENSE.jquery; do
  if cmp -s "$tmp/files/$licence" "$vendor/$licence"; then
    echo "$licence: OK"
  else
    echo "$licence: differs from the package's licence text" >&2
    exit 1
  fi
done
