#!/usr/bin/env bash
# Start-up time of the editor against a minimal Qt window with a menu bar,
# a toolbar and a text area: from launch to the first painted frame, many
# runs of each, taken in turns under one virtual X server. Prints both
# medians, their ratio and the target (the editor within 1.5 times the
# minimal window).
#   scripts/bench-startup.sh [build folder] [runs]
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(readlink -f "${1:-$top/build}")
runs=${2:-30}
target=1.5

bilan="$build/bench/bench_startup_bilan"
reference="$build/bench/bench_startup_reference"
for program in "$bilan" "$reference"; do
    [ -x "$program" ] || { echo "bench-startup: no $program (build the bench target first)" >&2; exit 1; }
done

if [ -z "${BILAN_BENCH_INNER:-}" ]; then
    command -v xvfb-run >/dev/null || { echo "bench-startup: needs xvfb-run (apt-get install xvfb xauth)" >&2; exit 1; }
    exec env BILAN_BENCH_INNER=1 xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
        bash "${BASH_SOURCE[0]}" "$build" "$runs"
fi

work=$(mktemp -d)
# An empty state folder of its own: no copy a crashed program left on this
# machine is offered meanwhile.
export XDG_STATE_HOME="$work/state"
trap 'rm -rf "$work"' EXIT
cd "$work"
# Qt wants a private runtime folder and says so on every start without one.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
export LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=xcb

once() {
    BILAN_BENCH_START=$(date +%s%N) timeout 30 "$1"
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) { print "nan"; exit }
        if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# One run of each first, so that both find the libraries in the page cache.
once "$bilan" >/dev/null
once "$reference" >/dev/null

: >"$work/bilan.txt"
: >"$work/reference.txt"
for _ in $(seq "$runs"); do
    once "$reference" >>"$work/reference.txt"
    once "$bilan" >>"$work/bilan.txt"
done

bilan_ms=$(median <"$work/bilan.txt")
reference_ms=$(median <"$work/reference.txt")
awk -v b="$bilan_ms" -v r="$reference_ms" -v n="$runs" -v t="$target" 'BEGIN {
    ratio = b / r
    printf "start-up to first frame, median of %d runs\n", n
    printf "  %8.1f ms  minimal Qt window (menu bar, toolbar, text area)\n", r
    printf "  %8.1f ms  笔澜2.5\n", b
    printf "  ratio %.2f, target %.1f: %s\n", ratio, t, ratio <= t ? "within target" : "ABOVE TARGET"
}'
