#!/usr/bin/env bash
# Runs a command inside a GNOME-like Wayland session of its own: mutter,
# nested in an Xvfb of its own, with XWayland and a private session bus.
# The command gets WAYLAND_DISPLAY (the socket's full path), DISPLAY and
# XAUTHORITY (XWayland). A session that does not come up fails the run.
#
# mutter's headless mode gives its seat no keyboard, and Wayland clipboard
# programs without a data-control protocol (as here) need the keyboard
# focus to copy or paste: the nested mode takes Xvfb's keyboard.
#
#   mutter-session.sh COMMAND [ARG...]
set -euo pipefail

top=$(mktemp -d /tmp/bilan-mutter.XXXXXX)
runtime=$top/runtime
mkdir -m 0700 "$runtime"
mkdir -p /tmp/.X11-unix
chmod 1777 /tmp/.X11-unix 2>/dev/null || true

xvfb=
mutter=
stop() {
    [ -n "$mutter" ] && kill "$mutter" 2>/dev/null || true
    [ -n "$mutter" ] && wait "$mutter" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    [ -n "$xvfb" ] && wait "$xvfb" 2>/dev/null || true
    rm -rf "$top"
}
trap stop EXIT

fail() {
    echo "mutter-session: $1" >&2
    [ -e "$top/mutter.log" ] && cat "$top/mutter.log" >&2
    exit 1
}

# The outer X server, on the first free display, which it tells through
# the file once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$top/xvfb.display" >"$top/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$top/xvfb.display" ] && break
    kill -0 "$xvfb" 2>/dev/null || { cat "$top/xvfb.log" >&2; fail "Xvfb ended before it was ready"; }
    sleep 0.1
done
[ -s "$top/xvfb.display" ] || fail "Xvfb not ready after 10 s"
outer=:$(head -n1 "$top/xvfb.display")

# mutter runs the command after its -- once XWayland is up, with the
# session's variables; it writes them whole, by a rename, then stays as
# long as mutter does (mutter ends the session when its command ends).
env -i PATH="$PATH" HOME="$top" XDG_RUNTIME_DIR="$runtime" DISPLAY="$outer" \
    dbus-run-session -- mutter --wayland --nested -- sh -c '
        printf "%s\n%s\n%s\n" "$WAYLAND_DISPLAY" "$DISPLAY" "$XAUTHORITY" >"$XDG_RUNTIME_DIR/session.part"
        mv "$XDG_RUNTIME_DIR/session.part" "$XDG_RUNTIME_DIR/session"
        while kill -0 $PPID 2>/dev/null; do sleep 1; done' >"$top/mutter.log" 2>&1 &
mutter=$!

. "$(dirname "$0")/join-session.sh"
join_session "$mutter" mutter

status=0
"$@" || status=$?
exit $status
