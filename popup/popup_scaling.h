#pragma once

#include "popup/popup_surface.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <vector>

class QScreen;
class QWidget;

/// Keeps the whole popup on the screen it is shown on (see fitPopup): gives that screen its
/// factor in the steps desktops offer and, where the popup does not fit, scales its window,
/// lists, rows, fonts and labels down alike and centres it. With several screens, that is the
/// screen of the window in front. Changes nothing when the screen has not changed.
class PopupScaler {
public:
    /// Takes the popup's form as it is now as the layout to scale.
    PopupScaler(QWidget *popup, PopupPlacement placement);

    /// Call before each show: screens and their scale change while the popup lives, and the
    /// window in front moves between them.
    void fitToScreen();

private:
    QScreen *screenToShowOn() const;
    void scaleForm(qreal newScale, const QSize &size);

    struct LaidOut {
        QWidget *widget;
        QRect geometry;
        QFont font;
    };

    QWidget *popup;
    PopupPlacement placement;
    QSize baseSize;
    std::vector<LaidOut> children;
    qreal scale = 1;
    // Once placed here, the window system's own placement is gone for the window's life.
    bool placed = false;
};
