# SPDX-License-Identifier: GPL-3.0-or-later
# A virtual X display for the checks that work a window program from the keyboard (xdotool).
# Source it; then
#
#   xvfb_start FOLDER SCREEN   starts Xvfb on a free display with a screen of SCREEN (1024x768x24),
#                              its log and display number in FOLDER; exports DISPLAY and sets
#                              xvfb_pid; says why on standard error and returns 1 when it did not
#                              start within 30 s
#   xvfb_stop                  ends it
#   wait_window TITLE SECONDS  waits for a visible window whose title is exactly TITLE; prints its
#                              id, or returns 1 when none appeared in time
#   keys KEY...                presses keys, 60 ms apart

xvfb_pid=

# Xvfb writes the display number, once it takes connections, into a file (a pipe from a process
# substitution lost the number now and then).
xvfb_start() {
    local folder=$1 number=
    Xvfb -displayfd 3 -screen 0 "$2" -nolisten tcp 3>"$folder/xvfb-display.txt" \
        >"$folder/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 300); do
        number=$(tr -dc '0-9' <"$folder/xvfb-display.txt" 2>/dev/null || true)
        [ -n "$number" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$number" ]; then
        echo "Xvfb did not start within 30 s: $(cat "$folder/xvfb.log")" >&2
        return 1
    fi
    export DISPLAY=":$number"
}

xvfb_stop() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    fi
}

wait_window() {
    local id
    for _ in $(seq $(($2 * 5))); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    return 1
}

keys() { xdotool key --delay 60 "$@"; }
