#!/usr/bin/env bash
# Runs a command in a private headless sway session, as a throwaway ordinary user since sway
# refuses to run as root (see throwaway-session.sh). The command sees SWAYSOCK, WAYLAND_DISPLAY
# and SWAY_CONFIG, the file sway reads on a reload.
# Needs root (or sudo). Usage: sway-session.sh [--output DIR] command [args...]
set -euo pipefail
. "$(dirname "$0")/throwaway-session.sh"
start_throwaway_session "kg-sway-$$"

config=$home/sway.conf
"${as_user[@]}" sh -c "echo 'output HEADLESS-1 resolution 1920x1080' >'$config'"
"${as_user[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$config" >"$work/sway.log" 2>&1 &
pids+=($!)
if ! wait_for "ls '$home/runtime'/sway-ipc.*.sock >/dev/null 2>&1" 20; then
    echo "sway-session: sway did not start" >&2
    cat "$work/sway.log" >&2
    exit 1
fi
"${as_user[@]}" SWAYSOCK="$(ls "$home/runtime"/sway-ipc.*.sock)" SWAY_CONFIG="$config" \
    WAYLAND_DISPLAY="$(basename "$(ls "$home/runtime"/wayland-[0-9] | head -n1)")" \
    "${session_env[@]}" "$@"
