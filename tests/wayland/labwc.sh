#!/usr/bin/env bash
# Keyglance in a headless labwc session (run through tests/labwc-session.sh), a wlroots compositor
# other than sway: the user binds Ctrl+Space to the toggle command in rc.xml, as the README says;
# labwc repeats a held keybinding unless it fires on release. The program in front is named from the
# foreign-toplevel list, and the popup is a centred overlay.
# Usage: labwc.sh <keyglance> <keyglance-toggle> <folder for the screenshots>
set -euo pipefail
keyglance=$1
toggle=$2
shots=$3
. "$(dirname "$0")/checks.sh"

cat >"$LABWC_RC" <<XML
<labwc_config><keyboard>
  <keybind key="C-space" onRelease="yes"><action name="Execute" command="$toggle" /></keybind>
</keyboard></labwc_config>
XML
labwc --reconfigure
write_data_file foot
press() {
    wtype -M ctrl -k space -m ctrl
    wait_for_line "$@"
}
changed_box() { convert "$1" "$2" -compose difference -composite -trim -format '%wx%h%O' info:; }
# Whether the box that changed from $1 to $2 is $3; says which it is when not.
changed_box_is() {
    local box
    box=$(changed_box "$1" "$2")
    [ "$box" = "$3" ] || { echo "changed: $box" >&2; false; }
}

echo "== foot in front"
# White and filling the screen: labwc draws no background, and the popup over black changes nothing.
foot --maximized -o colors.background=ffffff sh -c "touch '$work/foot-ready'; exec sh" \
    >/dev/null 2>&1 &
pids+=($!)
wait_for "[ -e '$work/foot-ready' ]"
sleep 1 # its first frame reaches the screen
grim "$work/before.png"
start_keyglance "$work/keyglance.log"
check "the session is a wlroots compositor" \
    grep -q "Keyglance: session: a wlroots compositor" "$log"
check "Ctrl+Space, bound to the toggle command, shows the popup" press 1 '设置可见'
check "... with foot's rows" lines_in_order "$log" \
    '"Ctrl+Shift+C" : "复制"' '"Ctrl+Shift+N" : "新窗口"'
sleep 1
grim "$shots/labwc-popup.png"
check "the popup is a centred 1200 x 800 overlay" \
    changed_box_is "$work/before.png" "$shots/labwc-popup.png" 1200x800+360+140
check "the next press hides it" press 1 '设置不可见'
press 2 '设置可见'
check "foot keeps the focus: the next show lists its rows again" \
    [ "$(logged "$log" '"Ctrl+Shift+C" : "复制"')" -eq 2 ]
press 2 '设置不可见'
wtype -M ctrl -P space -s 1500 -p space -m ctrl
wait_for_line 3 '设置可见'
sleep 1
check "holding Ctrl+Space counts as one press" [ "$(logged "$log" '设置可见')" -eq 3 ]
stop_keyglance
checks_result
