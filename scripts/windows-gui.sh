#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows window program: tessaroll.exe, tessaroll-cli.exe and the window tests cross-built
# with mingw-w64 against Qt for Windows, and the portable tessaroll-<version>-windows-x64.zip.
#
#   1. Qt for Windows from scripts/build-qt-windows.sh (the cache, or ../shared's prebuilt copy;
#      built into the cache first when neither is there, which takes an hour or more);
#   2. GMP, MPFR, Nettle and tessaroll-cli.exe (statically linked) from scripts/test-windows.sh's
#      build-windows/deps and build-windows/cli, which it runs first when they are not there yet;
#   3. builds tessaroll.exe and the window tests in build-windows/gui, with Qt's DLLs and the
#      toolchain's run time as DLLs;
#   4. puts into the zip the programs, the help pages and exactly the DLLs they import, followed
#      from DLL to DLL (objdump -p), together with the plugins Qt loads at run time: the windows
#      platform and the Windows style. Every executable is stripped. With them go LICENSE.txt and
#      THIRD-PARTY-NOTICES.txt, and the zip's entries have a fixed date and order
#      (scripts/windows-zip.py), so that the same build gives the same zip.
#
# Usage: scripts/windows-gui.sh [--program-only]
#   --program-only builds tessaroll.exe without the window tests, for the zip alone, as the
#   reproducibility check (scripts/test-reproducible.sh) makes it again.
# Environment: WINDOWS_BUILD (default build-windows), JOBS, CMAKE_ARGS (as in the Makefile).
set -euo pipefail
tessaroll_script=windows-gui
. "$(dirname "$0")/lib/common.sh"
. "$root/scripts/lib/windows-build.sh"
cd "$root"

out="$(realpath -m "${WINDOWS_BUILD:-build-windows}")"
prefix="$out/deps/$host"
build="$out/gui"
jobs="${JOBS:-$(nproc)}"
window_tests=ON
case ${1:-} in
--program-only) window_tests=OFF ;;
"") ;;
*) die "unknown argument $1; usage: $0 [--program-only]" ;;
esac

# --- 1. Qt for Windows ---------------------------------------------------------------------------
scripts/install-deps.sh scripts/packages/windows.txt scripts/packages/windows-gui.txt
qt=$(scripts/build-qt-windows.sh) || die "no Qt for Windows; see above"
say "Qt for Windows: $qt"

# --- 2. GMP, MPFR, Nettle and the command-line companion -------------------------------------------
# scripts/test-windows.sh builds the libraries and checks the companion against every reference
# vector; the zip takes that very tessaroll-cli.exe, statically linked.
cli_exe="$out/cli/cli/tessaroll-cli.exe"
if [ ! -f "$prefix/lib/libgmp.a" ] || [ ! -f "$prefix/lib/libmpfr.a" ] || [ ! -f "$prefix/lib/libnettle.a" ] ||
    ! grep -q '^nettle ' "$prefix/VERSIONS" 2>/dev/null || [ ! -f "$out/cli/CMakeCache.txt" ]; then
    say "no Windows build of GMP, MPFR, Nettle and tessaroll-cli in $out yet; scripts/test-windows.sh makes and checks it"
    WINDOWS_BUILD="$out" scripts/test-windows.sh
else
    PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="" \
        nice -n 10 cmake --build "$out/cli" -j "$jobs" --target tessaroll-cli
fi
[ -f "$cli_exe" ] || die "no $cli_exe"
stage_done "Qt, GMP, MPFR, Nettle and tessaroll-cli.exe at hand"

