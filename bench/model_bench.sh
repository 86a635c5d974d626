#!/usr/bin/env bash
# Wall time of `zandrel2-dims --model 137.50` (the six styles in nec2c, side by side, with the
# resonance's sensitivity) against running the same six decks in nec2c one after another: the
# median of RUNS runs each, their ratio, and the machine's load before and after, since other
# work on the machine moves both. Beside them, the six decks alone run side by side, one per core:
# the least any --model could take on this machine, since two runs at once here are slower each
# than one alone.
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
load() { cut -d ' ' -f 1-3 /proc/loadavg; }

load_before=$(load)
model_times=()
sequential_times=()
side_by_side_times=()
for ((i = 0; i < runs; i++)); do
    start=$(now)
    "$dims" --model "$frequency" >/dev/null
    model_times+=("$(awk -v a="$start" -v b="$(now)" 'BEGIN {print b - a}')")

    start=$(now)
    for style in "${styles[@]}"; do
        nec2c -i "$work/$style.nec" -o "$work/$style.out" >/dev/null
    done
    sequential_times+=("$(awk -v a="$start" -v b="$(now)" 'BEGIN {print b - a}')")

    start=$(now)
    # the largest deck first, as the program starts the largest model first
    (cd "$work" && ls -S -- *.nec) | sed 's/\.nec$//' |
        xargs -P "$(nproc)" -I{} nec2c -i "$work/{}.nec" -o "$work/{}.side.out" >/dev/null
    side_by_side_times+=("$(awk -v a="$start" -v b="$(now)" 'BEGIN {print b - a}')")
done
load_after=$(load)

model=$(printf '%s\n' "${model_times[@]}" | median)
sequential=$(printf '%s\n' "${sequential_times[@]}" | median)
side_by_side=$(printf '%s\n' "${side_by_side_times[@]}" | median)
printf 'zandrel2-dims --model %s, median of %d: %.3f s\n' "$frequency" "$runs" "$model"
printf 'the six decks in nec2c one after another:  %.3f s\n' "$sequential"
printf 'ratio: %.2f (--model over the decks one after another)\n' \
    "$(awk -v a="$model" -v b="$sequential" 'BEGIN {print a / b}')"
printf 'the six decks alone, %d at a time:        %.3f s, ratio %.2f (the floor)\n' "$(nproc)" \
    "$side_by_side" "$(awk -v a="$side_by_side" -v b="$sequential" 'BEGIN {print a / b}')"
printf 'cores: %s; load average (1, 5, 15 min): %s before, %s after\n' "$(nproc)" \
    "$load_before" "$load_after"
