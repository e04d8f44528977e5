#pragma once

#include <QString>

// Key combinations as GNOME's settings write them, such as "<Control>space". Modifiers are X11
// bits (Shift 1, Control 4, Mod1 8, Mod4 64), the key an XKB keysym.

/// The combination as GNOME writes it.
QString gnomeAccelerator(quint16 modifiers, quint32 keysym);

/// Whether an accelerator from GNOME's settings stands for the combination, whichever of GNOME's
/// names for a modifier (<Ctrl>, <Primary>) and whichever letter case it is written in.
bool gnomeAcceleratorBinds(const QString &accelerator, quint16 modifiers, quint32 keysym);
