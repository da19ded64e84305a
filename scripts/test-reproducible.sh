#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Two builds of one commit give the same bytes: the Debian package, both Windows zips and the
# Windows installer are made a second time from the same source, in folders of their own, and
# compared with the first ones byte for byte (cmp). When a pair differs, diffoscope's report of
# where is kept and its start shown.
#
# The second builds leave out what the downloads do not hold (tests, benchmarks); GMP, MPFR and
# Nettle for Windows are inputs both builds take from the first one's build-windows/deps. Dates
# come from SOURCE_DATE_EPOCH, the time of the last commit (the Makefile sets it for the first
# builds; this script takes the same).
#
# Needs: make package, make test-windows and make windows-installer done (the Windows parts are
# compared when they are there, and left out with a line saying so when not).
# Environment: BUILD (default build), WINDOWS_BUILD (default build-windows), REPRO_BUILD (the
# second builds' folder, default build-repro), JOBS, CMAKE_ARGS (as for the first builds).
set -euo pipefail
tessaroll_script=test-reproducible
. "$(dirname "$0")/lib/common.sh"
cd "$root"

build="$(realpath -m "${BUILD:-build}")"
windows_build="$(realpath -m "${WINDOWS_BUILD:-build-windows}")"
repro="$(realpath -m "${REPRO_BUILD:-build-repro}")"
jobs="${JOBS:-$(nproc)}"
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
[ -n "$version" ] || die "no configured build in $build: run make package first"
deb="tessaroll_${version}_$(dpkg --print-architecture).deb"
[ -f "$build/$deb" ] || die "$build/$deb is missing: run make package first"
scripts/install-deps.sh scripts/packages/package.txt scripts/packages/reproducible.txt >/dev/null

rm -rf "$repro"
mkdir -p "$repro"
pairs=()

# --- The Debian package ---------------------------------------------------------------------------
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
# shellcheck disable=SC2086 # CMAKE_ARGS is a list of arguments, as in the Makefile
cmake -S "$root" -B "$repro/linux" -DCMAKE_BUILD_TYPE="$build_type" -DTESSAROLL_BUILD_TESTS=OFF \
    -DTESSAROLL_BUILD_BENCH=OFF ${CMAKE_ARGS:-} >"$repro/linux-configure.log" 2>&1 || {
    cat "$repro/linux-configure.log" >&2
    die "configuring the second Linux build failed"
}
nice -n 10 cmake --build "$repro/linux" -j "$jobs" >"$repro/linux-build.log" 2>&1 || {
    tail -n 40 "$repro/linux-build.log" >&2
    die "the second Linux build failed"
}
(cd "$repro/linux" && cpack -G DEB >"$repro/cpack.log" 2>&1) || {
    cat "$repro/cpack.log" >&2
    die "cpack failed in the second Linux build"
}
pairs+=("$build/$deb" "$repro/linux/$deb")
stage_done "the Debian package built again in $repro/linux"

# --- The Windows downloads -------------------------------------------------------------------------
cli_zip="tessaroll-cli-$version-windows-x64.zip"
gui_zip="tessaroll-$version-windows-x64.zip"
installer="tessaroll-$version-windows-x64-setup.exe"
second="$repro/windows"
if [ -f "$windows_build/$cli_zip" ] && [ -f "$windows_build/deps/x86_64-w64-mingw32/VERSIONS" ]; then
    mkdir -p "$second/deps"
    ln -s "$windows_build/deps/x86_64-w64-mingw32" "$second/deps/x86_64-w64-mingw32"
    WINDOWS_BUILD="$second" scripts/test-windows.sh --build-only >"$repro/windows-cli.log" 2>&1 || {
        tail -n 40 "$repro/windows-cli.log" >&2
        die "the second build of tessaroll-cli.exe failed"
    }
    pairs+=("$windows_build/$cli_zip" "$second/$cli_zip")
    stage_done "the command-line companion's zip built again in $second"
else
    say "no $windows_build/$cli_zip (make test-windows): its zip is left out"
fi
if [ -f "$windows_build/$gui_zip" ] && [ -f "$second/$cli_zip" ]; then
    WINDOWS_BUILD="$second" scripts/windows-gui.sh --program-only >"$repro/windows-gui.log" 2>&1 || {
        tail -n 40 "$repro/windows-gui.log" >&2
        die "the second build of tessaroll.exe failed"
    }
    pairs+=("$windows_build/$gui_zip" "$second/$gui_zip")
    stage_done "the window program's zip built again in $second"
    if [ -f "$windows_build/$installer" ]; then
        WINDOWS_BUILD="$second" scripts/windows-installer.sh >"$repro/windows-installer.log" 2>&1 || {
            cat "$repro/windows-installer.log" >&2
            die "the second installer could not be made"
        }
        pairs+=("$windows_build/$installer" "$second/$installer")
        stage_done "the installer made again in $second"
    else
        say "no $windows_build/$installer (make windows-installer): the installer is left out"
    fi
else
    say "no $windows_build/$gui_zip (make windows-gui): its zip and the installer are left out"
fi

# --- Compared ------------------------------------------------------------------------------------
differ=()
for ((i = 0; i < ${#pairs[@]}; i += 2)); do
    first=${pairs[i]} again=${pairs[i + 1]}
    if cmp -s "$first" "$again"; then
        say "the same bytes: $(basename "$first") ($(stat -c %s "$first") bytes, sha256 $(sha256sum "$first" | cut -c 1-16)...)"
    else
        report="$repro/diffoscope-$(basename "$first").txt"
        if command -v diffoscope >/dev/null; then
            diffoscope --text "$report" "$first" "$again" >/dev/null 2>&1 || true
            say "$(basename "$first") differs; diffoscope's report: $report" >&2
            head -n 60 "$report" >&2
        else
            cmp "$first" "$again" >&2 || true
        fi
        differ+=("$(basename "$first")")
    fi
done
[ ${#differ[@]} -eq 0 ] || die "two builds of one commit differ: ${differ[*]}"
say "$((${#pairs[@]} / 2)) downloads built twice give the same bytes, in $(elapsed)"
