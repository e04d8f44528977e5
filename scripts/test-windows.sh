#!/usr/bin/env bash
# End-to-end tests of the Windows zip under Wine, on a private Xvfb with openbox: start-up and the
# Run value, Ctrl+Space over Wine's notepad, the window-title rule through the real Windows calls,
# a second start that ends at once, the start-up download, a start in the system folder as at
# log-in, the installer's silent install and uninstall, and 150 % display scaling on a screen too
# small for the popup at that scale. Runs the unpacked zip, so a missing DLL fails. Needs
# scripts/build-windows.sh to have built the zip and the installer; builds a second zip pointed at
# a local server. On two screens: the popup follows the window in front to the second.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KEYGLANCE_WINDOWS_BUILD:-$root/build-windows}

if [ -z "${KEYGLANCE_WINE_SESSION:-}" ]; then
    "$root/scripts/install-deps.sh" --windows
    # A data host of the tests' own, fixed at build time like every build's.
    port=${KEYGLANCE_WINE_TEST_PORT:-47613}
    KEYGLANCE_WINDOWS_BUILD=$build-download "$root/scripts/build-windows.sh" \
        -DKEYGLANCE_DATA_HOST="127.0.0.1:$port" >/dev/null
    x86_64-w64-mingw32-gcc -municode -mwindows -O2 -Wall -Wextra -Werror \
        -o "$build/titled_window.exe" "$root/tests/windows/titled_window.c"
    export KEYGLANCE_WINE_SESSION=1 KEYGLANCE_WINE_TEST_PORT=$port
    # A 1920 x 1080 screen, room for the popup at 100 %, not at 150 %; a smaller one right of it.
    exec "$root/tests/x11-session.sh" --wm --screens 1920x1080,1600x900 "$0" "$@"
fi

. "$root/scripts/scratch.sh"
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
logs=$build/wine-logs
rm -rf "$logs"
# The programs' logs outlive the scratch folder, for a failure's post-mortem.
trap 'wineserver -k 2>/dev/null || true; mkdir -p "$logs"; cp "$work"/*.log "$logs"/ || true
    cleanup_scratch' EXIT

. "$root/tests/checks.sh"

# Unpacks a zip under a folder whose name holds a blank, as "Program Files" does.
unpack() {
    local into="$work/Program Files/$1"
    mkdir -p "$into"
    unzip -q "$2" -d "$into"
    find "$into" -name keyglance.exe
}

# Wine hands a Windows program's standard error its ANSI code page; for Chinese that is GBK.
log_text() { iconv -c -f GBK -t UTF-8 "$1"; }
logged() { log_text "$1" | grep -c -F -- "$2" || true; }

lines_in_order() {
    local log=$1 previous=0 line
    shift
    for text in "$@"; do
        line=$(log_text "$log" | grep -n -F -- "$text" | head -n1 | cut -d: -f1)
        [ -n "$line" ] && [ "$line" -gt "$previous" ] || return 1
        previous=$line
    done
}

