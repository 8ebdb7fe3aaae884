#!/usr/bin/env bash
# Runs a command inside a headless Wayland session of its own: sway with
# XWayland, drawing into memory, with no input devices. The command gets
# WAYLAND_DISPLAY (the socket's full path), DISPLAY (XWayland) and SWAYSOCK
# (sway's control socket). A session that does not come up fails the run.
#
# sway refuses to run as root; as root, it runs as nobody in a runtime
# folder of its own, and lets root's X clients in. Root reaches its
# Wayland socket through the folder that only nobody may enter.
#
#   sway-session.sh COMMAND [ARG...]
set -euo pipefail

top=$(mktemp -d /tmp/bilan-sway.XXXXXX)
chmod 0755 "$top"
runtime=$top/runtime
mkdir -m 0700 "$runtime"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$runtime"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    # XWayland's socket goes where every X server's does, which a fresh
    # machine may not have made yet, or made for root alone.
    mkdir -p /tmp/.X11-unix
    chmod 1777 /tmp/.X11-unix
fi

# sway runs the exec lines once XWayland is up; the session file appears
# whole, by a rename, once everything is ready.
cat >"$top/config" <<CONFIG
xwayland force
output HEADLESS-1 resolution 1280x1024
exec sh -c 'xhost +si:localuser:$(id -un) >/dev/null && echo "\$WAYLAND_DISPLAY \$DISPLAY" >$runtime/session.part && mv $runtime/session.part $runtime/session'
CONFIG
chmod 0644 "$top/config"

env -i PATH="$PATH" HOME="$top" XDG_RUNTIME_DIR="$runtime" \
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    "${as_user[@]}" sway -c "$top/config" >"$top/sway.log" 2>&1 &
sway=$!

stop() {
    kill "$sway" 2>/dev/null || true
    wait "$sway" 2>/dev/null || true
    rm -rf "$top"
}
trap stop EXIT

for _ in $(seq 200); do
    [ -e "$runtime/session" ] && break
    if ! kill -0 "$sway" 2>/dev/null; then
        echo "sway-session: sway ended before the session was ready:" >&2
        cat "$top/sway.log" >&2
        exit 1
    fi
    sleep 0.1
done
if [ ! -e "$runtime/session" ]; then
    echo "sway-session: no session after 20 s:" >&2
    cat "$top/sway.log" >&2
    exit 1
fi

read -r wayland display <"$runtime/session"
export WAYLAND_DISPLAY=$runtime/$wayland
export DISPLAY=$display
export SWAYSOCK
SWAYSOCK=$(ls "$runtime"/sway-ipc.*.sock)
# The command's own runtime folder, as its owner expects one.
export XDG_RUNTIME_DIR=$top/client-runtime
mkdir -m 0700 "$XDG_RUNTIME_DIR"

status=0
"$@" || status=$?
exit $status
