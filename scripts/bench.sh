#!/usr/bin/env bash
# Every performance figure beside its reference, in one run:
#   start-up to first painted window against a minimal Qt window;
#   load and save of the long RTF manuscript against LibreOffice, unrtf
#   and pandoc (installs LibreOffice when missing and generates the file);
#   code-936 values of a 1,000,000-character text against 5 ms;
#   plain-text reading of multi-megabyte manuscripts against the conversion
#   alone (what choosing between UTF-8 and GB adds, against 5 ms).
#   scripts/bench.sh [build folder]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(readlink -f "${1:-$top/build}")
BILAN_BUILD="$build" "$top/scripts/setup.sh"
cmake --build "$build" --target bench

echo "== start-up"
"$top/scripts/bench-startup.sh" "$build"
echo
echo "== RTF load and save"
"$top/scripts/bench-rtf.sh" "$build"
echo
echo "== code-936 values"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_cp936"
echo
echo "== plain-text reading"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_plaintext"

# --- clipboard boards ------------------------------------------------------
# One watcher tick over eleven boards of 10,000 characters against the 1 ms
# target and the 800 ms between ticks: the watcher's own work (offscreen,
# clipboard in memory), then with the real X clipboard owned by xclip.
echo
echo "== clipboard watcher tick"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_clipboardboards"
xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb "$build/bench/bench_clipboardboards" --x11
# --- end of clipboard boards -----------------------------------------------

# -- side panel: the vocabulary mode and a term click against one frame,
#    beside a bare Qt window showing and hiding the same 149 labels.
echo
echo "== side panel"
LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$build/bench/bench_panel"
# --- manuscript tools: word count ---------------------------------------
echo
echo "== word count"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_count"
# --- end of manuscript tools ----------------------------------------------

# ---- manuscript cipher (protection) -------------------------------------
# The shift of 1,000,000 characters against 5 ms, and the encrypt and
# decrypt commands on a formatted manuscript of that length beside the time
# the editor takes to set the same text.
echo
echo "== manuscript cipher"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_cipher"
# ---- end of manuscript cipher -------------------------------------------
