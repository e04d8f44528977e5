#!/usr/bin/env bash
# Builds the Debian package, installs it, checks its files and that the installed Keyglance
# starts and grabs Ctrl+Space on a private Xvfb, then removes the package again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

fail() {
    echo "package-check: $*" >&2
    exit 1
}

# Second stage, inside the Xvfb session: the installed binary in a scratch working directory.
if [ "${1:-}" = "--run-installed" ]; then
    work=$2
    mkdir -p "$work/run" "$work/config"
    export XDG_CONFIG_HOME="$work/config"
    log="$work/keyglance.log"
    autostart="$XDG_CONFIG_HOME/autostart/keyglance.desktop"
    (cd "$work/run" && exec /usr/bin/keyglance) >"$log" 2>&1 &
    pid=$!
    ready=0
    for _ in $(seq 1 300); do
        if grep -q 'Is Registered:  true' "$log" && grep -qx "Path=$work/run" "$autostart" 2>/dev/null; then
            ready=1
            break
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if [ "$ready" != 1 ]; then
        cat "$log" >&2
        fail "installed keyglance did not register Ctrl+Space and its autostart entry within 30 s"
    fi
    echo "package-check: installed keyglance registered Ctrl+Space and its autostart entry"
    exit 0
fi

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
build="$root/build-package"
work=$(mktemp -d)
installed=0
deb=""
finish() {
    local status=$?
    if [ "$installed" = 1 ] && ! "${sudo[@]}" dpkg -r keyglance >/dev/null; then
        echo "package-check: could not remove the keyglance package" >&2
        status=1
    fi
    rm -rf "$work"
    if [ "$status" -eq 0 ]; then
        echo "package-check: PASS ($deb)"
    else
        echo "package-check: FAIL" >&2
    fi
    exit "$status"
}
trap finish EXIT

"$root/scripts/install-deps.sh"
if dpkg-query -W -f='${Status}' keyglance 2>/dev/null | grep -q 'install ok installed'; then
    fail "keyglance is already installed; remove it first (dpkg -r keyglance)"
fi

# The desktop entry holds the data directory, so the build uses the package's prefix.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DKEYGLANCE_BUILD_TESTS=OFF -DKEYGLANCE_SANITIZE=OFF
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/keyglance_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/keyglance_*.deb)
[ -f "${debs[0]}" ] || fail "cpack produced no keyglance_*.deb"
deb=${debs[0]}

dpkg-deb --field "$deb" Package Version Section Depends Recommends
# An empty Depends means dpkg-shlibdeps did not run.
dpkg-deb --field "$deb" Depends | grep -q 'libqt5widgets5' || fail "Depends lacks the Qt libraries"

installed=1
if ! "${sudo[@]}" dpkg -i "$deb"; then
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -f -y -q
fi
dpkg-query -W -f='${Status}' keyglance | grep -q 'install ok installed' ||
    fail "keyglance did not install"

for file in /usr/bin/keyglance /usr/share/applications/keyglance.desktop \
    /usr/share/keyglance/data.json; do
    dpkg -L keyglance | grep -qx "$file" || fail "package does not list $file"
    [ -s "$file" ] || fail "$file is missing or empty"
done
entry=/usr/share/applications/keyglance.desktop
grep -qx 'Path=/usr/share/keyglance' "$entry" || fail "$entry does not start in /usr/share/keyglance"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
fi

"$root/tests/x11-session.sh" "$0" --run-installed "$work"
