
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "../support/x11_client.h"

namespace {

// Top-level windows on screen, whoever owns them.
int viewableTopLevels(const OtherClient &client)
{
    xcb_connection_t *connection = client.connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr), &std::free);
    if (!tree)
        return -1;
    int viewable = 0;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        if (client.mapState(children[i]) == XCB_MAP_STATE_VIEWABLE)
            ++viewable;
    }
    return viewable;
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(workDir.isValid());
        QVERIFY(configDir.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir.path());
        keyglance.setProcessEnvironment(environment);
        keyglance.setWorkingDirectory(workDir.path());
        keyglance.setProgram(QStringLiteral(KEYGLANCE_BINARY));
        log.clear();
    }
    void cleanup()
    {
        keyglance.kill();
        keyglance.waitForFinished();
    }

    void registersTheHotkeyAndShowsNothing()
    {
        keyglance.start();
        QVERIFY(keyglance.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(output().contains("Is Registered:  true\n"), 30000);
        // The autostart entry is the last step before the event loop runs.
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(configDir.filePath(QStringLiteral("autostart/keyglance.desktop"))),
            30000);
        QCOMPARE(output().count("Is Registered: "), 1);
        QCOMPARE(viewableTopLevels(other), 0);
        QCOMPARE(keyglance.state(), QProcess::Running);
    }

    void carriesOnWhenTheHotkeyIsTaken()
    {
        QVERIFY(other.grab(XCB_MOD_MASK_CONTROL, XK_space));
        keyglance.start();
        QVERIFY(keyglance.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(output().contains("Is Registered:  false\n"), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(
            QFile::exists(configDir.filePath(QStringLiteral("autostart/keyglance.desktop"))),
            30000);
        other.ungrab(XCB_MOD_MASK_CONTROL, XK_space);
        QVERIFY(!output().contains("Is Registered:  true"));
        QCOMPARE(keyglance.state(), QProcess::Running);
        // The combination was not half taken: the other client can have all of it.
        QVERIFY(other.canGrabAllLockVariants(XCB_MOD_MASK_CONTROL, XK_space));
    }

    void aSecondStartLeavesTheFirstAlone()
    {
        keyglance.start();
        QVERIFY(keyglance.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(output().contains("Is Registered:  true\n"), 30000);
        QProcess second;
        second.setProcessEnvironment(keyglance.processEnvironment());
        second.setWorkingDirectory(workDir.path());
        second.start(QStringLiteral(KEYGLANCE_BINARY), QStringList());
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardError(),
                 QByteArray("Keyglance: session: X11\n"
                            "Keyglance: another Keyglance already runs in this session; this one "
                            "ends\n"));
        QCOMPARE(keyglance.state(), QProcess::Running);
        // Still the one answering the toggle command.
        QProcess toggle;
        toggle.start(QStringLiteral(KEYGLANCE_TOGGLE), QStringList());
        QVERIFY(toggle.waitForFinished(30000));
        QCOMPARE(toggle.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(output().contains("设置可见"), 30000);
    }

private:
    QByteArray output()
    {
        log += keyglance.readAllStandardError();
        return log;
    }

    QTemporaryDir workDir;
    QTemporaryDir configDir;
    QProcess keyglance;
    QByteArray log;
    OtherClient other;
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
