#pragma once

#include "hotkey/native_hotkey.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// The session backends registerNativeHotkey picks from on Linux; each returns null after a
// warning when its session refuses the combination.

/// Grabs the combination on Qt's X11 connection (X11 sessions, XWayland).
std::unique_ptr<NativeHotkey> registerX11Hotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                std::function<void()> onPress);

/// Binds the combination in sway, through its IPC.
std::unique_ptr<NativeHotkey> registerSwayHotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                 std::function<void()> onPress);

/// Asks the desktop portal's GlobalShortcuts for the combination (Plasma, GNOME 48 and later), as
/// the program of the desktop entry appId.
std::unique_ptr<NativeHotkey> registerPortalHotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                   std::function<void()> onPress,
                                                   const QString &appId);

/// Which global shortcut of Plasma's kglobalaccel holds the combination, as "component/action";
/// empty when none does, nullopt outside Plasma.
std::optional<QString> kglobalaccelHolder(Qt::Key key, Qt::KeyboardModifiers modifiers);

/// In GNOME, asks the desktop portal for the combination where GNOME's own portal backend has
/// global shortcuts; elsewhere binds it among GNOME's custom keybindings to keyglance-toggle,
/// which reaches the program's handler through its toggle listener. GNOME runs a custom
/// keybinding again at every auto-repeat of a held combination.
std::unique_ptr<NativeHotkey> registerGnomeHotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                  std::function<void()> onPress);

/// The X11 keysym (XKB's too) of a key; 0 when it has none.
quint32 keysymFor(Qt::Key key);

/// XKB's name of a keysym, as key bindings write it ("space").
QString keysymName(quint32 keysym);

/// Whether a key name from a desktop's configuration stands for the keysym, in any letter case.
bool namesKeysym(const QString &name, quint32 keysym);

/// The X11 modifier bits (Control, Mod1 for Alt, Shift, Mod4 for Meta).
quint16 x11Modifiers(Qt::KeyboardModifiers modifiers);
