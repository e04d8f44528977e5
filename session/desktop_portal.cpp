#include "session/desktop_portal.h"

#include "app/desktop_entry.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QEventLoop>
#include <QObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QtDebug>

namespace DesktopPortal {

namespace {

constexpr int kCallWaitMs = 5000;
constexpr int kEntryWaitSteps = 10;
constexpr int kEntryWaitStepMs = 100;
bool entryJustWritten = false;

// Catches the Response of one request object.
class ResponseCatcher : public QObject {
    Q_OBJECT
public:
    std::optional<uint> code;
    QVariantMap results;

signals:
    void arrived();

public slots:
    void onResponse(uint response, const QVariantMap &answer)
    {
        code = response;
        results = answer;
        emit arrived();
    }
};

const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// Waits, as long as the application runs, for the answer to a request given up on.
class LateResponse : public QObject {
    Q_OBJECT
public:
    LateResponse(QString path, std::function<void(const QVariantMap &)> late)
        : QObject(QCoreApplication::instance()), path(std::move(path)), late(std::move(late))
    {
        bus().connect(kService, this->path, kRequestInterface, QStringLiteral("Response"), this,
                      SLOT(onResponse(uint, QVariantMap)));
    }

public slots:
    void onResponse(uint response, const QVariantMap &answer)
    {
        bus().disconnect(kService, path, kRequestInterface, QStringLiteral("Response"), this,
                         SLOT(onResponse(uint, QVariantMap)));
        if (response == 0)
            late(answer);
        deleteLater();
    }

private:
    QString path;
    std::function<void(const QVariantMap &)> late;
};

// Each request needs a token of its own on our connection.
QString nextToken()
{
    static int count = 0;
    return QStringLiteral("keyglance%1").arg(++count);
}

QString responseText(uint code)
{
    // 1: the user cancelled; 2: the portal ended the request some other way.
    return code == 1 ? QStringLiteral("the request was cancelled")
                     : QStringLiteral("the portal refused the request");
}

} // namespace

QDBusConnection bus()
{
    static const QDBusConnection connection = QDBusConnection::connectToBus(
        QDBusConnection::SessionBus, QStringLiteral("keyglance-portal"));
    return connection;
}

QString handlePath(const QString &kind, const QString &token)
{
    // The portal names a caller's objects after its unique bus name, ":1.42" becoming "1_42".
    QString sender = bus().baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/%1/%2/%3").arg(kind, sender, token);
}

std::optional<QVariantMap> request(const QString &interface, const QString &method,
                                   const QVariantList &arguments, QVariantMap options, int waitMs,
                                   QString *why, std::function<void(const QVariantMap &)> late)
{
    QDBusConnection connection = bus();
    if (!connection.isConnected()) {
        *why = QStringLiteral("no session bus");
        return std::nullopt;
    }
    // Listening before the call: the answer may come before the call returns.
    const QString token = nextToken();
    const QString path = handlePath(QStringLiteral("request"), token);
    ResponseCatcher catcher;
    connection.connect(kService, path, kRequestInterface, QStringLiteral("Response"), &catcher,
                       SLOT(onResponse(uint, QVariantMap)));
    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
    call.setArguments(QVariantList(arguments) << options);
    const QDBusMessage reply = connection.call(call, QDBus::Block, kCallWaitMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        *why = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
        return std::nullopt;
    }
    if (!catcher.code) {
        QEventLoop loop;
        QObject::connect(&catcher, &ResponseCatcher::arrived, &loop, &QEventLoop::quit);
        QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!catcher.code && late)
        new LateResponse(path, std::move(late));
    connection.disconnect(kService, path, kRequestInterface, QStringLiteral("Response"), &catcher,
                          SLOT(onResponse(uint, QVariantMap)));
    if (!catcher.code) {
        *why = QStringLiteral("the portal did not answer %1").arg(method);
        return std::nullopt;
    }
    // GNOME 48's backend answers a granted BindShortcuts with 2 all the same, and its results.
    if (*catcher.code != 0 && (*catcher.code != 2 || catcher.results.isEmpty())) {
        *why = responseText(*catcher.code);
        return std::nullopt;
    }
    return catcher.results;
}

void provideDesktopEntry(const QString &appId)
{
    const QString name = appId + QLatin1String(".desktop");
    if (!QStandardPaths::locate(QStandardPaths::ApplicationsLocation, name).isEmpty())
        return;
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    QSaveFile file(dir + QLatin1Char('/') + name);
    if (!QDir().mkpath(dir) || !file.open(QIODevice::WriteOnly) ||
        file.write(hiddenApplicationEntry(QStringLiteral("Keyglance"),
                                          QCoreApplication::applicationFilePath())) < 0 ||
        !file.commit()) {
        qWarning().noquote() << "Keyglance: cannot write the desktop entry" << file.fileName()
                             << "that the desktop portal asks for:" << file.errorString();
        return;
    }
    entryJustWritten = true;
}

void registerAppId(const QString &appId)
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath,
                                       QStringLiteral("org.freedesktop.host.portal.Registry"),
                                       QStringLiteral("Register"))
        << appId << QVariantMap();
    QDBusMessage reply = bus().call(call, QDBus::Block, kCallWaitMs);
    // The portal learns of a new desktop entry from a file monitor, a moment after it is written.
    for (int attempt = 0; entryJustWritten && attempt < kEntryWaitSteps &&
                          reply.errorName() == QLatin1String("org.freedesktop.portal.Error.Failed");
         ++attempt) {
        QThread::msleep(kEntryWaitStepMs);
        reply = bus().call(call, QDBus::Block, kCallWaitMs);
    }
    const QString error = reply.errorName();
    // Without the registry, the portal takes unsandboxed callers as they are.
    if (reply.type() == QDBusMessage::ErrorMessage &&
        error != QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") &&
        error != QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") &&
        error != QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"))
        qWarning().noquote() << "Keyglance: the desktop portal did not take the app id" << appId
                             << "-" << reply.errorMessage();
}

} // namespace DesktopPortal

#include "desktop_portal.moc"
