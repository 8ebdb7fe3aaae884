#!/usr/bin/env bash
# Every performance figure beside its reference, in one run:
#   start-up to first painted window against a minimal Qt window;
#   load and save of the long RTF manuscript against LibreOffice, unrtf
#   and pandoc (installs LibreOffice when missing and generates the file);
#   code-936 values of a 1,000,000-character text against 5 ms.
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

# ---- manuscript cipher (protection) -------------------------------------
# The shift of 1,000,000 characters against 5 ms, and the encrypt and
# decrypt commands on a formatted manuscript of that length beside the time
# the editor takes to set the same text.
echo
echo "== manuscript cipher"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_cipher"
# ---- end of manuscript cipher -------------------------------------------
