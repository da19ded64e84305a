#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures what several tessaroll-cli processes writing into one folder at once leave behind:
#   1. two writers (a list of 130 passwords and one of 1) into the same output.txt, ROUNDS rounds;
#      after each round output.txt must be one of the two lists whole;
#   2. MANY generates started at once into the same folder; every one must succeed.
# Usage: scripts/concurrent-writers.sh [path/to/tessaroll-cli] [ROUNDS] [MANY]
set -euo pipefail
cli=$(realpath "${1:-build/cli/tessaroll-cli}")
rounds=${2:-550}
many=${3:-200}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo secret >password.txt

long=(generate --date 2002-07-26 --count 130 --length 130 --output-dir .)
short=(generate --date 2002-07-27 --count 1 --length 1 --output-dir .)
mixed=0 failed_long=0 failed_short=0
SECONDS=0
for ((i = 1; i <= rounds; i++)); do
    "$cli" "${long[@]}" <password.txt >/dev/null 2>>errors.txt & a=$!
    "$cli" "${short[@]}" <password.txt >/dev/null 2>>errors.txt & b=$!
    wait $a || failed_long=$((failed_long + 1))
    wait $b || failed_short=$((failed_short + 1))
    case "$(head -n 1 output.txt)" in
        Date=7/26/2002*) want=130 ;;
        Date=7/27/2002*) want=1 ;;
        *) want=-1 ;;
    esac
    if [ "$(grep -c '^Password ' output.txt)" != "$want" ] ||
       [ "$(grep -c '^Generated on ' output.txt)" != 1 ]; then
        mixed=$((mixed + 1))
    fi
done
echo "two writers, $rounds rounds: $mixed mixed files; writers that failed: long $failed_long, short $failed_short (${SECONDS} s)"

pids=()
for ((i = 1; i <= many; i++)); do
    "$cli" "${short[@]}" <password.txt >/dev/null 2>>errors.txt & pids+=($!)
done
ok=0
for p in "${pids[@]}"; do
    if wait "$p"; then ok=$((ok + 1)); fi
done
echo "$many concurrent generates: $ok succeeded, $((many - ok)) failed"
left=$(find . -name '*.tmp' | wc -l)
echo "temporary files left: $left"
if [ -s errors.txt ]; then
    echo "messages:"; sort errors.txt | uniq -c | head
fi
[ "$mixed" = 0 ] && [ "$failed_long" = 0 ] && [ "$failed_short" = 0 ] && [ "$ok" = "$many" ] && [ "$left" = 0 ]
