#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the window program from a build folder; without a display it says so and points to the
# command-line companion, which then prints today's list.
set -euo pipefail
build="${1:-build}"
gui="$build/ui/tessaroll"
cli="$build/cli/tessaroll-cli"

if [ -x "$gui" ]; then
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$gui"
  fi
  echo "No display to open the window on: use the command-line companion, $cli (try: $cli generate --help)."
  exit 0
fi
echo "Today's list (type your personal password, then Enter):"
exec "$cli" generate
