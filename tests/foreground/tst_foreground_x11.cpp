#include "foreground/foreground.h"
#include "session/qt_x11.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <xcb/xcb.h>

namespace {

constexpr int kTimeout = 10000;
constexpr uint kOwnPid = ~0u;

// Started with --client [title]: shows a window with a native child and prints both window ids.
int runClient(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    if (argc > 2)
        window.setWindowTitle(QString::fromUtf8(argv[2]));
    auto *child = new QWidget(&window);
    child->setAttribute(Qt::WA_NativeWindow);
    child->setGeometry(10, 10, 50, 50);
    window.resize(200, 120);
    window.show();
    std::printf("%llu %llu\n", static_cast<unsigned long long>(window.winId()),
                static_cast<unsigned long long>(child->winId()));
    std::fflush(stdout);
    return app.exec();
}

struct ClientWindows {
    xcb_window_t window = XCB_WINDOW_NONE;
    xcb_window_t child = XCB_WINDOW_NONE;
};

// Kills what it started, whatever way the test leaves.
struct ScopedProcess {
    QProcess process;
    ~ScopedProcess()
    {
        process.kill();
        process.waitForFinished();
    }
    bool start(const QString &program, const QStringList &arguments = {})
    {
        process.start(program, arguments);
        return process.waitForStarted(kTimeout);
    }
    bool startClient(const QString &title, ClientWindows *windows)
    {
        QStringList arguments{QStringLiteral("--client")};
        if (!title.isEmpty())
            arguments << title;
        if (!start(QCoreApplication::applicationFilePath(), arguments))
            return false;
        while (!process.canReadLine()) {
            if (!process.waitForReadyRead(kTimeout))
                return false;
        }
        const QList<QByteArray> ids = process.readLine().trimmed().split(' ');
        windows->window = ids.value(0).toUInt();
        windows->child = ids.value(1).toUInt();
        return windows->window != XCB_WINDOW_NONE && windows->child != XCB_WINDOW_NONE;
    }
    quint32 pid() const { return static_cast<quint32>(process.processId()); }
};

xcb_atom_t atom(const char *name)
{
    xcb_connection_t *connection = qtX11Connection();
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, qstrlen(name), name),
                              nullptr),
        &free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The first 32-bit value of a window property, or 0 when it is not set.
uint32_t propertyValue(xcb_window_t window, const char *name)
{
    xcb_connection_t *connection = qtX11Connection();
    std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1),
            nullptr),
        &free);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return 0;
    return *static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
}

bool windowManagerRunning()
{
    return propertyValue(qtX11RootWindow(), "_NET_SUPPORTING_WM_CHECK") != 0;
}

// Gives window the input focus; false while it cannot take it yet (not mapped).
bool focus(xcb_window_t window)
{
    xcb_connection_t *connection = qtX11Connection();
    free(xcb_request_check(connection,
                           xcb_set_input_focus_checked(connection, XCB_INPUT_FOCUS_POINTER_ROOT,
                                                       window, XCB_CURRENT_TIME)));
    std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&free)> reply(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr), &free);
    return reply && reply->focus == window;
}

// A Cyrillic title of the given UTF-16 length ending in " - Google Chrome".
QString chromeTitle(int units)
{
    const QString suffix = QStringLiteral(" - Google Chrome");
    return QString(units - suffix.size(), QChar(0x0436)) + suffix;
}

QString ownExeName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

} // namespace

class TestForegroundX11 : public QObject {
    Q_OBJECT

private slots:
    void processExeName_endedProcess();
    void processExeName_longNameKeptWhole();
    void activeWindow_data();
    void activeWindow();
    void focusedWindow_data();
    void focusedWindow();
    void nothingFocused_data();
    void nothingFocused();
};

void TestForegroundX11::processExeName_endedProcess()
{
    QCOMPARE(processExeName(0), QString());
    quint32 pid = 0;
    {
        ScopedProcess sleeper;
        QVERIFY(sleeper.start(QStringLiteral("/bin/sleep"), {QStringLiteral("600")}));
        pid = sleeper.pid();
        QCOMPARE(processExeName(pid), QStringLiteral("sleep"));
    }
    QCOMPARE(processExeName(pid), QString());
}

void TestForegroundX11::processExeName_longNameKeptWhole()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = QString(196, QLatin1Char('k')) + QStringLiteral("logo");
    QCOMPARE(name.size(), 200);
    const QString path = dir.filePath(name);
    QVERIFY(QFile::copy(QStringLiteral("/usr/bin/xlogo"), path));
    ScopedProcess logo;
    QVERIFY(logo.start(path));
    QCOMPARE(processExeName(logo.pid()), name);
    if (windowManagerRunning())
        QTRY_COMPARE_WITH_TIMEOUT(foregroundProgramName(), name, kTimeout);
    // Replacing a running program's file leaves the kernel's " (deleted)" mark on the link.
    QVERIFY(QFile::remove(path));
    QCOMPARE(processExeName(logo.pid()), name);
}

void TestForegroundX11::activeWindow_data()
{
    QTest::addColumn<bool>("ownClient");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expected");

    // xlogo sets no _NET_WM_PID, so its process is found through X-Resource.
    QTest::newRow("xlogo") << false << QString() << QStringLiteral("xlogo");
    QTest::newRow("chrome title") << true << QStringLiteral("New Tab - Google Chrome")
                                  << QStringLiteral("Google Chrome");
    QTest::newRow("other title") << true << QStringLiteral("Notes - Editor") << ownExeName();
    QTest::newRow("no title") << true << QString() << ownExeName();
    QTest::newRow("title fits") << true << chromeTitle(kTitleBufferUnits - 1)
                                << QStringLiteral("Google Chrome");
    QTest::newRow("title cut") << true << chromeTitle(kTitleBufferUnits) << ownExeName();
}

