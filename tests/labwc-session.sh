#!/usr/bin/env bash
# Runs a command in a private headless labwc session, as a throwaway ordinary user since the
# compositor refuses to run as root; the user, their home and their programs are removed on every
# exit path. The command sees WAYLAND_DISPLAY, LABWC_PID (for `labwc --reconfigure`) and LABWC_RC,
# the user's rc.xml, which labwc reads again on a reconfigure; with --output DIR it may write into
# DIR, which is the caller's again afterwards.
# Needs root (or sudo). Usage: labwc-session.sh [--output DIR] command [args...]
set -euo pipefail
. "$(dirname "$0")/user-session.sh"
become_root "$@"

output=""
if [ "${1:-}" = --output ]; then
    output=$2
    shift 2
fi
add_session_user "kg-labwc-$$" "$output"

rc=$home/.config/labwc/rc.xml
"${as_user[@]}" mkdir -p "$(dirname "$rc")"
"${as_user[@]}" sh -c "echo '<labwc_config/>' >'$rc'"
"${as_user[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    labwc >"$work/labwc.log" 2>&1 &
pids+=($!)
if ! wait_for "ls '$home/runtime'/wayland-[0-9] >/dev/null 2>&1" 20; then
    echo "labwc-session: labwc did not start" >&2
    cat "$work/labwc.log" >&2
    exit 1
fi
display=$(basename "$(ls "$home/runtime"/wayland-[0-9] | head -n1)")
# Its headless output starts at 1280 x 720.
"${as_user[@]}" WAYLAND_DISPLAY="$display" wlr-randr --output HEADLESS-1 --custom-mode 1920x1080
"${as_user[@]}" "${session_env[@]}" LABWC_PID="$(pgrep -u "$user" -x labwc)" LABWC_RC="$rc" \
    WAYLAND_DISPLAY="$display" "$@"
