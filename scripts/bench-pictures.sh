#!/usr/bin/env bash
# The illustrated manuscript: twenty photographs of 2400 x 1800 pixels
# (JPEG at quality 92, some 3.3 MB each) as \pict\jpegblip hex lines of 128
# digits, a Chinese caption before each, 135 MB of RTF in all. Prints load,
# save and the peak memory of each beside LibreOffice's headless conversion
# of the same file in the same run, and the targets: load within a tenth of
# LibreOffice's time, save no slower than load, peak memory no more than
# LibreOffice's. Then the window's figures on the same file (open, typing,
# scrolling through every photograph) from scripts/bench-editor.sh.
#   scripts/bench-pictures.sh [build folder] [repetitions]
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(readlink -f "${1:-$top/build}")
repetitions=${2:-3}
data="$build/bench-data"
file="$data/illustrated.rtf"

for program in bench_rtf make_illustrated bench_editor; do
    [ -x "$build/bench/$program" ] || cmake --build "$build" --target "$program"
done
command -v soffice >/dev/null && [ -x /usr/bin/time ] ||
    { echo "bench-pictures: needs LibreOffice and GNU time (scripts/bench-rtf.sh installs both)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
export LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen

if [ ! -s "$file" ]; then
    echo "Generating $file"
    mkdir -p "$data"
    "$build/bench/make_illustrated" "$file" 20
fi

# LibreOffice: a first conversion of a tiny file makes its profile, then the
# manuscript once, timed with its peak memory (GNU time's maximum resident
# size covers the conversion process that soffice starts).
profile="file://$work/lo-profile"
printf '{\\rtf1 a}' >"$work/warm.rtf"
soffice -env:UserInstallation="$profile" --headless --convert-to txt:Text:UTF8 --outdir "$work/lo" \
    "$work/warm.rtf" >/dev/null 2>&1
/usr/bin/time -f '%e %M' -o "$work/lo-time.txt" \
    soffice -env:UserInstallation="$profile" --headless --convert-to txt:Text:UTF8 --outdir "$work/lo" "$file" \
    >/dev/null 2>&1
read -r lo_seconds lo_kb <"$work/lo-time.txt"

"$build/bench/bench_rtf" "$file" "$repetitions" >"$work/bilan.txt"
value() { sed -n "s/^$1=//p" "$work/bilan.txt"; }

failed=0
awk -v load="$(value load_ms)" -v save="$(value save_ms)" -v write="$(value write_ms)" \
    -v lpeak="$(value load_peak_kb)" -v speak="$(value save_peak_kb)" -v bytes="$(value bytes)" \
    -v saved="$(value saved_bytes)" -v lo="$lo_seconds" -v lokb="$lo_kb" -v reps="$repetitions" 'BEGIN {
    printf "illustrated.rtf, %d bytes, twenty photographs; saved again as %d bytes\n", bytes, saved
    printf "  %-36s %10.1f ms  (median of %d)\n", "load (file to document)", load, reps
    printf "  %-36s %10.1f ms\n", "save (document to file)", save
    printf "  %-36s %10.1f ms\n", "  of which making the RTF", write
    printf "  %-36s %10.1f MB\n", "peak memory of the load", lpeak / 1024
    printf "  %-36s %10.1f MB\n", "peak memory of the save", speak / 1024
    printf "  %-36s %10.1f ms  (one run, includes start-up)\n", "LibreOffice headless to text", lo * 1000
    printf "  %-36s %10.1f MB\n", "LibreOffice peak memory", lokb / 1024
    failed = 0
    tenth = lo * 1000 / 10
    printf "  load within a tenth of LibreOffice (%.1f ms): %s\n", tenth, (load <= tenth ? "met" : "MISSED")
    if (load > tenth) failed = 1
    printf "  save no slower than load: %s\n", (save <= load ? "met" : "MISSED")
    if (save > load) failed = 1
    peak = lpeak > speak ? lpeak : speak
    printf "  peak memory no more than LibreOffice'"'"'s: %.1f MB against %.1f MB: %s\n", peak / 1024, lokb / 1024, (peak <= lokb ? "met" : "MISSED")
    if (peak > lokb) failed = 1
    exit failed
}' || failed=1
echo

# The window: open and typing against a bare QTextEdit given the same
# document, and a wheel notch at a time through all twenty photographs.
BILAN_BENCH_FILE="$file" BILAN_OPEN_TARGET=1.2 BILAN_TYPING_TARGET=1.1 BILAN_BENCH_SCROLL=1 \
    "$top/scripts/bench-editor.sh" "$build" 5 200 5 || failed=1
exit "$failed"
