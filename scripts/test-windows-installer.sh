#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Windows installer (make windows-installer) in a fresh Wine prefix, as a user and an
# administrator would use it:
#
#   1. the same files with a lower version number, installed silently for the current user into
#      a folder of the user's choice (/S /CurrentUser /D=...): the files there, byte for byte the
#      zip's; the uninstall entry (name, version, publisher, icon, size) in HKCU; the Start menu
#      entry pointing at tessaroll.exe with its icon;
#   2. tessaroll.exe started from the Start menu entry on a virtual display (Xvfb) and worked from
#      the keyboard (xdotool): a reference vector's personal password and date typed, Generate,
#      Exit. Its output.txt must be in %APPDATA%\tessaroll (an installed copy, not a portable
#      one), nothing beside the program, and hold the vector's list;
#   3. the installer of this version over it, silently, without /D=: an upgrade in place (the
#      chosen folder, one entry, the new version, the zip's files), with the icon and version
#      information in both programs' resources, and the user's files untouched; the lower version
#      then refuses to replace it;
#   4. removed silently with the entry's QuietUninstallString: no program file, no folder, no
#      uninstall entry and no Start menu entry left, and the user's files as they were; then
#      installed without /D= into %LOCALAPPDATA%\Programs\Tessaroll and removed again;
#   5. installed silently for every user (Wine's user is an administrator, as an elevated one on
#      Windows): Program Files, HKLM and the common Start menu; tessaroll-cli.exe from there keeps
#      its settings in %APPDATA%\tessaroll; removed silently again, leaving nothing.
#
# What Wine cannot show: a user without administrator rights (Wine's user always has them, so
# the per-user install is chosen here with /CurrentUser), UAC, Explorer's and the Settings app's
# view of the entry, and Windows' own Start menu.
#
# Environment: WINDOWS_BUILD (default build-windows). Output of each step in
# $WINDOWS_BUILD/installer-check.
set -euo pipefail
tessaroll_script=test-windows-installer
. "$(dirname "$0")/lib/common.sh"
. "$root/scripts/lib/wine.sh"
. "$root/scripts/lib/xvfb.sh"
cd "$root"

out="$(realpath -m "${WINDOWS_BUILD:-build-windows}")"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/gui/CMakeCache.txt" 2>/dev/null || true)
[ -n "$version" ] || die "no Windows build of the window program in $out/gui: run make windows-installer first"
name="tessaroll-$version-windows-x64"
zip_file="$out/$name.zip"
installer="$out/$name-setup.exe"
[ -f "$installer" ] && [ -f "$zip_file" ] || die "$installer is missing: run make windows-installer first"
scripts/install-deps.sh scripts/packages/windows-installer.txt >/dev/null
check() { python3 "$root/scripts/windows_installer_check.py" "$@"; }

work="$out/installer-check"
rm -rf "$work"
mkdir -p "$work"

# The same program with a lower version number, to upgrade from.
IFS=. read -r major minor patch <<<"$version"
if [ "$patch" -gt 0 ]; then
    lower="$major.$minor.$((patch - 1))"
elif [ "$minor" -gt 0 ]; then
    lower="$major.$((minor - 1)).999"
else
    lower="$((major - 1)).999.999"
fi
lower_installer="$work/tessaroll-$lower-windows-x64-setup.exe"
scripts/windows-installer.sh --version "$lower" --output "$lower_installer" >"$work/lower-installer.log" ||
    die "could not make the installer numbered $lower: $(cat "$work/lower-installer.log")"
stage_done "the installer numbered $lower made from the same zip"

# --- A fresh Wine prefix and a display ------------------------------------------------------------
wine_environment "$work/prefix"
# No menu entries of the Linux desktop for what the installer puts into the Start menu.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
finish() {
    local status=$?
    wine_stop
    xvfb_stop
    exit "$status"
}
trap finish EXIT
trap 'exit 1' INT TERM HUP
xvfb_start "$work" 1024x768x24 || die "no virtual display"
wine_prefix