# --- 3. Build ------------------------------------------------------------------------------------
windows_header_folders "$out/deps"
host_cmake_dir=$(dirname "$(dirname "$(realpath /usr/lib/*/cmake/Qt6/Qt6Config.cmake | head -n 1)")")
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH=""
# shellcheck disable=SC2086 # CMAKE_ARGS is a list of arguments, as in the Makefile
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DTESSAROLL_MINGW_SHARED_RUNTIME=ON \
    -DCMAKE_FIND_ROOT_PATH="$prefix;$qt" -DCMAKE_PREFIX_PATH="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" \
    -DCLI11_INCLUDE_DIR="$out/deps/cli11/include" -DNLOHMANN_JSON_INCLUDE_DIR="$out/deps/json/include" \
    -DTESSAROLL_BUILD_TESTS=$window_tests -DTESSAROLL_WINDOW_TESTS_ONLY=ON -DTESSAROLL_BUILD_BENCH=OFF \
    ${CMAKE_ARGS:-} >"$out/configure-gui.log" 2>&1 || {
    cat "$out/configure-gui.log" >&2
    die "configuring the Windows window program failed"
}
# The program and what test-windows-gui.sh runs; the companion comes from step 2.
targets=(tessaroll)
if [ "$window_tests" = ON ]; then
    targets+=(type_text_windows)
    for test in tests/ui/*_test.cpp; do
        targets+=("$(basename "$test" .cpp)")
    done
fi
nice -n 10 cmake --build "$build" -j "$jobs" --target "${targets[@]}"
stage_done "built tessaroll.exe and the window tests in $build"

# --- 4. The portable zip -----------------------------------------------------------------------
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name="tessaroll-$version-windows-x64"
stage="$build/zip/$name"
rm -rf "$build/zip"
mkdir -p "$stage"

gcc_dlls=$(dirname "$($host-g++-posix -print-file-name=libstdc++-6.dll)")
# Where a DLL a program imports may come from: Qt, the compiler's run time, the mingw-w64 run time.
search=("$qt/bin" "$gcc_dlls" "/usr/$host/lib")
wine_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

# Prints the path of a DLL to ship, nothing for one of Windows' own, and fails for one that is
# neither.
locate_dll() {
    local dll=$1 dir found
    for dir in "${search[@]}"; do
        found=$(find "$dir" -maxdepth 1 -iname "$dll" -print -quit)
        if [ -n "$found" ]; then
            echo "$found"
            return 0
        fi
    done
    if [[ ${dll,,} == api-ms-win-* ]] || [ -n "$(find "$wine_dlls" -maxdepth 1 -iname "$dll" -print -quit)" ]; then
        return 0
    fi
    say "$dll is neither Qt's, the toolchain's nor one of Windows' own DLLs" >&2
    return 1
}

# The plugins Qt loads at run time, by their folder under Qt's plugins/. No TLS backend and no
# Qt6Network.dll: the help window shows only the zip's own pages and hands web addresses to the
# web browser.
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll)

cp "$build/ui/tessaroll.exe" "$cli_exe" "$build"/ui/*.htm "$stage/"
queue=("$stage/tessaroll.exe" "$stage/tessaroll-cli.exe")
for plugin in "${plugins[@]}"; do
    [ -f "$qt/plugins/$plugin" ] || die "Qt in $qt lacks the plugin $plugin"
    mkdir -p "$stage/$(dirname "$plugin")"
    cp "$qt/plugins/$plugin" "$stage/$plugin"
    queue+=("$stage/$plugin")
done
declare -A shipped=()
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    while read -r dll; do
        [ -n "$dll" ] || continue
        key=${dll,,}
        [ -z "${shipped[$key]:-}" ] || continue
        path=$(locate_dll "$dll") || die "cannot make the zip: $(basename "$file") imports $dll"
        shipped[$key]=${path:-windows}
        if [ -n "$path" ]; then
            cp "$path" "$stage/"
            queue+=("$stage/$(basename "$path")")
        fi
    done < <($host-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
done
find "$stage" -iname '*.exe' -exec $host-strip --strip-all {} +
find "$stage" -iname '*.dll' -exec $host-strip --strip-unneeded {} +

# The licence, and the notices of every component the zip holds.
python3 -c 'import sys; sys.stdout.buffer.write(open(sys.argv[1], "rb").read().replace(b"\n", b"\r\n"))' \
    "$root/LICENSE" >"$stage/LICENSE.txt"
in_zip() { (cd "$stage" && find . -type f -iname "$1" -printf '%P\n' | sort | paste -sd ' '); }
statically="tessaroll.exe and tessaroll-cli.exe, linked statically"
windows_notices "$stage/THIRD-PARTY-NOTICES.txt" "$name.zip" "$prefix/VERSIONS" --qt="$qt" \
    qt="$(in_zip 'Qt6*.dll') $(cd "$stage" && find . -mindepth 2 -iname '*.dll' -printf '%P\n' | sort | paste -sd ' ')" \
    gmp="$statically" mpfr="$statically" nettle="$statically" \
    cli11="tessaroll-cli.exe, linked statically" nlohmann-json="tessaroll-cli.exe, linked statically" \
    wine-code-pages="tessaroll.exe and tessaroll-cli.exe" \
    gcc-runtime="$(in_zip 'libstdc++*.dll') $(in_zip 'libgcc*.dll'); tessaroll-cli.exe, linked statically" \
    mingw-w64="$(in_zip 'libwinpthread*.dll'); the start-up code of tessaroll.exe and tessaroll-cli.exe, and tessaroll-cli.exe's winpthreads, linked statically" \
    || die "could not write THIRD-PARTY-NOTICES.txt"

zip_file="$out/$name.zip"
rm -f "$zip_file"
python3 "$root/scripts/windows-zip.py" --folder "$stage" --output "$zip_file"
{
    echo "$name.zip: $(stat -c %s "$zip_file") bytes"
    echo "From Windows itself: $(for k in "${!shipped[@]}"; do [ "${shipped[$k]}" = windows ] && echo "$k"; done | sort | tr '\n' ' ')"
    (cd "$build/zip" && find "$name" -type f -printf '%10s  %p\n' | sort -k 2)
} >"$out/$name.contents.txt"
cat "$out/$name.contents.txt"
stage_done "wrote $zip_file"
say "finished in $(elapsed)"
