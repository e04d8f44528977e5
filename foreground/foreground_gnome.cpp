#include "foreground/desktop_entries_linux.h"
#include "foreground/foreground.h"
#include "foreground/foreground_linux.h"
#include "foreground/program_name.h"
#include "session/gnome_shell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QtDebug>

namespace {

constexpr int kReplyWaitMs = 500;

// The extension comes in the format of the GNOME Shell running: ES modules from GNOME 45 on.
QString extensionUuid()
{
    const QString shell = QStringLiteral("org.gnome.Shell");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(shell, QStringLiteral("/org/gnome/Shell"),
                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("Get"))
            << shell << QStringLiteral("ShellVersion"),
        QDBus::Block, kReplyWaitMs);
    const int major = reply.arguments()
                          .value(0)
                          .value<QDBusVariant>()
                          .variant()
                          .toString()
                          .section(QLatin1Char('.'), 0, 0)
                          .toInt();
    return major > 0 && major < 45 ? QStringLiteral("keyglance-gnome43@example.org")
                                   : QStringLiteral("keyglance@example.org");
}

void explain(const QDBusMessage &reply)
{
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"))
        qWarning().noquote() << "Keyglance: to name Wayland programs in GNOME, Keyglance needs its "
                                "GNOME Shell extension: run \"gnome-extensions enable"
                             << extensionUuid() + "\", then log out and in again";
    else
        qWarning().noquote() << "Keyglance: the GNOME Shell extension did not answer:"
                             << reply.errorMessage();
}

} // namespace

std::optional<QString> gnomeForegroundProgramName()
{
    static bool warned = false;
    const QDBusMessage reply =
        GnomeShellExtension::call(QStringLiteral("FocusedWindow"), {}, kReplyWaitMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("uss")) {
        if (!warned)
            explain(reply);
        warned = true;
        return std::nullopt;
    }
    warned = false;
    const QVariantList window = reply.arguments();
    const QString exeName = processExeName(window.at(0).toUInt());
    // The window's class names a program whose process is out of reach: another user's, or an
    // X11 client that does not tell its process.
    return chooseProgramName(windowProgramName(exeName, window.at(1).toString()),
                             cutTitle(window.at(2).toString()));
}

QRect gnomeFocusedWindowFrame()
{
    const QDBusMessage reply =
        GnomeShellExtension::call(QStringLiteral("FocusedWindowFrame"), {}, kReplyWaitMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("iiii"))
        return {};
    const QVariantList frame = reply.arguments();
    return QRect(frame.at(0).toInt(), frame.at(1).toInt(), frame.at(2).toInt(),
                 frame.at(3).toInt());
}
