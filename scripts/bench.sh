#!/usr/bin/env bash
# Every performance figure beside its reference, in one run:
#   start-up to first painted window against a minimal Qt window;
#   load and save of the long RTF manuscript against LibreOffice, unrtf
#   and pandoc (installs LibreOffice when missing and generates the file);
#   opening that manuscript and typing in it on the real window against a
#   bare QTextEdit given the same document, also while the window keeps its
#   recovery copy;
#   load, save and peak memory of a manuscript with twenty photographs
#   (135 MB of RTF) against LibreOffice, and opening, typing and scrolling
#   through it on the real window;
#   code-936 values of a 1,000,000-character text against 5 ms;
#   plain-text reading of multi-megabyte manuscripts against the conversion
#   alone (what choosing between UTF-8 and GB adds, against 5 ms);
#   a clipboard-watcher tick against 1 ms (in memory, over X, over Wayland); the vocabulary mode and a term
#   click against one frame; the word count and the cipher's shift of
#   1,000,000 characters against 5 ms, the cipher commands against setting
#   the same text.
# Each part prints its own verdicts; the script goes on past a missed
# target and fails at the end.
#   scripts/bench.sh [build folder]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(readlink -f "${1:-$top/build}")
BILAN_BUILD="$build" "$top/scripts/setup.sh"
cmake --build "$build" --target bench

# Qt wants a private runtime folder and says so at every start without one.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"

missed=()
part() {
    local name=$1
    shift
    echo "== $name"
    "$@" || missed+=("$name")
    echo
}
x11() {
    LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$@"
}
offscreen() {
    QT_QPA_PLATFORM=offscreen "$@"
}
part "start-up" "$top/scripts/bench-startup.sh" "$build"
part "RTF load and save" "$top/scripts/bench-rtf.sh" "$build"
part "opening and typing in the long manuscript" "$top/scripts/bench-editor.sh" "$build"
part "the manuscript with twenty photographs" "$top/scripts/bench-pictures.sh" "$build"
part "code-936 values" offscreen "$build/bench/bench_cp936"
part "plain-text reading" offscreen "$build/bench/bench_plaintext"
# The watcher's own work with the clipboard in memory, then with the real X
# clipboard owned by xclip.
part "clipboard watcher tick" offscreen "$build/bench/bench_clipboardboards"
part "clipboard watcher tick over X" x11 "$build/bench/bench_clipboardboards" --x11
# The same in a headless sway, where the watcher reads through the compositor.
part "clipboard watcher tick over Wayland" env LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb \
    bash "$top/tests/wayland/sway-session.sh" "$build/bench/bench_clipboardboards" --x11
# Beside a bare Qt window showing and hiding the same 149 labels.
part "side panel" x11 "$build/bench/bench_panel"
part "word count" offscreen "$build/bench/bench_count"
part "manuscript cipher" offscreen "$build/bench/bench_cipher"

if [ ${#missed[@]} -gt 0 ]; then
    printf 'missed or failed: %s\n' "${missed[@]}"
    exit 1
fi
