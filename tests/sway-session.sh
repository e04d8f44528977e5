#!/usr/bin/env bash
# Runs a command in a private headless sway session, as a throwaway ordinary user since sway
# refuses to run as root; the user, their home and their programs are removed on every exit path.
# The command sees SWAYSOCK, WAYLAND_DISPLAY and SWAY_CONFIG, the file sway reads on a reload;
# with --output DIR it may write into DIR, which is the caller's again afterwards.
# Needs root (or sudo). Usage: sway-session.sh [--output DIR] command [args...]
set -euo pipefail
. "$(dirname "$0")/user-session.sh"
become_root "$@"

output=""
if [ "${1:-}" = --output ]; then
    output=$2
    shift 2
fi
add_session_user "kg-sway-$$" "$output"

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
"${as_user[@]}" "${session_env[@]}" SWAYSOCK="$(ls "$home/runtime"/sway-ipc.*.sock)" \
    SWAY_CONFIG="$config" \
    WAYLAND_DISPLAY="$(basename "$(ls "$home/runtime"/wayland-[0-9] | head -n1)")" "$@"
