#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows window program under Wine (after scripts/windows-gui.sh has built it):
#
#   1. the window tests (Qt Test) on the offscreen platform;
#   2. the portable zip in a fresh Wine prefix, with no DLL on the path but the zip's: the CLI's
#      self-test, and the window program started twice: We Pay opened; a list made, which must
#      land in the zip's folder, and Exit chosen. Every DLL the zip holds must have been loaded,
#      and nothing from outside the zip but Windows' own;
#   3. the zip's tessaroll.exe on the windows platform under Xvfb, worked from the keyboard as a
#      user would (xdotool) for three personal passwords, one of them with characters that
#      Windows-1252 lacks: type the password and a date, Generate, Exit. output.txt must hold the
#      Linux CLI's list for the same input (with --code-page 1252, the code page of this Wine) in
#      CR LF lines, and pattern.tq what the Linux CLI writes for the same settings. Its time stamp
#      must read as the one the zip's tessaroll-cli.exe writes in the same Wine. The first run
#      also prints, through Wine, on a private CUPS queue (tests/ui/private_spooler.sh), and the
#      text of the PDF must hold the lines of output.txt; the second one starts from a stored
#      pattern and takes the screenshots of both windows; the third one is a German user's, whose
#      time stamp must then read otherwise than the first two.
#
# Usage: scripts/test-windows-gui.sh [--screenshots-to-docs]
# Environment: WINDOWS_BUILD (default build-windows), BUILD (the Linux build, default build).
# Stages print their times. Exit status 0 when every check passed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

out="$(realpath -m "${WINDOWS_BUILD:-build-windows}")"
build="$out/gui"
work="$out/gui-check"
host=x86_64-w64-mingw32
started=$(date +%s)
stage_started=$started
docs=
[ "${1:-}" != --screenshots-to-docs ] || docs="$root/docs"

say() { printf 'test-windows-gui: %s\n' "$*"; }
die() {
    say "FAILED: $*" >&2
    if [ -n "${DISPLAY:-}" ] && import -window root "$work/failure.png" 2>/dev/null; then
        say "the screen at that moment: $work/failure.png" >&2
    fi
    exit 1
}
stage_done() {
    local now
    now=$(date +%s)
    say "$1 ($((now - stage_started)) s)"
    stage_started=$now
}
# A Unix path as Wine's drive Z: sees it.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
zip_file="$out/tessaroll-$version-windows-x64.zip"
[ -n "$version" ] && [ -f "$zip_file" ] || die "no Windows build in $build; run make windows-gui first"
qt=$(scripts/build-qt-windows.sh --where) || die "no Qt for Windows"
gcc_dlls=$(dirname "$($host-g++-posix -print-file-name=libstdc++-6.dll)")

# The Linux CLI gives the reference lists.
linux_cli="$root/${BUILD:-build}/cli/tessaroll-cli"
if [ ! -x "$linux_cli" ]; then
    linux_cli="$root/build-windows-native/cli/tessaroll-cli"
    if [ ! -x "$linux_cli" ]; then
        say "no Linux CLI in ${BUILD:-build}; building one in build-windows-native"
        cmake -S "$root" -B "$root/build-windows-native" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DTESSAROLL_BUILD_UI=OFF -DTESSAROLL_BUILD_TESTS=OFF -DTESSAROLL_BUILD_BENCH=OFF >/dev/null
        nice -n 10 cmake --build "$root/build-windows-native" --target tessaroll-cli
    fi
fi

rm -rf "$work"
mkdir -p "$work"

# --- Wine ----------------------------------------------------------------------------------------
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
export WINEARCH=win64 WINEDEBUG=-all
# No Mono and no Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
# An English (United States) Windows, whose ANSI code page is 1252.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset WAYLAND_DISPLAY
# Wine hands QT_* variables to Windows programs only under the names WINEQT_*.
export WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu'

xvfb_pid=
spooler_running=
stop_all() {
    local status=$?
    for prefix in "$out/wine-gui" "$work/fresh-prefix"; do
        [ ! -d "$prefix" ] || WINEPREFIX="$prefix" "$wineserver" -k 2>/dev/null || true
    done
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    if [ -n "$spooler_running" ]; then
        set +e
        (exit "$status")
        spooler_stop # exits with the status it is entered with
    fi
    exit "$status"
}
trap stop_all EXIT
trap 'exit 1' INT TERM HUP

