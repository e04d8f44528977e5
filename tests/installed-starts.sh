#!/usr/bin/env bash
# Starts the installed Keyglance on the X display of tests/x11-session.sh: by hand in a scratch
# folder, then as a fresh ordinary user from the menu entry and from the autostart entry it
# writes, and checks the folder each start runs in.
# Usage: installed-starts.sh SCRATCH_FOLDER
set -euo pipefail

work=$1
shipped=/usr/share/keyglance/data.json
pid=""
. "$(dirname "$0")/../scripts/throwaway-user.sh"

fail() {
    echo "package-check: $*" >&2
    exit 1
}

stop_keyglance() {
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=""
}

cleanup() {
    local status=$?
    stop_keyglance
    remove_throwaway_user || status=1
    exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# Starts a command in a folder with its output in a log; the command ends as keyglance itself.
start() {
    local log=$1 folder=$2
    shift 2
    (cd "$folder" && exec "$@") >"$log" 2>&1 &
    pid=$!
}

# Waits until Keyglance holds Ctrl+Space and its autostart entry holds the given line.
wait_until_ready() {
    local log=$1 entry=$2 line=$3
    for _ in $(seq 1 300); do
        grep -q 'Is Registered:  true' "$log" && grep -qxF "$line" "$entry" 2>/dev/null && return
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    cat "$log" >&2
    fail "keyglance did not register Ctrl+Space and an autostart entry with $line within 30 s"
}

# The value of a key in a desktop entry.
entry_value() {
    sed -n "s/^$2=//p" "$1"
}

# The started process is keyglance itself, not a launcher around it, in the user's data folder.
check_user_instance() {
    [ "$(readlink "/proc/$pid/exe")" = /usr/bin/keyglance ] ||
        fail "$1: the process is not keyglance, or it has ended"
    [ "$(readlink "/proc/$pid/cwd")" = "$data" ] || fail "$1: keyglance does not run in $data"
}

# By hand: the folder it is started in, remembered by the autostart entry.
mkdir -p "$work/run" "$work/config"
log="$work/by-hand.log"
XDG_CONFIG_HOME="$work/config" start "$log" "$work/run" /usr/bin/keyglance
wait_until_ready "$log" "$work/config/autostart/keyglance.desktop" "Path=$work/run"
stop_keyglance
echo "package-check: started by hand, keyglance registered Ctrl+Space and its autostart entry"

add_throwaway_user keyglance-check || fail "could not add a throwaway user"
as_user+=(DISPLAY="$DISPLAY")
data="$home/.local/share/keyglance"
autostart="$home/.config/autostart/keyglance.desktop"

# From the menu entry, in a fresh home: the data folder, seeded with the shipped file.
menu=/usr/share/applications/keyglance.desktop
launcher=$(entry_value "$menu" Exec)
[ -z "$(entry_value "$menu" Path)" ] || fail "$menu sets a working directory"
start "$work/menu.log" "$home" "${as_user[@]}" "$launcher"
wait_until_ready "$work/menu.log" "$autostart" "Exec=$launcher"
check_user_instance "menu entry"
cmp -s "$data/data.json" "$shipped" || fail "$data/data.json is not the shipped data file"

# The user's edit survives a restart.
edit='{"keyglance-check": {"edited": {"Ctrl+E": "kept"}}}'
printf '%s\n' "$edit" | "${as_user[@]}" tee "$data/data.json" >/dev/null ||
    fail "the user cannot write $data/data.json"
stop_keyglance
start "$work/restart.log" "$home" "${as_user[@]}" "$launcher"
wait_until_ready "$work/restart.log" "$autostart" "Exec=$launcher"
check_user_instance "restart"
printf '%s\n' "$edit" | cmp -s - "$data/data.json" || fail "the restart did not keep the edit"
echo "package-check: from the menu entry, keyglance runs in $data and keeps its edits"

# From the autostart entry, even with the data folder removed since.
stop_keyglance
"${as_user[@]}" rm -r "$data"
start "$work/autostart.log" "$(entry_value "$autostart" Path)" \
    "${as_user[@]}" "$(entry_value "$autostart" Exec)"
wait_until_ready "$work/autostart.log" "$autostart" "Exec=$launcher"
check_user_instance "autostart entry"
cmp -s "$data/data.json" "$shipped" || fail "the autostart start did not seed $data again"
stop_keyglance
echo "package-check: from its autostart entry, keyglance runs in $data again"
