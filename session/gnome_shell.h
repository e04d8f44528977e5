#pragma once

#include <QDBusMessage>
#include <QString>
#include <QVariantList>

// Keyglance's GNOME Shell extension (foreground/gnome_shell_extension/) on the session bus: the one
// way to learn GNOME's focused window, and to hold a key in GNOME Shell before its portal can.
namespace GnomeShellExtension {

inline const QString kService = QStringLiteral("org.example.Keyglance.Shell");
inline const QString kPath = QStringLiteral("/org/example/Keyglance/Shell");
inline const QString kInterface = kService;

/// Calls one of the extension's methods, waiting at most waitMs for the reply.
QDBusMessage call(const QString &method, const QVariantList &arguments, int waitMs);

} // namespace GnomeShellExtension
