#include "foreground/foreground_linux.h"

#include <QProcess>
#include <QtTest>

// Runs in a sway session (tests/sway-session.sh), which lists its windows to any client as the
// other wlroots compositors do.
class TestForegroundWlroots : public QObject {
    Q_OBJECT
private slots:
    void namesTheActivatedWindowByItsAppId()
    {
        QProcess foot;
        foot.start(QStringLiteral("foot"), {QStringLiteral("sh")});
        QVERIFY(foot.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(wlrootsForegroundProgramName(), QString("foot"), 10000);
        foot.kill();
        foot.waitForFinished();
        QTRY_COMPARE_WITH_TIMEOUT(wlrootsForegroundProgramName(), QString(), 10000);
    }
};

QTEST_GUILESS_MAIN(TestForegroundWlroots)
#include "tst_foreground_wlroots.moc"
