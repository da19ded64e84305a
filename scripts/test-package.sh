#!/usr/bin/env bash
# Checks the Debian package and the Windows download as a user gets them. Runs as root (it installs
# and removes the package and creates a user for the check):
#
#   1. lintian on the .deb: no error, and no warning that packaging/lintian-warnings.txt does not
#      list with its reason;
#   2. the desktop entry, the AppStream metainfo and both manual pages pass their checkers;
#   3. dpkg -i, then an ordinary user created here runs tessaroll-cli generate --output-dir in
#      its home, sets the settings with tessaroll-cli pattern set, and runs the installed window
#      program offscreen through one Generate (tessaroll --test-generate); output.txt and
#      pattern.tq must then be in its ~/.local/share/tessaroll, readable by that user only, and
#      both programs must have computed the same list;
#   4. dpkg -r, after which nothing of the package is left under /usr;
#   5. the Windows zip opens, and its tessaroll-cli.exe passes self-test under Wine.
#
# Needs: the package (make package) and the zip (make test-windows).
# Environment: BUILD (default build), WINDOWS_BUILD (default build-windows).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
build="$(realpath -m "${BUILD:-build}")"
windows_build="$(realpath -m "${WINDOWS_BUILD:-build-windows}")"
out="$build/test-package"
started=$(date +%s)
stage_started=$started

say() { printf 'test-package: %s\n' "$*"; }
fail() {
    printf 'test-package: FAILED: %s\n' "$*" >&2
    exit 1
}
stage() {
    local now
    now=$(date +%s)
    say "[$((now - stage_started)) s] $1"
    stage_started=$now
}

if [ "$(id -u)" -ne 0 ]; then
    fail "run this as root: it installs the package and creates a user to try it."
fi

# --- Packages and inputs -------------------------------------------------------------------------
scripts/install-deps.sh scripts/packages/package.txt
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
[ -n "$version" ] || fail "no configured build in $build: run make package first."
deb="$build/tessaroll_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "$deb is missing: run make package first."
rm -rf "$out"
mkdir -p "$out"
stage "packages ready; checking $(basename "$deb")"

# --- 1. lintian -----------------------------------------------------------------------------------
dpkg-deb --info "$deb" >"$out/info.txt"
dpkg-deb --contents "$deb" | tee "$out/contents.txt" | sed 's/^/  /'
sed -n '/^ [A-Z][A-Za-z-]*:/,$p' "$out/info.txt" | sed 's/^/  /'
# lintian's own exit status counts errors; warnings are compared with the list of accepted ones.
# Its notes (on running as root) go to standard error, kept apart.
lintian --tag-display-limit 0 --display-level '>=warning' "$deb" >"$out/lintian.txt" \
    2>"$out/lintian-stderr.txt" && lintian_status=0 || lintian_status=$?
sed 's/^/  lintian: /' "$out/lintian.txt"
if grep -q '^E: ' "$out/lintian.txt"; then fail "lintian reports errors (above)."; fi
[ "$lintian_status" -eq 0 ] || fail "lintian ended with status $lintian_status."
accepted=$(sed -n 's/^\([a-z0-9-]*\):.*/\1/p' packaging/lintian-warnings.txt)
while read -r tag; do
    [ -z "$tag" ] && continue
    grep -qx "$tag" <<<"$accepted" ||
        fail "lintian warns $tag, which packaging/lintian-warnings.txt does not list with a reason."
done < <(sed -n 's/^W: [^:]*: \([a-z0-9-]*\).*/\1/p' "$out/lintian.txt" | sort -u)
say "lintian: no errors; warnings: $(grep -c '^W: ' "$out/lintian.txt" || true), each listed with its reason in packaging/lintian-warnings.txt"
stage "lintian"

# --- 2. Desktop entry, metainfo, manual pages -----------------------------------------------------
tree="$out/tree"
dpkg-deb -x "$deb" "$tree"
for entry in "$tree"/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry" | tee "$out/desktop-file-validate.txt"
    if grep -q 'error' "$out/desktop-file-validate.txt"; then fail "desktop-file-validate: $entry"; fi
    icon=$(sed -n 's/^Icon=//p' "$entry")
    for size in 16x16 32x32 48x48 scalable; do
        ls "$tree/usr/share/icons/hicolor/$size/apps/$icon".* >/dev/null 2>&1 ||
            fail "the desktop entry's icon $icon has no $size picture"
    done
