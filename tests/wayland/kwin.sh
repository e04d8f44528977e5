#!/usr/bin/env bash
# Keyglance in a headless KWin session (run through tests/kwin-session.sh), Ctrl+Space typed as a
# keyboard would. with-portal: the shortcut through the desktop portal into Plasma's global
# shortcuts, over a Wayland and an XWayland window, the focus left alone, a held key as one press,
# the toggle command, the popup on the output of the window in front, and KWin's script and the
# shortcut given back at exit; Ctrl+Space held by another shortcut; a key of the user's own kept.
# without-portal: the log line, and the toggle command still serving.
# Usage: kwin.sh with-portal|without-portal <keyglance> <keyglance-toggle> <kwin-ctrl-space>
#        <sandboxed-x11-client> <folder for the logs>
set -euo pipefail
mode=$1
keyglance=$2
toggle=$3
ctrl_space=$4
sandboxed=$5
shots=$6
. "$(dirname "$0")/checks.sh"

write_data_file wev

# Types Ctrl+Space and waits for the $1-th log line $2.
press() {
    "$ctrl_space"
    wait_for_line "$@"
}
# Qt writes Ctrl+Space as 0x04000020.
keyglance_holds_ctrl_space() {
    gdbus call --session -d org.kde.kglobalaccel -o /kglobalaccel \
        -m org.kde.KGlobalAccel.action 67108896 | grep -q "'$(keyglance_component)', 'toggle-popup'"
}
kwin_has_script() {
    gdbus call --session -d org.kde.KWin -o /Scripting \
        -m org.kde.kwin.Scripting.isScriptLoaded keyglance-active-window | grep -q true
}
kwin_dropped_script() { ! kwin_has_script; }
# The portal names the shortcuts of a program it knows no app id for after its session token,
# with "token_" in front from Plasma 6 on.
keyglance_component() {
    gdbus call --session -d org.kde.kglobalaccel -o /kglobalaccel \
        -m org.kde.KGlobalAccel.allMainComponents | grep -o "'\(token_\)\?keyglance'" | head -n1 |
        tr -d "'"
}
shortcut_active() {
    gdbus call --session -d org.kde.kglobalaccel -o "/component/$(keyglance_component)" \
        -m org.kde.kglobalaccel.Component.isActive | grep -q true
}
shortcut_given_back() { ! shortcut_active; }
keyboard_left() { [ "$(logged "$work/wev.log" 'wl_keyboard] leave')" -gt 0 ]; }
keyboard_stayed() { ! keyboard_left; }
# Runs the KWin script $1 (its text) once; what it prints goes to $KWIN_LOG.
kwin_script() {
    local file id
    file=$(mktemp -p "$work" XXXX.js)
    printf '%s\n' "$1" >"$file"
    id=$(gdbus call --session -d org.kde.KWin -o /Scripting \
        -m org.kde.kwin.Scripting.loadScript "$file" "keyglance-test-${file##*/}" | tr -dc 0-9)
    gdbus call --session -d org.kde.KWin -o "/Scripting/Script$id" -m org.kde.kwin.Script.run \
        >/dev/null 2>&1 || gdbus call --session -d org.kde.KWin -o "/$id" -m org.kde.kwin.Script.run >/dev/null
}
# Plasma 6 lists windows, Plasma 5 clients; the overlay is among them.
overlay_printed_at() {
    kwin_script "const all = workspace.windowList ? workspace.windowList() : workspace.clientList();
for (let i = 0; i < all.length; ++i)
    if (all[i].resourceClass == 'keyglance' && all[i].width == 1200)
        print('keyglance overlay at', all[i].frameGeometry.x, all[i].frameGeometry.y);"
    wait_for "grep -q 'keyglance overlay at $1' '$KWIN_LOG'" 5
}

# wev writes its events as they come only when told to.
stdbuf -oL wev >"$work/wev.log" 2>&1 &
pids+=($!)
wait_for "grep -q 'wl_keyboard] enter' '$work/wev.log'"

