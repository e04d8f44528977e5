#!/usr/bin/env bash
# Keyglance in a headless GNOME Shell session (run through tests/gnome-session.sh with Keyglance's
# extensions enabled), started in the overview as at log-in: Ctrl+Space through the portal where
# GNOME's has global shortcuts (48 on; its dialog answered as a user would), else held by the
# extension, a held press one press, the Wayland program in front named through the extension, the popup
# centred above it without taking its focus, on its monitor of two, the toggle command, the
# user's own keybindings left as they were, and with the extension disabled, Ctrl+Space through
# the portal or the custom keybinding Keyglance adds to the user's settings and the log line saying how to
# enable the extension while XWayland programs are still named.
# Usage: gnome.sh <keyglance> <keyglance-toggle> <folder for the logs>
set -euo pipefail
shots=$3
. "$(dirname "$0")/checks.sh"
. "$(dirname "$0")/gnome_shell.sh"
# Run from a folder whose name holds a blank and a %, which the keybinding's command must keep.
installed="$work/Keyglance 100%"
mkdir -p "$installed"
cp "$1" "$2" "$installed/"
keyglance=$installed/$(basename "$1")
toggle=$installed/$(basename "$2")
# dconf reads the settings from the file under XDG_CONFIG_HOME that the session's dconf service
# writes: this session's.
unset XDG_CONFIG_HOME
# On XWayland, Qt loads no Wayland plugin: leaks are found here too.
keyglance_leaks=1

write_data_file foot
media_keys=org.gnome.settings-daemon.plugins.media-keys
keybindings=/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings
ours=$keybindings/keyglance/
theirs=$keybindings/custom0/
keybinding() { gsettings get "$media_keys.custom-keybinding:$1" "$2"; }
set_keybinding() { gsettings set "$media_keys.custom-keybinding:$1" "$2" "$3"; }
ctrl_space() { keys "$@" Control_L space; }
# Types Ctrl+Space and waits for the $1-th log line $2.
press() {
    ctrl_space
    wait_for_line "$@"
}
popup_place() {
    xdotool search --onlyvisible --class keyglance getwindowgeometry --shell |
        awk -F= '{v[$1] = $2} END {printf "%d,%d %dx%d", v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]}'
}
# Centred on the monitor $@ (X Y WIDTH HEIGHT; the first by default): with several monitors
# Mutter's one work area over all of them tells no monitor's own, and Qt takes each whole. The log
# line comes before the X server has mapped the popup.
popup_centred() {
    local monitor=(${*:-0 0 1920 1080})
    local centred="$((monitor[0] + (monitor[2] - 1200) / 2)),$((monitor[1] + (monitor[3] - 800) / 2)) 1200x800"
    wait_for "[ \"\$(popup_place)\" = '$centred' ]" 5 || { popup_place; echo; false; }
}
focused_frame() {
    gdbus call --session --dest org.example.Keyglance.Shell --object-path /org/example/Keyglance/Shell \
        --method org.example.Keyglance.Shell.FocusedWindowFrame
}

# A keybinding of the user's own, which Keyglance must leave as it is.
set_keybinding "$theirs" name Terminal
set_keybinding "$theirs" command foot
set_keybinding "$theirs" binding '<Super>t'
gsettings set $media_keys custom-keybindings "['$theirs']"

# GNOME 48 and later: the portal's global shortcuts, which GNOME asks the user to confirm once.
portal=0
gdbus introspect --session --dest org.freedesktop.impl.portal.desktop.gnome \
    --object-path /org/freedesktop/portal/desktop 2>/dev/null | grep -q GlobalShortcuts && portal=1

echo "== at log-in, in the overview"
check "GNOME starts in the overview" in_overview
launch_keyglance "$work/keyglance.log"
if [ "$portal" = 1 ]; then
    check "GNOME asks to confirm the shortcut, and the user adds it" confirm_in_dialog
fi
wait_for "grep -q 'Is Registered: ' '$log'"
check "the session is GNOME" grep -q "Keyglance: session: GNOME" "$log"
check "Ctrl+Space is registered" grep -q 'Is Registered:  true' "$log"
if [ "$portal" = 1 ]; then
    check "... through the portal" [ "$(logged "$log" "GNOME Shell extension holds")" -eq 0 ]
else
    check "... held by the extension" \
        grep -q "Keyglance's GNOME Shell extension holds <Control>space" "$log"
fi
check "... with nothing written to the user's settings" \
    [ "$(gsettings get $media_keys custom-keybindings)" = "['$theirs']" ]
