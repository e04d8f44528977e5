#!/usr/bin/env bash
# Installs the Debian packages Keyglance needs to build, run and test; only what is missing.
# Debian 12 builds with Qt 5, Debian 13 with Qt 6 (its layer-shell library is built for Qt 6 only).
# Usage: install-deps.sh [--print] [--test] [--package] [--windows] [--debootstrap]
# --print: only print the packages, for the release KEYGLANCE_RELEASE (default: this system's).
set -euo pipefail

release=${KEYGLANCE_RELEASE:-$(. /etc/os-release && echo "${VERSION_CODENAME:-}")}
case $release in
bookworm)
    qt=(qtbase5-dev qtbase5-private-dev qtwayland5)
    wlr_protocols=librust-wayland-protocols-dev
    sanitizer_runtime=libclang-rt-14-dev
    newer_desktops=()
    ;;
*)
    qt=(qt6-base-dev qt6-base-private-dev qt6-qpa-plugins qt6-wayland)
    wlr_protocols=librust-wayland-protocols-wlr-dev
    sanitizer_runtime=libclang-rt-dev
    # What Debian 12 lacks: labwc, and global shortcuts in GNOME's portal backend (GNOME 48).
    newer_desktops=(labwc wlr-randr xdg-desktop-portal-gnome)
    ;;
esac

packages=(
    build-essential cmake pkg-config
    "${qt[@]}"
    libx11-dev libxcb1-dev libxcb-res0-dev libxcb-shape0-dev libxcb-xtest0-dev libxtst-dev
    libxcb-damage0-dev
    libwayland-dev libwayland-bin libxkbcommon-dev "$wlr_protocols"
    liblayershellqtinterface-dev layer-shell-qt libglib2.0-dev
    xvfb xauth x11-utils x11-apps openbox xdotool geany jq
    fonts-wqy-microhei
    imagemagick
    dpkg-dev file desktop-file-utils
)
print=0
for option in "$@"; do
    case $option in
    --print) print=1 ;;
    --test) packages+=(python3 e2fsprogs clang "$sanitizer_runtime" sway foot wtype grim xwayland
        kwin-wayland xdg-desktop-portal xdg-desktop-portal-kde plasma-wayland-protocols wev
        gnome-shell gnome-settings-daemon libglib2.0-bin dbus-daemon dbus-bin python3-dbus
        xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils "${newer_desktops[@]}") ;;
    --package) packages+=(lintian man-db) ;;
    # The cross-built Qt and the Windows zip, and Wine to run it.
    --windows) packages+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev debian-archive-keyring
        perl make zip unzip wine wine64 xcompmgr nsis xserver-xorg-core
        xserver-xorg-video-dummy x11-xserver-utils) ;;
    # The Debian 13 system of scripts/debian13.sh.
    --debootstrap) packages+=(debootstrap debian-archive-keyring rsync) ;;
    *) echo "install-deps: unknown option $option" >&2; exit 2 ;;
    esac
done

if [ "$print" = 1 ]; then
    printf '%s\n' "${packages[@]}"
    exit 0
fi

missing=()
for pkg in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
