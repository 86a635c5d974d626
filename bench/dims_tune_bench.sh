#!/usr/bin/env bash
# Wall time of zandrel2-dims's tuning commands as a builder runs them: --tune for one style,
# --trim with a 101-point measurement, and --tune for all six styles at once (one process each,
# side by side), with the nec2c runs each result reports.
# usage: bench/dims_tune_bench.sh [path/to/zandrel2-dims]   (default: the release build's)
set -euo pipefail
cd "$(dirname "$0")/.."
dims=${1:-build/release/programs/zandrel2-dims/zandrel2-dims}
frequency=137.50
style=${STYLE:-HalfTurnTall}
styles=(QuarterTurn HalfTurnRca HalfTurnShort HalfTurnTall OneTurn OneAndHalfTurn)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN {printf "%.2f", b - a}'; }
runs() { sed -n 's/.*"nec2c_runs": \([0-9]*\).*/\1/p' "$1"; }

# The measurement: the style as computed for 135 MHz (each loop 1.85 % larger than the design
# for 137.50 MHz), modelled over 121.5 to 148.5 MHz and spread to 101 points as a VNA saves them.
"$dims" --touchstone "$style" 135 -o "$work/model.s1p"
awk '
    /^[!#]/ { print; next }
    NF == 3 { f[n] = $1; re[n] = $2; im[n] = $3; n++ }
    END {
        for (i = 0; i < 101; i++) {
            x = f[0] + (f[n - 1] - f[0]) * i / 100
            for (k = 0; k < n - 2 && f[k + 1] < x; k++) {}
            t = (x - f[k]) / (f[k + 1] - f[k])
            printf "%.6f %.12f %.12f\n", x, re[k] + t * (re[k + 1] - re[k]), im[k] + t * (im[k + 1] - im[k])
        }
    }' "$work/model.s1p" >"$work/measured.s1p"

start=$(now)
status=0
"$dims" --tune "$style" "$frequency" --json >"$work/tune.json" || status=$?
printf -- '--tune %s %s: %s s, %s nec2c runs, exit %d\n' "$style" "$frequency" "$(since "$start")" \
    "$(runs "$work/tune.json")" "$status"

start=$(now)
"$dims" --trim "$style" "$frequency" --measured "$work/measured.s1p" --json >"$work/trim.json"
printf -- '--trim %s %s, 101 points: %s s, %s nec2c runs\n' "$style" "$frequency" \
    "$(since "$start")" "$(runs "$work/trim.json")"

start=$(now)
pids=()
for each in "${styles[@]}"; do
    "$dims" --tune "$each" "$frequency" --json >"$work/$each.json" &
    pids+=($!)
done
statuses=()
for pid in "${pids[@]}"; do
    s=0
    wait "$pid" || s=$?
    statuses+=("$s")
done
printf -- '--tune for the six styles at once: %s s\n' "$(since "$start")"
for i in "${!styles[@]}"; do
    printf '  %-15s %3s nec2c runs, exit %s\n' "${styles[$i]}" "$(runs "$work/${styles[$i]}.json")" \
        "${statuses[$i]}"
done
printf 'cores: %s, load average: %s\n' "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
