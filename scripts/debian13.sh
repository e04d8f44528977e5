#!/usr/bin/env bash
# Runs a command of the project's, as root, inside a Debian 13 (trixie) system made with
# debootstrap from the machine's own Debian archive: a copy of the project's files (its build
# folders left out) in /opt/keyglance there, where the command starts. The system is kept in
# ~/.cache/keyglance/ and reused while the packages scripts/install-deps.sh installs there are
# the same; its mounts live in a private mount namespace and go with the process on every exit.
# Needs root (or sudo). Usage: debian13.sh command [args...]   (e.g. scripts/test.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" -ne 0 ]; then
    exec sudo "$0" "$@"
fi

cache=${KEYGLANCE_CACHE:-$HOME/.cache/keyglance}
packages=(--test --package)
key=$(KEYGLANCE_RELEASE=trixie "$root/scripts/install-deps.sh" --print "${packages[@]}" | sha256sum |
    cut -c1-16)
system=$cache/debian13-$key

# The machine's own archive, which serves both releases.
mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v security |
    head -n1)
mirror=${mirror:-http://deb.debian.org/debian}

# Runs $@ inside the system, its mounts private to this process.
inside() {
    unshare -m --propagation private sh -euc '
        system=$1
        shift
        for dir in proc sys dev dev/pts; do mount --bind "/$dir" "$system/$dir"; done
        mount -t tmpfs -o mode=1777 tmpfs "$system/tmp"
        mount -t tmpfs tmpfs "$system/dev/shm"
        mount -t tmpfs tmpfs "$system/run"
        cp /etc/resolv.conf "$system/etc/resolv.conf"
        exec chroot "$system" env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
    ' sh "$system" "$@"
}

"$root/scripts/install-deps.sh" --debootstrap >&2
if [ ! -e "$system/.ready" ]; then
    rm -rf "$cache"/debian13-*
    mkdir -p "$cache"
    echo "debian13: making a Debian 13 system in $system" >&2
    debootstrap --variant=minbase trixie "$system.new" "$mirror" >"$cache/debootstrap.log" 2>&1 || {
        tail -n 20 "$cache/debootstrap.log" >&2
        exit 1
    }
    mv "$system.new" "$system"
    mkdir -p "$system/opt/keyglance/scripts"
    cp "$root/scripts/install-deps.sh" "$system/opt/keyglance/scripts/"
    inside sh -c 'apt-get update -q && /opt/keyglance/scripts/install-deps.sh "$@"' sh "${packages[@]}" \
        >"$cache/debian13-packages.log" 2>&1 || {
        tail -n 20 "$cache/debian13-packages.log" >&2
        exit 1
    }
    touch "$system/.ready"
fi

# The project's files as they are now; build folders made in there before are kept, to build
# again. Files are compared by content and a changed one gets the time of copying: the source's
# own time may be older than an object built from an earlier version, which make would keep.
mkdir -p "$system/opt/keyglance"
rsync -rlpc --delete --exclude='/build*' --exclude='/run' --exclude='/.git' "$root/" \
    "$system/opt/keyglance/"
inside sh -c 'cd /opt/keyglance && exec "$@"' sh "$@"
