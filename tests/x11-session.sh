#!/usr/bin/env bash
# Runs a command on a private Xvfb server, optionally managed by openbox.
# Usage: x11-session.sh [--wm] [--dpi N] [--screen WIDTHxHEIGHT] command [args...]
set -euo pipefail

wm=0
dpi=96
screen=1920x1080
while true; do
    case ${1:-} in
    --wm) wm=1 && shift ;;
    --dpi) dpi=$2 && shift 2 ;;
    --screen) screen=$2 && shift 2 ;;
    *) break ;;
    esac
done

. "$(dirname "$0")/../scripts/scratch.sh"

# -displayfd lets the server pick a free display itself, so parallel runs never collide.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "${screen}x24" -dpi "$dpi" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
if ! wait_for "[ -s '$work/display' ]" 10; then
    echo "x11-session: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
# A session of its own: no Wayland or sway around it, and a runtime folder where the toggle
# command reaches only the Keyglance started here.
unset WAYLAND_DISPLAY SWAYSOCK
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime

if [ "$wm" = 1 ]; then
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    # The window manager is ready once it advertises itself on the root window.
    wait_for "xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'" 10 || true
fi

"$@"
