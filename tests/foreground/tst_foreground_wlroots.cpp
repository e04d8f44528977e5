#include "foreground/foreground_linux.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Runs in a sway session (tests/sway-session.sh), which lists its windows to any client as the
// other wlroots compositors do.
class TestForegroundWlroots : public QObject {
    Q_OBJECT
private slots:
    // The application id names a desktop entry, whose command names the program.
    void namesTheActivatedWindowThroughItsAppId()
    {
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("applications")));
        QFile entry(home.filePath(QStringLiteral("applications/org.example.Sheet.desktop")));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Sheet\nExec=foot sh\n");
        entry.close();
        qputenv("XDG_DATA_HOME", home.path().toUtf8());

        QProcess foot;
        foot.start(QStringLiteral("foot"),
                   {QStringLiteral("--app-id=org.example.Sheet"), QStringLiteral("sh")});
        QVERIFY(foot.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(wlrootsForegroundProgramName(), QString("foot"), 10000);
        foot.kill();
        foot.waitForFinished();
        QTRY_COMPARE_WITH_TIMEOUT(wlrootsForegroundProgramName(), QString(), 10000);
    }

    void followsTheActivatedWindowToItsOutput()
    {
        const auto sway = [](const QString &command) {
            return QProcess::execute(QStringLiteral("swaymsg"), {command}) == 0;
        };
        // As at a press: the name's lookup reads what the compositor sent since the last one.
        const auto outputAtPress = [] {
            wlrootsForegroundProgramName();
            return wlrootsActivatedOutput();
        };
        QProcess foot;
        foot.start(QStringLiteral("foot"),
                   {QStringLiteral("--app-id=kg-output"), QStringLiteral("sh")});
        QVERIFY(foot.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(outputAtPress(), QString("HEADLESS-1"), 10000);
        QVERIFY(sway(QStringLiteral("create_output")));
        QVERIFY(sway(QStringLiteral("[app_id=kg-output] move container to output HEADLESS-2, "
                                    "focus")));
        QTRY_COMPARE_WITH_TIMEOUT(outputAtPress(), QString("HEADLESS-2"), 10000);
        foot.kill();
        foot.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestForegroundWlroots)
#include "tst_foreground_wlroots.moc"
