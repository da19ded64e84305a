#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows build of the engine, the settings and tessaroll-cli, checked under Wine.
#
#   1. installs what is missing (scripts/packages/windows.txt);
#   2. builds GMP, MPFR and Nettle (SHA-256 only) for 64-bit Windows from Debian's own source
#      packages, static, once: they are kept in build-windows/deps and reused by every later run;
#   3. cross-builds tessaroll-cli with mingw-w64 (cmake/mingw-w64-x86_64.cmake), statically linked;
#   4. runs under Wine, with the ANSI code page 1252, the CLI's self-test, the comparison of its
#      code-page tables with Windows' own conversion, every reference vector of
#      tests/data/engine.jsonl on both builds (those of other code pages through --code-page), a
#      comparison of output.txt with the one the Linux CLI writes (scripts/windows_vectors.py),
#      a comparison of the fingerprint of a personal password with the Linux CLI's, and the code
#      page each of 15 locales gives, against GetACP (scripts/windows-locale-check.sh);
#   5. packs the download tessaroll-cli-<version>-windows-x64.zip (scripts/windows-zip.py), with
#      LICENSE.txt and THIRD-PARTY-NOTICES.txt (scripts/third_party_notices.py).
#
# Usage: scripts/test-windows.sh [--build-only]
#   --build-only leaves out steps 4 to 6 (the Linux CLI, Wine and the checks): the build and the
#   zip alone, as the reproducibility check (scripts/test-reproducible.sh) makes them again.
# Environment: WINDOWS_BUILD (default build-windows), JOBS (default: number of cores),
# CMAKE_ARGS (passed on to the Windows configure, as in the Makefile).
set -euo pipefail
tessaroll_script=test-windows
. "$(dirname "$0")/lib/common.sh"
. "$root/scripts/lib/wine.sh"
. "$root/scripts/lib/linux-cli.sh"
. "$root/scripts/lib/windows-build.sh"
cd "$root"

out="$(realpath -m "${WINDOWS_BUILD:-build-windows}")"
deps="$out/deps"
prefix="$deps/$host"
jobs="${JOBS:-$(nproc)}"
build_only=false
case ${1:-} in
--build-only) build_only=true ;;
"") ;;
*) die "unknown argument $1; usage: $0 [--build-only]" ;;
esac

# --- 1. Packages -------------------------------------------------------------------------------
scripts/install-deps.sh scripts/packages/windows.txt

# --- 2. GMP, MPFR and Nettle for Windows ---------------------------------------------------------

# Adds deb-src entries for the suites this machine already installs from, so that
# `apt-get source` gives the very versions of GMP and MPFR the Linux build links. Does nothing when
# source entries are already there.
ensure_deb_src() {
    if [ -n "$(apt-cache showsrc gmp 2>/dev/null)" ]; then
        return
    fi
    if [ "$(id -u)" -ne 0 ]; then
        say "no deb-src entry for GMP and MPFR; run this as root once, or add one yourself." >&2
        exit 1
    fi
    local list=/etc/apt/sources.list.d/tessaroll-deb-src.sources
    local legacy=/etc/apt/sources.list.d/tessaroll-deb-src.list
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        # The same stanzas as the machine's own, with deb-src instead of deb.
        awk '/^Types:/ { print "Types: deb-src"; next } { print }' \
            /etc/apt/sources.list.d/debian.sources >"$list.new"
        mv "$list.new" "$list"
    elif [ -f /etc/apt/sources.list ]; then
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$legacy"
    fi
    say "added deb-src entries for the machine's suites; updating the package index"
    local try
    for try in 1 2 3 4 5 6; do
        if apt-get update -q; then
            return
        fi
        say "apt-get update failed (attempt $try; another apt may hold the lock); retrying in 20 s"
        sleep 20
    done
    exit 1
}

