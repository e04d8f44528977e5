#pragma once

#include <QString>

// The session backends foregroundProgramName picks from on Linux; each returns the program name,
// empty when no window has the focus or it cannot be named.

/// From the X server on Qt's own connection (X11 sessions, XWayland).
QString x11ForegroundProgramName();
