#!/usr/bin/env bash
# Opening the long manuscript (4.8 MB of RTF as LibreOffice writes it) and
# typing in it, on the real window, against the floor: a bare QTextEdit of
# the manuscript area's size and font that is given the document the same
# reader makes of the same file. Prints each figure beside the floor's and
# the targets: open within 1.5 times the floor; typing within 1.2 times the
# floor, with the 99th percentile under 16 ms where the floor's own is;
# typing while the window keeps its recovery copy within 1.1 times the
# floor, with the copies written and the seconds of typing they covered.
# Typing is measured in rounds, each a program of its own in which the
# window and the floor take keystrokes in turns, so that other work on the
# machine falls on both alike. The verdict is on the keystrokes of all
# rounds pooled, with the 90% interval of each ratio over resamplings of the
# keystroke pairs (scripts/latency-ratio.py): a round's own 99th percentile
# is its second or third slowest keystroke, which lands on one side or the
# other of a cliff in the slowest frames, so one round's ratio says little.
# The X server and the programs run at niceness BILAN_BENCH_NICE
# (default -15; root only, otherwise they run as they are), so that what
# is measured is the programs' own work rather than how long the
# scheduler gives other people's builds the two cores: both sides get the
# same.
# Runs on $DISPLAY, or on an Xvfb of its own when there is none.
# BILAN_BENCH_FILE measures another manuscript, with the targets in
# BILAN_OPEN_TARGET and BILAN_TYPING_TARGET; BILAN_BENCH_SCROLL=1 adds the
# wheel through the whole manuscript, each notch to its frame, against one
# frame's time (16.7 ms) at the median.
#   scripts/bench-editor.sh [build folder] [open runs] [keystrokes] [typing rounds]
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(readlink -f "${1:-$top/build}")
runs=${2:-7}
keystrokes=${3:-200}
typing_runs=${4:-5}
gap_ms=40
long="${BILAN_BENCH_FILE:-$build/bench-data/lo_long.rtf}"
open_target=${BILAN_OPEN_TARGET:-1.5}
typing_target=${BILAN_TYPING_TARGET:-1.2}
scroll=${BILAN_BENCH_SCROLL:-0}
# The recovery copy's typing is measured on the long manuscript only.
recovery=1
[ -z "${BILAN_BENCH_FILE:-}" ] || recovery=0
program="$build/bench/bench_editor"

[ -x "$program" ] || { echo "bench-editor: no $program (build the bench target first)" >&2; exit 1; }
[ -s "$long" ] || { echo "bench-editor: no $long (scripts/bench-rtf.sh generates it)" >&2; exit 1; }
command -v python3 >/dev/null || { echo "bench-editor: needs python3 (apt-get install python3)" >&2; exit 1; }

niceness=${BILAN_BENCH_NICE:--15}
if [ -z "${DISPLAY:-}" ]; then
    command -v xvfb-run >/dev/null || { echo "bench-editor: needs xvfb-run (apt-get install xvfb xauth)" >&2; exit 1; }
    [ "$(id -u)" -eq 0 ] || niceness=0
    exec nice -n "$niceness" xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" bash "${BASH_SOURCE[0]}" "$build" "$runs" "$keystrokes" "$typing_runs"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Qt wants a private runtime folder and says so on every start without one.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
export LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=xcb
cd "$work"

run() {
    local output=$1
    shift
    if ! timeout 300 "$program" "$@" >"$output" 2>"$work/stderr"; then
        echo "bench-editor: $program $* failed:" >&2
        cat "$work/stderr" >&2
        exit 1
    fi
}
value() { sed -n "s/^$2=//p" "$1"; }
median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) { print "nan"; exit }
        if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The window's first run finds the libraries and the file in the page
# cache for every timed run, and tells the floor the manuscript area's
# size and font.
run "$work/first.txt" window "$long"
size=$(value "$work/first.txt" size)
font=$(value "$work/first.txt" font)
characters=$(value "$work/first.txt" characters)
bytes=$(stat -c %s "$long")
floor=(--size "$size" --font "$font")

# Every kind in turn within each round, so that what else the machine does
# falls on all of them alike. Qt's HTML import is for scale on the long
# manuscript only: HTML names pictures it cannot hold.
kinds=(floor window floor-show)
if [ -z "${BILAN_BENCH_FILE:-}" ]; then
    run "$work/export.txt" export-html "$long" --output "$work/long.html"
    kinds+=(floor-html)
fi
for kind in floor window floor-html floor-show; do
    : >"$work/open-$kind.txt"
    : >"$work/read-$kind.txt"
