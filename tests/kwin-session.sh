#!/usr/bin/env bash
# Runs a command in a private headless KWin session (Plasma's compositor, with XWayland and its
# own D-Bus session bus, where the desktop portal and its KDE backend start on demand), as a
# throwaway ordinary user; the user, their home and their programs are removed on every exit path.
# --no-portal leaves the desktop portal out. With --output DIR the command may write into DIR,
# which is the caller's again afterwards, and KWin's log is kept there. Two 1920 x 1080 outputs
# side by side; the command reads KWin's log, where its scripts print, at $KWIN_LOG.
# Needs root (or sudo). Usage: kwin-session.sh [--output DIR] [--no-portal] command [args...]
set -euo pipefail
. "$(dirname "$0")/user-session.sh"
become_root "$@"

output=""
portal=1
while true; do
    case ${1:-} in
    --output) output=$2 && shift 2 ;;
    --no-portal) portal=0 && shift ;;
    *) break ;;
    esac
done
add_session_user "kg-kwin-$$" "$output"

# Debian's kwin_wayland carries a file capability, which a sandbox may refuse to exec; KWin needs
# none of it here. It lets programs of the session use its fake input, which types our keys.
"${as_user[@]}" install -D -m 755 /usr/bin/kwin_wayland "$home/bin/kwin_wayland"
# The bus of the session: the system's services on demand, or none at all without the portal
# (KWin itself keeps the global shortcuts).
services='<standard_session_servicedirs/>'
[ "$portal" = 1 ] || services="<servicedir>$home/no-services</servicedir>"
"${as_user[@]}" sh -c "mkdir '$home/no-services' && cat >'$home/bus.conf'" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=$home/runtime</listen>
  <auth>EXTERNAL</auth>
  $services
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
# Plasma's own choice of portal backend, which its workspace package installs (the portal reads no
# desktop's name from its backends any more).
"${as_user[@]}" sh -c "mkdir -p '$home/.config/xdg-desktop-portal' &&
    printf '[preferred]\ndefault=kde\n' >'$home/.config/xdg-desktop-portal/kde-portals.conf'"
# KWin starts the command once it is ready; the portal's backend, a Qt program, needs to be told
# it runs on Wayland.
{
    echo 'dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XDG_CURRENT_DESKTOP=KDE \'
    echo '    XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland'
    printf 'XDG_CURRENT_DESKTOP=KDE KWIN_LOG=%q' "$home/kwin.log"
    printf ' %q' "${session_env[@]}" "$@"
    printf ' >%q 2>&1\necho $? >%q\n' "$home/command.log" "$home/status"
} | "${as_user[@]}" sh -c "cat >'$home/command.sh'"
# As Plasma's start-up does, the bus starts services in the session's environment from the first:
# KWin 6 has the portal started before it runs the command.
"${as_user[@]}" QT_LOGGING_RULES=kwin_scripting=true KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 \
    dbus-run-session --config-file="$home/bus.conf" -- sh -c '
        dbus-update-activation-environment WAYLAND_DISPLAY=wayland-kwin XDG_CURRENT_DESKTOP=KDE \
            XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland
        exec "$@"' sh "$home/bin/kwin_wayland" --virtual --output-count 2 --width 1920 \
    --height 1080 --xwayland --socket wayland-kwin --exit-with-session "bash $home/command.sh" \
    >"$home/kwin.log" 2>&1 || true
[ -z "$output" ] || cp "$home/kwin.log" "$output/"
if [ ! -e "$home/status" ]; then
    echo "kwin-session: the command did not run in KWin" >&2
    tail -n 30 "$home/kwin.log" >&2
    exit 1
fi
cat "$home/command.log"
exit "$(cat "$home/status")"
