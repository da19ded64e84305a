#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Pictures of both windows as a user sees them on a 1280 x 1024 screen with a window manager
# (openbox on Xvfb), at 100% and at 200% (QT_SCALE_FACTOR=2), worked from the keyboard with
# xdotool and captured with ImageMagick's import:
#   main-100.png, settings-100.png        a list of 12 passwords of 30 characters, a date that is
#                                         not in the calendar (31/2/2026) named in the status line
#   main-200.png, settings-200.png        the same at 200%
#   screen-200.png                        the whole screen at 200%: both windows on it
#   list-130x130.png, list-130x130-200.png  a list of 130 passwords of 130 characters
# Usage: scripts/acceptance-screenshots.sh [build folder] [picture folder]
#        (default: build, docs/acceptance)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
out="${2:-$root/docs/acceptance}"
gui="$build/ui/tessaroll"
for tool in Xvfb openbox xdotool import; do
  if ! command -v "$tool" >/dev/null; then
    echo "acceptance-screenshots: $tool is missing; run scripts/install-deps.sh first." >&2
    exit 1
  fi
done
if [ ! -x "$gui" ]; then
  echo "acceptance-screenshots: $gui does not exist; build first (make build)." >&2
  exit 1
fi
mkdir -p "$out"
out="$(cd "$out" && pwd)"

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
read -r display <"$work/display"
export DISPLAY=":$display"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# A pattern file of count and length, its positions alternating digit and letter.
pattern_file() {
  local folder="$1" count="$2" length="$3" k
  mkdir -p "$folder"
  printf ' %s  %s \r\n' "$count" "$length" >"$folder/pattern.tq"
  for ((k = 1; k <= length; k++)); do printf ' %s \r\n' $((k % 2)) >>"$folder/pattern.tq"; done
}

# Runs the program at a scale, types a password and a date, presses Generate, captures the main
# window as $3.png and, unless told not to, opens the settings window and captures it as $4.png.
session() {
  local scale="$1" folder="$2" main_png="$3" settings_png="${4:-}" day="${5:-31}" month="${6:-2}"
  QT_SCALE_FACTOR="$scale" QT_QPA_PLATFORM=xcb "$gui" --dir "$folder" >/dev/null 2>&1 &
  local pid=$!
  local main
  main="$(xdotool search --sync --onlyvisible --name '^Tessaroll$' | head -n 1)"
  sleep 1
  xdotool windowactivate --sync "$main"
  xdotool key --delay 60 Tab Tab              # Generate -> list -> personal password
  xdotool type --delay 30 'my secret'
  # Print is off before the first list, so Tab goes on to the day; each box's text is selected
  # with Home, Shift+End and typed over (Ctrl+A is the About page's key).
  local text
  for text in "$day" "$month" 2026; do
    xdotool key --delay 60 Tab Home shift+End
    xdotool type --delay 30 "$text"
  done
  xdotool key --delay 60 Tab Tab space         # Settings -> Generate, pressed
  sleep 1
  import -frame -window "$main" "$out/$main_png.png"
  if [ -n "$settings_png" ]; then
    xdotool key --delay 60 shift+Tab space     # Settings
    local settings
    settings="$(xdotool search --sync --onlyvisible --name '^Settings$' | head -n 1)"
    sleep 1
    xdotool windowactivate --sync "$settings"
    xdotool key --delay 60 Tab Tab Down Down   # count -> length -> position, then pick " 2"
    sleep 0.5
    import -frame -window "$settings" "$out/$settings_png.png"
    if [ "$scale" = 2 ]; then
      import -window root "$out/screen-200.png"
    fi
    xdotool windowactivate --sync "$main"
  fi
  xdotool key ctrl+e                           # Exit
  wait "$pid" || true
}

pattern_file "$work/twelve" 12 30
session 1 "$work/twelve" main-100 settings-100
session 2 "$work/twelve" main-200 settings-200
pattern_file "$work/long" 130 130
session 1 "$work/long" list-130x130 "" 7 12
session 2 "$work/long" list-130x130-200 "" 7 12
echo "acceptance-screenshots: pictures in $out"
ls "$out"