done
for _ in $(seq "$runs"); do
    for kind in "${kinds[@]}"; do
        case $kind in
            window) run "$work/once.txt" window "$long" ;;
            floor-html) run "$work/once.txt" floor-html "$work/long.html" "${floor[@]}" ;;
            *) run "$work/once.txt" "$kind" "$long" "${floor[@]}" ;;
        esac
        value "$work/once.txt" open_ms >>"$work/open-$kind.txt"
        value "$work/once.txt" open_load_ms >>"$work/read-$kind.txt"
    done
done

# Typing: the window and the bare edit beside it in one program, taking
# keystrokes in turns. Each round's keystrokes are kept apart, so that the
# window's keystroke k can be paired with the floor's.
samples=(window_end window_middle floor_end floor_middle)
for round in $(seq "$typing_runs"); do
    run "$work/once.txt" typing "$long" --keystrokes "$keystrokes" --gap "$gap_ms"
    for sample in "${samples[@]}"; do
        value "$work/once.txt" "${sample}_ms" | tr ',' '\n' >"$work/$sample.$round.txt"
    done
done
# The same with the recovery copy kept, as the program keeps it (not for
# another manuscript given in BILAN_BENCH_FILE).
copies=0
typing_ms=0
if [ "$recovery" = 1 ]; then
    for round in $(seq "$typing_runs"); do
        run "$work/once.txt" typing "$long" --keystrokes "$keystrokes" --gap "$gap_ms" --recovery 1
        for sample in "${samples[@]}"; do
            value "$work/once.txt" "${sample}_ms" | tr ',' '\n' >"$work/kept_$sample.$round.txt"
        done
        copies=$((copies + $(value "$work/once.txt" copies)))
        typing_ms=$(awk -v a="$typing_ms" -v b="$(value "$work/once.txt" typing_ms)" 'BEGIN { print a + b }')
    done
fi
# The wheel, a notch at a time from the top to the end; every notch of
# every run pooled.
: >"$work/scroll.txt"
if [ "$scroll" = 1 ]; then
    for _ in 1 2; do
        run "$work/once.txt" scroll "$long" --gap "$gap_ms"
        value "$work/once.txt" scroll_ms | tr ',' '\n' >>"$work/scroll.txt"
    done
fi
# percentile FILE P: nearest rank.
percentile() {
    sort -n "$1" | awk -v p="$2" '{ v[NR] = $1 } END {
        if (NR == 0) { print "nan"; exit }
        r = p * NR; k = int(r); if (k < r) k++; if (k < 1) k = 1
        print v[k] }'
}
# ratio KIND PLACE P: the window's percentile P over the same-place
# keystrokes of every round against the floor's, the 90% interval of that
# ratio over resamplings of the keystroke pairs, and the two percentiles;
# KIND is "" or "kept_".
ratio() {
    local round files=()
    for round in $(seq "$typing_runs"); do
        files+=("$work/${1}window_$2.$round.txt" "$work/${1}floor_$2.$round.txt")
    done
    python3 "$top/scripts/latency-ratio.py" "$3" "${files[@]}"
}
kept_ratio() { if [ "$recovery" = 1 ]; then ratio kept_ "$@"; else echo nan nan nan nan nan; fi; }

