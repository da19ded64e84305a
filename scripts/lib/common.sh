# SPDX-License-Identifier: GPL-3.0-or-later
# Messages, failure and stage times, shared by the scripts. Source it after setting
# tessaroll_script to the name the messages start with (default: the script's file name):
#
#   say TEXT...        prints "NAME: TEXT" on standard output
#   die TEXT...        prints "NAME: FAILED: TEXT" on standard error and exits with 1
#   stage_done TEXT    prints "NAME: TEXT (N s)", N the seconds since the last stage ended
#   elapsed            prints the seconds since the script started, as "N s"
#   root               the source folder (set when sourced)

tessaroll_script=${tessaroll_script:-$(basename "$0" .sh)}
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
tessaroll_started=$(date +%s)
tessaroll_stage_started=$tessaroll_started

say() { printf '%s: %s\n' "$tessaroll_script" "$*"; }
die() {
    printf '%s: FAILED: %s\n' "$tessaroll_script" "$*" >&2
    exit 1
}
stage_done() {
    local now
    now=$(date +%s)
    say "$1 ($((now - tessaroll_stage_started)) s)"
    tessaroll_stage_started=$now
}
elapsed() { echo "$(($(date +%s) - tessaroll_started)) s"; }
