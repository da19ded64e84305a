#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the main window and the settings window to docs/main-window.png and
# docs/settings-window.png: the program runs on a virtual X display (Xvfb), is worked from the
# keyboard like a user would (xdotool), and each window is captured with ImageMagick's import.
# Usage: scripts/screenshots.sh [build folder]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
gui="$build/ui/tessaroll"
for tool in xvfb-run xdotool import; do
  if ! command -v "$tool" >/dev/null; then
    echo "screenshots: $tool is missing; run scripts/install-deps.sh first." >&2
    exit 1
  fi
done
if [ ! -x "$gui" ]; then
  echo "screenshots: $gui does not exist; build first (make build)." >&2
  exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A stored count of 6 and length 12 with a few letter positions, so the settings window shows
# values and the list shows mixed passwords.
printf ' 6  12 \r\n' >"$work/pattern.tq"
for flag in 0 1 1 0 0 1 0 0 0 1 1 0; do printf ' %s \r\n' "$flag" >>"$work/pattern.tq"; done

cat >"$work/session.sh" <<'SESSION'
set -euo pipefail
gui="$1"; work="$2"; docs="$3"
"$gui" --dir "$work" &
pid=$!
main="$(xdotool search --sync --onlyvisible --name '^Tessaroll$' | head -n 1)"
sleep 1
xdotool windowfocus --sync "$main"
xdotool key --delay 80 Tab Tab            # Generate -> list -> personal password
xdotool type --delay 40 'my secret'
xdotool key --delay 80 shift+Tab shift+Tab space   # back to Generate and press it
sleep 1
import -window "$main" "$docs/main-window.png"
xdotool key --delay 80 shift+Tab space    # Settings
settings="$(xdotool search --sync --onlyvisible --name '^Settings$' | head -n 1)"
sleep 1
xdotool windowfocus --sync "$settings"
xdotool key --delay 80 Tab Tab Down Down  # count -> length -> position, then pick " 2"
sleep 0.5
import -window "$settings" "$docs/settings-window.png"
xdotool windowfocus --sync "$main"
xdotool key ctrl+e                        # Exit
wait "$pid"
SESSION
xvfb-run -a -s "-screen 0 800x500x24" bash "$work/session.sh" "$gui" "$work" "$root/docs"
echo "Wrote $root/docs/main-window.png and $root/docs/settings-window.png"
