#!/usr/bin/env bash
# Runs a command inside a KDE Plasma-like Wayland session of its own: KWin
# drawing into memory (--virtual), with XWayland and a private session bus.
# The command gets WAYLAND_DISPLAY (the socket's full path) and DISPLAY
# (XWayland). A session that does not come up fails the run.
#
# The packaged kwin_wayland carries a file capability (to raise its own
# limits); where the system may not grant it, as in a container whose
# bounding set lacks it, the kernel refuses to start that file at all
# ("Operation not permitted"). A copy without the capability runs the same
# compositor; it merely keeps the limits it was given.
#
#   kwin-session.sh COMMAND [ARG...]
set -euo pipefail

top=$(mktemp -d /tmp/bilan-kwin.XXXXXX)
runtime=$top/runtime
mkdir -m 0700 "$runtime"
mkdir -p /tmp/.X11-unix
chmod 1777 /tmp/.X11-unix 2>/dev/null || true

kwin=
stop() {
    # The bus, KWin and XWayland are one process group of their own.
    [ -n "$kwin" ] && kill -- "-$kwin" 2>/dev/null || true
    [ -n "$kwin" ] && wait "$kwin" 2>/dev/null || true
    rm -rf "$top"
}
trap stop EXIT

fail() {
    echo "kwin-session: $1" >&2
    [ -e "$top/kwin.log" ] && cat "$top/kwin.log" >&2
    exit 1
}

# A window mapped last takes the focus, as when the author turns to
# another program; KWin would otherwise keep it on the window that had it.
mkdir -p "$top/.config"
printf "[Windows]\nFocusStealingPreventionLevel=0\n" >"$top/.config/kwinrc"

compositor=$(command -v kwin_wayland) || fail "kwin_wayland is not installed"
# cp leaves extended attributes, file capabilities among them, behind.
cp "$compositor" "$top/kwin_wayland"

# KWin starts the program after its arguments once XWayland is up, with the
# session's variables, which it writes whole, by a rename.
cat >"$top/ready.sh" <<'READY'
#!/bin/sh
printf "%s\n%s\n" "$WAYLAND_DISPLAY" "$DISPLAY" >"$XDG_RUNTIME_DIR/session.part"
mv "$XDG_RUNTIME_DIR/session.part" "$XDG_RUNTIME_DIR/session"
READY
chmod 0755 "$top/ready.sh"

env -i PATH="$PATH" HOME="$top" XDG_RUNTIME_DIR="$runtime" \
    setsid dbus-run-session -- "$top/kwin_wayland" --virtual --xwayland --width 1280 --height 1024 \
    --no-lockscreen --no-global-shortcuts --no-kactivities --socket bilan-kwin \
    "$top/ready.sh" >"$top/kwin.log" 2>&1 &
kwin=$!

. "$(dirname "$0")/join-session.sh"
join_session "$kwin" KWin

status=0
"$@" || status=$?
exit $status
