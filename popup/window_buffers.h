#pragma once

class QWidget;

// Readies the window system for a top-level window that is shown and hidden again and again, so
// that every show costs the same; call once its native window exists, before it is first shown.
void prepareRepeatedShowing(QWidget *window);