press 1 '设置可见'
check "with no window in front the popup lists no rows" [ "$(logged "$log" '" : "')" -eq 0 ]
check "... on the screen" popup_centred
press 1 '设置不可见'
# GNOME's portal shortcuts do not fire in the overview, which the dialog's answer left.
[ "$portal" = 1 ] || check "GNOME Shell lives on, in the overview" in_overview
check "Keyglance lives on" kill -0 "$keyglance_pid"
keys Escape

echo "== foot in front"
foot sh >/dev/null 2>&1 &
pids+=($!)
wait_for "[ \"\$(focused)\" = foot ]"
press 2 '设置可见'
check "lists foot's rows in key order" lines_in_order "$log" \
    '"Ctrl+Shift+C" : "复制"' '"Ctrl+Shift+N" : "新窗口"'
check "the focus stays on foot" [ "$(focused)" = foot ]
check "the popup is centred on foot's monitor" popup_centred
press 2 '设置不可见'
ctrl_space --hold 1.5
wait_for_line 3 '设置可见'
check "holding Ctrl+Space counts as one press" [ "$(logged "$log" '设置不可见')" -eq 2 ]
press 3 '设置不可见'

echo "== the toggle command"
check "shows the popup" "$toggle"
check "... with the same handler and rows" [ "$(logged "$log" '"Ctrl+Shift+N" : "新窗口"')" -eq 3 ]
check "hides it again" "$toggle"
check "... logged as a hide" [ "$(logged "$log" '设置不可见')" -eq 4 ]

echo "== foot moved to the second monitor"
keys Super_L Shift_L Right
wait_for "focused_frame | grep -q '^(19[2-9][0-9]\|^(2[0-9][0-9][0-9]'"
press 5 '设置可见'
check "the popup is centred on that monitor" popup_centred 1920 0 1600 900
press 5 '设置不可见'

echo "== after Keyglance was killed"
kill -KILL "$keyglance_pid"
wait "$keyglance_pid" 2>/dev/null || true
start_keyglance "$work/keyglance-after-kill.log"
check "the key was let go: a new start has it, unasked" grep -q 'Is Registered:  true' "$log"
check "... which shows the popup" press 1 '设置可见'
press 1 '设置不可见'
check "cleanly, on SIGTERM" stop_keyglance
check "leaves the user's keybindings as they were" \
    [ "$(gsettings get $media_keys custom-keybindings)" = "['$theirs']" ]

echo "== the user binds Ctrl+Space"
fired=$work/fired
set_keybinding "$theirs" command "touch $fired"
set_keybinding "$theirs" binding '<Primary>space'
start_keyglance "$work/keyglance-bound.log"
check "Is Registered:  false" grep -q 'Is Registered:  false' "$log"
check "the user's keybindings stay as they are" \
    [ "$(gsettings get $media_keys custom-keybindings)" = "['$theirs']" ]
sleep 1 # GNOME's settings daemon grabs the changed keybinding
ctrl_space
check "the user's binding still fires" wait_for "[ -e '$fired' ]" 10
stop_keyglance

echo "== without the extension"
gsettings set org.gnome.shell enabled-extensions "[]"
xlogo &
pids+=($!)
wait_for "xprop -id \"\$(xdotool getactivewindow)\" WM_CLASS 2>/dev/null | grep -q XLogo"
set_keybinding "$theirs" binding '<Super>t'
start_keyglance "$work/keyglance-plain.log"
if [ "$portal" = 1 ]; then
    check "the portal has Ctrl+Space, with nothing in the user's settings" \
        [ "$(gsettings get $media_keys custom-keybindings)" = "['$theirs']" ]
else
    check "the keybinding joins the user's in their settings" \
        [ "$(gsettings get $media_keys custom-keybindings)" = "['$theirs', '$ours']" ]
    check "... binding Ctrl+Space" [ "$(keybinding "$ours" binding)" = "'<Control>space'" ]
    check "... to the toggle command" [ "$(keybinding "$ours" command)" = "\"'$toggle'\"" ]
fi
check "says how to enable the extension" \
    wait_for "grep -q 'gnome-extensions enable keyglance' '$log'" 10
sleep 1 # GNOME's settings daemon grabs the new keybinding
check "Ctrl+Space shows the popup" press 1 '设置可见'
check "... naming the XWayland program through X11" grep -q '"Ctrl+Q" : "退出"' "$log"
press 1 '设置不可见'
check "exits cleanly" stop_keyglance
check "... leaving nothing of its own" [ "$(keybinding "$ours" binding)" = "''" ]

checks_result
