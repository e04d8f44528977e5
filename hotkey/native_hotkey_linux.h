#pragma once

#include "hotkey/native_hotkey.h"

#include <QtGlobal>

class SwayIpc;

// The session backends registerNativeHotkey picks from on Linux; each returns null after a
// warning when its session refuses the combination.

/// Grabs the combination on Qt's X11 connection (X11 sessions, XWayland).
std::unique_ptr<NativeHotkey> registerX11Hotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                std::function<void()> onPress);

/// Binds the combination in sway, through an open connection to its IPC.
std::unique_ptr<NativeHotkey> registerSwayHotkey(std::unique_ptr<SwayIpc> commands, Qt::Key key,
                                                 Qt::KeyboardModifiers modifiers,
                                                 std::function<void()> onPress);

/// Binds the combination among GNOME's custom keybindings to keyglance-toggle, which reaches
/// the program's handler through its toggle listener. GNOME runs the command again at every
/// auto-repeat of a held combination.
std::unique_ptr<NativeHotkey> registerGnomeHotkey(Qt::Key key, Qt::KeyboardModifiers modifiers);

/// The X11 keysym (XKB's too) of a key; 0 when it has none.
quint32 keysymFor(Qt::Key key);

/// The X11 modifier bits (Control, Mod1 for Alt, Shift, Mod4 for Meta).
quint16 x11Modifiers(Qt::KeyboardModifiers modifiers);
