#!/usr/bin/env bash
# Keyglance in a headless sway session (run through tests/sway-session.sh): Ctrl+Space over a
# Wayland and an XWayland window (named by its process as XWayland knows it), the popup as a
# centred overlay that leaves the focus and the clicks alone, on the output of the window in front,
# the toggle command, a start after a killed one, a configuration that binds Ctrl+Space itself,
# and no binding left behind.
# Usage: sway.sh <keyglance> <keyglance-toggle> <sandboxed-x11-client> <wlr-click>
#        <folder for the screenshots>
set -euo pipefail
keyglance=$1
toggle=$2
sandboxed=$3
click=$4
shots=$5
. "$(dirname "$0")/checks.sh"

write_data_file foot
# What sway starts sees its XWayland display, as Keyglance does when sway starts it.
swaymsg exec "echo \$DISPLAY >'$work/display'" >/dev/null
wait_for "[ -s '$work/display' ]"
DISPLAY=$(cat "$work/display")
export DISPLAY

focused_node() { swaymsg -t get_tree | jq -r ".. | objects | select(.focused == true) | $1"; }
focused() { focused_node '.app_id // .window_properties.class // .name'; }
# Types Ctrl+Space and waits for the $1-th log line $2.
press() {
    wtype -M ctrl -k space -m ctrl
    wait_for_line "$@"
}
# The box in which a screenshot differs from the one before the popup, as WxH+X+Y.
changed_box() { convert "$1" "$2" -compose difference -composite -trim -format '%wx%h%O' info:; }
same_picture() { compare -metric AE "$1" "$2" null: 2>/dev/null; }
# Whether output $1 still looks as screenshot $2 shows it; if not, $2 takes its new look.
unchanged() {
    grim -o "$1" "$2.next" && same_picture "$2" "$2.next" && return
    mv "$2.next" "$2"
    false
}
# A screenshot of output $1 into $2 once it stops changing: sway shows a window that was just
# opened or moved when the window has drawn itself at its new size, which a busy machine delays.
settled_shot() {
    grim -o "$1" "$2"
    sleep 0.1
    wait_for "unchanged $1 '$2'" 5 || true
    rm -f "$2.next"
}
# Whether the popup changed the box $1 (WxH+X+Y) between screenshots $2 and $3; says which box
# it changed when another.
changed_box_is() {
    local box
    box=$(changed_box "$2" "$3")
    [ "$box" = "$1" ] || { echo "changed: $box" >&2 && false; }
}
# Whether the popup in screenshot $1 lets a tenth of the background beside it through, as black at
# 90 % does: within one level of red, over a background not black itself.
translucent_black() {
    local beside over
    beside=$(convert "$1" -format '%[fx:round(255*p{100,300}.r)]' info:)
    over=$(convert "$1" -format '%[fx:round(255*p{380,160}.r)]' info:)
    [ "$beside" -gt 10 ] && [ $((over * 10 - beside)) -le 10 ] && [ $((beside - over * 10)) -le 10 ]
}

echo "== foot in front"
foot sh >/dev/null 2>&1 &
pids+=($!)
wait_for "[ \"\$(focused)\" = foot ]"
settled_shot HEADLESS-1 "$work/before.png"
start_keyglance "$work/keyglance.log"
check "the session is sway" grep -q "Keyglance: session: sway" "$log"
check "Ctrl+Space is registered" grep -q 'Is Registered:  true' "$log"
press 1 '设置可见'
check "lists foot's rows in key order" lines_in_order "$log" \
    '"Ctrl+Shift+C" : "复制"' '"Ctrl+Shift+N" : "新窗口"'
sleep 1 # the first frame reaches the screen
grim "$shots/sway-popup.png"
check "the popup is a centred 1200 x 800 overlay" \
    changed_box_is 1200x800+360+140 "$work/before.png" "$shots/sway-popup.png"
check "... black, 90 % opaque" translucent_black "$shots/sway-popup.png"
check "the focus stays on foot" [ "$(focused)" = foot ]
press 1 '设置不可见'
sleep 1
grim "$work/after.png"
check "the next press hides it" same_picture "$work/before.png" "$work/after.png"

wtype -M ctrl -P space -s 1500 -p space -m ctrl
press 2 '设置不可见'
check "holding Ctrl+Space counts as one press" [ "$(logged "$log" '设置可见')" -eq 2 ]

echo "== an XWayland window in front"
open_x11_client "[ \"\$(focused)\" = XLogo ]" xlogo
check_xlogo_and_toggle 3
check "... logged as a hide" [ "$(logged "$log" '设置不可见')" -eq 4 ]
check_sandboxed_client 5

echo "== a click where the popup stands"
stdbuf -oL wev >"$work/wev.log" 2>&1 &
pids+=($!)
wait_for "[ \"\$(focused)\" = wev ]"
swaymsg '[app_id=wev] fullscreen enable' >/dev/null
press 6 '设置可见'
wev_buttons() { logged "$work/wev.log" 'wl_pointer] button'; }
buttons=$(wev_buttons)
"$click" 960 540 1920 1080
check "reaches the window beneath" wait_for "[ \$(wev_buttons) -gt $buttons ]" 5
check "... which keeps the focus" [ "$(focused)" = wev ]
press 6 '设置不可见'

echo "== the window in front on a second output"
swaymsg create_output >/dev/null
swaymsg '[app_id=wev] fullscreen disable, move container to output HEADLESS-2, focus' >/dev/null
focused_output() { swaymsg -t get_outputs | jq -r '.[] | select(.focused) | .name'; }
wait_for "[ \"\$(focused_output)\" = HEADLESS-2 ]"
settled_shot HEADLESS-2 "$shots/sway-second-before.png"
press 7 '设置可见'
sleep 1
grim -o HEADLESS-2 "$shots/sway-second-popup.png"
check "the popup is centred on that output" \
    changed_box_is 1200x800+360+140 "$shots/sway-second-before.png" "$shots/sway-second-popup.png"
press 7 '设置不可见'

echo "== after Keyglance was killed"
kill -KILL "$keyglance_pid"
wait "$keyglance_pid" 2>/dev/null || true
start_keyglance "$work/keyglance-after-kill.log"
check "a new start takes over the Ctrl+Space it left bound" grep -q 'Is Registered:  true' "$log"
check "... which shows the popup" press 1 '设置可见'
press 1 '设置不可见'

echo "== Keyglance exits"
check "cleanly, on SIGTERM" stop_keyglance
check "leaves no Ctrl+Space binding in sway" \
    sh -c "swaymsg unbindsym Ctrl+space | grep -q 'Could not find binding'"
"$toggle" 2>"$work/toggle.err" && status=0 || status=$?
check "the toggle command fails without Keyglance" [ "$status" -eq 1 ]
check "... saying so" grep -q 'Keyglance is not running' "$work/toggle.err"

echo "== a configuration that binds Ctrl+Space itself"
fired=$work/fired
{
    echo 'set $trigger Ctrl'
    echo "bindsym \$trigger+space exec touch $fired"
} >>"$SWAY_CONFIG"
swaymsg reload >/dev/null
start_keyglance "$work/keyglance-bound.log"
check "Is Registered:  false" grep -q 'Is Registered:  false' "$log"
check "... naming the line" grep -qF "may bind it, at $SWAY_CONFIG:" "$log"
wtype -M ctrl -k space -m ctrl
check "the user's binding still fires" wait_for "[ -e '$fired' ]" 10
stop_keyglance

checks_result
