#include "foreground/foreground_linux.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <atomic>

namespace {

const QString kKWin = QStringLiteral("org.kde.KWin");

} // namespace

// The part of KWin's scripting that Keyglance uses, on a connection of its own.
class FakeScript : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Script")
public:
    std::atomic<int> runs{0};
    std::function<void()> onRun;

public slots:
    void run()
    {
        ++runs;
        if (onRun)
            onRun();
    }
};

class FakeKWin : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")
public:
    FakeKWin(const QString &name, QString receiver)
        : bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)),
          receiver(std::move(receiver))
    {
    }

    bool start()
    {
        return bus.registerObject(QStringLiteral("/Scripting"), this,
                                  QDBusConnection::ExportAllSlots) &&
               bus.registerObject(QStringLiteral("/Scripting/Script1"), &script,
                                  QDBusConnection::ExportAllSlots) &&
               bus.registerService(kKWin);
    }
    void stop() { bus.unregisterService(kKWin); }

    // What the script reports of the active window.
    void report(const QString &output)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            receiver, QStringLiteral("/KWinActiveWindow"),
            QStringLiteral("org.keyglance.KWinActiveWindow"), QStringLiteral("setActiveWindow"));
        call << QStringLiteral("0") << QStringLiteral("0") << QStringLiteral("kate")
             << QStringLiteral("a caption") << output << QStringLiteral("0 0 800 600");
        bus.send(call);
    }

    FakeScript script;

public slots:
    int loadScript(const QString &, const QString &) { return 1; }
    bool unloadScript(const QString &) { return true; }

private:
    QDBusConnection bus;
    QString receiver;
};

class TestForegroundKde : public QObject {
    Q_OBJECT
private slots:
    // Another KWin knows nothing of the windows the first one reported.
    void knowsNoWindowAfterKWinRestartsUntilTheNewOneReports()
    {
        qputenv("WAYLAND_DISPLAY", "wayland-keyglance-test");
        qunsetenv("DISPLAY");
        const QString receiver = QDBusConnection::sessionBus().baseService();
        QThread thread;
        FakeKWin first(QStringLiteral("first"), receiver),
            second(QStringLiteral("second"), receiver);
        const auto stop = qScopeGuard([&] {
            thread.quit();
            thread.wait();
        });
        first.moveToThread(&thread);
        second.moveToThread(&thread);
        first.script.moveToThread(&thread);
        second.script.moveToThread(&thread);
        thread.start();
        const auto onThread = [&](const std::function<void()> &action) {
            QMetaObject::invokeMethod(&first, action, Qt::BlockingQueuedConnection);
        };
        bool started = false;
        first.script.onRun = [&] { first.report(QStringLiteral("first-output")); };
        onThread([&] { started = first.start(); });
        QVERIFY(started);
        QCOMPARE(kwinActiveWindowPlace()->screenName, QStringLiteral("first-output"));
        QCOMPARE(*kwinForegroundProgramName(), QStringLiteral("kate"));

        onThread([&] {
            first.stop();
            started = second.start();
        });
        QVERIFY(started);
        QTRY_COMPARE(second.script.runs.load(), 1);
        QCOMPARE(*kwinForegroundProgramName(), QString());
        QCOMPARE(kwinActiveWindowPlace()->screenName, QString());

        onThread([&] { second.report(QStringLiteral("second-output")); });
        QTRY_COMPARE(kwinActiveWindowPlace()->screenName, QStringLiteral("second-output"));
    }
};

QTEST_GUILESS_MAIN(TestForegroundKde)
#include "tst_foreground_kde.moc"
