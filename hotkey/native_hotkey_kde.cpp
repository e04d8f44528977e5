#include "hotkey/native_hotkey_linux.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>

std::optional<QString> kglobalaccelHolder(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    const QString service = QStringLiteral("org.kde.kglobalaccel");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service))
        return std::nullopt;
    // Not actionList, the newer form: on Plasma 5.27 it takes KWin down when nothing holds the key.
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/kglobalaccel"),
                                                       QStringLiteral("org.kde.KGlobalAccel"),
                                                       QStringLiteral("action"));
    call << (int(key) | int(modifiers));
    const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return std::nullopt;
    // Component, action, and their names for people; empty when nothing holds the combination.
    const QStringList holder = reply.arguments().value(0).toStringList();
    return holder.size() < 2 ? QString() : holder[0] + QLatin1Char('/') + holder[1];
}
