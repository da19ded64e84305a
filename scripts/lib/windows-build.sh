# SPDX-License-Identifier: GPL-3.0-or-later
# The cross-build for Windows, shared by scripts/test-windows.sh and scripts/windows-gui.sh.
# Source it after common.sh; then
#
#   host                        the mingw-w64 triplet
#   windows_header_folders DEPS CLI11 and nlohmann-json, libraries of headers only, shared with
#                               the Linux build, each through a folder of its own under DEPS
#                               (DEPS/cli11/include, DEPS/json/include), so that no other Linux
#                               header can reach the Windows compiler
#   windows_notices OUTPUT DOWNLOAD VERSIONS [--qt=DIR] KEY=WHERE...
#                               writes THIRD-PARTY-NOTICES.txt of a download
#                               (scripts/third_party_notices.py); VERSIONS is the file of the
#                               Debian source versions GMP, MPFR and Nettle were built from

host=x86_64-w64-mingw32

windows_header_folders() {
    mkdir -p "$1/cli11/include" "$1/json/include"
    ln -sfn /usr/include/CLI "$1/cli11/include/CLI"
    ln -sfn /usr/include/nlohmann "$1/json/include/nlohmann"
}

windows_notices() {
    local output=$1 download=$2 versions=$3 item
    shift 3
    local args=(--output "$output" --download "$download" --versions "$versions")
    for item in "$@"; do
        case $item in
        --qt=*) args+=(--qt "${item#--qt=}") ;;
        *) args+=(--component "$item") ;;
        esac
    done
    python3 "$root/scripts/third_party_notices.py" "${args[@]}"
}
