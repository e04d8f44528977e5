# Sourced by the scripts (run as root) that start programs as a throwaway ordinary user:
# add_throwaway_user NAME makes the user with a fresh home and sets $user, $home and as_user, the
# command prefix that runs a program as them in a clean session environment;
# remove_throwaway_user ends every process of theirs and removes the user and the home again.
throwaway_user_added=0

add_throwaway_user() {
    user=$1
    if id "$user" >/dev/null 2>&1; then
        echo "the user $user is left from an earlier run; remove it first (userdel $user)" >&2
        return 1
    fi
    home=$(mktemp -d)
    # A uid from this script's pid, which no other running script has: a Debian 13 system made by
    # scripts/debian13.sh shares the machine's processes but not its users, and a uid both gave
    # out would have the clean-up of one end the programs of the other.
    local uid=$((20000 + $$ % 30000))
    while getent passwd "$uid" >/dev/null || getent group "$uid" >/dev/null; do
        uid=$((uid + 30000))
    done
    useradd --uid "$uid" --home-dir "$home" --no-create-home --user-group \
        --shell /usr/sbin/nologin "$user"
    throwaway_user_added=1
    chown "$user:$user" "$home"
    # A session's environment, so nothing of root's leaks into the user's programs.
    as_user=(setpriv --reuid="$user" --regid="$user" --init-groups env -i HOME="$home"
        PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$home/runtime")
    "${as_user[@]}" mkdir -m 700 "$home/runtime"
}

remove_throwaway_user() {
    [ "$throwaway_user_added" = 1 ] || return 0
    pkill -KILL -u "$user" 2>/dev/null || true
    for _ in $(seq 1 50); do
        pgrep -u "$user" >/dev/null || break
        sleep 0.1
    done
    if ! userdel "$user"; then
        echo "could not remove the user $user" >&2
        return 1
    fi
    rm -rf "$home"
    throwaway_user_added=0
}
