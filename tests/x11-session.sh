#!/usr/bin/env bash
# Runs a command on a private Xvfb server, optionally managed by openbox.
# Usage: x11-session.sh [--wm] command [args...]
set -euo pipefail

wm=0
if [ "${1:-}" = "--wm" ]; then
    wm=1
    shift
fi

workdir=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$workdir"
}
trap cleanup EXIT

# -displayfd lets the server pick a free display itself, so parallel runs never collide.
exec 3>"$workdir/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset >"$workdir/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 1 100); do
    [ -s "$workdir/display" ] && break
    sleep 0.1
done
if [ ! -s "$workdir/display" ]; then
    echo "x11-session: Xvfb did not start" >&2
    cat "$workdir/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$workdir/display")"
unset WAYLAND_DISPLAY

if [ "$wm" = 1 ]; then
    openbox --sm-disable >"$workdir/openbox.log" 2>&1 &
    pids+=($!)
    # The window manager is ready once it advertises itself on the root window.
    for _ in $(seq 1 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
fi

"$@"
