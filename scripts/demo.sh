#!/usr/bin/env bash
# Headless demo: Xvfb, openbox, the Geany editor in front, Keyglance with the shipped data file,
# Ctrl+Space pressed, and a PNG screenshot of the popup window saved.
# Usage: demo.sh <keyglance binary> <screenshot.png>
# KEYGLANCE_DEMO_SESSION_OPTIONS: further x11-session.sh options, e.g. "--dpi 144".
# KEYGLANCE_DEMO_EDITOR_AT: where Geany's window is moved to, as "X Y".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ -z "${KEYGLANCE_DEMO_SESSION:-}" ]; then
    export KEYGLANCE_DEMO_SESSION=1
    read -ra options <<<"${KEYGLANCE_DEMO_SESSION_OPTIONS:-}"
    exec "$root/tests/x11-session.sh" --wm "${options[@]}" "$0" "$@"
fi

binary=$1
shot=$2
mkdir -p "$(dirname "$shot")"
. "$root/scripts/scratch.sh"

# On a timeout, Keyglance's log tells why.
wait_or_fail() {
    wait_for "$1" 10 && return 0
    [ -f "$work/keyglance.log" ] && cat "$work/keyglance.log" >&2
    exit 1
}

cp "$root/data/data.json" "$work/data.json"
export XDG_CONFIG_HOME="$work/config"

geany --new-instance --no-session --config="$work/geany" &
pids+=($!)
wait_or_fail "xdotool getactivewindow getwindowname 2>/dev/null | grep -q Geany"
if [ -n "${KEYGLANCE_DEMO_EDITOR_AT:-}" ]; then
    read -r editor_x editor_y <<<"$KEYGLANCE_DEMO_EDITOR_AT"
    xdotool getactivewindow windowmove --sync "$editor_x" "$editor_y"
fi

(cd "$work" && exec "$binary") >"$work/keyglance.log" 2>&1 &
pids+=($!)
wait_or_fail "grep -q 'Is Registered:  true' '$work/keyglance.log'"

xdotool key ctrl+space
wait_or_fail "grep -q '设置可见' '$work/keyglance.log'"
wait_or_fail "xwininfo -name Keyglance 2>/dev/null | grep -q IsViewable"
# Give the first frame time to reach the screen before the capture.
sleep 1
import -window "$(xwininfo -name Keyglance | awk '/Window id:/ {print $4}')" "$shot"
echo "Screenshot of the popup: $shot"
xwininfo -name Keyglance | awk '/Absolute upper-left X:/ {x = $4} /Absolute upper-left Y:/ {y = $4}
    /Width:/ {w = $2} /Height:/ {h = $2} END {printf "Popup on the %s screen: %dx%d+%d+%d\n", screen, w, h, x, y}' \
    screen="$(xdpyinfo | awk '/dimensions:/ {print $2}')"
