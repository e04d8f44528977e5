#include "foreground/desktop_entries_linux.h"
#include "foreground/foreground.h"
#include "foreground/foreground_linux.h"
#include "foreground/program_name.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QTemporaryFile>
#include <QTimer>
#include <QtDebug>

// Qt's resources cannot be named from inside a namespace.
static void initScriptResource()
{
    Q_INIT_RESOURCE(foreground_kde);
}

namespace {

const QString kKWin = QStringLiteral("org.kde.KWin");
const QString kScriptName = QStringLiteral("keyglance-active-window");
const QString kReceiverPath = QStringLiteral("/KWinActiveWindow");
constexpr int kCallWaitMs = 2000;
// KWin reads and starts a script on a thread of its own.
constexpr int kFirstReportWaitMs = 5000;

QDBusMessage callKWin(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(kKWin, path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, kCallWaitMs);
}

QDBusMessage callScripting(const QString &method, const QVariantList &arguments)
{
    return callKWin(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"), method,
                    arguments);
}

// The active window as a script of ours inside KWin reports it, on every change: a press then
// finds the answer already here, with no round trip to KWin.
class KWinActiveWindow : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.keyglance.KWinActiveWindow")
public:
    // Null when KWin is not the compositor or does not run the script; the script stays loaded
    // until the application quits.
    static KWinActiveWindow *instance()
    {
        static QPointer<KWinActiveWindow> tracker;
        static bool tried = false;
        if (!tried) {
            tried = true;
            tracker = start();
        }
        return tracker;
    }

    ~KWinActiveWindow() override
    {
        if (m_loaded)
            callScripting(QStringLiteral("unloadScript"), {kScriptName});
    }

    QString programName() const
    {
        if (!m_reported)
            return {};
        // KWin's pid of an XWayland window is what its client said: 0 when it said nothing.
        const quint32 serverPid = xwaylandClientPid(m_window, m_resourceClass);
        const quint32 pid = serverPid != 0 ? serverPid : m_pid;
        return chooseProgramName(
            windowProgramName(pid == 0 ? QString() : processExeName(pid), m_resourceClass),
            m_caption);
    }

