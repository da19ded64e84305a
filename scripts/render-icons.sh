#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders packaging/icons/tessaroll.svg into the PNG sizes of the desktop's icon theme
# (packaging/icons/<size>/tessaroll.png), which are committed beside it. Run it after changing the
# drawing; it needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
icons="$(cd "$(dirname "$0")/../packaging/icons" && pwd)"
command -v rsvg-convert >/dev/null || {
  echo "render-icons: rsvg-convert is missing: apt-get install librsvg2-bin" >&2
  exit 1
}
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$icons/$size"
  rsvg-convert -w "$size" -h "$size" "$icons/tessaroll.svg" -o "$icons/$size/tessaroll.png"
done
echo "render-icons: wrote $(ls "$icons"/*/tessaroll.png | wc -l) PNG files under $icons"
