#include "popup/popup_fit.h"

#include <QtTest>

namespace {

const QSize kPopup(1200, 800);

// Where Qt draws a device-independent rectangle on a screen at a factor, in device pixels.
QRect onDevice(const QRect &rect, const QPoint &origin, qreal factor)
{
    return QRect(origin + (rect.topLeft() - origin) * factor, rect.size() * factor);
}

} // namespace

class PopupFitTest : public QObject {
    Q_OBJECT

private slots:
    void screensPeopleHave_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<qreal>("dpiFactor");
        QTest::addColumn<qreal>("screenFactor");
        QTest::addColumn<QRect>("onScreen");
        // Xorg's 96 DPI, rounded to whole millimetres, and Xvfb's default 100 DPI.
        QTest::newRow("1366x768 at 96.1 DPI")
            << QRect(0, 0, 1366, 768) << 96.1 / 96 << 1.0 << QRect(110, 2, 1146, 764);
        QTest::newRow("1920x1080 at 150 %, taskbar below")
            << QRect(0, 0, 1920, 1040) << 1.5 << 1.5 << QRect(183, 2, 1554, 1035);
        QTest::newRow("1920x1080 at 100 DPI")
            << QRect(0, 0, 1920, 1080) << 100.0 / 96 << 1.0 << QRect();
        QTest::newRow("2880x1800 at 143.9 DPI")
            << QRect(0, 0, 2880, 1800) << 143.9 / 96 << 1.5 << QRect();
        QTest::newRow("1600x900 at 175 %")
            << QRect(0, 0, 1600, 900) << 1.75 << 1.75 << QRect(128, 2, 1344, 896);
    }

    void screensPeopleHave()
    {
        QFETCH(QRect, available);
        QFETCH(qreal, dpiFactor);
        QFETCH(qreal, screenFactor);
        QFETCH(QRect, onScreen);
        const PopupFit fit = fitPopup(kPopup, {available, QPoint(), dpiFactor, 1});
        QCOMPARE(fit.screenFactor, screenFactor);
        if (onScreen.isNull()) {
            QCOMPARE(fit.scale, 1.0);
            QCOMPARE(fit.size, kPopup);
        } else {
            QVERIFY(fit.scale < 1);
            QCOMPARE(onDevice(QRect(fit.centred, fit.size), QPoint(), screenFactor), onScreen);
        }
    }

    // Panels on any side, screens right of others, factors from the desktop and from
    // QT_SCALE_FACTOR: the popup always lands inside the available area, as large as it fits.
    void alwaysInsideTheAvailableArea()
    {
        const QPoint origins[] = {QPoint(0, 0), QPoint(1920, 0), QPoint(-1366, -200)};
        const QMargins panels[] = {QMargins(), QMargins(0, 27, 0, 0), QMargins(48, 0, 0, 0),
                                   QMargins(0, 0, 0, 40), QMargins(33, 31, 29, 37)};
        const QSize screens[] = {QSize(1366, 768),  QSize(1280, 800),  QSize(1920, 1080),
                                 QSize(2560, 1440), QSize(3840, 2160), QSize(1024, 768)};
        for (const QPoint &origin : origins) {
            for (const QMargins &panel : panels) {
                for (const QSize &screen : screens) {
                    for (int quarter = 4; quarter <= 16; ++quarter) {
                        for (const qreal global : {1.0, 1.3}) {
                            const QRect available = QRect(origin, screen).marginsRemoved(panel);
                            const qreal factor = global * quarter / 4.0;
                            const PopupFit fit =
                                fitPopup(kPopup, {available, origin, quarter / 4.0, global});
                            const QRect device =
                                onDevice(QRect(fit.centred, fit.size), origin, factor);
                            const QString where = QStringLiteral("%1x%2 at %3, panels %4 %5")
                                                      .arg(screen.width())
                                                      .arg(screen.height())
                                                      .arg(factor)
                                                      .arg(available.x())
                                                      .arg(available.y());
                            QVERIFY2(available.contains(device), qPrintable(where));
                            const QSize wanted = kPopup * factor;
                            if (wanted.boundedTo(available.size()) == wanted)
                                continue;
                            // Scaled down: in one direction, short of the area by no more than
                            // the margins and one device-independent pixel.
                            const int shortBy = 4 + qCeil(factor);
                            QVERIFY2(device.width() >= available.width() - shortBy ||
                                         device.height() >= available.height() - shortBy,
                                     qPrintable(where));
                        }
                    }
                }
            }
        }
    }

    // Two screens side by side, the second smaller and left of the first's origin.
    void screenHoldingMostOfTheWindow_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<int>("screen");
        QTest::newRow("inside the first") << QRect(100, 100, 800, 600) << 0;
        QTest::newRow("inside the second") << QRect(-1000, 50, 400, 300) << 1;
        QTest::newRow("across, more on the second") << QRect(-700, 0, 1000, 500) << 1;
        QTest::newRow("across, more on the first") << QRect(-300, 0, 1000, 500) << 0;
        QTest::newRow("below both") << QRect(0, 2000, 400, 300) << -1;
        QTest::newRow("empty") << QRect() << -1;
    }

    void screenHoldingMostOfTheWindow()
    {
        QFETCH(QRect, frame);
        QFETCH(int, screen);
        const QVector<QRect> screens{QRect(0, 0, 1920, 1080), QRect(-1280, 0, 1280, 1024)};
        QCOMPARE(screenHoldingMost(screens, frame), screen);
    }
};

QTEST_GUILESS_MAIN(PopupFitTest)
#include "tst_popup_fit.moc"
