#!/usr/bin/env bash
# The real program on a real accessibility bus (AT-SPI): its buttons, menu
# items, labels and text areas are found by role and name, each with its
# tooltip as the description; the manuscript reads back what is typed into
# it, with its text attributes, and a paste asked for over the bus ends in
# time while a program that never answers owns the clipboard (the owner
# program is the second argument). Run under an X server (xvfb-run).
set -euo pipefail

binary=$(readlink -f "$1")
silent_owner=$(readlink -f "$2")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
# An empty state folder of its own: no copy a crashed program left on this
# machine is offered meanwhile.
export XDG_STATE_HOME="$work/state"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    exec dbus-run-session -- bash "$0" "$@"
fi

/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

cd "$work"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$binary" >/dev/null 2>&1 &
pids+=($!)

/usr/bin/python3 "$here/atspi-find.py" "$here/accessible-controls.tsv"
/usr/bin/python3 "$here/atspi-text.py" "$silent_owner"
