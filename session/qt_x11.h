#pragma once

#include <xcb/xcb.h>

using Display = struct _XDisplay;

// Qt's own X11 connection, from its platform's native interface (which Qt 5 and Qt 6 both offer).

/// Qt's connection to the X server; null where Qt runs on another platform.
xcb_connection_t *qtX11Connection();

/// Qt's Xlib display on that connection; null without one.
Display *qtX11Display();

/// The root window of Qt's default screen; XCB_WINDOW_NONE without a connection.
xcb_window_t qtX11RootWindow();