void TestForegroundX11::activeWindow()
{
    if (!windowManagerRunning())
        QSKIP("needs a window manager setting _NET_ACTIVE_WINDOW");
    QFETCH(bool, ownClient);
    QFETCH(QString, title);
    QFETCH(QString, expected);

    ScopedProcess client;
    ClientWindows windows;
    if (ownClient)
        QVERIFY(client.startClient(title, &windows));
    else
        QVERIFY(client.start(QStringLiteral("/usr/bin/xlogo")));
    QTRY_COMPARE_WITH_TIMEOUT(foregroundProgramName(), expected, kTimeout);
    const uint32_t active = propertyValue(qtX11RootWindow(), "_NET_ACTIVE_WINDOW");
    QVERIFY(active != XCB_WINDOW_NONE);
    if (ownClient)
        QCOMPARE(active, windows.window);
    else
        QCOMPARE(processExeName(client.pid()), QStringLiteral("xlogo"));
}

void TestForegroundX11::focusedWindow_data()
{
    QTest::addColumn<QString>("title");
    // What _NET_WM_PID is left holding: the client's own pid, nothing (0), or another process.
    QTest::addColumn<uint>("pidProperty");
    QTest::addColumn<bool>("keepNetWmName");
    QTest::addColumn<bool>("focusChild");
    QTest::addColumn<bool>("childIsClient");
    QTest::addColumn<QString>("expected");

    const QString chrome = QStringLiteral("Google Chrome");
    const QString docs = QStringLiteral("Docs - Google Chrome");
    QTest::newRow("pid property") << QString() << kOwnPid << true << false << false << ownExeName();
    QTest::newRow("x-resource") << QString() << 0u << true << false << false << ownExeName();
    // A Flatpak client gives its pid inside the sandbox.
    QTest::newRow("sandbox pid") << QString() << 2u << true << false << false << ownExeName();
    QTest::newRow("child focused") << QString() << 0u << true << true << false << ownExeName();
    QTest::newRow("title of top level") << docs << 0u << true << true << false << chrome;
    // As under a reparenting window manager: the untitled client with WM_STATE is inside the frame.
    QTest::newRow("client inside frame") << docs << 0u << true << false << true << ownExeName();
    // Qt writes WM_NAME as COMPOUND_TEXT; both names must decode to the same UTF-16 length.
    for (bool keepNetWmName : {true, false}) {
        const char *name = keepNetWmName ? "_NET_WM_NAME" : "WM_NAME";
        QTest::addRow("%s fits", name) << chromeTitle(kTitleBufferUnits - 1) << kOwnPid
                                       << keepNetWmName << false << false << chrome;
        QTest::addRow("%s cut", name) << chromeTitle(kTitleBufferUnits) << kOwnPid << keepNetWmName
                                      << false << false << ownExeName();
    }
}

void TestForegroundX11::focusedWindow()
{
    if (windowManagerRunning())
        QSKIP("a window manager would move the focus itself");
    QFETCH(QString, title);
    QFETCH(uint, pidProperty);
    QFETCH(bool, keepNetWmName);
    QFETCH(bool, focusChild);
    QFETCH(bool, childIsClient);
    QFETCH(QString, expected);

    ScopedProcess client;
    ClientWindows windows;
    QVERIFY(client.startClient(title, &windows));
    QTRY_VERIFY_WITH_TIMEOUT(focus(focusChild ? windows.child : windows.window), kTimeout);
    xcb_connection_t *connection = qtX11Connection();
    // A class that names no program, so only the process can name the client.
    const char wmClass[] = "client\0Client";
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, windows.window, XCB_ATOM_WM_CLASS,
                        XCB_ATOM_STRING, 8, sizeof wmClass, wmClass);
    QCOMPARE(propertyValue(windows.window, "_NET_WM_PID"), client.pid());
    if (pidProperty == 0)
        xcb_delete_property(connection, windows.window, atom("_NET_WM_PID"));
    else if (pidProperty != kOwnPid)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, windows.window, atom("_NET_WM_PID"),
                            XCB_ATOM_CARDINAL, 32, 1, &pidProperty);
    if (pidProperty != kOwnPid)
        QCOMPARE(propertyValue(windows.window, "_NET_WM_PID"), pidProperty);
    if (!keepNetWmName)
        xcb_delete_property(connection, windows.window, atom("_NET_WM_NAME"));
    if (childIsClient) {
        const xcb_atom_t wmState = atom("WM_STATE");
        const uint32_t normalState[] = {1, XCB_WINDOW_NONE};
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, windows.child, wmState, wmState, 32,
                            2, normalState);
    }
    QCOMPARE(foregroundProgramName(), expected);
}

void TestForegroundX11::nothingFocused_data()
{
    QTest::addColumn<uint>("focused");
    QTest::newRow("none") << uint(XCB_WINDOW_NONE);
    QTest::newRow("pointer root") << uint(XCB_INPUT_FOCUS_POINTER_ROOT);
    QTest::newRow("root") << uint(qtX11RootWindow());
}

void TestForegroundX11::nothingFocused()
{
    if (windowManagerRunning())
        QSKIP("a window manager would move the focus itself");
    QFETCH(uint, focused);
    QVERIFY(focus(focused));
    QCOMPARE(foregroundProgramName(), QString());
}

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--client") == 0)
        return runClient(argc, argv);
    QApplication app(argc, argv);
    TestForegroundX11 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_foreground_x11.moc"
