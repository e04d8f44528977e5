#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

/// Keeps the whole popup on the screen it is shown on (see fitPopup): gives that screen its
/// factor in the steps desktops offer and, where the popup does not fit, scales its window,
/// lists, rows, fonts and labels down alike and centres it. Asks nothing of the window system,
/// and changes nothing when the screen has not changed.
class PopupScaler {
public:
    /// Takes the popup's form as it is now as the layout to scale.
    explicit PopupScaler(QWidget *popup);

    /// Call before each show: screens and their scale change while the popup lives.
    void fitToScreen();
    /// Centres the popup from now on at every fit, scaled down or not, for a window system that
    /// puts it elsewhere.
    void centreAtEveryFit();

private:
    void scaleForm(qreal newScale, const QSize &size);

    struct LaidOut {
        QWidget *widget;
        QRect geometry;
        QFont font;
    };

    QWidget *popup;
    QSize baseSize;
    std::vector<LaidOut> children;
    qreal scale = 1;
    // Once placed here, the window system's own placement is gone for the window's life.
    bool placed = false;
};
