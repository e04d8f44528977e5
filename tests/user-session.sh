# Sourced by the scripts that run a command in a private headless compositor session as a
# throwaway ordinary user (sway-session.sh, kwin-session.sh), since compositors refuse root or
# drop what root gives them. become_root "$@" runs the script again as root when it is not;
# add_session_user NAME [OUTPUT] makes the user (see scripts/throwaway-user.sh) and lets them write
# into OUTPUT, which is the caller's again afterwards; all is removed on every exit path.
# session_env then holds the caller's variables that the command needs (the test build's
# sanitizer options), for the command line.
session_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
passed=(ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS)

become_root() {
    if [ "$(id -u)" -ne 0 ]; then
        exec sudo --preserve-env="$(IFS=,; echo "${passed[*]}")" "$0" "$@"
    fi
}

add_session_user() {
    . "$session_root/scripts/scratch.sh"
    . "$session_root/scripts/throwaway-user.sh"
    session_output=${2:-}
    caller=${SUDO_UID:-0}:${SUDO_GID:-0}
    trap '[ -z "$session_output" ] || chown -R "$caller" "$session_output"; cleanup_scratch; remove_throwaway_user' EXIT
    add_throwaway_user "$1"
    chmod 755 "$home"
    if [ -n "$session_output" ]; then
        mkdir -p "$session_output"
        chown -R "$user" "$session_output"
    fi
    # XWayland refuses a socket folder that an ordinary user made.
    [ -d /tmp/.X11-unix ] || install -d -m 1777 /tmp/.X11-unix
    session_env=()
    for name in "${passed[@]}"; do
        [ -z "${!name:-}" ] || session_env+=("$name=${!name}")
    done
}
