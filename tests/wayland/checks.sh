# Sourced by the end-to-end tests in Wayland sessions (sway.sh, kwin.sh), with $keyglance and
# $shots set: a scratch folder whose logs are copied to $shots on exit, the PASS/FAIL checks
# (tests/checks.sh), Keyglance started and stopped, and the questions the checks ask of its log.
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/scratch.sh"
# The programs' logs outlive the scratch folder, for a failure's post-mortem.
trap 'cp "$work"/*.log "$shots"/ 2>/dev/null || true; cleanup_scratch' EXIT
export XDG_CONFIG_HOME=$work/config

. "$(dirname "${BASH_SOURCE[0]}")/../checks.sh"

logged() { grep -c -F -- "$2" "$1" || true; }
lines_in_order() {
    local log=$1 previous=0 line
    shift
    for text in "$@"; do
        line=$(grep -n -F -- "$text" "$log" | awk -F: -v after="$previous" '$1 > after {print $1; exit}')
        [ -n "$line" ] || return 1
        previous=$line
    done
}
# Qt's Wayland plugin leaves allocations at exit that LeakSanitizer cannot tell from ours (Qt has
# no frame pointers): leaks are the X11 tests' to find, memory errors are still caught here. A
# test whose Keyglance runs on XWayland sets keyglance_leaks=1.
launch_keyglance() {
    log=$1
    (cd "$work" && ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=${keyglance_leaks:-0}" \
        exec "$keyglance") >"$log" 2>&1 &
    keyglance_pid=$!
    pids+=($keyglance_pid)
}
start_keyglance() {
    launch_keyglance "$1"
    wait_for "grep -q 'Is Registered: ' '$log'"
}
# The toggle command again and again from the moment Keyglance starts, as a user pressing while
# it starts, until one press is answered; fails if Keyglance dies meanwhile.
toggle_from_the_start() {
    local deadline=$((SECONDS + 30))
    until "$toggle" 2>/dev/null; do
        kill -0 "$keyglance_pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ] || return 1
    done
}
stop_keyglance() {
    kill "$keyglance_pid"
    wait "$keyglance_pid"
}
# Waits for the $1-th log line $2.
wait_for_line() { wait_for "[ \$(logged '$log' '$2') -ge $1 ]" 10; }
# The data file: two rows for the Wayland program in front ($1), in other than key order, and one
# each for xlogo and the sandboxed client.
write_data_file() {
    jq -n --arg front "$1" '{($front): {"终端": {"Ctrl+Shift+N": "新窗口", "Ctrl+Shift+C": "复制"}},
        xlogo: {"窗口": {"Ctrl+Q": "退出"}},
        "sandboxed-x11-client": {"窗口": {"Ctrl+W": "关闭"}}}' >"$work/data.json"
}
# Starts the X11 client "${@:2}" until it is in front, as $1 tells. Sway 1.10 now and then never
# shows an XWayland window that was just mapped (a few runs in a hundred of the sway test on a
# busy machine); as a user would, this starts the program again, twice at most, and says so.
open_x11_client() {
    local in_front=$1 client
    shift
    for _ in 1 2 3; do
        "$@" &
        client=$!
        pids+=($client)
        wait_for "$in_front" 10 && return
        echo "note: $1 was not shown; top-level X windows: $(x11_map_states)" >&2
        kill "$client"
    done
    return 1
}
x11_map_states() {
    xwininfo -root -children | awk '/^ +0x/ {print $1}' | while read -r window; do
        printf '%s %s, ' "$window" "$(xwininfo -id "$window" | sed -n 's/.*Map State: //p')"
    done
}
# An XWayland client that claims another process's pid, as a Flatpak one does ($sandboxed, with
# DISPLAY set), is named by its own executable all the same: the $1-th press lists its row.
check_sandboxed_client() {
    open_x11_client \
        "xprop -id \"\$(xdotool getactivewindow)\" WM_CLASS 2>/dev/null | grep -q Sandboxed" \
        "$sandboxed" 2
    press "$1" '设置可见'
    check "a client claiming another's pid is named by its own process" \
        grep -q '"Ctrl+W" : "关闭"' "$log"
    press "$1" '设置不可见'
}
# With xlogo in front, the $1-th press shows its rows and the next hides them; then the toggle
# command does the same, through the same handler. press is the session's own way to type.
check_xlogo_and_toggle() {
    press "$1" '设置可见'
    check "lists xlogo's rows" grep -q '"Ctrl+Q" : "退出"' "$log"
    press "$1" '设置不可见'
    echo "== the toggle command"
    check "shows the popup" "$toggle"
    check "... with the same handler and rows" [ "$(logged "$log" '"Ctrl+Q" : "退出"')" -eq 2 ]
    check "hides it again" "$toggle"
}