# Windows' own names for the folders, and where they are on this side. Output goes to files, as
# everywhere under Wine.
windows_env() {
    "$wine" cmd /c "echo %$1%" >"$work/env.txt" 2>/dev/null
    tr -d '\r' <"$work/env.txt" | tail -n 1
}
unix_path() {
    "$wine" winepath -u "$1" >"$work/path.txt" 2>/dev/null
    tr -d '\r' <"$work/path.txt" | tail -n 1
}
appdata=$(unix_path "$(windows_env APPDATA)")
user_programs="$(windows_env LOCALAPPDATA)\\Programs\\Tessaroll"
# A folder of the user's choice (/D=), which an upgrade must keep.
chosen="$(windows_env LOCALAPPDATA)\\Tools\\Tessaroll"
machine_programs="$(windows_env ProgramW6432)\\Tessaroll"
user_menu=$(unix_path "$(windows_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")
machine_menu=$(unix_path "$(windows_env ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs")
files="$appdata/tessaroll"
key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaroll'
stage_done "fresh Wine prefix $WINEPREFIX ($($wine --version)); per-user folder $user_programs"

# Runs an installer or uninstaller silently and prints its exit status.
run_silently() {
    local status=0
    "$wine" "$@" >"$work/run.txt" 2>&1 || status=$?
    echo "$status"
}
# The uninstall entry under HKCU or HKLM as "name value" lines; nothing when there is none.
entry() {
    if "$wine" reg query "$1\\$key" >"$work/entry.txt" 2>/dev/null; then
        tr -d '\r' <"$work/entry.txt" | sed -n 's/^    \([A-Za-z]*\)    REG_[A-Z]*    \(.*\)$/\1 \2/p'
    fi
}
value() { sed -n "s/^$2 //p" <<<"$1"; }
# Checks the entry of scope $1 (HKCU or HKLM) for version $2 and install folder $3.
check_entry() {
    local e size kb
    e=$(entry "$1")
    [ -n "$e" ] || die "no uninstall entry under $1"
    for field in "DisplayName Tessaroll" "DisplayVersion $2" "Publisher The Tessaroll developers" \
        "InstallLocation $3" "DisplayIcon $3\\bin\\tessaroll.exe,0" \
        "QuietUninstallString \"$3\\uninstall.exe\" /S"; do
        [ "$(value "$e" "${field%% *}")" = "${field#* }" ] ||
            die "the uninstall entry under $1 has ${field%% *} \"$(value "$e" "${field%% *}")\", not \"${field#* }\""
    done
    size=$(($(value "$e" EstimatedSize)))
    kb=$(du -sk --apparent-size "$(unix_path "$3")" | cut -f 1)
    [ "$size" -ge $((kb * 9 / 10)) ] && [ "$size" -le $((kb * 11 / 10)) ] ||
        die "the uninstall entry gives the size $size KB for $kb KB of files"
    echo "$(value "$e" DisplayName) $(value "$e" DisplayVersion) by $(value "$e" Publisher), $size KB, icon $(value "$e" DisplayIcon)"
}
# Checks the Start menu entry in folder $1 for the program in install folder $2.
check_shortcut() {
    local link="$1/Tessaroll.lnk" target icon
    [ -f "$link" ] || die "no Start menu entry $link"
    { read -r target; read -r _; read -r icon; } < <(check "link" "$link")
    [ "${target,,}" = "${2,,}\\bin\\tessaroll.exe" ] ||
        die "the Start menu entry points at \"$target\", not at $2\\bin\\tessaroll.exe"
    [ "${icon,,}" = "${2,,}\\bin\\tessaroll.exe" ] || die "the Start menu entry's icon is \"$icon\""
    echo "$link -> $target"
}
# Waits until uninstall.exe, which runs on from a copy of itself, has removed folder $1.
wait_removed() {
    for _ in $(seq 150); do
        [ -e "$1" ] || return 0
        sleep 0.2
    done
    die "after 30 s, $1 still holds: $(cd "$1" && find . | head -n 20 | tr '\n' ' ')"
}
# Removes the copy installed under scope $1 (HKCU or HKLM) into folder $2 with the entry's
# QuietUninstallString, as an administrator's tools do, and checks that nothing is left.
remove_silently() {
    local uninstall uninstaller folder menu
    uninstall=$(value "$(entry "$1")" QuietUninstallString)
    uninstaller=${uninstall#\"}
    uninstaller=${uninstaller%%\"*}
    [ "${uninstall##*\" }" = /S ] || die "the QuietUninstallString $uninstall does not end in /S"
    status=$(run_silently "$uninstaller" /S)
    [ "$status" = 0 ] || die "$uninstall ended with $status"
    folder=$(unix_path "$2")
    wait_removed "$folder"
    [ -z "$(entry "$1")" ] || die "the uninstall entry under $1 is still there after removal"
    menu=$user_menu
    [ "$1" = HKCU ] || menu=$machine_menu
    [ ! -e "$menu/Tessaroll.lnk" ] || die "the Start menu entry is still there after removal"
}

# --- 1. The lower version, for the current user ---------------------------------------------------
status=$(run_silently "$lower_installer" /S /CurrentUser "/D=$chosen")
[ "$status" = 0 ] || die "the installer numbered $lower ended with $status: $(cat "$work/run.txt")"
installed=$(unix_path "$chosen")
said=$(check same-files "$zip_file" "$installed") || die "the check above failed"
say "$said"
said=$(check_entry HKCU "$lower" "$chosen")
say "$said"
said=$(check_shortcut "$user_menu" "$chosen")
say "$said"
[ -z "$(entry HKLM)" ] || die "a per-user install wrote an uninstall entry for every user"
stage_done "installed silently for the current user into $chosen (/D=), numbered $lower"

# --- 2. Started from the Start menu ---------------------------------------------------------------
check reference tests/data/engine.jsonl >"$work/reference.txt"
read -r personal day month year <"$work/reference.txt"
tail -n +2 "$work/reference.txt" >"$work/expected.txt"
[ ! -e "$files" ] || die "$files is there before the program first ran"
"$wine" start /wait "$(windows_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Tessaroll.lnk" \
    >"$work/program.log" 2>&1 &
program=$!
main=$(wait_window Tessaroll 60) || die "the program started from the Start menu showed no window"
xdotool windowfocus --sync "$main"
sleep 0.5
retype() {
    keys End shift+Home
    xdotool type --delay 40 "$1"
}
keys Tab Tab                       # Generate -> list -> personal password
xdotool type --delay 60 "$personal"
keys Tab                           # the day box
retype "$day"
keys Tab
retype "$month"
keys Tab
retype "$year"
keys Tab Tab space                 # Settings, then round to Generate
for _ in $(seq 100); do
    [ ! -s "$files/output.txt" ] || break
    sleep 0.2
done
keys ctrl+e
for _ in $(seq 150); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.2
done
! kill -0 "$program" 2>/dev/null || die "the program did not end on Exit (Ctrl+E)"
[ -s "$files/output.txt" ] || die "Generate wrote no output.txt into $files"
for left in "$installed/bin/output.txt" "$installed/bin/pattern.tq"; do
    [ ! -e "$left" ] || die "the installed program wrote $left beside itself"
done
tr -d '\r' <"$files/output.txt" | sed -n 's/^Password [0-9]*= //p' >"$work/listed.txt"
diff "$work/expected.txt" "$work/listed.txt" >/dev/null ||
    die "the list for \"$personal\" on $day/$month/$year is $(paste -sd ' ' "$work/listed.txt"), not the reference $(paste -sd ' ' "$work/expected.txt")"
stage_done "started from the Start menu: the reference list of \"$personal\" on $day/$month/$year in %APPDATA%\\tessaroll\\output.txt"

# The user's files, with one of the user's own beside them.
printf 'my own notes\r\n' >"$files/notes.txt"
check digest "$files" >"$work/user-files-before.txt"

# --- 3. Upgraded in place ------------------------------------------------------------------------
status=$(run_silently "$installer" /S /CurrentUser)
[ "$status" = 0 ] || die "the upgrade to $version ended with $status: $(cat "$work/run.txt")"
said=$(check same-files "$zip_file" "$installed") || die "the check above failed"
say "$said"
said=$(check_entry HKCU "$version" "$chosen")
say "$said"
said=$(check_shortcut "$user_menu" "$chosen")
say "$said"
said=$(/usr/bin/python3 "$root/scripts/windows_installer_check.py" resources "$version" \
    "$installed/bin/tessaroll.exe" "$installed/bin/tessaroll-cli.exe" | paste -sd ';') ||
    die "the programs' resources, above"
say "$said"
check digest "$files" | diff "$work/user-files-before.txt" - >/dev/null ||
    die "the upgrade changed the user's files in $files"
status=$(run_silently "$lower_installer" /S /CurrentUser)
[ "$status" != 0 ] || die "the installer numbered $lower replaced $version"
[ "$(value "$(entry HKCU)" DisplayVersion)" = "$version" ] || die "the refused downgrade changed the entry"
stage_done "upgraded in place to $version silently, the user's files untouched; $lower refused to replace it (exit $status)"

# --- 4. Removed ----------------------------------------------------------------------------------
remove_silently HKCU "$chosen"
check digest "$files" | diff "$work/user-files-before.txt" - >/dev/null ||
    die "removing the program changed the user's files in $files"
stage_done "removed silently: no program file, folder, entry or Start menu entry left; the user's $(wc -l <"$work/user-files-before.txt") files as they were"

# Without /D=, a user's copy goes to %LOCALAPPDATA%\Programs\Tessaroll.
status=$(run_silently "$installer" /S /CurrentUser)
[ "$status" = 0 ] || die "the installer for the current user ended with $status: $(cat "$work/run.txt")"
said=$(check same-files "$zip_file" "$(unix_path "$user_programs")") || die "the check above failed"
said=$(check_entry HKCU "$version" "$user_programs")
say "$said"
said=$(check_shortcut "$user_menu" "$user_programs")
remove_silently HKCU "$user_programs"
stage_done "installed for the current user into $user_programs and removed again, silently"

# --- 5. For every user ---------------------------------------------------------------------------
status=$(run_silently "$installer" /S)
[ "$status" = 0 ] || die "the installer for every user ended with $status: $(cat "$work/run.txt")"
installed=$(unix_path "$machine_programs")
said=$(check same-files "$zip_file" "$installed") || die "the check above failed"
say "$said"
said=$(check_entry HKLM "$version" "$machine_programs")
say "$said"
said=$(check_shortcut "$machine_menu" "$machine_programs")
say "$said"
[ -z "$(entry HKCU)" ] || die "an install for every user wrote a per-user uninstall entry"
(cd "$work" && "$wine" "$machine_programs\\bin\\tessaroll-cli.exe" pattern set --count 3) >"$work/cli.txt" 2>&1 ||
    die "tessaroll-cli.exe pattern set from Program Files: $(cat "$work/cli.txt")"
[ ! -e "$installed/bin/pattern.tq" ] || die "tessaroll-cli.exe in Program Files wrote pattern.tq beside itself"
grep -q . "$files/pattern.tq" || die "tessaroll-cli.exe in Program Files kept no pattern.tq in $files"
remove_silently HKLM "$machine_programs"
check digest "$files" | grep -q '^notes.txt ' || die "removal for every user took the user's files"
stage_done "installed for every user into $machine_programs and removed again, silently"

say "$(basename "$installer"): $(stat -c %s "$installer") bytes; every check passed in $(elapsed)"