new_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        "$wine" wineboot --init >/dev/null 2>&1
        "$wineserver" -w
    fi
    "$wineserver" -p 2>/dev/null || true # already running is fine
    # A program that crashes writes its backtrace to its log instead of waiting in a dialog.
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    # Windows has Courier New as a TrueType font. Wine stands in a font of this machine for it,
    # by default an OpenType one with PostScript outlines (from the print filters' packages),
    # which Wine's PostScript printer driver cannot embed: it crashes in its Type 42 code.
    local font
    for font in "Courier New" "Courier" "Lucida Console" "Consolas"; do
        "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ \
            /d 'DejaVu Sans Mono' /f >/dev/null 2>&1
    done
}

# --- Xvfb ----------------------------------------------------------------------------------------
# Xvfb picks a free display and writes its number, once it takes connections, into a file (a
# pipe from a process substitution lost the number now and then).
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/xvfb-display.txt" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display_number=
for _ in $(seq 300); do
    display_number=$(tr -dc '0-9' <"$work/xvfb-display.txt" 2>/dev/null || true)
    [ -n "$display_number" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$display_number" ] || die "Xvfb did not start within 30 s: $(cat "$work/xvfb.log")"
export DISPLAY=":$display_number"

# --- 1. The window tests ---------------------------------------------------------------------------
export WINEPREFIX="$out/wine-gui"
# The private print queue first, so that Wine finds it as its default printer.
if [ "$(id -u)" -eq 0 ]; then
    . "$root/tests/ui/private_spooler.sh"
    spooler_start TessarollTest
    spooler_running=1
    spool_base=$base
else
    say "not root: the printout through Wine is left out (a print spooler needs root)"
fi
new_prefix
"$wine" reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP >"$work/code-page.txt" 2>/dev/null
acp=$(awk '$1 == "ACP" { print $3 }' "$work/code-page.txt" | tr -d '\r')
[ "$acp" = 1252 ] || die "the Wine prefix has the ANSI code page '$acp', the checks need 1252"
stage_done "Wine prefix $WINEPREFIX ready ($($wine --version), ANSI code page $acp)"

passed=0 failed=0 skipped=0
test_path="$(winpath "$qt/bin");$(winpath "$gcc_dlls");$(winpath "/usr/$host/lib")"
for exe in "$build"/tests/ui/*_test.exe; do
    name=$(basename "$exe" .exe)
    result="$work/$name.txt"
    (cd "$build/tests/ui" && WINEPATH="$test_path" timeout 600 "$wine" "$exe" -platform offscreen \
        -o "$(winpath "$result"),txt" >/dev/null 2>&1) && status=0 || status=$?
    totals=$(tr -d '\r' <"$result" 2>/dev/null | sed -n 's/^Totals: //p')
    if [ -z "$totals" ]; then
        say "$name: no result (exit status $status)"
        failed=$((failed + 1))
        continue
    fi
    read -r p f s < <(sed -E 's/^([0-9]+) passed, ([0-9]+) failed, ([0-9]+) skipped.*/\1 \2 \3/' <<<"$totals")
    passed=$((passed + p)) failed=$((failed + f)) skipped=$((skipped + s))
    say "$name: $totals"
    if [ "$f" -ne 0 ] || [ "$status" -ne 0 ]; then
        grep -E '^(FAIL!|   Loc:|   Actual|   Expected)' "$result" | tr -d '\r' | head -n 20 >&2 || true
        [ "$f" -ne 0 ] || failed=$((failed + 1))
    fi
done
stage_done "window tests under Wine: $passed passed, $failed failed, $skipped skipped"

# Waits up to $2 seconds for a visible window whose title is exactly $1; prints its id.
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
# Waits up to $2 seconds for process $1 to end; returns its exit status, or 124.
wait_process() {
    for _ in $(seq $(($2 * 5))); do
        if ! kill -0 "$1" 2>/dev/null; then
            wait "$1"
            return
        fi
        sleep 0.2
    done
    return 124
}
keys() { xdotool key --delay 60 "$@"; }
# Replaces the text of the focused box, without Ctrl+A, which is the About accelerator there.
retype() {
    keys End shift+Home
    xdotool type --delay 40 "$1"
}

# --- 2. The zip in a fresh Wine prefix ---------------------------------------------------------
fresh="$work/fresh"
mkdir -p "$fresh"
unzip -q "$zip_file" -d "$fresh"
app="$fresh/tessaroll-$version-windows-x64"
(
    export WINEPREFIX="$work/fresh-prefix" WINEPATH= WINEDEBUG=+loaddll
    new_prefix
    cd "$app"
    "$wine" tessaroll-cli.exe self-test >"$work/fresh-self-test.txt" 2>"$work/fresh-loaddll-cli.txt" || {
        cat "$work/fresh-self-test.txt" >&2
        die "tessaroll-cli.exe self-test failed in a fresh prefix"
    }
    tr -d '\r' <"$work/fresh-self-test.txt" | grep -E '^([0-9]+) of \1 vectors agree' >/dev/null ||
        die "tessaroll-cli.exe self-test: $(cat "$work/fresh-self-test.txt")"
    # We Pay shows the zip's we-pay.htm in the help window. That window then covers the main
    # window, which takes no keys again without a window manager, so this first start is ended
    # from outside.
    "$wine" tessaroll.exe 2>"$work/fresh-loaddll-help.txt" &
    gui=$!
    main=$(wait_window Tessaroll 60) || die "tessaroll.exe from the zip showed no main window"
    xdotool windowfocus --sync "$main"
    keys ctrl+p
    wait_window About 30 >/dev/null || die "We Pay (Ctrl+P) opened no help window"
    sleep 3
    "$wineserver" -k
    wait "$gui" 2>/dev/null || true
    "$wineserver" -p
    # The second start makes a list for today, which a portable copy writes into its own
    # folder, and ends with Exit.
    "$wine" tessaroll.exe 2>"$work/fresh-loaddll.txt" &
    gui=$!
    main=$(wait_window Tessaroll 60) || die "tessaroll.exe from the zip showed no main window"
    xdotool windowfocus --sync "$main"
    sleep 0.5
    keys Tab Tab                       # Generate -> list -> personal password
    xdotool type --delay 60 zip
    keys shift+Tab shift+Tab space     # back to Generate
    for _ in $(seq 100); do
        [ ! -s "$app/output.txt" ] || break
        sleep 0.2
    done
    keys ctrl+e
    wait_process "$gui" 30 || die "tessaroll.exe from the zip did not end on Exit (Ctrl+E)"
    "$wineserver" -k
)
[ -s "$app/output.txt" ] || die "tessaroll.exe from the zip wrote no output.txt into its own folder"
# Every DLL from the zip was loaded, and nothing else but Windows' own.
python3 - "$app" "$work"/fresh-loaddll*.txt <<'EOF' || die "the zip's DLLs are not the ones the programs load"
import pathlib, re, sys
app = pathlib.Path(sys.argv[1])
shipped = {str(p.relative_to(app)).lower() for p in app.rglob("*.dll")}
loaded, foreign = set(), set()
for log in sys.argv[2:]:
    for m in re.finditer(r'Loaded L"([^"]+)" at \S+: (native|builtin)', open(log, errors="replace").read()):
        path, kind = m.group(1).replace("\\\\", "\\"), m.group(2)
        unix = path.replace("\\", "/")
        if unix.lower().startswith("z:" + str(app).lower() + "/"):
            loaded.add(unix[len("z:") + len(str(app)) + 1:].lower())
        elif kind == "native" and not re.match(r"(?i)c:/windows/", unix):
            foreign.add(path)
missing = sorted(shipped - loaded)
print("loaded from the zip: %d DLLs; shipped but never loaded: %s; loaded from elsewhere: %s"
      % (len(loaded & shipped), missing or "none", sorted(foreign) or "none"))
sys.exit(1 if missing or foreign else 0)
EOF
stage_done "zip checked in a fresh Wine prefix: self-test '$(tr -d '\r' <"$work/fresh-self-test.txt" | head -n 1)', every shipped DLL loaded"

# --- 3. Worked from the keyboard ------------------------------------------------------------------
export WINEPREFIX="$out/wine-gui"
"$wineserver" -p 2>/dev/null || true
# A second user locale: German (Germany), whose ANSI code page is 1252 as well. Wine takes the
# user's locale from the Unix one, which glibc finds here through LOCPATH; the machine's own
# locales stay as they are.
mkdir -p "$work/locale"
localedef -i de_DE -f UTF-8 "$work/locale/de_DE.UTF-8" 2>"$work/localedef.log" ||
    die "localedef could not make the German locale: $(cat "$work/localedef.log")"

# One run: personal password, day, month, year, stored pattern (count length letters, or none),
# Unix locale of the user (default: that of the prefix, English (United States)).
runs=0
first_stamp_form=
keyboard_run() {
    local n=$1 password=$2 day=$3 month=$4 year=$5 stored=${6:-} locale=${7:-}
    local dir="$work/run$n" expected="$work/run$n-linux" companion="$work/run$n-cli"
    local as_user=(env)
    [ -z "$locale" ] || as_user=(env LOCPATH="$work/locale" LANG="$locale" LC_ALL="$locale")
    mkdir -p "$dir" "$expected" "$companion"
    local count=4 length=10 pattern=dddddddddd
    if [ -n "$stored" ]; then
        read -r count length pattern <<<"$stored"
        "$linux_cli" pattern set --count "$count" --length "$length" --pattern "$pattern" \
            --pattern-file "$dir/pattern.tq" >/dev/null
    fi
    "${as_user[@]}" "$wine" "$app/tessaroll.exe" --dir "$(winpath "$dir")" >"$work/run$n.log" 2>&1 &
    local gui=$! main
    main=$(wait_window Tessaroll 60) || die "run $n: no main window"
    xdotool windowfocus --sync "$main"
    sleep 0.5
    keys Tab Tab                       # Generate -> list -> personal password
    if LC_ALL=C grep -q '[^ -~]' <<<"$password"; then
        # X key events cannot carry characters beyond Latin-1 into Wine; these are entered as
        # Windows' input methods do (type_text_windows.exe).
        "${as_user[@]}" WINEPATH="$test_path" "$wine" "$build/tests/ui/type_text_windows.exe" "$password" ||
            die "run $n: could not type the personal password"
    else
        xdotool type --delay 60 "$password"
    fi
    keys Tab                           # Print is disabled: the day box
    retype "$day"
    keys Tab
    retype "$month"
    keys Tab
    retype "$year"
    keys Tab Tab                       # Settings, then round to Generate
    keys space
    for _ in $(seq 100); do
        [ ! -s "$dir/output.txt" ] || break
        sleep 0.2
    done
    [ -s "$dir/output.txt" ] || die "run $n: Generate wrote no output.txt"
    if [ "$n" -eq 1 ] && [ -n "$spooler_running" ]; then
        keys Tab Tab Tab space         # list -> personal password -> Print
        wait_for_jobs 1
        pdftotext -layout "$printed" "$work/printed.txt"
        check_lines "$dir/output.txt" "$work/printed.txt" || die "run 1: the printout is not output.txt"
        cp "$printed" "$work/printed.pdf"
        say "run 1: printed through Wine on the CUPS queue; the PDF's text holds every line of output.txt"
    fi
    if [ "$n" -eq 2 ]; then
        import -window "$main" "$work/windows-main-window.png"
        keys shift+Tab space           # Settings
        local settings
        settings=$(wait_window Settings 30) || die "run 2: Settings opened no window"
        sleep 1
        import -window "$settings" "$work/windows-settings-window.png"
        # Without a window manager, Wine moves the active window only on a click: one on an
        # empty spot of the main window, between the password and the list.
        xdotool mousemove --window "$main" 150 75 click 1
        sleep 0.5
    fi
    if [ "$n" -eq 3 ]; then
        keys Tab Tab                   # Exit from inside the personal password box
    fi
    keys ctrl+e
    wait_process "$gui" 30 || die "run $n: the program did not end on Exit (Ctrl+E)"

    # The reference: the Linux CLI with the same input, converted as this Windows converts it.
    local cli_args=(generate --day "$day" --month "$month" --year "$year" --count "$count"
        --length "$length" --pattern "$pattern" --output-dir "$expected" --code-page 1252)
    printf '%s\n' "$password" | "$linux_cli" "${cli_args[@]}" >/dev/null ||
        die "run $n: the Linux CLI refused the input"
    "$linux_cli" pattern set --count "$count" --length "$length" --pattern "$pattern" \
        --pattern-file "$expected/pattern.tq" >/dev/null
    # The time stamp as the zip's companion writes it for the same user (its list does not
    # matter). Output goes to files: the first Windows program of a run starts Wine's helper
    # processes, which keep its handles open.
    printf 'stamp\n' >"$companion/password.txt"
    "${as_user[@]}" "$wine" "$app/tessaroll-cli.exe" generate --day "$day" --month "$month" \
        --year "$year" --output-dir "$(winpath "$companion")" <"$companion/password.txt" \
        >"$companion/messages.txt" 2>&1 ||
        die "run $n: tessaroll-cli.exe failed: $(cat "$companion/messages.txt")"
    python3 - "$dir" "$expected" "$companion" "$n" "${locale:+$first_stamp_form}" >"$work/run$n-check.txt" <<'EOF' ||
import re, sys
win, lin, companion, n, first_form = sys.argv[1:6]
w = open(win + "/output.txt", "rb").read()
l = open(lin + "/output.txt", "rb").read()
def body(data):
    # Everything but the time stamp, which tells when the list was made.
    return data[: data.rindex(b"Generated on ")]
def stamp(data):
    return data[data.rindex(b"Generated on ") + len(b"Generated on "):].decode("cp1252").strip()
def form(text):
    # The order of date and time, the separators, a day period: the figures change from run to
    # run, and so does their number (9:59, 10:00).
    return re.sub(r"[0-9]+", "9", text)
ok = True
if not w.endswith(b"\r\n") or w.count(b"\n") != w.count(b"\r\n"):
    print("run %s: output.txt has lines that do not end in CR LF" % n); ok = False
if body(w) != body(l):
    print("run %s: output.txt differs from the Linux CLI's:\n%r\n%r" % (n, body(w), body(l))); ok = False
if open(win + "/pattern.tq", "rb").read() != open(lin + "/pattern.tq", "rb").read():
    print("run %s: pattern.tq differs from the Linux CLI's" % n); ok = False
mine, companion_stamp = stamp(w), stamp(open(companion + "/output.txt", "rb").read())
if form(mine) != form(companion_stamp):
    print('run %s: the time stamp reads "%s", tessaroll-cli.exe\'s "%s"' % (n, mine, companion_stamp))
    ok = False
if first_form and form(mine) == first_form:
    print('run %s: in another locale the time stamp "%s" has the form of the first run\'s' % (n, mine))
    ok = False
print('run %s: %d passwords agree with the Linux CLI; Generated on "%s" (tessaroll-cli.exe: "%s")'
      % (n, w.count(b"Password "), mine, companion_stamp))
print(form(mine))
sys.exit(0 if ok else 1)
EOF
        {
            head -n -1 "$work/run$n-check.txt"
            die "run $n: the Windows program's files differ from the Linux CLI's, or its time stamp from the companion's"
        }
    say "$(head -n -1 "$work/run$n-check.txt")"
    [ -n "$first_stamp_form" ] || first_stamp_form=$(tail -n 1 "$work/run$n-check.txt")
    runs=$((runs + 1))
}

keyboard_run 1 'Sesame 7' 26 7 2002
keyboard_run 2 'Zürich-€uro 42' 9 3 2005 '6 12 dllddlddddll'
# A German user: day.month.year and the 24-hour clock.
keyboard_run 3 'Łódź łąka' 6 12 2026 '' de_DE.UTF-8
stage_done "$runs keyboard runs under Xvfb with the windows platform agree with the Linux CLI"

if [ -n "$docs" ]; then
    cp "$work/windows-main-window.png" "$work/windows-settings-window.png" "$docs/"
    say "screenshots copied to docs/"
fi
say "$passed passed, $failed failed, $skipped skipped"
say "finished in $(($(date +%s) - started)) s"
[ "$failed" -eq 0 ] || exit 1
