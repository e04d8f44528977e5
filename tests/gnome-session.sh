#!/usr/bin/env bash
# Runs a command in a private headless GNOME Shell session (Wayland, with XWayland; a 1920 x 1080
# monitor and a 1600 x 900 one right of it), as a throwaway ordinary user, with GNOME's media-keys
# daemon running the custom keybindings; the user, their home and their programs are removed on
# every exit path. With --extensions DIR, the extensions in DIR (a folder per uuid) are the user's
# and enabled as the shell starts. The command sees the session bus, WAYLAND_DISPLAY, DISPLAY,
# XAUTHORITY and XDG_CURRENT_DESKTOP, with the shell in its start-up overview, as at log-in. With
# --output DIR the command may write into DIR, which is the caller's again afterwards, and the logs
# of the shell and the media-keys daemon are kept there.
# Needs root (or sudo). Usage: gnome-session.sh [--output DIR] [--extensions DIR] command [args...]
set -euo pipefail

# The part that runs as the user, on the session's own bus.
if [ "${1:-}" = --inside ]; then
    extensions=$2
    shift 2
    root=$(cd "$(dirname "$0")/.." && pwd)
    . "$root/scripts/scratch.sh"
    if [ -n "$extensions" ]; then
        mkdir -p "$HOME/.local/share/gnome-shell/extensions"
        cp -r "$extensions"/. "$HOME/.local/share/gnome-shell/extensions/"
        uuids=$(ls "$extensions" | sed "s/.*/'&'/" | paste -s -d,)
        gsettings set org.gnome.shell enabled-extensions "[$uuids]"
    fi
    log=$HOME/gnome-shell.log
    gnome-shell --headless --virtual-monitor 1920x1080 --virtual-monitor 1600x900 --wayland >"$log" 2>&1 &
    pids+=($!)
    if ! wait_for "grep -q 'GNOME Shell started' '$log'" 60; then
        echo "gnome-session: GNOME Shell did not start" >&2
        cat "$log" >&2
        exit 1
    fi
    /usr/libexec/gsd-media-keys >"$HOME/gsd-media-keys.log" 2>&1 &
    pids+=($!)
    wait_for "gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner org.gnome.SettingsDaemon.MediaKeys | grep -q true"
    WAYLAND_DISPLAY=$(basename "$(ls "$XDG_RUNTIME_DIR"/wayland-[0-9] | head -n1)")
    DISPLAY=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$log")
    XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.*)
    export WAYLAND_DISPLAY DISPLAY XAUTHORITY
    "$@"
    exit
fi

. "$(dirname "$0")/user-session.sh"
become_root "$@"

output=""
extensions=""
while true; do
    case ${1:-} in
    --output) output=$2 && shift 2 ;;
    --extensions) extensions=$2 && shift 2 ;;
    *) break ;;
    esac
done
add_session_user "kg-gnome-$$" "$output"

# GNOME Shell needs a system bus, though nothing on it: a private one keeps the machine's out of
# the test.
system_bus=unix:path=$home/system_bus_socket
"${as_user[@]}" sh -c "cat >'$home/system-bus.conf'" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>$system_bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
"${as_user[@]}" dbus-daemon --config-file="$home/system-bus.conf" --nofork \
    >"$work/system-bus.log" 2>&1 &
pids+=($!)
wait_for "[ -S '$home/system_bus_socket' ]" 10
status=0
"${as_user[@]}" DBUS_SYSTEM_BUS_ADDRESS="$system_bus" XDG_SESSION_TYPE=wayland \
    XDG_CURRENT_DESKTOP=GNOME "${session_env[@]}" \
    dbus-run-session -- "$0" --inside "$extensions" "$@" || status=$?
[ -z "$output" ] || cp "$home"/*.log "$output"/
exit "$status"
