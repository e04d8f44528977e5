#include "popup/popup_fit.h"

#include <QtMath>
#include <algorithm>

namespace {

// Qt rounds a device-independent position to device pixels, which may put the popup up to half
// its factor plus half a pixel away from where it was meant to go: a margin of this many device
// pixels keeps it inside for factors up to 5.
constexpr int kMargin = 2;

// The device-independent position Qt maps nearest to a device position.
int fromDevice(int position, int origin, qreal factor)
{
    return origin + qRound((position - origin) / factor);
}

} // namespace

PopupFit fitPopup(const QSize &size, const ScreenScale &screen)
{
    const qreal screenFactor = qRound(screen.dpiFactor * 4) / 4.0;
    const qreal factor = screen.globalFactor * screenFactor;
    const QSize wanted = size * factor;
    const QRect room = screen.available.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const bool fits =
        wanted.width() <= screen.available.width() && wanted.height() <= screen.available.height();
    const qreal scale = fits ? 1
                             : std::min(room.width() / (size.width() * factor),
                                        room.height() / (size.height() * factor));
    // Rounded down (past the last bits of floating-point error), so that rounded again to device
    // pixels it still fits.
    const auto down = [scale](int length) { return qFloor(length * scale + 1e-9); };
    const QSize scaled(down(size.width()), down(size.height()));
    const QSize device = scaled * factor;
    const QPoint centred = room.topLeft() + QPoint((room.width() - device.width()) / 2,
                                                   (room.height() - device.height()) / 2);
    return {screenFactor, scale, scaled,
            QPoint(fromDevice(centred.x(), screen.origin.x(), factor),
                   fromDevice(centred.y(), screen.origin.y(), factor))};
}

int screenHoldingMost(const QVector<QRect> &screens, const QRect &frame)
{
    int most = -1;
    qint64 mostArea = 0;
    for (int i = 0; i < screens.size(); ++i) {
        const QRect shared = screens[i].intersected(frame);
        const qint64 area = qint64(shared.width()) * shared.height();
        if (area > mostArea) {
            most = i;
            mostArea = area;
        }
    }
    return most;
}
