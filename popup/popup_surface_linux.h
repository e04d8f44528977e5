#pragma once

class QWidget;

class QBackingStore;

// The session backends preparePopupSurface picks from on Linux.

/// The popup as an X11 window (X11 sessions, XWayland).
void prepareX11PopupSurface(QWidget *popup);

/// The popup as a layer-shell overlay of a Wayland compositor.
void prepareWaylandPopupSurface(QWidget *popup);

/// Makes the window's pixel buffer and paints it once, so that a first show does not touch its
/// pages for the first time, a page fault each; null without a backing store.
QBackingStore *paintBackingStore(QWidget *window);
