#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it, checks its files, its manual
# page and how the installed Keyglance starts on a private Xvfb (tests/installed-starts.sh), then
# removes the package again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

fail() {
    echo "package-check: $*" >&2
    exit 1
}

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
trap 'exit 1' INT TERM HUP

"$root/scripts/install-deps.sh" --package
if dpkg-query -W -f='${Status}' keyglance 2>/dev/null | grep -q 'install ok installed'; then
    fail "keyglance is already installed; remove it first (dpkg -r keyglance)"
fi

# The desktop entry and the launcher hold installed paths, so the build uses the package's prefix.
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
dpkg-deb --field "$deb" Depends | grep -qE 'libqt(5widgets5|6widgets6)' ||
    fail "Depends lacks the Qt libraries"
lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"

installed=1
if ! "${sudo[@]}" dpkg -i "$deb"; then
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -f -y -q
fi
dpkg-query -W -f='${Status}' keyglance | grep -q 'install ok installed' ||
    fail "keyglance did not install"

manuals=(/usr/share/man/man1/keyglance.1.gz /usr/share/man/man1/keyglance-toggle.1.gz)
extensions=/usr/share/gnome-shell/extensions
for file in /usr/bin/keyglance /usr/bin/keyglance-toggle /usr/libexec/keyglance/run-in-data-folder \
    /usr/share/applications/keyglance.desktop /usr/share/keyglance/data.json "${manuals[@]}" \
    /usr/share/doc/keyglance/copyright /usr/share/doc/keyglance/changelog.gz \
    "$extensions"/{keyglance-gnome43,keyglance}@example.org/{metadata.json,extension.js}; do
    dpkg -L keyglance | grep -qx "$file" || fail "package does not list $file"
    [ -s "$file" ] || fail "$file is missing or empty"
done
entry=/usr/share/applications/keyglance.desktop
grep -qx 'Exec=/usr/libexec/keyglance/run-in-data-folder' "$entry" ||
    fail "$entry does not start the launcher"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
fi
for manual in "${manuals[@]}"; do
    manual_warnings=$(LC_ALL=C.UTF-8 man --warnings -l "$manual" 2>&1 >/dev/null) ||
        fail "man cannot render $manual"
    [ -z "$manual_warnings" ] || fail "man warns about $manual: $manual_warnings"
done

# Root's: the starts as an ordinary user need a user of their own.
"${sudo[@]}" "$root/tests/x11-session.sh" "$root/tests/installed-starts.sh" "$work"
