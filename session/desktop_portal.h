#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <optional>

// The desktop portal (xdg-desktop-portal) on the session bus, as the desktop's own services offer
// it to ordinary programs.
namespace DesktopPortal {

inline const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");

/// The session bus connection of every portal call and of its signals: a connection of its own, so
/// that the app id is registered before its first portal call, whatever Qt asked the portal on
/// the application's shared connection.
QDBusConnection bus();

/// Calls a method whose answer comes as its request's Response signal: the arguments, then the
/// options with a handle token of ours added. Waits for the answer at most waitMs; nullopt, with
/// why, when the portal is unreachable, refuses, is cancelled or does not answer in time. An
/// answer granted after that goes to late, so that what it made can be undone.
std::optional<QVariantMap> request(const QString &interface, const QString &method,
                                   const QVariantList &arguments, QVariantMap options, int waitMs,
                                   QString *why,
                                   std::function<void(const QVariantMap &)> late = nullptr);

/// The object path a handle token of ours becomes under kind ("request", "session").
QString handlePath(const QString &kind, const QString &token);

/// Tells a portal that knows no app id for unsandboxed programs (1.19 and later) which desktop
/// entry this program is; before any other portal call. Older portals lack the registry: a no-op.
void registerAppId(const QString &appId);

/// Writes a desktop entry appId.desktop for this program into the user's applications folder,
/// hidden from menus, unless one of that name is installed: the registry takes an app id only
/// with its entry.
void provideDesktopEntry(const QString &appId);

} // namespace DesktopPortal
