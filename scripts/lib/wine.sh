# SPDX-License-Identifier: GPL-3.0-or-later
# Wine for the Windows checks, set up in one place. Source it; then
#
#   wine_environment PREFIX   exports what every check runs Wine with: the prefix, 64-bit,
#                             no debug output, no Mono and no Gecko (nothing here needs them,
#                             and their installers would ask), and an English (United States)
#                             Windows, whose ANSI code page is 1252
#   wine_prefix               makes $WINEPREFIX when it is not there yet, and starts one
#                             server for every Windows process of the run, so that each starts
#                             in a fraction of a second; crashes go to the program's log
#                             instead of a dialog
#   wine_stop                 ends the server of $WINEPREFIX and every program in it
#   wine_code_page            prints the ANSI code page of $WINEPREFIX
#   winpath PATH              PATH as Wine's drive Z: sees it
#
# and the variables wine (the 64-bit loader) and wineserver.

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

wine_environment() {
    export WINEPREFIX="$1" WINEARCH=win64 WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # Wine reads the Windows locale from these.
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
    unset WAYLAND_DISPLAY
}

wine_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$(dirname "$WINEPREFIX")"
        "$wine" wineboot --init >/dev/null 2>&1
        "$wineserver" -w
    fi
    "$wineserver" -p 2>/dev/null || true # one that runs already is fine
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1
}

wine_stop() {
    [ ! -d "${WINEPREFIX:-}" ] || "$wineserver" -k 2>/dev/null || true
}

# Output goes to a file: the first program of a prefix starts Wine's helper processes, which
# keep its handles open, so a pipe would not close.
wine_code_page() {
    local answer
    answer=$(mktemp)
    "$wine" reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP \
        >"$answer" 2>/dev/null || true
    awk '$1 == "ACP" { print $3 }' "$answer" | tr -d '\r'
    rm -f "$answer"
}

winpath() { printf 'Z:%s' "${1//\//\\}"; }
