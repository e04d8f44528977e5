#include "hotkey/native_hotkey.h"
#include "hotkey/qt_versions.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

const std::pair<Qt::Key, UINT> specialKeys[] = {
    {Qt::Key_Space, VK_SPACE},   {Qt::Key_Escape, VK_ESCAPE},  {Qt::Key_Tab, VK_TAB},
    {Qt::Key_Return, VK_RETURN}, {Qt::Key_Enter, VK_RETURN},   {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_Insert, VK_INSERT}, {Qt::Key_Delete, VK_DELETE},  {Qt::Key_Home, VK_HOME},
    {Qt::Key_End, VK_END},       {Qt::Key_PageUp, VK_PRIOR},   {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_Left, VK_LEFT},     {Qt::Key_Up, VK_UP},          {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},     {Qt::Key_Print, VK_SNAPSHOT}, {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_Menu, VK_APPS},
};

UINT virtualKeyFor(Qt::Key key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return UINT(key); // Windows uses the ASCII codes for letters and digits
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + (key - Qt::Key_F1);
    const auto special = std::find_if(std::begin(specialKeys), std::end(specialKeys),
                                      [key](const auto &entry) { return entry.first == key; });
    if (special != std::end(specialKeys))
        return special->second;
    if (key > Qt::Key_Space && key <= Qt::Key_ydiaeresis) {
        // Punctuation sits on layout-dependent keys; ask the current layout.
        const SHORT scan = VkKeyScanW(WCHAR(key));
        if (scan != -1)
            return UINT(scan & 0xff);
    }
    return 0;
}

UINT windowsModifiers(Qt::KeyboardModifiers modifiers)
{
    UINT mask = 0;
    if (modifiers & Qt::ControlModifier)
        mask |= MOD_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= MOD_ALT;
    if (modifiers & Qt::ShiftModifier)
        mask |= MOD_SHIFT;
    if (modifiers & Qt::MetaModifier)
        mask |= MOD_WIN;
    return mask;
}

class WinHotkey : public NativeHotkey, public QAbstractNativeEventFilter {
public:
    WinHotkey(int id, std::function<void()> onPress) : m_id(id), m_onPress(std::move(onPress))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    // QAbstractNativeEventFilter uninstalls itself on destruction.
    ~WinHotkey() override { UnregisterHotKey(nullptr, m_id); }

    bool nativeEventFilter(const QByteArray &eventType, void *message, NativeEventResult *) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const auto *msg = static_cast<MSG *>(message);
        if (msg->message != WM_HOTKEY || msg->wParam != WPARAM(m_id))
            return false;
        m_onPress();
        return true;
    }

private:
    int m_id;
    std::function<void()> m_onPress;
};

// Application hotkey ids must lie in 0x0000..0xBFFF.
int nextHotkeyId()
{
    static int lastId = 0;
    lastId = lastId % 0xBFFF + 1;
    return lastId;
}

} // namespace

std::unique_ptr<NativeHotkey> registerNativeHotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                   std::function<void()> onPress)
{
    const UINT virtualKey = virtualKeyFor(key);
    if (virtualKey == 0) {
        warnNotRegistered(key, modifiers, "the key has no Windows virtual-key code");
        return nullptr;
    }
    const int id = nextHotkeyId();
    if (!RegisterHotKey(nullptr, id, windowsModifiers(modifiers) | MOD_NOREPEAT, virtualKey)) {
        warnNotRegistered(key, modifiers, "the combination is held by another program");
        return nullptr;
    }
    return std::make_unique<WinHotkey>(id, std::move(onPress));
}
