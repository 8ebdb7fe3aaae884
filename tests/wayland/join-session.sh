# Sourced by the nested-desktop session scripts once their compositor runs:
# waits for the session file the compositor's start-up program wrote
# (Wayland socket, X display, and an X authority file where there is one),
# takes its variables, checks that XWayland answers, and runs the command
# in a runtime folder of its own. Needs $top, $runtime, fail() and the
# compositor's process id and name as arguments.
join_session() {
    local pid=$1 name=$2 wayland display xauthority=
    for _ in $(seq 300); do
        [ -e "$runtime/session" ] && break
        kill -0 "$pid" 2>/dev/null || fail "$name ended before the session was ready:"
        sleep 0.1
    done
    [ -e "$runtime/session" ] || fail "no session after 30 s:"
    {
        read -r wayland
        read -r display
        read -r xauthority || true
    } <"$runtime/session"
    case $wayland in
    /*) export WAYLAND_DISPLAY=$wayland ;;
    *) export WAYLAND_DISPLAY=$runtime/$wayland ;;
    esac
    export DISPLAY=$display
    if [ -n "$xauthority" ]; then export XAUTHORITY=$xauthority; else unset XAUTHORITY; fi
    [ -n "$DISPLAY" ] || fail "$name started no XWayland:"
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1 && break
        sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1 || fail "XWayland $DISPLAY does not answer:"
    # The command's own runtime folder, as its owner expects one.
    export XDG_RUNTIME_DIR=$top/client-runtime
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
}
