#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QVector>

/// What fitting the popup needs to know of the screen it is shown on.
struct ScreenScale {
    /// The screen's area without taskbars and panels, in device pixels.
    QRect available;
    /// The screen's top-left corner, where its device and device-independent positions meet.
    QPoint origin;
    /// The scale factor the platform suggests from the screen's DPI.
    qreal dpiFactor;
    /// The factor applied to every screen on top of each screen's own (QT_SCALE_FACTOR).
    qreal globalFactor;
};

/// How the popup is drawn on that screen.
struct PopupFit {
    /// The screen's own factor: the DPI factor in the quarter steps desktops offer.
    qreal screenFactor;
    /// The popup's own scale on top of the factors: 1 where it fits, less where it is scaled
    /// down to fit.
    qreal scale;
    /// Its device-independent size at that scale.
    QSize size;
    /// The device-independent position that centres it in the available area.
    QPoint centred;
};

/// The popup of the given device-independent size on that screen.
PopupFit fitPopup(const QSize &size, const ScreenScale &screen);

/// The index of the screen, of screens given by their areas, that holds most of frame; -1 when
/// none holds any of it.
int screenHoldingMost(const QVector<QRect> &screens, const QRect &frame);
