#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/menu-entry.png: a screenshot of the package's menu entry in an application launcher
# (rofi's application list) on a virtual display, with the entry's icon at 48 px. The launcher
# reads the desktop entry and the icon theme from the package itself, unpacked to a temporary
# folder, so the picture shows what the package installs.
# Usage: scripts/menu-entry-picture.sh [build folder]   (default: build; run make package first)
# Needs xvfb-run and import (scripts/packages/ui.txt) and rofi (apt-get install rofi).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
for tool in xvfb-run import rofi; do
  command -v "$tool" >/dev/null || {
    echo "menu-entry-picture: $tool is missing (rofi: apt-get install rofi)." >&2
    exit 1
  }
done
deb=$(ls "$build"/tessaroll_*.deb | head -n 1)
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/tree"
# The 48 px PNG, not the scalable drawing, is the picture to show at that size.
rm -r "$work/tree/usr/share/icons/hicolor/scalable"

cat >"$work/session.sh" <<'SESSION'
set -euo pipefail
work="$1"; out="$2"
# The hicolor theme's index and the file types come from the system; the entry and its icons from
# the package.
mkdir -p "$work/theme/icons/hicolor"
cp /usr/share/icons/hicolor/index.theme "$work/theme/icons/hicolor/"
ln -s /usr/share/mime "$work/theme/mime"
export XDG_DATA_DIRS="$work/tree/usr/share:$work/theme" XDG_DATA_HOME="$work/empty"
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
rofi -show drun -show-icons -filter Tessaroll -no-lazy-grab -font 'DejaVu Sans 12' \
  -theme-str 'window { width: 360px; location: northwest; anchor: northwest; }
              listview { lines: 1; }
              element-icon { size: 48px; }' &
pid=$!
sleep 3
import -window root -crop 360x84+0+0 "$out"
kill "$pid"
SESSION
xvfb-run -a -s "-screen 0 480x240x24" bash "$work/session.sh" "$work" "$root/docs/menu-entry.png"
echo "Wrote $root/docs/menu-entry.png from $(basename "$deb")"
