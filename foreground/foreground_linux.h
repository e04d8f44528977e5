#pragma once

#include "foreground/foreground.h"

#include <QRect>
#include <QString>

#include <optional>

// The session backends foregroundProgramName picks from on Linux. Each names the program of the
// focused window, empty when no window has the focus; the Wayland ones give nullopt when their
// compositor cannot be asked, so the next one is tried.

/// From sway's IPC: the focused window's process.
std::optional<QString> swayForegroundProgramName();

/// From KWin, through a script of ours it runs: the active window's process, or its resource
/// class for an XWayland window whose process is unknown.
std::optional<QString> kwinForegroundProgramName();

/// Where KWin's active window is, from the same script: the output by name (Plasma 6), the frame
/// in the compositor's layout.
std::optional<ForegroundPlace> kwinActiveWindowPlace();

/// From zwlr_foreign_toplevel_manager_v1: the activated window's app_id, as wlroots-based
/// compositors offer it.
std::optional<QString> wlrootsForegroundProgramName();

/// The output showing the activated window, by name, from the same list; empty when none does.
std::optional<QString> wlrootsActivatedOutput();

/// From Keyglance's GNOME Shell extension: the focused window's process, or else its WM class.
std::optional<QString> gnomeForegroundProgramName();

/// The focused window's frame in the layout of the monitors, from the same extension; null when
/// no window has the focus or the extension does not answer.
QRect gnomeFocusedWindowFrame();

/// From the X server on Qt's own connection (X11 sessions, XWayland).
QString x11ForegroundProgramName();

/// The output that holds sway's focus, by name; empty when sway cannot be asked.
QString swayFocusedOutput();

/// The frame of the active window on Qt's own connection, in root window pixels; null when none.
QRect x11ForegroundWindowFrame();

/// The process of the X client owning window, as the X server of DISPLAY (XWayland under KWin)
/// knows it: a sandboxed client's _NET_WM_PID is its pid in the sandbox. Window 0 (KWin 6 tells
/// its scripts no window id) stands for the window manager's active window, if its class is
/// resourceClass. 0 when the server cannot tell.
quint32 xwaylandClientPid(quint32 window, const QString &resourceClass);
