#!/usr/bin/env bash
# Runs a command in a private headless sway session, as a throwaway ordinary user since sway
# refuses to run as root; the user, their home and their programs are removed on every exit path.
# The command sees SWAYSOCK, WAYLAND_DISPLAY and SWAY_CONFIG, the file sway reads on a reload;
# with --output DIR it may write into DIR, which is the caller's again afterwards.
# Needs root (or sudo). Usage: sway-session.sh [--output DIR] command [args...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# What the command may need of the caller's environment (the test build's sanitizer options).
passed=(ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS)
if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env="$(IFS=,; echo "${passed[*]}")" "$0" "$@"
fi

output=""
if [ "${1:-}" = --output ]; then
    output=$2
    shift 2
fi

. "$root/scripts/scratch.sh"
. "$root/scripts/throwaway-user.sh"
caller=${SUDO_UID:-0}:${SUDO_GID:-0}
trap '[ -z "$output" ] || chown -R "$caller" "$output"; cleanup_scratch; remove_throwaway_user' EXIT
add_throwaway_user "kg-sway-$$"
chmod 755 "$home"
if [ -n "$output" ]; then
    mkdir -p "$output"
    chown -R "$user" "$output"
fi

# XWayland refuses a socket folder that an ordinary user made.
[ -d /tmp/.X11-unix ] || install -d -m 1777 /tmp/.X11-unix

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
session=(SWAYSOCK="$(ls "$home/runtime"/sway-ipc.*.sock)" SWAY_CONFIG="$config"
    WAYLAND_DISPLAY="$(basename "$(ls "$home/runtime"/wayland-[0-9] | head -n1)")")
for name in "${passed[@]}"; do
    [ -z "${!name:-}" ] || session+=("$name=${!name}")
done
"${as_user[@]}" "${session[@]}" "$@"
