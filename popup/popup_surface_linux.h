#pragma once

class QWidget;

// The session backends preparePopupSurface picks from on Linux.

/// The popup as an X11 window (X11 sessions, XWayland).
void prepareX11PopupSurface(QWidget *popup);

/// The popup as an X11 window on GNOME's XWayland, above the Wayland window in front.
void prepareGnomePopupSurface(QWidget *popup);

/// The popup as a layer-shell overlay of a Wayland compositor.
void prepareWaylandPopupSurface(QWidget *popup);
