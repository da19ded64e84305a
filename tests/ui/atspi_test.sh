#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Both windows as a screen reader on Linux sees them, over AT-SPI: the window program runs on a
# virtual X display (Xvfb) in a D-Bus session of its own with its own accessibility bus, and
# atspi_check.py reads it with pyatspi, works it through AT-SPI actions and listens for the
# status line's announcements.
#
#   atspi_test.sh PROGRAM
#
# Exits 0 when every check passes, 1 when one fails or a tool is missing, and 77 (skipped) only
# when the D-Bus session or the accessibility bus cannot start here (for instance a container
# without the permissions dbus-daemon needs).
set -eu
program="$1"
here="$(cd "$(dirname "$0")" && pwd)"
python=/usr/bin/python3  # the system's, which has python3-pyatspi
launcher=/usr/libexec/at-spi-bus-launcher

for tool in Xvfb dbus-run-session dbus-send "$python" "$launcher"; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "atspi_test: $tool is missing; run scripts/install-deps.sh scripts/packages/ui.txt" >&2
    exit 1
  fi
done
if ! "$python" -c 'import pyatspi' 2>/dev/null; then
  echo "atspi_test: pyatspi is missing (Debian package python3-pyatspi)" >&2
  exit 1
fi

work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A display of its own: Xvfb picks a free number and writes it to the pipe.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r display <"$work/display" || true
if [ -z "${display:-}" ]; then
  echo "atspi_test: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$display"

cat >"$work/session.sh" <<'SESSION'
set -eu
program="$1"; work="$2"; python="$3"; launcher="$4"; check="$5"
"$launcher" --launch-immediately >"$work/bus.log" 2>&1 &
bus_pid=$!
tries=0
until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.a11y.Bus.GetAddress >/dev/null 2>&1; do
  tries=$((tries + 1))
  if [ "$tries" -ge 50 ] || ! kill -0 "$bus_pid" 2>/dev/null; then
    echo "atspi_test: the accessibility bus did not start; skipped" >&2
    cat "$work/bus.log" >&2
    exit 77
  fi
  sleep 0.2
done
# Qt's AT-SPI bridge on, whatever the desktop's setting; no desktop theme in the way.
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_QPA_PLATFORM=xcb \
  QT_QPA_PLATFORMTHEME= "$program" --dir "$work/files" >"$work/program.log" 2>&1 &
program_pid=$!
status=0
timeout 120 "$python" "$check" "$program_pid" "$work/files" || status=$?
kill "$program_pid" 2>/dev/null || true
kill "$bus_pid" 2>/dev/null || true
if [ "$status" -ne 0 ]; then
  echo "atspi_test: the program said:" >&2
  cat "$work/program.log" >&2
fi
exit "$status"
SESSION

mkdir "$work/files"
status=0
dbus-run-session -- sh "$work/session.sh" "$program" "$work" "$python" "$launcher" \
  "$here/atspi_check.py" || status=$?
if [ "$status" -eq 77 ]; then
  exit 77
fi
if [ "$status" -ne 0 ] && ! dbus-run-session -- true 2>/dev/null; then
  echo "atspi_test: no D-Bus session can start here; skipped" >&2
  exit 77
fi
exit "$status"