    ForegroundPlace place() const { return m_reported ? m_place : ForegroundPlace(); }

public slots:
    Q_SCRIPTABLE void setActiveWindow(const QString &pid, const QString &window,
                                      const QString &resourceClass, const QString &caption,
                                      const QString &output, const QString &frame)
    {
        if (message().service() != m_kwinOwner)
            return;
        m_pid = pid.toUInt();
        m_window = window.toUInt();
        m_resourceClass = resourceClass;
        m_caption = cutTitle(caption);
        const QStringList edges = frame.split(QLatin1Char(' '));
        m_place = {output, edges.size() == 4 ? QRect(edges[0].toInt(), edges[1].toInt(),
                                                     edges[2].toInt(), edges[3].toInt())
                                             : QRect()};
        m_reported = true;
        emit reported();
    }

signals:
    void reported();

private:
    explicit KWinActiveWindow(QString kwinOwner)
        : QObject(QCoreApplication::instance()), m_kwinOwner(std::move(kwinOwner))
    {
        // Unloaded while the session bus is still ours; after exec() returns is too late.
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                [this] { delete this; });
        auto *watcher = new QDBusServiceWatcher(kKWin, QDBusConnection::sessionBus(),
                                                QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString &, const QString &, const QString &owner) {
                    kwinRestarted(owner);
                });
    }

    // A new KWin knows nothing of the old one's windows, nor runs its script: until the script
    // runs in it and reports, no window is known.
    void kwinRestarted(const QString &owner)
    {
        m_kwinOwner = owner;
        m_loaded = false;
        m_reported = false;
        QString why;
        if (!owner.isEmpty() && !loadScript(&why))
            qWarning().noquote() << "Keyglance: cannot follow the restarted KWin's active window:"
                                 << why;
    }

    static KWinActiveWindow *start()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || !bus.isConnected() ||
            !bus.interface()->isServiceRegistered(kKWin))
            return nullptr;
        auto *tracker = new KWinActiveWindow(bus.interface()->serviceOwner(kKWin));
        QString why;
        if (!tracker->load(&why)) {
            qWarning().noquote() << "Keyglance: cannot follow KWin's active window:" << why;
            delete tracker;
            return nullptr;
        }
        return tracker;
    }

    bool load(QString *why)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.registerObject(kReceiverPath, this, QDBusConnection::ExportScriptableSlots)) {
            *why = QStringLiteral("the object path %1 is taken").arg(kReceiverPath);
            return false;
        }
        if (!writeScript(bus.baseService())) {
            *why = QStringLiteral("cannot write the script: ") + m_script.errorString();
            return false;
        }
        if (!loadScript(why))
            return false;
        QEventLoop loop;
        connect(this, &KWinActiveWindow::reported, &loop, &QEventLoop::quit);
        QTimer::singleShot(kFirstReportWaitMs, &loop, &QEventLoop::quit);
        if (!m_reported)
            loop.exec();
        if (!m_reported) {
            *why = QStringLiteral("the script did not report");
            return false;
        }
        return true;
    }

    bool loadScript(QString *why)
    {
        // A Keyglance that did not exit cleanly leaves its script loaded.
        callScripting(QStringLiteral("unloadScript"), {kScriptName});
        const QDBusMessage loaded =
            callScripting(QStringLiteral("loadScript"), {m_script.fileName(), kScriptName});
        const int id = loaded.arguments().value(0, -1).toInt();
        if (loaded.type() == QDBusMessage::ErrorMessage || id < 0) {
            *why = QStringLiteral("KWin did not load the script: ") + loaded.errorMessage();
            return false;
        }
        m_loaded = true;
        const QDBusMessage ran = run(id);
        if (ran.type() == QDBusMessage::ErrorMessage) {
            *why = QStringLiteral("KWin did not run the script: ") + ran.errorMessage();
            return false;
        }
        return true;
    }

    bool writeScript(const QString &receiver)
    {
        initScriptResource();
        QFile source(QStringLiteral(":/foreground/kwin_active_window.js"));
        if (!source.open(QIODevice::ReadOnly) || !m_script.open())
            return false;
        // Bus names hold no quotes or backslashes.
        const QByteArray text = source.readAll().replace("@RECEIVER@", receiver.toUtf8());
        return m_script.write(text) == text.size() && m_script.flush();
    }

    // Plasma 6 puts a loaded script under /Scripting, Plasma 5 at the root.
    static QDBusMessage run(int id)
    {
        const QString interface = QStringLiteral("org.kde.kwin.Script");
        const QDBusMessage ran = callKWin(QStringLiteral("/Scripting/Script%1").arg(id), interface,
                                          QStringLiteral("run"));
        if (ran.type() != QDBusMessage::ErrorMessage)
            return ran;
        return callKWin(QStringLiteral("/%1").arg(id), interface, QStringLiteral("run"));
    }

    QString m_kwinOwner;
    QTemporaryFile m_script;
    bool m_loaded = false;
    bool m_reported = false;
    quint32 m_pid = 0;
    quint32 m_window = 0;
    QString m_resourceClass;
    QString m_caption;
    ForegroundPlace m_place;
};

} // namespace

std::optional<QString> kwinForegroundProgramName()
{
    KWinActiveWindow *tracker = KWinActiveWindow::instance();
    return tracker ? std::optional<QString>(tracker->programName()) : std::nullopt;
}

#include "foreground_kde.moc"

std::optional<ForegroundPlace> kwinActiveWindowPlace()
{
    KWinActiveWindow *tracker = KWinActiveWindow::instance();
    return tracker ? std::optional<ForegroundPlace>(tracker->place()) : std::nullopt;
}
