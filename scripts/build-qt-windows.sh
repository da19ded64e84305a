#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Qt 6.4.2 for 64-bit Windows (mingw-w64), for the Windows build of the window program.
#
#   scripts/build-qt-windows.sh           prints the folder of a Qt for Windows, after building one
#                                         into the cache when none is at hand (about an hour or
#                                         more on 2 cores)
#   scripts/build-qt-windows.sh --where   prints that folder, or says on standard error why there
#                                         is none and exits with 1; builds nothing
#   scripts/build-qt-windows.sh --build   builds into the cache even when a prebuilt copy exists
#
# A Qt for Windows is, in this order: the folder named by TESSAROLL_QT_WINDOWS; the cache
# ${XDG_CACHE_HOME:-~/.cache}/tessaroll/qt-6.4.2-mingw64 once a build has completed there; the
# prebuilt copy ../shared/qt-6.4.2-mingw64 beside the source folder.
#
# The build takes Debian's own qt6-base source package, the very version of the host Qt installed
# here (qt6-base-dev), which it needs as QT_HOST_PATH for moc, rcc and uic. Shared libraries,
# Release; OpenGL, Vulkan, D-Bus, SQL, ICU, Concurrent, XML and OpenSSL off (TLS through Windows'
# own Schannel), zlib, PCRE2, PNG, JPEG, HarfBuzz, FreeType and double-conversion from Qt's own
# copies. Direct2D is off too, which 6.4.2 does not build without a small patch
# (scripts/qt-windows/direct2d-off.patch). The build folder is removed once Qt is installed; an
# interrupted build goes on where it stopped when the script is run again.
#
# Environment: JOBS (default: number of cores), TESSAROLL_QT_WINDOWS, XDG_CACHE_HOME.
set -euo pipefail
# Bash reads a script while it runs it. The braces make it read this whole file first, so that
# editing or checking out the source folder during the long build cannot change the running one.
{
root="$(cd "$(dirname "$0")/.." && pwd)"

qt_version=6.4.2
host=x86_64-w64-mingw32
cache="${XDG_CACHE_HOME:-$HOME/.cache}/tessaroll/qt-$qt_version-mingw64"
work="$cache-build"
shared="$(realpath -m "$root/../shared/qt-$qt_version-mingw64")"
stamp_name=TESSAROLL-BUILD.txt
jobs="${JOBS:-$(nproc)}"

say() { printf 'build-qt-windows: %s\n' "$*" >&2; }
die() {
    say "$*"
    exit 1
}

# A folder is a usable Qt for Windows when find_package(Qt6) finds Widgets in it and it has the
# windows platform plugin.
usable() {
    [ -f "$1/lib/cmake/Qt6/Qt6Config.cmake" ] && [ -f "$1/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ] &&
        [ -f "$1/bin/Qt6Core.dll" ] && [ -f "$1/plugins/platforms/qwindows.dll" ]
}

# Prints the folder of the Qt to use, or returns 1 after saying why there is none.
where() {
    if [ -n "${TESSAROLL_QT_WINDOWS:-}" ]; then
        if usable "$TESSAROLL_QT_WINDOWS"; then
            realpath "$TESSAROLL_QT_WINDOWS"
            return 0
        fi
        say "TESSAROLL_QT_WINDOWS=$TESSAROLL_QT_WINDOWS is not a Qt $qt_version for Windows (no Qt6Widgets, Qt6Core.dll or qwindows.dll)"
        return 1
    fi
    if [ -f "$cache/$stamp_name" ] && usable "$cache"; then
        echo "$cache"
        return 0
    fi
    if usable "$shared"; then
        echo "$shared"
        return 0
    fi
    say "no Qt $qt_version for Windows: neither $cache nor $shared holds one; scripts/build-qt-windows.sh builds it (about an hour on 2 cores)"
    return 1
}

mode=${1:-}
case "$mode" in
    --where)
        where
        exit
        ;;
    --build | "") ;;
    *) die "unknown option $mode; use --where or --build, or nothing" ;;
esac

if [ "$mode" != --build ] && found=$(where 2>/dev/null); then
    say "using the Qt for Windows in $found"
    echo "$found"
    exit 0
fi

started=$(date +%s)
minutes() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }

# --- Packages ----------------------------------------------------------------------------------
"$root/scripts/install-deps.sh" "$root/scripts/packages/windows.txt" "$root/scripts/packages/windows-gui.txt" >&2

host_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev 2>/dev/null || true)
case "$host_version" in
    "$qt_version"+*) ;;
    *) die "the host Qt must be $qt_version (qt6-base-dev), found '${host_version:-none}'" ;;
