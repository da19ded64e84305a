#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer, tessaroll-<version>-windows-x64-setup.exe, made with NSIS
# (packaging/windows/tessaroll.nsi) from the portable zip that scripts/windows-gui.sh makes, so
# that both hold the same files:
#
#   bin\             tessaroll.exe, tessaroll-cli.exe, the DLLs and Qt's plug-ins
#   share\tessaroll\ the help pages, where an installed program looks for them
#   LICENSE.txt, THIRD-PARTY-NOTICES.txt
#
# The installed program finds share\tessaroll beside its bin folder, so it counts as installed and
# keeps the user's files in %APPDATA%\tessaroll. Files carry the commit's time
# (SOURCE_DATE_EPOCH), so the same zip gives the same installer, byte for byte.
#
# Usage: scripts/windows-installer.sh [--version X.Y.Z --output FILE]
#   --version gives the installer another version number than the program's (the installer
#   check makes one with a lower number to upgrade from), --output its file.
# Environment: WINDOWS_BUILD (default build-windows), SOURCE_DATE_EPOCH (default: the time of
# the last commit).
set -euo pipefail
tessaroll_script=windows-installer
. "$(dirname "$0")/lib/common.sh"
cd "$root"

out="$(realpath -m "${WINDOWS_BUILD:-build-windows}")"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/gui/CMakeCache.txt" 2>/dev/null || true)
[ -n "$version" ] || die "no Windows build of the window program in $out/gui: run make windows-gui first"
name="tessaroll-$version-windows-x64"
zip_file="$out/$name.zip"
[ -f "$zip_file" ] || die "$zip_file is missing: run make windows-gui first"

installer_version=$version
installer="$out/$name-setup.exe"
while [ $# -gt 0 ]; do
    case $1 in
    --version) installer_version=$2; shift 2 ;;
    --output) installer=$(realpath -m "$2"); shift 2 ;;
    *) die "unknown argument $1; usage: $0 [--version X.Y.Z --output FILE]" ;;
    esac
done
[[ $installer_version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "the version $installer_version is not of the form X.Y.Z"

scripts/install-deps.sh scripts/packages/windows-installer.txt >/dev/null
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}

# --- The files, in the installed layout -----------------------------------------------------------
work="$out/installer/$(basename "$installer" .exe)"
stage="$work/files"
rm -rf "$work"
mkdir -p "$work/zip" "$stage/bin" "$stage/share/tessaroll"
unzip -q "$zip_file" -d "$work/zip"
from="$work/zip/$name"
[ -d "$from" ] || die "$zip_file does not hold the folder $name"
for path in "$from"/*; do
    base=$(basename "$path")
    case $base in
    *.htm) mv "$path" "$stage/share/tessaroll/" ;;
    LICENSE.txt | THIRD-PARTY-NOTICES.txt) mv "$path" "$stage/" ;;
    *) mv "$path" "$stage/bin/" ;; # the programs, the DLLs and the plug-in folders
    esac
done
for needed in bin/tessaroll.exe bin/tessaroll-cli.exe share/tessaroll/main.htm LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    [ -f "$stage/$needed" ] || die "the zip has no ${needed##*/}"
done
find "$stage" -exec touch -h -d "@$epoch" {} +

# The list of files for the installer and the uninstaller: each file installed, and each one
# removed again, with its folders, deepest first; nothing else.
python3 - "$stage" "$work/files.nsh" <<'EOF'
import pathlib, sys
stage, output = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
files = sorted(p.relative_to(stage) for p in stage.rglob("*") if p.is_file())
folders = sorted({d for f in files for d in f.parents if d != pathlib.Path(".")},
                 key=lambda d: (-len(d.parts), str(d)))
win = lambda p: str(p).replace("/", "\\")
lines = ["!macro INSTALL_FILES"]
current = None
for f in files:
    if f.parent != current:
        current = f.parent
        lines.append(f'    SetOutPath "$INSTDIR{chr(92) + win(current) if current != pathlib.Path(".") else ""}"')
    lines.append(f'    File "{stage / f}"')
lines += ['    SetOutPath "$INSTDIR"', "!macroend", "", "!macro REMOVE_FILES"]
lines += [f'    Delete "$INSTDIR\\{win(f)}"' for f in files]
lines += [f'    RMDir "$INSTDIR\\{win(d)}"' for d in folders]
lines += ["!macroend", ""]
output.write_text("\n".join(lines), encoding="utf-8")
EOF
python3 scripts/make_ico.py "$work/tessaroll.ico" packaging/icons/{16,24,32,48,256}/tessaroll.png

# --- makensis -------------------------------------------------------------------------------------
mkdir -p "$(dirname "$installer")"
SOURCE_DATE_EPOCH=$epoch makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$installer_version" \
    -DSTAGE="$stage" -DFILES="$work/files.nsh" -DICON="$work/tessaroll.ico" \
    -DOUTFILE="$installer.tmp" packaging/windows/tessaroll.nsi >"$work/makensis.log" 2>&1 || {
    cat "$work/makensis.log" >&2
    die "makensis failed"
}
mv "$installer.tmp" "$installer"
say "wrote $installer ($(stat -c %s "$installer") bytes, version $installer_version, $(find "$stage" -type f | wc -l) files) in $(elapsed)"
