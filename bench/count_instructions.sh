#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Instructions per call of pow_cr and of the C library's pow on both input sets, counted by
# callgrind: the count does not depend on the machine's load, unlike a timing.
#
#     bench/count_instructions.sh [BUILD_DIR]     (default: build)
set -eu
build=${1:-build}
prog=$build/bench/pow_calls
[ -x "$prog" ] || { echo "$prog is missing: cmake --build $build --target pow_calls" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is missing: apt-get install valgrind" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
small=4096
large=266240  # small + 65 * 4096: both go round the input set a whole number of times

# Instructions of the whole program run with n calls of function $1 on set $2.
count() {
    valgrind --tool=callgrind --callgrind-out-file="$out/cg" "$prog" "$1" "$2" "$3" \
        >/dev/null 2>"$out/log"
    sed -n 's/.*Collected : *\([0-9]*\).*/\1/p' "$out/log"
}

for set in unit general; do
    base=$(( $(count none $set $large) - $(count none $set $small) ))
    for f in pow_cr std_pow; do
        total=$(( $(count $f $set $large) - $(count $f $set $small) ))
        awk -v f=$f -v s=$set -v t=$total -v b=$base -v n=$((large - small)) \
            'BEGIN { printf "%-8s %-8s %6.1f instructions per call\n", f, s, (t - b) / n }'
    done
done
