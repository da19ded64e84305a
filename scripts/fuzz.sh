#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets (fuzz/) with clang and runs each one for FUZZ_SECONDS on a copy of
# its seed corpus (fuzz/corpus/<target>), so the seeds in the repository stay small and fixed.
# Fails when a target finds a crash, a sanitizer report or a broken check; the input that did it
# is kept in <build>/artifacts/<target>/ and the log in <build>/logs/<target>.log.
#
# Environment: FUZZ_SECONDS (default 60 per target), FUZZ_BUILD (default build-fuzz),
# JOBS (default: number of cores), CMAKE_ARGS (passed on to the configure, as in the Makefile).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

seconds="${FUZZ_SECONDS:-60}"
build="$(realpath -m "${FUZZ_BUILD:-build-fuzz}")"
jobs="${JOBS:-$(nproc)}"
targets=(pattern_file box_number code_page)

say() { printf 'fuzz: %s\n' "$*"; }

scripts/install-deps.sh scripts/packages/fuzz.txt

mkdir -p "$build"
# shellcheck disable=SC2086  # CMAKE_ARGS holds several arguments
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTESSAROLL_FUZZ=ON \
    -DTESSAROLL_BUILD_UI=OFF -DTESSAROLL_BUILD_TESTS=OFF -DTESSAROLL_BUILD_BENCH=OFF \
    ${CMAKE_ARGS:-} >"$build/configure.log" 2>&1 || {
    cat "$build/configure.log" >&2
    exit 1
}
nice -n 10 cmake --build "$build" -j "$jobs" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=()
for target in "${targets[@]}"; do
    corpus="$work/$target"
    artifacts="$build/artifacts/$target"
    log="$build/logs/$target.log"
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    cp fuzz/corpus/"$target"/* "$corpus"/
    say "$target: ${seconds} s on $(find "$corpus" -type f | wc -l) seeds"
    if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
        say "$target: no failure in ${runs:-?} runs; corpus grew to $(find "$corpus" -type f | wc -l) inputs"
    else
        tail -n 40 "$log" >&2
        say "$target: FAILED; the input is in $artifacts/, the whole log in $log" >&2
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    say "failures in: ${failed[*]}" >&2
    exit 1
fi
say "every target ran ${seconds} s without a failure"
