#include "hotkey/native_hotkey.h"

std::unique_ptr<NativeHotkey> registerNativeHotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                   std::function<void()>)
{
    warnNotRegistered(key, modifiers, "global hotkeys are not supported on this platform");
    return nullptr;
}
