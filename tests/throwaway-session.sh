# Sourced, with their arguments, by the harnesses that run a command in a private session of a
# throwaway ordinary user (tests/*-session.sh): runs the harness again as root through sudo when
# needed and takes its option --output DIR, a folder the command may write into that is the
# caller's again afterwards. start_throwaway_session NAME then makes the user (see
# scripts/throwaway-user.sh), removed with their programs and home on every exit path, and sets
# session_env to what the command needs of the caller's environment (the test build's sanitizer
# options).
passed=(ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS)
if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env="$(IFS=,; echo "${passed[*]}")" "$0" "$@"
fi

output=""
if [ "${1:-}" = --output ]; then
    output=$2
    shift 2
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/scratch.sh"
. "$root/scripts/throwaway-user.sh"
caller=${SUDO_UID:-0}:${SUDO_GID:-0}
trap '[ -z "$output" ] || chown -R "$caller" "$output"; cleanup_scratch; remove_throwaway_user' EXIT

start_throwaway_session() {
    add_throwaway_user "$1"
    chmod 755 "$home"
    if [ -n "$output" ]; then
        mkdir -p "$output"
        chown -R "$user" "$output"
    fi
    # XWayland refuses a socket folder that an ordinary user made.
    [ -d /tmp/.X11-unix ] || install -d -m 1777 /tmp/.X11-unix
    session_env=()
    for name in "${passed[@]}"; do
        [ -z "${!name:-}" ] || session_env+=("$name=${!name}")
    done
}
