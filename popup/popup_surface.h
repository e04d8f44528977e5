#pragma once

class QWidget;

/// Who puts the popup where it shows.
enum class PopupPlacement {
    /// A window manager puts it where it likes (Windows, X11).
    WindowManager,
    /// The window system would leave it in a corner: Keyglance centres it (GNOME's XWayland).
    Keyglance,
    /// A Wayland compositor centres the overlay on the output of its choosing.
    Compositor,
};

/// Who places the popup in this session.
PopupPlacement popupPlacement();

/// Readies the session's surface for a top-level popup that is shown and hidden again and again,
/// so that every show costs the same and none takes the focus; call once its native window
/// exists, before it is first shown.
void preparePopupSurface(QWidget *popup);

/// Readies the surface, while the popup is hidden, for its next show; call after each hide.
void settlePopupSurface(QWidget *popup);
