#!/usr/bin/env bash
# The popup on the screens people have, each shot by the headless demo (openbox, Geany in front).
# Where it fits, it is 1200 x 800 at the screen's factor in the quarter steps desktops offer:
# exactly 1200 x 800 near 96 DPI, 1800 x 1200 at 144 DPI. Where it does not, it is scaled down as
# a whole to lie inside the screen. Larger or smaller, it must look like the 96 DPI popup.
# Usage: high_dpi.sh <keyglance binary> <folder for the screenshots>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
binary=$1
shots=$2
mkdir -p "$shots"

status=0
check() {
    local name=$1
    shift
    if "$@"; then
        echo "PASS: $name"
    else
        echo "FAIL: $name"
        status=1
    fi
}

# Shoots the popup as $1 on a screen of the x11-session options $2 (Geany at
# KEYGLANCE_DEMO_EDITOR_AT, when set); sets $popup to its geometry
# (WIDTHxHEIGHT+X+Y) and $screen to the screen's size.
shoot() {
    read -r screen popup < <(KEYGLANCE_DEMO_SESSION_OPTIONS="$2" "$root/scripts/demo.sh" "$binary" \
        "$shots/$1.png" | sed -n 's/^Popup on the \(.*\) screen: \(.*\)$/\1 \2/p') || true
}

inside_screen() {
    local width height x y screen_width screen_height
    IFS='x+' read -r width height x y <<<"$popup"
    IFS='x' read -r screen_width screen_height <<<"$screen"
    [ -n "$width" ] && ((x >= 0 && y >= 0 && x + width <= screen_width && y + height <= screen_height))
}

looks_the_same() { "$root/tests/same-layout.sh" "$shots/96dpi.png" "$shots/$1.png"; }

for case in "96dpi --dpi 96" "100dpi --dpi 100" "1600x900 --dpi 96 --screen 1600x900"; do
    read -r name options <<<"$case"
    shoot "$name" "$options"
    check "the popup at $options is exactly 1200 x 800 ($popup)" [ "${popup%%+*}" = 1200x800 ]
done

shoot 144dpi "--dpi 144 --screen 2880x1800"
check "the popup at 144 DPI is 1800 x 1200 ($popup)" [ "${popup%%+*}" = 1800x1200 ]
check "... and looks the same" looks_the_same 144dpi

for case in "1366x768 --dpi 96 --screen 1366x768" "1920x1080-144dpi --dpi 144"; do
    read -r name options <<<"$case"
    shoot "$name" "$options"
    check "the popup at $options lies inside the $screen screen ($popup)" inside_screen
    check "... and looks the same" looks_the_same "$name"
done
# Two screens, Geany on the right one, which is the smaller: the popup is centred there.
KEYGLANCE_DEMO_EDITOR_AT="2020 100" shoot two-screens "--dpi 96 --screens 1920x1080,1600x900"
check "with Geany on the second of two screens, the popup is centred there ($popup)" \
    [ "$popup" = 1200x800+2120+50 ]
exit "$status"
