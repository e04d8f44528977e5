#pragma once

class QWidget;

/// Readies the session's surface for a top-level popup that is shown and hidden again and again,
/// so that every show costs the same and none takes the focus; call once its native window
/// exists, before it is first shown. Returns whether the popup must centre itself, where the
/// window system would put it in a corner.
bool preparePopupSurface(QWidget *popup);
