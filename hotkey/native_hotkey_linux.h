#pragma once

#include "hotkey/native_hotkey.h"

// The session backends registerNativeHotkey picks from on Linux; each returns null after a
// warning when its session refuses the combination.

/// Grabs the combination on Qt's X11 connection (X11 sessions, XWayland).
std::unique_ptr<NativeHotkey> registerX11Hotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                std::function<void()> onPress);
