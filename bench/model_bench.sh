#!/usr/bin/env bash
# Wall time of `zandrel2-dims --model 137.50` (the six styles in nec2c, side by side) against
# running the same six decks in nec2c one after another. Median of RUNS runs each.
# usage: bench/model_bench.sh [path/to/zandrel2-dims]   (default: the release build's)
set -euo pipefail
cd "$(dirname "$0")/.."
dims=${1:-build/release/programs/zandrel2-dims/zandrel2-dims}
runs=${RUNS:-7}
frequency=137.50
styles=(QuarterTurn HalfTurnRca HalfTurnShort HalfTurnTall OneTurn OneAndHalfTurn)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for style in "${styles[@]}"; do
    "$dims" --nec "$style" "$frequency" >"$work/$style.nec"
done

now() { date +%s.%N; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

model_times=()
sequential_times=()
for ((i = 0; i < runs; i++)); do
    start=$(now)
    "$dims" --model "$frequency" >/dev/null
    model_times+=("$(awk -v a="$start" -v b="$(now)" 'BEGIN {print b - a}')")

    start=$(now)
    for style in "${styles[@]}"; do
        nec2c -i "$work/$style.nec" -o "$work/$style.out" >/dev/null
    done
    sequential_times+=("$(awk -v a="$start" -v b="$(now)" 'BEGIN {print b - a}')")
done

printf 'zandrel2-dims --model %s, median of %d: %.3f s\n' "$frequency" "$runs" \
    "$(printf '%s\n' "${model_times[@]}" | median)"
printf 'the six decks in nec2c one after another:  %.3f s\n' \
    "$(printf '%s\n' "${sequential_times[@]}" | median)"
printf 'cores: %s\n' "$(nproc)"
