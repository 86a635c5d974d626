#!/usr/bin/env bash
# Memory and time that `zandrel2-dims --trim` takes to read measurements up to the size cap
# (64 MiB): 63 MiB of newlines, 60 MiB of commas, one comment line of 63 MiB, and the most
# points read, 200,000 near the design frequency, each with a long comment (about 64 MiB). No
# nec2c is on the PATH, so each run ends once the measurement is read (or refused) and, for the
# points, copied for the fit. Prints each file's peak resident memory
# above that of a five-point file, and its seconds per 10 MB; the targets are at most 64 MB
# above the baseline and at most 2 s per 10 MB. Best of RUNS runs each.
# usage: bench/measurement_bench.sh [path/to/zandrel2-dims]   (default: the release build's)
set -euo pipefail
cd "$(dirname "$0")/.."
dims=$(readlink -f "${1:-build/release/programs/zandrel2-dims/zandrel2-dims}")
runs=${RUNS:-3}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '# MHz S RI R 50\n400 0 0\n401 0 0\n402 0 0\n403 0 0\n404 0 0\n' >"$work/baseline.s1p"
head -c $((63 << 20)) /dev/zero | tr '\0' '\n' >"$work/newlines.s1p"
head -c $((60 << 20)) /dev/zero | tr '\0' ',' >"$work/commas.csv"
{
    printf '!'
    head -c $((63 << 20)) /dev/zero | tr '\0' 'c'
    printf '\n'
} >"$work/comment.s1p"
# Near the design frequency, so that the fit takes its copy of them before it looks for nec2c.
awk 'BEGIN {
    pad = sprintf("%310s", ""); gsub(/ /, "c", pad)
    print "# Hz S RI R 50"
    for (i = 1; i <= 200000; i++) printf "%d 0.1 -0.2 !%s\n", 130000000 + i * 100, pad
}' >"$work/points.s1p"

# Peak resident memory in KiB and seconds of the best of the runs: "KIB SECONDS".
measure() {
    local best_kib="" best_seconds=""
    for ((i = 0; i < runs; i++)); do
        env PATH=/nonexistent /usr/bin/time -f '%M %e' -o "$work/time" \
            "$dims" --trim QuarterTurn 137.50 --measured "$1" >/dev/null 2>&1 || true
        read -r kib seconds < <(tail -n 1 "$work/time")
        if [[ -z "$best_kib" ]] || ((kib < best_kib)); then best_kib=$kib; fi
        if [[ -z "$best_seconds" ]] || awk -v a="$seconds" -v b="$best_seconds" 'BEGIN {exit !(a < b)}'; then
            best_seconds=$seconds
        fi
    done
    echo "$best_kib $best_seconds"
}

read -r baseline _ < <(measure "$work/baseline.s1p")
printf 'baseline (five points): %d KiB peak\n' "$baseline"
printf '%-14s %10s %14s %16s\n' FILE MIB 'PEAK ABOVE MB' 'S PER 10 MB'
for file in newlines.s1p commas.csv comment.s1p points.s1p; do
    read -r kib seconds < <(measure "$work/$file")
    bytes=$(stat -c %s "$work/$file")
    awk -v f="$file" -v b="$bytes" -v k="$kib" -v base="$baseline" -v s="$seconds" 'BEGIN {
        printf "%-14s %10.1f %14.1f %16.3f\n", f, b / 1048576, (k - base) * 1024 / 1e6, s / (b / 1e7)
    }'
done
