#!/usr/bin/env bash
# The real program in a real X window: it opens with its title and designed
# client area, asks before closing, stays on Cancel and ends on No without
# writing anything. Run under an X server (xvfb-run).
set -euo pipefail

binary=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
# An empty state folder of its own: no copy a crashed program left on this
# machine is offered meanwhile.
export XDG_STATE_HOME="$work/state"
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cd "$work"
"$binary" &
pid=$!

window=$(timeout 20 xdotool search --sync --onlyvisible --name '^笔澜2\.5$' | head -n 1) ||
    fail "no window titled 笔澜2.5"

# 11715 × 7980 twips at 96 DPI is a 781 × 532 client area below the menu bar.
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" -eq 781 ] || fail "window width $WIDTH, expected 781"
[ "$HEIGHT" -gt 532 ] && [ "$HEIGHT" -lt 586 ] || fail "window height $HEIGHT, expected 532 plus the menu bar"

answer_close_prompt() {
    python3 "$here/close-window.py" "$window"
    local box
    box=$(timeout 10 xdotool search --sync --onlyvisible --name '^退出前确认$' | head -n 1) ||
        fail "no close prompt titled 退出前确认"
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    sleep 0.3
    xdotool key --clearmodifiers "$1"
}

answer_close_prompt Escape
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the program ended on Cancel"
xdotool search --onlyvisible --name '^退出前确认$' >/dev/null && fail "the prompt is still open after Cancel"

answer_close_prompt n
for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program is still running after No"
wait "$pid" && status=0 || status=$?
pid=""
[ "$status" -eq 0 ] || fail "exit status $status"
[ -z "$(ls -A "$work")" ] || fail "files were written: $(ls -A "$work")"
echo "PASS"
