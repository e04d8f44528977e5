#!/usr/bin/env bash
# Runs a command on a private Xvfb server, optionally managed by openbox.
# Usage: x11-session.sh [--wm] [--dpi N] [--screen WxH | --screens WxH,WxH...] command...
# --screens: side by side, as Xinerama heads of an Xephyr server inside the Xvfb one; without
# RandR, which Xephyr would offer as one screen, Qt and Wine see each head as a screen.
# --xorg: Xorg with the dummy video driver instead of Xvfb, for the bench (needs root).
set -euo pipefail

wm=0
dpi=96
screen=1920x1080
heads=()
xorg=0
while true; do
    case ${1:-} in
    --wm) wm=1 && shift ;;
    --dpi) dpi=$2 && shift 2 ;;
    --screen) screen=$2 && shift 2 ;;
    --screens) IFS=, read -ra heads <<<"$2" && shift 2 ;;
    --xorg) xorg=1 && shift ;;
    *) break ;;
    esac
done

. "$(dirname "$0")/../scripts/scratch.sh"

# -displayfd lets the server pick a free display itself, so parallel runs never collide.
start_server() {
    local name=$1
    shift
    exec 3>"$work/$name.display"
    "$@" -displayfd 3 -nolisten tcp -noreset >"$work/$name.log" 2>&1 &
    pids+=($!)
    exec 3>&-
    if ! wait_for "[ -s '$work/$name.display' ]" 10; then
        echo "x11-session: $name did not start" >&2
        cat "$work/$name.log" >&2
        exit 1
    fi
    export DISPLAY=":$(head -n1 "$work/$name.display")"
}

if [ "$xorg" = 1 ]; then
    cat >"$work/xorg.conf" <<CONF
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes "$screen"
    EndSubSection
EndSection
CONF
    start_server xorg Xorg -config "$work/xorg.conf" -logfile "$work/xorg.log" -dpi "$dpi"
elif [ ${#heads[@]} -eq 0 ]; then
    start_server xvfb Xvfb -screen 0 "${screen}x24" -dpi "$dpi"
else
    width=0 height=0 xephyr_screens=()
    for head in "${heads[@]}"; do
        width=$((width + ${head%x*})) && height=$((height > ${head#*x} ? height : ${head#*x}))
        xephyr_screens+=(-screen "$head")
    done
    start_server xvfb Xvfb -screen 0 "${width}x${height}x24" -dpi "$dpi"
    start_server xephyr Xephyr +xinerama -extension RANDR "${xephyr_screens[@]}" -dpi "$dpi"
fi
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
