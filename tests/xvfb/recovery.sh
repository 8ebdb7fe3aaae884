#!/usr/bin/env bash
# The real program in a real X window, answered with real keys: it opens
# at its designed size; its close prompt keeps it on Esc and ends it on No
# with status 0, writing nothing where it runs. A copy of formatted,
# unsaved work outlives kill -9 and comes back whole on Yes; Esc keeps it
# for the next start; a normal close leaves nothing and asks nothing; two
# programs at once keep a copy each and both are offered; No then Yes
# deletes; an unwritable state folder is said once. Run under an X server
# (xvfb-run).
set -euo pipefail

binary=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

export HOME="$work/home"
unset XDG_STATE_HOME
mkdir -p "$HOME"
folder="$HOME/.local/state/bilan/recovery"
cd "$work"

# start: runs the program; its pid in $pid, its main window in $main.
start() {
    "$binary" 2>>"$work/stderr" &
    pid=$!
    pids+=("$pid")
    main=""
    for _ in $(seq 100); do
        main=$(xdotool search --onlyvisible --pid "$pid" --name '^笔澜2\.5' 2>/dev/null | head -n 1) || true
        [ -n "$main" ] && break
        sleep 0.1
    done
    [ -n "$main" ] || fail "no window for program $pid"
}
# message_box [seconds]: the id of a message box (a dialog titled 笔澜2.5), if one comes.
message_box() {
    for _ in $(seq $((${1:-10} * 10))); do
        for w in $(xdotool search --onlyvisible --name '^笔澜2\.5$' 2>/dev/null); do
            xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q DIALOG && { echo "$w"; return 0; }
        done
        sleep 0.1
    done
    return 1
}
answer() {
    local box
    box=$(message_box) || fail "no question: $2"
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    sleep 0.3
    xdotool key --clearmodifiers "$1"
    sleep 0.5
}
no_question() { ! message_box 3 >/dev/null || fail "a question came: $1"; }
# type_in TEXT: into the manuscript of $main.
type_in() {
    xdotool windowfocus --sync "$main" 2>/dev/null || true
    xdotool mousemove --window "$main" 550 300 click 1
    sleep 0.3
    xdotool type --delay 30 "$1"
}
copies() { ls "$folder"/*.rtf 2>/dev/null || true; }
wait_for_copies() { # N TEXT: N copies, every one holding TEXT
    for _ in $(seq 100); do
        local n=0 c
        for c in $(copies); do grep -q "$2" "$c" && n=$((n + 1)); done
        [ "$n" -eq "$1" ] && return 0
        sleep 0.1
    done
    fail "expected $1 copies holding $2, found: $(copies)"
}
close_prompt() { # KEY: the window's close box, answered with KEY
    python3 "$here/close-window.py" "$main"
    local box
    box=$(timeout 10 xdotool search --sync --onlyvisible --name '^退出前确认$' | head -n 1) || fail "no close prompt"
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    sleep 0.3
    xdotool key --clearmodifiers "$1"
}
close_with_no() {
    close_prompt n
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    wait "$pid" || fail "exit status $? after No"
}

# Formatted text pasted from the clipboard, then typed text.
printf '<p><b>粗体</b><span style="color:#ff0000">红字</span><i>斜体</i></p>' >"$work/part.html"
start
# 11715 × 7980 twips at 96 DPI: a 781 × 532 client area below the menu bar.
eval "$(xdotool getwindowgeometry --shell "$main")"
[ "$WIDTH" -eq 781 ] && [ "$HEIGHT" -gt 532 ] && [ "$HEIGHT" -lt 586 ] ||
    fail "window ${WIDTH}x$HEIGHT, expected 781 wide and 532 plus the menu bar"
xclip -selection clipboard -t text/html -i "$work/part.html"
type_in " "
xdotool key --clearmodifiers ctrl+v
type_in "R1 10k"
wait_for_copies 1 "R1 10k"
[ "$(stat -c %a "$folder")" = 700 ] || fail "folder mode $(stat -c %a "$folder")"
[ "$(stat -c %a "$(copies)")" = 600 ] || fail "copy mode $(stat -c %a "$(copies)")"
grep -q '\\b' "$(copies)" || fail "the copy lost the bold text"
cp "$(copies)" "$work/before.rtf"
kill -9 "$pid"
wait "$pid" 2>/dev/null || true

# Esc keeps it for the next start.
start
answer Escape "after the crash"
no_question "after Esc"
[ "$(copies)" != "" ] || fail "Esc deleted the copy"
close_prompt Escape
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the program ended on Cancel"
xdotool search --onlyvisible --name '^退出前确认$' >/dev/null && fail "the prompt is still open after Cancel"
close_with_no
[ -n "$(copies)" ] || fail "a normal close deleted a crashed program's copy"

# Yes: the same text and formatting, now in the new program's own copy.
start
answer y "at the start after Esc"
timeout 10 xdotool search --sync --onlyvisible --name '^笔澜2\.5 --恢复的稿子$' >/dev/null || fail "no recovered title"
[ "$(copies | wc -l)" -eq 1 ] || fail "copies after Yes: $(copies)"
cmp -s "$(copies)" "$work/before.rtf" || fail "the recovered manuscript differs from the copy"
close_with_no
[ -z "$(ls -A "$folder")" ] || fail "a normal close left $(ls -A "$folder")"

# Two programs at once: neither offers the other's copy.
start
no_question "with nothing to recover"
first=$pid
type_in "first"
wait_for_copies 1 "first"
start
no_question "about a running program's copy"
type_in "second"
wait_for_copies 1 "second"
kill -9 "$pid" "$first"
wait "$pid" "$first" 2>/dev/null || true

# Both offered one after the other: No then Yes deletes each.
start
answer n "the first of two"
answer y "delete the first"
answer n "the second of two"
answer y "delete the second"
no_question "after both were deleted"
[ -z "$(copies)" ] || fail "No then Yes kept $(copies)"
close_with_no
[ -z "$(ls -A "$folder")" ] || fail "left after deleting: $(ls -A "$folder")"

# A file where the state folder would be: said once, and typing goes on.
export XDG_STATE_HOME="$work/blocked"
echo x >"$XDG_STATE_HOME"
start
type_in "still typing"
answer Return "about the unwritable folder"
type_in " on"
no_question "twice about the folder"
close_with_no
extra=$(ls -A "$work" | grep -vx -e home -e blocked -e part.html -e before.rtf -e stderr) || true
[ -z "$extra" ] || fail "files were written where the program runs: $extra"
echo "PASS"
