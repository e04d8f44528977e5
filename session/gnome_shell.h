#pragma once

#include <QString>

// Keyglance's GNOME Shell extension (foreground/gnome_shell_extension/) on the session bus: the one
// way to learn GNOME's focused window, and to hold a key in GNOME Shell before its portal can.
namespace GnomeShellExtension {

inline const QString kService = QStringLiteral("org.example.Keyglance.Shell");
inline const QString kPath = QStringLiteral("/org/example/Keyglance/Shell");
inline const QString kInterface = kService;

} // namespace GnomeShellExtension
