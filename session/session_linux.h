#pragma once

/// The kind of desktop session Keyglance runs in on Linux. Each backend picker switches over it,
/// so that a session added here is a place the compiler shows in every picker.
enum class LinuxSession {
    /// An X server, under any window manager or desktop.
    X11,
    /// sway, which Keyglance asks through its IPC.
    Sway,
    /// KDE Plasma on Wayland: KWin, its scripts and the desktop portal.
    Kde,
    /// GNOME Shell on Wayland, which lends its keys and windows to no ordinary program.
    Gnome,
    /// Another compositor built on wlroots (labwc, wayfire, Hyprland, river): it lists its
    /// windows and offers the layer shell.
    Wlroots,
    /// A Wayland compositor Keyglance does not know, or no display at all.
    Unknown,
};

/// Decided from the environment and the compositor's interfaces at the first call (prepareSession
/// makes it, before the application object exists) and logged then; the same ever after.
LinuxSession linuxSession();