done
appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml
for page in "$tree"/usr/share/man/man1/*.1.gz; do
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" \
        >"$out/$(basename "$page" .gz).txt" 2>"$out/man-warnings.txt"
    if [ -s "$out/man-warnings.txt" ]; then
        fail "man -l $(basename "$page"): $(cat "$out/man-warnings.txt")"
    fi
done
# Every option a program's --help names is in its manual page (and, for tessaroll-cli, in the
# bash completion): a new option is easily added to the code alone.
options_of() { "$@" 2>&1 | grep -o -- '--[a-z][a-z-]*' | grep -vx -- '--help' | sort -u; }
# The pages' text once, in files: grep -q on a pipe would end the pipe early, which pipefail
# takes for a failure.
for page in tessaroll tessaroll-cli; do
    zcat "$tree/usr/share/man/man1/$page.1.gz" | sed 's/\\-/-/g' >"$out/$page.1.roff"
done
completion_file="$tree/usr/share/bash-completion/completions/tessaroll-cli"
for command in "generate" "pattern show" "pattern set"; do
    # shellcheck disable=SC2086
    for option in $(options_of "$tree/usr/bin/tessaroll-cli" $command --help); do
        grep -q -- "$option" "$out/tessaroll-cli.1.roff" ||
            fail "tessaroll-cli $command $option is not in the manual page tessaroll-cli.1"
        grep -q -- "$option" "$completion_file" ||
            fail "tessaroll-cli $command $option is not in the bash completion"
    done
done
for option in $(options_of "$tree/usr/bin/tessaroll" --help); do
    grep -q -- "$option" "$out/tessaroll.1.roff" ||
        fail "tessaroll $option is not in the manual page tessaroll.1"
done
say "desktop entry, metainfo and $(ls "$tree"/usr/share/man/man1/*.1.gz | wc -l) manual pages pass, with every option of --help"
stage "desktop entry, metainfo and manual pages"

# --- 3. Installed, used by an ordinary user -----------------------------------------------------
user=tessaroll-check
home=/home/$user
installed=false
cleanup() {
    if id "$user" >/dev/null 2>&1; then
        userdel -r "$user" >/dev/null 2>&1 || true
    fi
    if $installed; then
        dpkg -r tessaroll >/dev/null 2>&1 || true
    fi
}
trap cleanup EXIT
if dpkg-query -W -f='${Status}' tessaroll 2>/dev/null | grep -q 'install ok installed'; then
    fail "tessaroll is installed already; remove it first (dpkg -r tessaroll)."
fi
installed=true
if ! dpkg -i "$deb" >"$out/dpkg-i.txt" 2>&1; then
    # A missing library is fetched the way a user's apt would fetch it.
    apt-get install -y -f --no-install-recommends >>"$out/dpkg-i.txt" 2>&1 ||
        fail "the package does not install: $(cat "$out/dpkg-i.txt")"
fi
dpkg -L tessaroll | sort >"$out/installed-files.txt"
for program in tessaroll tessaroll-cli; do
    [ "$("/usr/bin/$program" --version)" = "$program $version" ] ||
        fail "$program --version says \"$("/usr/bin/$program" --version)\", not \"$program $version\""
done
stage "dpkg -i; both programs say version $version"

if id "$user" >/dev/null 2>&1; then userdel -r "$user" >/dev/null 2>&1; fi
useradd --create-home --shell /bin/bash "$user"
as_user() {
    runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        QT_QPA_PLATFORM=offscreen bash -c "cd && $1"
}
data="$home/.local/share/tessaroll"
as_user 'mkdir lists && echo "my secret" | tessaroll-cli generate --count 5 --length 8 --pattern ddllddll --output-dir ~/lists' \
    >"$out/cli-list.txt"
[ -f "$home/lists/output.txt" ] || fail "tessaroll-cli generate --output-dir wrote no ~/lists/output.txt"
as_user 'tessaroll-cli pattern set --count 5 --length 8 --pattern ddllddll'
[ -f "$data/pattern.tq" ] || fail "tessaroll-cli pattern set did not write $data/pattern.tq"
as_user 'echo "my secret" | tessaroll --test-generate' >"$out/window-list.txt" 2>"$out/window-stderr.txt" ||
    fail "the window program did not get through Generate: $(cat "$out/window-stderr.txt")"
[ "$(stat -c %a "$data")" = 700 ] || fail "$data has mode $(stat -c %a "$data"), not 700"
for file in output.txt pattern.tq; do
    [ -f "$data/$file" ] || fail "no $file in $data"
    [ "$(stat -c %a "$data/$file")" = 600 ] || fail "$data/$file has mode $(stat -c %a "$data/$file"), not 600"
    [ "$(stat -c %U "$data/$file")" = "$user" ] || fail "$data/$file does not belong to $user"
done
# The same settings (5 passwords of 8) and today's date: the same passwords in both files.
passwords() { grep -a '^Password' "$1" | tr -d '\r'; }
[ "$(passwords "$data/output.txt" | wc -l)" -eq 5 ] || fail "the window program did not use the settings tessaroll-cli saved"
diff <(passwords "$home/lists/output.txt") <(passwords "$data/output.txt") >/dev/null ||
    fail "the window program and tessaroll-cli computed different lists"
for folder in /usr/bin /usr/share/tessaroll; do
    if [ -e "$folder/output.txt" ] || [ -e "$folder/pattern.tq" ]; then
        fail "a program wrote into $folder"
    fi
done
say "as $user: ~/lists/output.txt, and $(stat -c '%A' "$data") $data holding $(cd "$data" && stat -c '%n %A' output.txt pattern.tq | tr '\n' ' ')"
# Bash completion knows the commands.
completion=$(as_user 'source /usr/share/bash-completion/bash_completion
    source /usr/share/bash-completion/completions/tessaroll-cli
    COMP_LINE="tessaroll-cli pattern s"; COMP_POINT=${#COMP_LINE}
    COMP_WORDS=(tessaroll-cli pattern s); COMP_CWORD=2
    _tessaroll_cli tessaroll-cli s pattern; echo "${COMPREPLY[*]}"')
[ "$completion" = "show set" ] || fail "bash completion of \"tessaroll-cli pattern s\" gave \"$completion\""
stage "an ordinary user's runs of both programs"

# --- 4. Removed ----------------------------------------------------------------------------------
dpkg -r tessaroll >"$out/dpkg-r.txt" 2>&1 || fail "dpkg -r: $(cat "$out/dpkg-r.txt")"
installed=false
left=$( (grep '^/usr/' "$out/installed-files.txt" | while read -r path; do
    # Folders the package shares with others (/usr/bin, /usr/share/man/man1, ...) stay.
    [ -e "$path" ] && [ ! -d "$path" ] && echo "$path"
done; find /usr -path '*tessaroll*' 2>/dev/null) | sort -u)
[ -z "$left" ] || fail "left under /usr after dpkg -r: $left"
say "dpkg -r left nothing of the package under /usr"
stage "dpkg -r"

# --- 5. The Windows download --------------------------------------------------------------------
zip="$windows_build/tessaroll-cli-$version-windows-x64.zip"
[ -f "$zip" ] || fail "$zip is missing: run make test-windows first."
unzip -l "$zip" | tee "$out/zip-contents.txt" | sed 's/^/  /'
for name in tessaroll-cli.exe README.txt CODE-PAGE.txt; do
    grep -q " $name\$" "$out/zip-contents.txt" || fail "$zip holds no $name"
done
unpacked="$out/windows"
unzip -q "$zip" -d "$unpacked"
export WINEPREFIX="$windows_build/wine" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=/usr/lib/wine/wine64
(cd "$unpacked" && "$wine" tessaroll-cli.exe self-test) >"$out/wine-self-test.txt" 2>&1 ||
    fail "self-test under Wine: $(cat "$out/wine-self-test.txt")"
tr -d '\r' <"$out/wine-self-test.txt" | grep -E '^([0-9]+) of \1 vectors agree' ||
    fail "self-test under Wine did not agree on every vector: $(cat "$out/wine-self-test.txt")"
# A copy unpacked where the user may write is a portable one: its settings stay beside it.
(cd "$out" && "$wine" "$unpacked/tessaroll-cli.exe" pattern set --count 3) >"$out/wine-pattern.txt" 2>&1 ||
    fail "pattern set under Wine: $(cat "$out/wine-pattern.txt")"
[ -f "$unpacked/pattern.tq" ] || fail "the unpacked Windows copy did not keep pattern.tq beside itself"
/usr/lib/wine/wineserver -k 2>/dev/null || true
stage "the Windows zip opens and its tessaroll-cli.exe passes self-test under Wine"

say "passed in $(($(date +%s) - started)) s"
