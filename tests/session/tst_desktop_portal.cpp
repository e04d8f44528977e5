#include "app/desktop_entry.h"
#include "session/desktop_portal.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

// A desktop portal of the test's own, on its own connection and thread (the caller blocks in its
// call): Answer gives its request's Response after delayMs.
class FakePortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.keyglance.FakePortal")
public:
    bool start()
    {
        bus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake")));
        return bus->registerService(DesktopPortal::kService) &&
               bus->registerObject(DesktopPortal::kPath, this, QDBusConnection::ExportAllSlots);
    }

public slots:
    QDBusObjectPath Answer(int delayMs, const QVariantMap &options)
    {
        QString caller = message().service().mid(1);
        caller.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString path =
            QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                .arg(caller, options.value(QStringLiteral("handle_token")).toString());
        QTimer::singleShot(delayMs, this, [this, path] {
            QDBusMessage response = QDBusMessage::createSignal(
                path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            response << 0u << QVariantMap{{QStringLiteral("made"), QStringLiteral("a session")}};
            bus->send(response);
        });
        return QDBusObjectPath(path);
    }

private:
    std::unique_ptr<QDBusConnection> bus;
};

class TestDesktopPortal : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        portal.moveToThread(&thread);
        thread.start();
        bool started = false;
        QMetaObject::invokeMethod(
            &portal, [&] { started = portal.start(); }, Qt::BlockingQueuedConnection);
        QVERIFY(started);
    }

    void cleanupTestCase()
    {
        thread.quit();
        thread.wait();
    }

    void answers()
    {
        QString why;
        const std::optional<QVariantMap> results =
            DesktopPortal::request(QStringLiteral("org.keyglance.FakePortal"),
                                   QStringLiteral("Answer"), {10}, {}, 5000, &why);
        QVERIFY2(results, qPrintable(why));
        QCOMPARE(results->value(QStringLiteral("made")).toString(), QStringLiteral("a session"));
    }

    // What a late answer made is handed on, to be undone.
    void handsALateAnswerOn()
    {
        QString why;
        QVariantMap late;
        QVERIFY(!DesktopPortal::request(QStringLiteral("org.keyglance.FakePortal"),
                                        QStringLiteral("Answer"), {500}, {}, 20, &why,
                                        [&](const QVariantMap &results) { late = results; }));
        QCOMPARE(why, QStringLiteral("the portal did not answer Answer"));
        QTRY_COMPARE(late.value(QStringLiteral("made")).toString(), QStringLiteral("a session"));
    }

    // The registry takes an app id only with a desktop entry of that name.
    void providesADesktopEntryWhereNoneIsInstalled()
    {
        QTemporaryDir home, system;
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(system.path()));
        DesktopPortal::provideDesktopEntry(QStringLiteral("keyglance"));
        QFile entry(home.filePath(QStringLiteral("applications/keyglance.desktop")));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray text = entry.readAll();
        QCOMPARE(desktopExecValue(text), QCoreApplication::applicationFilePath());
        QCOMPARE(desktopEntryString(text, "NoDisplay"), QStringLiteral("true"));
        // One installed for the system is the one the desktop knows.
        entry.remove();
        QVERIFY(QDir(system.path()).mkpath(QStringLiteral("applications")));
        QFile installed(system.filePath(QStringLiteral("applications/keyglance.desktop")));
        QVERIFY(installed.open(QIODevice::WriteOnly));
        installed.close();
        DesktopPortal::provideDesktopEntry(QStringLiteral("keyglance"));
        QVERIFY(!entry.exists());
    }

private:
    QThread thread;
    FakePortal portal;
};

QTEST_GUILESS_MAIN(TestDesktopPortal)
#include "tst_desktop_portal.moc"
