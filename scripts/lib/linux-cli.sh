# SPDX-License-Identifier: GPL-3.0-or-later
# The Linux tessaroll-cli that the Windows checks compare with. Source it; then
#
#   linux_cli   prints the path of ${BUILD:-build}/cli/tessaroll-cli, or, when that build has
#               none, of one it builds (the command-line companion alone) in
#               build-windows-native; the build's messages go to standard error
#
# Needs root (common.sh).

linux_cli() {
    local cli="$root/${BUILD:-build}/cli/tessaroll-cli"
    if [ -x "$cli" ]; then
        echo "$cli"
        return
    fi
    local native="$root/build-windows-native"
    if [ ! -x "$native/cli/tessaroll-cli" ]; then
        printf 'no Linux tessaroll-cli in %s; building one in %s\n' "${BUILD:-build}" "$native" >&2
        cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSAROLL_BUILD_UI=OFF \
            -DTESSAROLL_BUILD_TESTS=OFF -DTESSAROLL_BUILD_BENCH=OFF >&2 || return 1
    fi
    nice -n 10 cmake --build "$native" -j "${JOBS:-$(nproc)}" --target tessaroll-cli >&2 || return 1
    echo "$native/cli/tessaroll-cli"
}