popup_viewable() { xwininfo -name Keyglance 2>/dev/null | grep -q 'Map State: IsViewable'; }
popup_hidden() { ! popup_viewable; }
popup_size() { xwininfo -name Keyglance | grep -qzE "Width: $1.*Height: $2"; }
popup_shot() { import -window "$(xwininfo -name Keyglance | awk '/Window id:/ {print $4}')" "$1"; }
# Sets width, height, x and y to the popup's geometry on the screen.
popup_geometry() {
    read -r width height x y < <(xwininfo -name Keyglance | awk '/Absolute upper-left X:/ {x = $4}
        /Absolute upper-left Y:/ {y = $4} /Width:/ {w = $2} /Height:/ {h = $2} END {print w, h, x, y}')
}
popup_inside_screen() {
    popup_geometry
    ((x >= 0 && y >= 0 && x + width <= 1920 && y + height <= 1080))
}
# The labels in the popup's bottom-right corner (a fifth of its width, a tenth of its height), as
# the popup's own shot $1 has them, must be in the screenshot $2 of the whole screen.
labels_on_screen() {
    popup_geometry
    local corner_width=$((width / 5)) corner_height=$((height / 10))
    local corner_x=$((width - corner_width)) corner_y=$((height - corner_height))
    convert "$1" -crop "${corner_width}x$corner_height+$corner_x+$corner_y" +repage "$work/labels.png"
    convert "$2" -crop "${corner_width}x$corner_height+$((x + corner_x))+$((y + corner_y))" +repage \
        "$work/labels-on-screen.png"
    "$root/tests/same-layout.sh" "$work/labels.png" "$work/labels-on-screen.png"
}

# Puts the window of the Wine program $1 in front and presses Ctrl+Space; waits for the $2-th
# log line $3.
press_over() {
    local window
    window=$(xdotool search --sync --onlyvisible --class "$1" | head -n1)
    xdotool windowactivate --sync "$window"
    xdotool key ctrl+space
    wait_for "[ \$(logged '$log' '$3') -ge $2 ]"
}

wineboot -i >/dev/null 2>&1
# Qt logs to standard error only where asked, and Wine passes no QT_ variable on.
wine reg add 'HKCU\Environment' /v QT_FORCE_STDERR_LOGGING /t REG_SZ /d 1 /f >/dev/null
wineserver -w
xcompmgr >/dev/null 2>&1 &
pids+=($!)

exe=$(unpack keyglance "$build/keyglance-windows-x64.zip")
mkdir -p "$work/run"
cat >"$work/run/data.json" <<'EOF'
{
  "notepad.exe": { "文件": { "Ctrl+S": "保存", "Ctrl+N": "新建" }, "编辑": { "Ctrl+Z": "撤销" } },
  "Google Chrome": { "标签页": { "Ctrl+T": "新标签页" } }
}
EOF
# Starts Keyglance in the folder $2 (default run/), logging to $1. A Chinese locale gives it a
# code page that holds its log's texts.
start_keyglance() {
    log=$1
    (cd "${2:-$work/run}" && exec env LC_ALL=zh_CN.UTF-8 wine "$exe") >"$log" 2>&1 &
    keyglance_pid=$!
    pids+=("$keyglance_pid")
}

echo "== the zip"
zip_lists() {
    unzip -Z1 "$build/keyglance-windows-x64.zip" >"$work/zip-listing"
    for file in keyglance.exe data.json platforms/qwindows.dll LICENSE LICENSE.LGPL3 LICENSE.GPL3 \
        THIRD-PARTY.txt; do
        grep -qx "keyglance-[0-9.]*/$file" "$work/zip-listing" || return 1
    done
}
check "holds the program, the Qt plugin and the licence notices" zip_lists

echo "== start-up"
start_keyglance "$work/keyglance.log"
check "logs Is Registered:  true" wait_for "grep -q 'Is Registered:  true' '$log'"
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
expected="\"$(winepath -w "$exe")\""
run_value() { wine reg query "$run_key" /v keyglance 2>/dev/null | tr -d '\r' | grep -F -- "$expected"; }
check "the Run value holds the quoted path $expected" wait_for run_value
check "... and the user's own Run key none beside it, as the machine-wide one holds it" \
    sh -c "! wine reg query 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run' /v keyglance >/dev/null 2>&1"
check "no window is visible" popup_hidden

echo "== Ctrl+Space over notepad"
wine notepad >/dev/null 2>&1 &
pids+=($!)
press_over notepad.exe 1 '设置可见'
check "shows the popup" wait_for popup_viewable
check "the popup is 1200 x 800" popup_size 1200 800
check "logs notepad.exe's rows in key order" lines_in_order "$log" \
    '"Ctrl+N" : "新建"' '"Ctrl+S" : "保存"' '"Ctrl+Z" : "撤销"'
sleep 1 # the first frame reaches the screen
import -window root "$build/keyglance-windows.png"
popup_shot "$work/popup-96dpi.png"
echo "screenshot: $build/keyglance-windows.png"
popup_geometry
xdotool mousemove --sync $((x + width / 2)) $((y + height / 2)) click 1
notepad_in_front() { xprop -id "$(xdotool getactivewindow)" WM_CLASS | grep -q notepad.exe; }
notepad_stays_in_front() { ! wait_for '! notepad_in_front' 1 2>/dev/null; }
check "a click into it leaves notepad in front for the next second" notepad_stays_in_front
check "... and the popup shown" popup_viewable
press_over notepad.exe 1 '设置不可见'
check "the next press hides it" wait_for popup_hidden

echo "== a window titled ... - Google Chrome"
wine "$build/titled_window.exe" "New Tab - Google Chrome" >/dev/null 2>&1 &
pids+=($!)
press_over titled_window.exe 2 '设置可见'
check "is named Google Chrome" wait_for "[ \$(logged '$log' '\"Ctrl+T\" : \"新标签页\"') -eq 1 ]"
press_over titled_window.exe 2 '设置不可见'

echo "== notepad on the second screen"
xdotool windowmove --sync "$(xdotool search --onlyvisible --class notepad.exe | head -n1)" 2020 100
press_over notepad.exe 3 '设置可见'
wait_for popup_viewable
popup_geometry
check "the popup is centred on that screen (${width}x$height+$x+$y)" \
    [ "${width}x$height+$x+$y" = 1200x800+2120+50 ]
press_over notepad.exe 3 '设置不可见'

echo "== a second start"
second_start() {
    (cd "$work/run" && exec wine "$exe") >"$work/keyglance-second.log" 2>&1 &&
        grep -q 'another Keyglance already runs in this session' "$work/keyglance-second.log"
}
check "says so and ends at once, with status 0" second_start
check "... leaving the first running" kill -0 "$keyglance_pid"
kill "$keyglance_pid"
wait "$keyglance_pid" 2>/dev/null || true

echo "== start-up download"
served=$work/served/data/file
mkdir -p "$served"
python3 -m http.server --bind 127.0.0.1 --directory "$work/served" "$KEYGLANCE_WINE_TEST_PORT" \
    >"$work/http.log" 2>&1 &
pids+=($!)
wait_for "grep -q 'Serving HTTP' '$work/http.log'"
download_exe=$(unpack download "$build-download/keyglance-windows-x64.zip")
dl_log=$work/dl.log
# Runs the download build in a fresh folder holding an old data file until $1 holds.
download_until() {
    rm -rf "$work/dl"
    mkdir -p "$work/dl"
    echo '{"old": {}}' >"$work/dl/data.json"
    (cd "$work/dl" && exec wine "$download_exe") >"$dl_log" 2>&1 &
    local pid=$! status=0
    wait_for "$1" || status=1
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return $status
}
echo '{"notepad.exe": {"文件": {"Ctrl+O": "打开"}}}' >"$served/data.json"
check "saves the served data file" download_until "cmp -s '$served/data.json' '$work/dl/data.json'"
echo 'not json' >"$served/data.json"
check "keeps data.json for a bad body" download_until "grep -q 'not a JSON object' '$dl_log'"
check "... whose content is unchanged" grep -q -F '{"old": {}}' "$work/dl/data.json"

echo "== started in the system folder, as at log-in"
start_keyglance "$work/keyglance-system-folder.log" "$WINEPREFIX/drive_c/windows/system32"
wait_for "grep -q 'Is Registered:  true' '$log'"
press_over notepad.exe 1 '设置可见'
check "lists notepad.exe's rows from the shipped data file beside the exe" \
    wait_for "[ \$(logged '$log' '\"Ctrl+Shift+N\" : \"新建窗口\"') -eq 1 ]"

echo "== the installer"
kill "$keyglance_pid"
wait "$keyglance_pid" 2>/dev/null || true
user_folder="$WINEPREFIX/drive_c/users/$(whoami)"
installed="$user_folder/AppData/Local/Programs/Keyglance"
start_menu_entry="$user_folder/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Keyglance.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Keyglance'
installed_exe="$(winepath -w "$installed")\keyglance.exe"
has_key() { wine reg query "$@" >/dev/null 2>&1; }
run_values_gone() {
    ! has_key "$run_key" /v keyglance &&
        ! has_key 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v keyglance
}
toggle_over_notepad() {
    xdotool windowactivate --sync "$(xdotool search --onlyvisible --class notepad.exe | head -n1)"
    xdotool key ctrl+space
}
# What the installer starts logs with it.
silent_install() { wine "$build/keyglance-setup-x64.exe" /S >"$work/installed.log" 2>&1; }
check "a silent install, without administrator rights" silent_install
check "... puts Keyglance in the user's programs folder" [ -f "$installed/keyglance.exe" ]
check "... with the shipped data file" cmp -s "$installed/data.json" "$root/data/data.json"
check "... a Start-menu entry" [ -f "$start_menu_entry" ]
check "... an uninstall entry of the user's" has_key "$uninstall_key" /v UninstallString
check "... and starts it, which registers its autostart" \
    wait_for "wine reg query '$run_key' /v keyglance | tr -d '\r' | grep -qF -- '$installed_exe'"
toggle_over_notepad
check "Ctrl+Space over notepad shows the installed popup" wait_for popup_viewable
toggle_over_notepad
check "... and hides it" wait_for popup_hidden
check "a silent uninstall" wine "$installed/uninstall.exe" /S
check "... ends Keyglance and removes its folder" wait_for "[ ! -e '$installed' ]"
check "... its uninstall entry" sh -c "! wine reg query '$uninstall_key' >/dev/null 2>&1"
check "... its Run values" run_values_gone
check "... and its Start-menu entry" [ ! -e "$start_menu_entry" ]
# A running Keyglance keeps its (hidden) window.
check "... and no Keyglance is left running" wait_for "! xwininfo -name Keyglance >/dev/null 2>&1"

echo "== 150 % display scaling"
wineserver -k
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
wineserver -w
wine notepad >/dev/null 2>&1 &
pids+=($!)
start_keyglance "$work/keyglance-150.log"
wait_for "grep -q 'Is Registered:  true' '$log'"
press_over notepad.exe 1 '设置可见'
check "shows the popup" wait_for popup_viewable
check "the popup, too large at 150 %, is scaled down inside the screen" popup_inside_screen
popup_geometry
echo "the popup at 150 %: ${width}x$height+$x+$y"
sleep 1
import -window root "$build/keyglance-windows-150.png"
popup_shot "$work/popup-144dpi.png"
echo "screenshot: $build/keyglance-windows-150.png"
check "its bottom-right labels are on the screen" labels_on_screen "$work/popup-144dpi.png" \
    "$build/keyglance-windows-150.png"
check "looks the same at 150 %" "$root/tests/same-layout.sh" "$work/popup-96dpi.png" \
    "$work/popup-144dpi.png"

checks_result
