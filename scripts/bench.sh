#!/usr/bin/env bash
# Every performance figure beside its reference, in one run:
#   start-up to first painted window against a minimal Qt window;
#   load and save of the long RTF manuscript against LibreOffice, unrtf
#   and pandoc (installs LibreOffice when missing and generates the file);
#   opening that manuscript and typing in it on the real window against a
#   bare QTextEdit given the same document;
#   code-936 values of a 1,000,000-character text against 5 ms.
# Each part prints its own verdicts; the script goes on past a missed
# target and fails at the end.
#   scripts/bench.sh [build folder]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(readlink -f "${1:-$top/build}")
BILAN_BUILD="$build" "$top/scripts/setup.sh"
cmake --build "$build" --target bench

missed=()
part() {
    local name=$1
    shift
    echo "== $name"
    "$@" || missed+=("$name")
    echo
}
part "start-up" "$top/scripts/bench-startup.sh" "$build"
part "RTF load and save" "$top/scripts/bench-rtf.sh" "$build"
part "opening and typing in the long manuscript" "$top/scripts/bench-editor.sh" "$build"
part "code-936 values" env QT_QPA_PLATFORM=offscreen "$build/bench/bench_cp936"

if [ ${#missed[@]} -gt 0 ]; then
    printf 'missed or failed: %s\n' "${missed[@]}"
    exit 1
fi