awk -v runs="$runs" -v truns="$typing_runs" -v name="$(basename "$long")" -v otarget="$open_target" \
    -v ttarget="$typing_target" -v scroll="$scroll" -v recovery="$recovery" -v notches="$(wc -l <"$work/scroll.txt")" \
    -v sm="$(percentile "$work/scroll.txt" 0.5)" -v sp="$(percentile "$work/scroll.txt" 0.99)" \
    -v sx="$(percentile "$work/scroll.txt" 1)" -v keys="$keystrokes" -v gap="$gap_ms" -v size="$size" \
    -v chars="$characters" -v bytes="$bytes" \
    -v ow="$(median <"$work/open-window.txt")" -v rw="$(median <"$work/read-window.txt")" \
    -v of="$(median <"$work/open-floor.txt")" -v rf="$(median <"$work/read-floor.txt")" \
    -v oh="$(median <"$work/open-floor-html.txt")" -v rh="$(median <"$work/read-floor-html.txt")" \
    -v os="$(median <"$work/open-floor-show.txt")" \
    -v rem="$(ratio "" end 0.5)" -v rep="$(ratio "" end 0.99)" \
    -v rmm="$(ratio "" middle 0.5)" -v rmp="$(ratio "" middle 0.99)" \
    -v krem="$(kept_ratio end 0.5)" -v krep="$(kept_ratio end 0.99)" \
    -v krmm="$(kept_ratio middle 0.5)" -v krmp="$(kept_ratio middle 0.99)" \
    -v copies="$copies" -v typing_ms="$typing_ms" 'BEGIN {
    failed = 0
    printf "%s, %d bytes, %d characters; X server at 96 DPI; manuscript area %s pixels\n", name, bytes, chars, size
    printf "floor: a bare QTextEdit of that size and font, given the document that the editor'"'"'s own reader\n"
    printf "  makes of the same file (manuscript::load, as Open does); Qt reads no RTF, so both figures\n"
    printf "  include the read\n"
    printf "open: from the confirmed dialog (the floor: from the start of the read) to the first frame\n"
    printf "  showing the manuscript, median of %d runs; in brackets, until the edit has the document\n", runs
    printf "  (read and handed over) and from there to the frame\n"
    printf "  %8.1f ms  笔澜2.5  (%.1f + %.1f ms)\n", ow, rw, ow - rw
    printf "  %8.1f ms  floor    (%.1f + %.1f ms)\n", of, rf, of - rf
    ratio = ow / of
    printf "  ratio %.2f, target within %s: %s\n", ratio, otarget, ratio <= otarget ? "met" : "MISSED"
    if (ratio > otarget) failed = 1
    printf "  for scale, the same bare QTextEdit:\n"
    printf "  %8.1f ms  given the reader'"'"'s document made before the clock starts: handing over\n", os
    printf "              and painting alone, so the read itself is about %.1f ms\n", of - os
    if (oh != "nan") {
        printf "  %8.1f ms  Qt'"'"'s own HTML import of the same document (%.1f + %.1f ms; the HTML written\n", oh, rh, oh - rh
        printf "              beforehand by QTextDocument::toHtml from the reader'"'"'s document)\n"
    }
    printf "typing: from the posted key event to the frame showing the character; the window and the\n"
    printf "  floor side by side in one program, taking the same keystrokes in turns, %d ms apart, each\n", gap
    printf "  with the focus, once the layout is done; %d rounds of %d keystrokes each at each place: median\n", truns, keys
    printf "  and 99th percentile over the %d keystrokes pooled, their ratio to the floor'"'"'s, and in\n", truns * keys
    printf "  brackets the 90%% interval of that ratio over resamplings of the keystroke pairs\n"
    failed += typing("at the end", rem, rep, ttarget)
    failed += typing("in the middle", rmm, rmp, ttarget)
    if (recovery == 1) {
        printf "typing with the recovery copy kept: the same, while the window keeps its copy of the unsaved\n"
        printf "  manuscript (the author never pauses, so every copy is the one forced after 9 s of changes)\n"
        failed += typing("at the end", krem, krep, 1.1)
        failed += typing("in the middle", krmm, krmp, 1.1)
        seconds = typing_ms / 1000
        printf "  %d copies written in %.1f s of typing, one per %.1f s; target at most one per 9 s: %s\n", copies, seconds, seconds / copies, copies <= seconds / 9 + 1 ? "met" : "MISSED"
        if (copies > seconds / 9 + 1) failed += 1
    }
    if (scroll == 1) {
        printf "scrolling: one wheel notch at a time from the top to the end, from the posted wheel event\n"
        printf "  to the frame; two runs, %d notches pooled\n", notches
        printf "    median %6.2f ms, 99th percentile %6.2f ms, slowest %6.2f ms\n", sm, sp, sx
        printf "    median within one frame (16.7 ms): %s\n", sm <= 16.7 ? "met" : "MISSED"
        if (sm > 16.7) failed += 1
    }
    exit failed > 0
}
function typing(where, median, p99, target,    missed, part) {
    missed = 0
    printf "  %s:\n", where
    missed += verdict("median", median, target)
    missed += verdict("p99   ", p99, target)
    split(p99, part, " ")
    if (part[5] < 16) {
        printf "    p99 under 16 ms: %s\n", part[4] < 16 ? "met" : "MISSED"
        if (part[4] >= 16) missed = 1
    } else {
        printf "    p99 under 16 ms: beyond the floor here (its own p99 is %.2f ms)\n", part[5]
    }
    return missed > 0
}
# The verdict is on the ratio itself; the interval says how far the
# keystrokes measured could have moved it, and a target that the interval
# crosses is said to be met only as far as this run shows.
function verdict(name, figures, target,    part, n) {
    n = split(figures, part, " ")
    printf "    %s %6.2f ms, floor %6.2f ms: %.2f (%.2f to %.2f), target within %s: %s\n", name, part[4], part[5], part[1], part[2], part[3], target, part[1] <= target ? (part[3] <= target ? "met" : "met, though the interval reaches past it") : "MISSED"
    return n < 5 || part[1] > target
}'
