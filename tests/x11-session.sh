#!/usr/bin/env bash
# Runs a command on a private Xvfb server, optionally managed by openbox.
# Usage: x11-session.sh [--wm] [--dpi N] [--screen WxH | --screens WxH,WxH...] [--xorg] command...
# --xorg: Xorg with the dummy video driver instead of Xvfb (through sudo when not root);
# --screens: that Xorg with a RandR output for each screen, side by side.
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

# Xorg with the dummy driver: as users run it, outputs and all. The framebuffer holds the screens
# side by side; each gets a dummy output of its size.
start_xorg() {
    local width=0 height=0 head
    for head in "${heads[@]}"; do
        width=$((width + ${head%x*})) && height=$((height > ${head#*x} ? height : ${head#*x}))
    done
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
        Virtual $width $height
    EndSubSection
EndSection
CONF
    local root=()
    [ "$(id -u)" -eq 0 ] || root=(sudo)
    start_server xorg "${root[@]}" Xorg -config "$work/xorg.conf" -logfile "$work/xorg.log" \
        -dpi "$dpi"
    local x=0 output=0 outputs=() mode
    for head in "${heads[@]}"; do
        mode=keyglance-$head
        # A 60 Hz modeline with reduced blanking; the dummy driver shows nothing anyway.
        # shellcheck disable=SC2046
        xrandr --newmode "$mode" $(awk -v w="${head%x*}" -v h="${head#*x}" 'BEGIN {
            printf "%.2f %d %d %d %d %d %d %d %d", (w + 160) * (h + 30) * 60 / 1e6,
                w, w + 48, w + 80, w + 160, h, h + 3, h + 8, h + 30 }')
        xrandr --addmode "DUMMY$output" "$mode"
        outputs+=(--output "DUMMY$output" --mode "$mode" --pos "${x}x0")
        x=$((x + ${head%x*})) && output=$((output + 1))
    done
    xrandr "${outputs[@]}"
    # A full query probes the outputs, which the dummy driver then reports connected; Qt reads
    # only what the server already knows.
    wait_for "[ \$(xrandr | grep -c ' connected ') -eq ${#heads[@]} ]" 5
}

if [ ${#heads[@]} -gt 0 ] || [ "$xorg" = 1 ]; then
    [ ${#heads[@]} -gt 0 ] || heads=("$screen")
    start_xorg
else
    start_server xvfb Xvfb -screen 0 "${screen}x24" -dpi "$dpi"
fi
# What desktops set with their scaling, and where Qt 6 takes the screen's DPI from.
echo "Xft.dpi: $dpi" | xrdb -nocpp -merge
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
