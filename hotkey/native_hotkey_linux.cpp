#include "hotkey/native_hotkey_linux.h"

#include "session/session_linux.h"

#include <QCoreApplication>

#include <X11/X.h>
#include <X11/keysym.h>
#include <xcb/xproto.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

const std::pair<Qt::Key, quint32> specialKeys[] = {
    {Qt::Key_Escape, XK_Escape},
    {Qt::Key_Tab, XK_Tab},
    {Qt::Key_Return, XK_Return},
    {Qt::Key_Enter, XK_KP_Enter},
    {Qt::Key_Backspace, XK_BackSpace},
    {Qt::Key_Insert, XK_Insert},
    {Qt::Key_Delete, XK_Delete},
    {Qt::Key_Home, XK_Home},
    {Qt::Key_End, XK_End},
    {Qt::Key_PageUp, XK_Prior},
    {Qt::Key_PageDown, XK_Next},
    {Qt::Key_Left, XK_Left},
    {Qt::Key_Up, XK_Up},
    {Qt::Key_Right, XK_Right},
    {Qt::Key_Down, XK_Down},
    {Qt::Key_Print, XK_Print},
    {Qt::Key_Pause, XK_Pause},
    {Qt::Key_Menu, XK_Menu},
};

} // namespace

quint32 keysymFor(Qt::Key key)
{
    if (key >= Qt::Key_Space && key <= Qt::Key_ydiaeresis)
        return quint32(key); // Latin-1 keysyms share Qt's codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return XK_F1 + (key - Qt::Key_F1);
    const auto special = std::find_if(std::begin(specialKeys), std::end(specialKeys),
                                      [key](const auto &entry) { return entry.first == key; });
    return special == std::end(specialKeys) ? quint32(NoSymbol) : special->second;
}

QString keysymName(quint32 keysym)
{
    char name[64] = {};
    xkb_keysym_get_name(keysym, name, sizeof name);
    return QString::fromLatin1(name);
}

bool namesKeysym(const QString &name, quint32 keysym)
{
    const xkb_keysym_t named =
        xkb_keysym_from_name(name.toUtf8().constData(), XKB_KEYSYM_CASE_INSENSITIVE);
    return named != XKB_KEY_NoSymbol && xkb_keysym_to_lower(named) == xkb_keysym_to_lower(keysym);
}

quint16 x11Modifiers(Qt::KeyboardModifiers modifiers)
{
    quint16 mask = 0;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

std::unique_ptr<NativeHotkey> registerNativeHotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                   std::function<void()> onPress)
{
    switch (linuxSession()) {
    case LinuxSession::X11:
        return registerX11Hotkey(key, modifiers, std::move(onPress));
    // An X11 grab would only see keys typed into XWayland windows.
    case LinuxSession::Sway:
        return registerSwayHotkey(key, modifiers, std::move(onPress));
    // GNOME hands global keys to no ordinary program, but runs the commands of its custom
    // keybindings; from xdg-desktop-portal-gnome 48 on it has the portal's global shortcuts.
    case LinuxSession::Gnome:
        return registerGnomeHotkey(key, modifiers, std::move(onPress));
    // A Wayland compositor lends its keys only through the desktop's services; where the portal
    // has no global shortcuts, the user binds keyglance-toggle in the compositor.
    case LinuxSession::Kde:
    case LinuxSession::Wlroots:
    case LinuxSession::Unknown:
        break;
    }
    return registerPortalHotkey(key, modifiers, std::move(onPress),
                                QCoreApplication::applicationName());
}
