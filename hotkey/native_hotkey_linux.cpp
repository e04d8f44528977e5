#include "hotkey/native_hotkey_linux.h"

#include <QGuiApplication>

std::unique_ptr<NativeHotkey> registerNativeHotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                   std::function<void()> onPress)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return registerX11Hotkey(key, modifiers, std::move(onPress));
    warnNotRegistered(key, modifiers, "this session offers no global hotkey");
    return nullptr;
}
