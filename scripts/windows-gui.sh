#!/usr/bin/env bash
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
#      platform and the Windows style. Every executable is stripped.
#
# Environment: WINDOWS_BUILD (default build-windows), JOBS, CMAKE_ARGS (as in the Makefile).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

out="$(realpath -m "${WINDOWS_BUILD:-build-windows}")"
prefix="$out/deps/x86_64-w64-mingw32"
build="$out/gui"
jobs="${JOBS:-$(nproc)}"
host=x86_64-w64-mingw32
started=$(date +%s)
stage_started=$started

say() { printf 'windows-gui: %s\n' "$*"; }
die() {
    say "$*" >&2
    exit 1
}
# Ends a stage with its time.
stage_done() {
    local now
    now=$(date +%s)
    say "$1 ($((now - stage_started)) s)"
    stage_started=$now
}

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
# The header-only libraries through folders of their own, as scripts/test-windows.sh sets them up.
mkdir -p "$out/deps/cli11/include" "$out/deps/json/include"
ln -sfn /usr/include/CLI "$out/deps/cli11/include/CLI"
ln -sfn /usr/include/nlohmann "$out/deps/json/include/nlohmann"
host_cmake_dir=$(dirname "$(dirname "$(realpath /usr/lib/*/cmake/Qt6/Qt6Config.cmake | head -n 1)")")
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH=""
# shellcheck disable=SC2086 # CMAKE_ARGS is a list of arguments, as in the Makefile
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DTESSAROLL_MINGW_SHARED_RUNTIME=ON \
    -DCMAKE_FIND_ROOT_PATH="$prefix;$qt" -DCMAKE_PREFIX_PATH="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" \
    -DCLI11_INCLUDE_DIR="$out/deps/cli11/include" -DNLOHMANN_JSON_INCLUDE_DIR="$out/deps/json/include" \
    -DTESSAROLL_BUILD_TESTS=ON -DTESSAROLL_WINDOW_TESTS_ONLY=ON -DTESSAROLL_BUILD_BENCH=OFF \
    ${CMAKE_ARGS:-} >"$out/configure-gui.log" 2>&1 || {
    cat "$out/configure-gui.log" >&2
    die "configuring the Windows window program failed"
}
# The program and what test-windows-gui.sh runs; the companion comes from step 2.
targets=(tessaroll type_text_windows)
for test in tests/ui/*_test.cpp; do
    targets+=("$(basename "$test" .cpp)")
done
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

zip_file="$out/$name.zip"
rm -f "$zip_file"
(cd "$build/zip" && zip -q -X -r -9 "$zip_file" "$name")
{
    echo "$name.zip: $(stat -c %s "$zip_file") bytes"
    echo "From Windows itself: $(for k in "${!shipped[@]}"; do [ "${shipped[$k]}" = windows ] && echo "$k"; done | sort | tr '\n' ' ')"
    (cd "$build/zip" && find "$name" -type f -printf '%10s  %p\n' | sort -k 2)
} >"$out/$name.contents.txt"
cat "$out/$name.contents.txt"
stage_done "wrote $zip_file"
say "finished in $(($(date +%s) - started)) s"
