#!/usr/bin/env bash
# Renders templates/logo/findlet-logo.svg into the two JPEG logos that the page
# templates embed:
#   logo-light.jpg  white background,      72 x 72 dpi
#   logo-dark.jpg   near-black background, 300 x 300 dpi
# Both are 370 x 370 pixels, progressive, JFIF 1.01, 8-bit YCbCr (3 components).
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert.
set -euo pipefail

logo=$(cd "$(dirname "$0")/../templates/logo" && pwd)
size=370
quality=92

for tool in rsvg-convert convert; do
  command -v "$tool" >/dev/null || { echo "render-logo: $tool is needed" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# check FILE DPI: fails unless FILE starts with SOI and a JFIF 1.01 header in dots
# per inch at DPI x DPI, and is a progressive 370 x 370 picture of 3 components.
check() {
  local hex want
  hex=$(od -An -tx1 -N18 -v "$1" | tr -d ' \n')
  want=$(printf 'ffd8ffe000104a46494600010101%04x%04x' "$2" "$2")
  if [ "$hex" != "$want" ]; then
    echo "render-logo: $1: unexpected JFIF header $hex" >&2
    exit 1
  fi
  # SOF2 (progressive Huffman): FF C2, length 17, 8 bits, height, width, 3 components.
  # Bytes are compared as " xx" groups so that a match always starts on a byte.
  want=$(printf 'ffc2001108%04x%04x03' "$size" "$size" | sed 's/../ &/g')
  if ! od -An -tx1 -v "$1" | tr -s ' \n' '  ' | grep -q "$want"; then
    echo "render-logo: $1: no progressive ${size}x${size} 3-component frame header" >&2
    exit 1
  fi
}

# render NAME BACKGROUND DPI
render() {
  rsvg-convert --width "$size" --height "$size" --background-color "$2" \
    --output "$tmp/$1.png" "$logo/findlet-logo.svg"
  # -strip leaves only the JFIF header: no EXIF, no comment, no colour profile.
  convert "$tmp/$1.png" -alpha off -strip -colorspace sRGB -type TrueColor \
    -depth 8 -sampling-factor 2x2,1x1,1x1 -interlace JPEG -quality "$quality" \
    -units PixelsPerInch -density "$3" "$tmp/$1.jpg"
  check "$tmp/$1.jpg" "$3"
  mv "$tmp/$1.jpg" "$logo/$1.jpg"
  echo "wrote $logo/$1.jpg ($(wc -c <"$logo/$1.jpg") bytes)"
}

render logo-light '#FFFFFF' 72
render logo-dark '#08040F' 300
