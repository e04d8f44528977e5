#pragma once

class QWidget;

/// Readies the session's surface for a top-level popup that is shown and hidden again and again,
/// so that every show costs the same and none takes the focus; call once its native window
/// exists, before it is first shown.
void preparePopupSurface(QWidget *popup);