# shellcheck disable=SC2086 # make_args and install_targets are lists of arguments
# Downloads, unpacks (with Debian's patches) and builds one source package into $prefix.
# Arguments: source package, version, arguments for make (both builds), then for configure.
# install_targets (default "install") says what the second make installs.
# Sets built_version to the version it built.
build_source_package() {
    local source=$1 version=$2 make_args=$3
    shift 3
    local dir="$deps/src/$source"
    rm -rf "$dir"
    mkdir -p "$dir"
    local log="$dir/apt-get-source.log"
    if ! (cd "$dir" && apt-get source -q "$source=$version") >"$log" 2>&1; then
        # The installed version may have left the archive since; take the suite's current one.
        say "$source $version is not in the archive any more; taking its current version"
        (cd "$dir" && apt-get source -q "$source") >>"$log" 2>&1 || {
            cat "$log" >&2
            exit 1
        }
    fi
    built_version=$(sed -n 's/^Version: //p' "$dir"/*.dsc | head -n 1)
    local tree
    tree=$(find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    say "building $source $built_version for $host"
    # Debian's patches change configure.ac and Makefile.am, so the build system is generated
    # again first, as Debian's own build does (dh_autoreconf).
    (
        cd "$tree" &&
            nice -n 10 autoreconf -fi &&
            nice -n 10 ./configure --host=$host --build="$(gcc -dumpmachine)" --prefix="$prefix" \
                --enable-static --disable-shared CC=$host-gcc-posix "$@" &&
            nice -n 10 make -j"$jobs" $make_args &&
            make ${install_targets:-install} $make_args
    ) >"$dir/build.log" 2>&1 || {
        tail -n 40 "$dir/build.log" >&2
        say "building $source failed; the whole log is $dir/build.log" >&2
        exit 1
    }
}

# The version that the Linux build links, so that both systems run the same library code.
wanted_version() {
    local version
    # One line per installed architecture (cross builds add some); they share the version.
    version=$(dpkg-query -W -f='${source:Version}\n' "$1" 2>/dev/null | head -n 1 || true)
    if [ -z "$version" ]; then
        version=$(apt-cache showsrc "$2" | sed -n 's/^Version: //p' | head -n 1)
    fi
    echo "$version"
}

stamp="$prefix/VERSIONS"
if [ -f "$stamp" ] && [ -f "$prefix/lib/libgmp.a" ] && [ -f "$prefix/lib/libmpfr.a" ]; then
    say "reusing GMP and MPFR from $prefix"
else
    ensure_deb_src
    gmp_version=$(wanted_version libgmp-dev gmp)
    mpfr_version=$(wanted_version libmpfr-dev mpfr4)
    rm -rf "$prefix"
    build_source_package gmp "$gmp_version" ""
    gmp_version=$built_version
    # The library and mpfr.pc only: the manual would need makeinfo, the tests a Windows to run on.
    build_source_package mpfr4 "$mpfr_version" SUBDIRS=src --with-gmp="$prefix"
    mpfr_version=$built_version
    printf 'gmp %s\nmpfr4 %s\n' "$gmp_version" "$mpfr_version" >"$stamp"
    rm -rf "$deps/src"
    say "GMP and MPFR built in $(elapsed)"
fi
# SHA-256 for the fingerprint of the personal password: the library nettle alone, without its
# public-key part (which would need GMP), its tools and its manual.
if [ -f "$prefix/lib/libnettle.a" ] && grep -q '^nettle ' "$stamp"; then
    say "reusing Nettle from $prefix"
else
    ensure_deb_src
    nettle_version=$(wanted_version nettle-dev nettle)
    install_targets="install-headers install-static install-pkgconfig" \
        build_source_package nettle "$nettle_version" libnettle.a \
        --disable-public-key --disable-openssl --disable-documentation
    printf 'nettle %s\n' "$built_version" >>"$stamp"
    rm -rf "$deps/src"
    say "Nettle built in $(elapsed)"
fi
while read -r name version; do
    say "Windows libraries: $name $version (Debian source package, static, $host)"
done <"$stamp"

# --- 3. The Windows CLI --------------------------------------------------------------------------
windows_header_folders "$deps"

cli_build="$out/cli"
say "building tessaroll-cli for Windows in $cli_build"
# shellcheck disable=SC2086 # CMAKE_ARGS is a list of arguments, as in the Makefile
PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="" \
    cmake -S "$root" -B "$cli_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" -DCLI11_INCLUDE_DIR="$deps/cli11/include" \
    -DNLOHMANN_JSON_INCLUDE_DIR="$deps/json/include" \
    -DTESSAROLL_BUILD_UI=OFF -DTESSAROLL_BUILD_TESTS=OFF -DTESSAROLL_BUILD_BENCH=OFF \
    ${CMAKE_ARGS:-} >"$out/configure.log" || {
    cat "$out/configure.log" >&2
    exit 1
}
PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="" \
    nice -n 10 cmake --build "$cli_build" -j "$jobs" --target tessaroll-cli
windows_cli="$cli_build/cli/tessaroll-cli.exe"
# Linked statically: the program may import Windows' own DLLs only, none of the toolchain's
# (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll) nor GMP's or MPFR's.
dlls=$($host-objdump -p "$windows_cli" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
if grep -qiE '(^| )lib[^ ]*\.dll' <<<"$dlls"; then
    say "$windows_cli needs DLLs that Windows does not have: $dlls" >&2
    exit 1
fi
say "$windows_cli imports only Windows' own DLLs: $dlls"

status=0
if ! $build_only; then
    # --- 4. The Linux CLI, for the same vectors and output.txt ------------------------------------
    linux_cli=$(linux_cli)

    # --- 5. Wine ----------------------------------------------------------------------------------
    # No display: the CLI needs none.
    wine_environment "$out/wine"
    unset DISPLAY
    trap wine_stop EXIT
    [ -f "$WINEPREFIX/system.reg" ] || say "creating the Wine prefix $WINEPREFIX"
    wine_prefix
    # The ANSI code page of this Windows, which the vectors without a code page of their own
    # need to be 1252.
    acp=$(wine_code_page)
    if [ "$acp" != 1252 ]; then
        say "the Wine prefix has the ANSI code page '${acp}', not 1252" >&2
        exit 1
    fi

    # --- 6. The checks ----------------------------------------------------------------------------
    say "checking under Wine ($($wine --version), ANSI code page $acp)"
    python3 "$root/scripts/windows_vectors.py" --wine "$wine" --windows-cli "$windows_cli" \
        --linux-cli "$linux_cli" --vectors "$root/tests/data/engine.jsonl" \
        --work "$out/check" --jobs "$jobs" && status=0 || status=$?

    # The fingerprint of a personal password: the same words from both builds. Output goes to
    # files, as above.
    printf 'secret\n' >"$out/secret.txt"
    "$linux_cli" generate --date 2002-07-26 --fingerprint <"$out/secret.txt" >/dev/null \
        2>"$out/fingerprint-linux.txt" || true
    "$wine" "$windows_cli" generate --date 2002-07-26 --fingerprint <"$out/secret.txt" \
        >"$out/fingerprint-windows-out.txt" 2>"$out/fingerprint-windows.txt" || true
    linux_fingerprint=$(grep '^Fingerprint' "$out/fingerprint-linux.txt" || true)
    windows_fingerprint=$(tr -d '\r' <"$out/fingerprint-windows.txt" | grep '^Fingerprint' || true)
    if [ -n "$linux_fingerprint" ] && [ "$linux_fingerprint" = "$windows_fingerprint" ]; then
        say "both builds give \"secret\" the same fingerprint: ${linux_fingerprint#*: }"
    else
        say "the fingerprints of \"secret\" differ: Linux \"$linux_fingerprint\"," \
            "Windows \"$windows_fingerprint\"" >&2
        status=1
    fi

    # The code page chosen from the locale, against GetACP, in a Wine prefix of its own.
    "$root/scripts/windows-locale-check.sh" "$windows_cli" "$linux_cli" "$out/locales" ||
        status=1
fi

# --- 7. The download ---------------------------------------------------------------------------
if [ "$status" -eq 0 ]; then
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$cli_build/CMakeCache.txt")
    zip="$out/tessaroll-cli-$version-windows-x64.zip"
    $host-strip -o "$out/tessaroll-cli.exe" "$windows_cli"
    statically="tessaroll-cli.exe, linked statically"
    windows_notices "$out/cli-notices.txt" "$(basename "$zip")" "$stamp" \
        gmp="$statically" mpfr="$statically" nettle="$statically" cli11="$statically" \
        nlohmann-json="$statically" wine-code-pages="tessaroll-cli.exe" \
        gcc-runtime="$statically" mingw-w64="tessaroll-cli.exe: its start-up code and winpthreads, linked statically"
    python3 "$root/scripts/windows-zip.py" --exe "$out/tessaroll-cli.exe" \
        --readme "$root/README.md" --license "$root/LICENSE" --notices "$out/cli-notices.txt" \
        --output "$zip"
    say "wrote $zip"
fi
say "finished in $(elapsed)"
exit $status
