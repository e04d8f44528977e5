#!/usr/bin/env bash
# Installs the Debian packages Keyglance needs to build, run and test; only what is missing.
# Usage: install-deps.sh [--test] [--package] [--windows]
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qtbase5-dev qtbase5-private-dev libqt5x11extras5-dev
    libx11-dev libxcb1-dev libxcb-res0-dev libxcb-shape0-dev libxcb-xtest0-dev libxtst-dev
    libxcb-damage0-dev
    libwayland-dev libwayland-bin libxkbcommon-dev librust-wayland-protocols-dev
    liblayershellqtinterface-dev qtwayland5 layer-shell-qt libglib2.0-dev
    xvfb xauth x11-utils x11-apps openbox xdotool geany jq
    fonts-wqy-microhei
    imagemagick
    dpkg-dev file desktop-file-utils
)
for option in "$@"; do
    case $option in
    --test) packages+=(python3 clang libclang-rt-14-dev sway foot wtype grim xwayland
        kwin-wayland xdg-desktop-portal xdg-desktop-portal-kde plasma-wayland-protocols wev
        gnome-shell gnome-settings-daemon libglib2.0-bin dbus-daemon dbus-bin python3-dbus
        xserver-xephyr) ;;
    --package) packages+=(lintian man-db) ;;
    # The cross-built Qt and the Windows zip, and Wine to run it.
    --windows) packages+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev debian-archive-keyring
        perl make zip unzip wine wine64 xcompmgr nsis xserver-xephyr) ;;
    *) echo "install-deps: unknown option $option" >&2; exit 2 ;;
    esac
done

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
