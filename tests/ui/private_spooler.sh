# SPDX-License-Identifier: GPL-3.0-or-later
# A private CUPS scheduler with one PDF queue, for the print tests (sourced by
# print_spooler_test.sh and scripts/test-windows-gui.sh). It has its own configuration, spool
# and socket in a temporary folder, so it leaves any system spooler alone; its queue is a
# "Generic PDF Printer" whose device is a file in that folder, and it is the default printer.
#
#   spooler_start QUEUE     starts it (as root: the scheduler needs root to run its filters);
#                           sets base (the folder) and printed (the PDF the queue writes), and
#                           points every CUPS client started afterwards at it
#   wait_for_jobs N         waits until N jobs are completed and none is left to do
#   check_lines LIST TEXT [broken]
#                           checks that the non-empty lines of the list file LIST are lines of
#                           the printed text TEXT, in order
#   spooler_stop            stops the scheduler (the caller's exit status is kept); on failure
#                           shows the end of its log; removes the folder
# The caller traps EXIT with spooler_stop.

cupsd_pid=
base=
spooler_stop() {
    status=$?
    if [ -n "$cupsd_pid" ]; then
        kill "$cupsd_pid" 2>/dev/null || true
        wait "$cupsd_pid" 2>/dev/null || true
    fi
    if [ "$status" -ne 0 ] && [ -f "$base/log/error_log" ]; then
        echo "--- scheduler log ---" >&2
        tail -n 40 "$base/log/error_log" >&2
    fi
    [ -z "$base" ] || rm -rf "$base"
    exit "$status"
}

spooler_start() {
    queue=$1
    base=$(mktemp -d /tmp/tessaroll-cups.XXXXXX)
    # The filters run as the user lp: it must reach the spool and temporary folders.
    chmod 755 "$base"
    mkdir -p "$base/etc/ppd" "$base/spool/tmp" "$base/cache" "$base/run" "$base/log" \
        "$base/out" "$base/home" "$base/program"
    chown root:lp "$base/spool" "$base/spool/tmp"
    chmod 0710 "$base/spool"
    chmod 1770 "$base/spool/tmp"

    cat >"$base/etc/cupsd.conf" <<EOF
Listen $base/run/cups.sock
LogLevel info
Browsing Off
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
EOF
    cat >"$base/etc/cups-files.conf" <<EOF
FileDevice Yes
ServerRoot $base/etc
RequestRoot $base/spool
TempDir $base/spool/tmp
CacheDir $base/cache
StateDir $base/run
ServerBin /usr/lib/cups
DataDir /usr/share/cups
AccessLog $base/log/access_log
ErrorLog $base/log/error_log
PageLog $base/log/page_log
Printcap $base/run/printcap
User lp
Group lp
SystemGroup root
EOF

    # Every client started from here on talks to this scheduler only.
    export CUPS_SERVER="$base/run/cups.sock"
    export CUPS_SERVERROOT="$base/etc"
    export HOME="$base/home"
    unset PRINTER LPDEST 2>/dev/null || true

    cupsd -f -c "$base/etc/cupsd.conf" -s "$base/etc/cups-files.conf" &
    cupsd_pid=$!

    waited=0
    until lpstat -r 2>/dev/null | grep -q "is running"; do
        waited=$((waited + 1))
        if [ "$waited" -gt 100 ]; then
            echo "private spooler: the scheduler did not start" >&2
            exit 1
        fi
        sleep 0.1
    done

    model=$(lpinfo -m | awk '/Generic PDF Printer/ { print $1; exit }')
    if [ -z "$model" ]; then
        echo "private spooler: no Generic PDF Printer driver (cups-filters)" >&2
        exit 1
    fi
    printed="$base/out/printed.pdf"
    lpadmin -p "$queue" -E -v "file://$printed" -m "$model" 2>/dev/null
    lpadmin -d "$queue"
    lpstat -d | grep -q "$queue"
}

# Waits until the scheduler has completed $1 jobs and has none left to do.
wait_for_jobs() {
    waited=0
    while :; do
        done_jobs=$(lpstat -W completed -o "$queue" | wc -l)
        open_jobs=$(lpstat -o "$queue" | wc -l)
        if [ "$done_jobs" -ge "$1" ] && [ "$open_jobs" -eq 0 ] && [ -s "$printed" ]; then
            return 0
        fi
        waited=$((waited + 1))
        if [ "$waited" -gt 600 ]; then
            echo "private spooler: job $1 did not complete" >&2
            lpstat -W all -o "$queue" >&2 || true
            exit 1
        fi
        sleep 0.1
    done
}

# Checks that every non-empty line of the list file ($1) is a line of the printed text ($2),
# in the same order; with a third argument, long lines may be broken over printed lines.
check_lines() {
    python3 - "$@" <<'EOF'
import sys

listed = open(sys.argv[1], "rb").read().decode("cp1252").split("\r\n")
printed = [l.strip() for l in open(sys.argv[2], encoding="utf-8").read().split("\n")]
printed = [l for l in printed if l]
broken = len(sys.argv) > 3
at = 0
for line in listed:
    line = line.strip()
    if not line:
        continue
    if broken:
        # A line wider than the page goes on in the next printed lines; blanks at the
        # breaks do not survive text extraction, so they are left out of the comparison.
        want = "".join(line.split())
        joined = ""
        while at < len(printed) and joined != want:
            piece = "".join(printed[at].split())
            if not want.startswith(joined + piece):
                break
            joined += piece
            at += 1
        ok = joined == want
    else:
        while at < len(printed) and printed[at] != line:
            at += 1
        ok = at < len(printed)
        at += 1
    if not ok:
        sys.exit("missing from the printout, or out of order: %r\nprinted:\n%s"
                 % (line, "\n".join(printed)))
EOF
}

