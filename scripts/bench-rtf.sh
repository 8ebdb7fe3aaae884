#!/usr/bin/env bash
# RTF load and save of the long manuscript (214,130 characters, 4.8 MB, as
# LibreOffice writes it) against LibreOffice's headless conversion to text,
# unrtf and pandoc on the same file in the same run. Prints each figure
# beside its references and the targets: load at least 15 times faster
# than LibreOffice and no slower than unrtf, save no slower than load.
#   scripts/bench-rtf.sh [build folder] [repetitions]
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(readlink -f "${1:-$top/build}")
repetitions=${2:-7}
corpus=$(readlink -f "$top/../shared/rtf-corpus")
data="$build/bench-data"
long="$data/lo_long.rtf"
bench="$build/bench/bench_rtf"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
available() { apt-cache policy "$1" 2>/dev/null | grep -q 'Candidate: [0-9]'; }
missing=()
# GNU time measures LibreOffice's peak memory in scripts/bench-pictures.sh.
for package in libreoffice-writer-nogui python3-pil time; do
    installed "$package" || missing+=("$package")
done
if ! installed unrtf && available unrtf; then
    missing+=(unrtf)
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if [ ! -x "$bench" ]; then
    cmake --build "$build" --target bench_rtf
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Qt wants a private runtime folder and says so on every start without one.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
export LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen

if [ ! -s "$long" ]; then
    echo "Generating $long"
    mkdir -p "$data"
    python3 "$corpus/gen/make_long.py" "$data"
fi

now() { date +%s%N; }
median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) { print "nan"; exit }
        if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# time_runs N command...: the median wall time of N runs in milliseconds.
time_runs() {
    local runs=$1
    shift
    local times=()
    for _ in $(seq "$runs"); do
        local start
        start=$(now)
        "$@" >/dev/null 2>&1
        times+=($(( ($(now) - start) / 1000000 )))
    done
    printf '%s\n' "${times[@]}" | median
}

profile="file://$work/lo-profile"
soffice_text() {
    soffice -env:UserInstallation="$profile" --headless --convert-to txt:Text:UTF8 --outdir "$work/lo" "$long"
}
# The first conversion creates the profile; it is not timed.
soffice_text >/dev/null 2>&1
libreoffice_ms=$(time_runs 3 soffice_text)

unrtf_ms=nan
if command -v unrtf >/dev/null; then
    unrtf_ms=$(time_runs 5 unrtf --text "$long")
fi
pandoc_ms=nan
if command -v pandoc >/dev/null; then
    pandoc_ms=$(time_runs 3 pandoc -f rtf -t plain -o "$work/pandoc.txt" "$long")
fi

"$bench" "$long" "$repetitions" >"$work/bilan.txt"
value() { sed -n "s/^$1=//p" "$work/bilan.txt"; }

awk -v load="$(value load_ms)" -v save="$(value save_ms)" -v write="$(value write_ms)" \
    -v peak="$(value peak_kb)" -v chars="$(value characters)" -v bytes="$(value bytes)" \
    -v lo="$libreoffice_ms" -v un="$unrtf_ms" -v pd="$pandoc_ms" -v reps="$repetitions" 'BEGIN {
    printf "笔澜2.5 RTF load and save: lo_long.rtf, %d bytes, %d characters read back\n", bytes, chars
    printf "  %-32s %10.1f ms  (median of %d)\n", "load (file to document)", load, reps
    printf "  %-32s %10.1f ms\n", "save (document to file)", save
    printf "  %-32s %10.1f ms\n", "  of which writing the RTF", write
    printf "  %-32s %10.1f MB\n", "peak memory", peak / 1024
    printf "  %-32s %10s ms  (median of 3, includes start-up)\n", "LibreOffice headless to text", lo
    if (un == "nan") printf "  %-32s %10s\n", "unrtf --text", "not installed"
    else printf "  %-32s %10s ms  (median of 5)\n", "unrtf --text", un
    if (pd == "nan") printf "  %-32s %10s\n", "pandoc -f rtf -t plain", "not installed"
    else printf "  %-32s %10s ms  (median of 3)\n", "pandoc -f rtf -t plain", pd
    failed = 0
    ratio = lo / load
    printf "  load vs LibreOffice: %.1f times faster, target at least 15: %s\n", ratio, (ratio >= 15 ? "met" : "MISSED")
    if (ratio < 15) failed = 1
    if (un != "nan") {
        printf "  load vs unrtf: %.1f ms against %s ms, target no slower: %s\n", load, un, (load <= un ? "met" : "MISSED")
        if (load > un) failed = 1
    } else {
        printf "  load vs unrtf: unrtf not available\n"
    }
    printf "  save vs load: %.1f ms against %.1f ms, target no slower: %s\n", save, load, (save <= load ? "met" : "MISSED")
    if (save > load) failed = 1
    exit failed
}'
