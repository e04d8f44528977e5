#pragma once

#include <functional>

class QBackingStore;
class QWidget;
class QWindow;

// The session backends preparePopupSurface picks from on Linux.

/// The popup as an X11 window (X11 sessions, XWayland).
void prepareX11PopupSurface(QWidget *popup);

/// The popup as a layer-shell overlay of a Wayland compositor.
void prepareWaylandPopupSurface(QWidget *popup);

/// Lets the X server finish with the pixel buffer it shares with the popup.
void settleX11PopupSurface(QWidget *popup);

/// Runs action each time the popup's window is exposed after being hidden: at every show, once
/// the window system has made what it shows it with, before its first frame.
void atEveryShow(QWidget *popup, std::function<void(QWindow *)> action);

/// Makes the window's pixel buffer and paints it once, so that a first show does not touch its
/// pages for the first time, a page fault each; null without a backing store.
QBackingStore *paintBackingStore(QWidget *window);