if [ "$mode" = without-portal ]; then
    echo "== no desktop portal, the toggle command from the moment Keyglance starts"
    launch_keyglance "$work/keyglance.log"
    check "the toggle command shows the popup" toggle_from_the_start
    check "... with wev's rows" grep -q '"Ctrl+Shift+N" : "新窗口"' "$log"
    check "... as an overlay: the keyboard stays with wev" keyboard_stayed
    check "Is Registered:  false" grep -q 'Is Registered:  false' "$log"
    check "... saying why" grep -q 'could not register Ctrl+Space: the desktop portal' "$log"
    check "... and hides it" "$toggle"
    check "Keyglance exits cleanly" stop_keyglance
    checks_result
    exit
fi

echo "== Ctrl+Space held by another shortcut"
other='["other","toggle","Other","Toggle"]'
gdbus call --session -d org.kde.kglobalaccel -o /kglobalaccel \
    -m org.kde.KGlobalAccel.doRegister "$other" >/dev/null
gdbus call --session -d org.kde.kglobalaccel -o /kglobalaccel \
    -m org.kde.KGlobalAccel.setShortcut "$other" '[67108896]' 4 >/dev/null
start_keyglance "$work/keyglance-taken.log"
check "Is Registered:  false" grep -q 'Is Registered:  false' "$log"
check "... naming the holder" grep -q 'give it to other/toggle' "$log"
stop_keyglance
# Plasma remembers that Keyglance's shortcut got no key; forgetting both gives Ctrl+Space back.
for shortcut in "other toggle" "$(keyglance_component) toggle-popup"; do
    gdbus call --session -d org.kde.kglobalaccel -o /kglobalaccel \
        -m org.kde.KGlobalAccel.unregister $shortcut >/dev/null
done

echo "== wev in front"
start_keyglance "$work/keyglance.log"
check "the session is KDE Plasma" grep -q "Keyglance: session: KDE Plasma" "$log"
check "Ctrl+Space is registered" grep -q 'Is Registered:  true' "$log"
check "Plasma's global shortcuts give Ctrl+Space to Keyglance" keyglance_holds_ctrl_space
press 1 '设置可见'
check "lists wev's rows in key order" lines_in_order "$log" \
    '"Ctrl+Shift+C" : "复制"' '"Ctrl+Shift+N" : "新窗口"'
check "the keyboard stays with wev" keyboard_stayed
press 1 '设置不可见'
"$ctrl_space" 1500
press 2 '设置不可见'
check "holding Ctrl+Space counts as one press" [ "$(logged "$log" '设置可见')" -eq 2 ]

echo "== an XWayland window in front"
xlogo &
pids+=($!)
wait_for "keyboard_left"
check_xlogo_and_toggle 3
check_sandboxed_client 5

echo "== the window in front on the second output"
kwin_script "const front = workspace.activeWindow || workspace.activeClient;
workspace.sendClientToScreen(front, workspace.screens ? workspace.screens[1] : 1);
print('front moved to', front.frameGeometry.x >= 1920 ? 'the second output' : 'nowhere');"
wait_for "grep -q 'front moved to the second output' '$KWIN_LOG'"
press 6 '设置可见'
check "the popup is centred on that output" overlay_printed_at "2280 140"
press 6 '设置不可见'

echo "== Keyglance exits"
check "KWin runs its script meanwhile" kwin_has_script
check "the shortcut is live meanwhile" shortcut_active
check "cleanly, on SIGTERM" stop_keyglance
check "unloading its script from KWin" kwin_dropped_script
check "giving the shortcut back" shortcut_given_back

echo "== a key of the user's own for the shortcut, in Plasma's settings"
component=$(keyglance_component)
gdbus call --session -d org.kde.kglobalaccel -o /kglobalaccel -m org.kde.KGlobalAccel.setShortcut \
    "['$component', 'toggle-popup', '$component', 'toggle-popup']" '[201326624]' 4 >/dev/null
start_keyglance "$work/keyglance-own-key.log"
check "Is Registered:  true" grep -q 'Is Registered:  true' "$log"
check "... saying which key" grep -q 'give the shortcut Ctrl+Alt+Space instead of Ctrl+Space' "$log"
"$ctrl_space" 0 alt
check "that key shows the popup" wait_for_line 1 '设置可见'
stop_keyglance

checks_result