esac
host_cmake_dir=$(dirname "$(dirname "$(realpath /usr/lib/*/cmake/Qt6/Qt6Config.cmake | head -n 1)")")

# --- Source --------------------------------------------------------------------------------------
# apt-get source needs a deb-src entry. When the machine has none, a private apt configuration
# with deb-src entries for the machine's own suites is used for this one download and removed
# afterwards; the machine's apt configuration is left as it is.
fetch_source() {
    local into=$1
    local apt=(apt-get)
    local tmp=
    if [ -z "$(apt-cache showsrc qt6-base 2>/dev/null)" ]; then
        tmp=$(mktemp -d)
        mkdir -p "$tmp/lists/partial" "$tmp/sources.list.d"
        if [ -f /etc/apt/sources.list.d/debian.sources ]; then
            awk '/^Types:/ { print "Types: deb-src"; next } { print }' \
                /etc/apt/sources.list.d/debian.sources >"$tmp/sources.list.d/debian-src.sources"
        fi
        if [ -f /etc/apt/sources.list ]; then
            sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$tmp/sources.list"
        else
            : >"$tmp/sources.list"
        fi
        apt=(apt-get -o "Dir::Etc::SourceList=$tmp/sources.list" -o "Dir::Etc::SourceParts=$tmp/sources.list.d"
            -o "Dir::State::Lists=$tmp/lists" -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache="
            -o "APT::Sandbox::User=$(id -un)" -o Debug::NoLocking=1)
        say "reading the source index of the machine's suites (a temporary deb-src entry)"
        local try
        for try in 1 2 3 4; do
            if "${apt[@]}" update -q >"$work/apt-update.log" 2>&1; then
                break
            fi
            [ "$try" -lt 4 ] || {
                cat "$work/apt-update.log" >&2
                rm -rf "$tmp"
                die "apt-get update failed"
            }
            sleep 15
        done
    fi
    say "downloading qt6-base $host_version (Debian's source package, with Debian's patches)"
    if ! (cd "$into" && "${apt[@]}" source -q "qt6-base=$host_version") >"$work/apt-source.log" 2>&1; then
        cat "$work/apt-source.log" >&2
        [ -z "$tmp" ] || rm -rf "$tmp"
        die "apt-get source qt6-base=$host_version failed"
    fi
    [ -z "$tmp" ] || rm -rf "$tmp"
}

mkdir -p "$work"
src=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' 2>/dev/null | head -n 1 || true)
if [ -z "$src" ] || [ ! -f "$work/src/.patched" ]; then
    rm -rf "$work/src" "$work/build"
    mkdir -p "$work/src"
    fetch_source "$work/src"
    src=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
    [ -n "$src" ] || die "apt-get source left no qt6-base folder in $work/src"
    patch -d "$src" -p1 --forward <"$root/scripts/qt-windows/direct2d-off.patch" >&2
    touch "$work/src/.patched"
else
    say "going on with the source in $src"
fi

# --- Configure -----------------------------------------------------------------------------------
build="$work/build"
mkdir -p "$build"
if [ ! -f "$build/build.ninja" ]; then
    say "configuring Qt for $host into $cache"
    rm -rf "$cache"
    cmake -S "$src" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DTESSAROLL_MINGW_SHARED_RUNTIME=ON \
        -DCMAKE_INSTALL_PREFIX="$cache" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" \
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF -DFEATURE_pkg_config=OFF \
        -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_opengl_dynamic=OFF -DFEATURE_dynamicgl=OFF \
        -DFEATURE_vulkan=OFF -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_icu=OFF -DFEATURE_concurrent=OFF \
        -DFEATURE_xml=OFF -DFEATURE_openssl=OFF -DFEATURE_schannel=ON -DFEATURE_direct2d=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_androiddeployqt=OFF -DFEATURE_system_zlib=OFF \
        -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
        -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_doubleconversion=OFF \
        -DFEATURE_zstd=OFF >"$work/configure.log" 2>&1 || {
        tail -n 40 "$work/configure.log" >&2
        rm -f "$build/build.ninja"
        die "configuring Qt failed; the whole log is $work/configure.log"
    }
    say "configured in $(minutes $(($(date +%s) - started)))"
fi

# --- Build, with an estimate of the time left -----------------------------------------------------
# Ninja prints "[k/N]" before every step; the estimate assumes the steps left take as long on
# average as the steps done in this run. The terminal gets a line every 2 %, the log every line.
log="$work/build.log"
say "building with $jobs jobs at the lowest priority; every step goes to $log"
build_started=$(date +%s)
# Reads ninja's output: every line to the log, a progress line to the terminal every 2 %.
progress() {
    local line k n now pct shown=-2 first=
    while IFS= read -r line; do
        printf '%s\n' "$line" >>"$log"
        if [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]]; then
            k=${BASH_REMATCH[1]} n=${BASH_REMATCH[2]}
            [ -n "$first" ] || first=$((k - 1))
            printf -v now '%(%s)T' -1
            pct=$((100 * k / n))
            if [ "$pct" -ge $((shown + 2)) ] || [ "$k" -eq "$n" ]; then
                shown=$pct
                say "[$k/$n] $pct %, $(minutes $((now - build_started))) so far," \
                    "about $(minutes $(((now - build_started) * (n - k) / (k - first)))) left"
            fi
        elif [[ $line == *FAILED* || $line == *error:* ]]; then
            printf '%s\n' "$line" >&2
        fi
    done
}
set +e
NINJA_STATUS='[%f/%t] ' nice -n 19 ninja -C "$build" -j "$jobs" 2>&1 | progress
status=${PIPESTATUS[0]}
set -e
if [ "$status" -ne 0 ]; then
    die "the Qt build failed (ninja exit $status); see $log. Running this script again goes on where it stopped."
fi
say "built in $(minutes $(($(date +%s) - build_started)))"

# --- Install -------------------------------------------------------------------------------------
cmake --install "$build" >"$work/install.log" 2>&1 || {
    tail -n 20 "$work/install.log" >&2
    die "installing Qt into $cache failed"
}
usable "$cache" || die "the installed Qt in $cache lacks Qt6Widgets, Qt6Core.dll or qwindows.dll"
{
    echo "Qt $qt_version for $host, built by scripts/build-qt-windows.sh"
    echo "source: Debian qt6-base $host_version, with scripts/qt-windows/direct2d-off.patch"
    echo "compiler: $($host-g++-posix --version | head -n 1)"
    echo "built on: $(date -u '+%Y-%m-%d %H:%M UTC'), $jobs jobs, $(minutes $(($(date +%s) - started))) in all"
} >"$cache/$stamp_name"
cp "$work/configure.log" "$cache/configure.log"
rm -rf "$work"
say "Qt for Windows installed in $cache after $(minutes $(($(date +%s) - started)))"
echo "$cache"
exit
}
