#include "session/gnome_shell.h"

#include <QDBusConnection>

namespace GnomeShellExtension {

QDBusMessage call(const QString &method, const QVariantList &arguments, int waitMs)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, waitMs);
}

} // namespace GnomeShellExtension
