#include "hotkey/native_hotkey_linux.h"
#include "hotkey/qt_versions.h"
#include "session/qt_x11.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

// NumLock's modifier bit depends on the keymap, so look it up instead of assuming Mod2.
uint16_t numLockMask(xcb_connection_t *connection, Display *display)
{
    const xcb_keycode_t numLock = XKeysymToKeycode(display, XK_Num_Lock);
    const XcbReply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr),
        &std::free);
    if (numLock == 0 || !mapping)
        return 0;
    const xcb_keycode_t *keycodes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (keycodes[modifier * perModifier + i] == numLock)
                return uint16_t(1 << modifier);
        }
    }
    return 0;
}

class X11Hotkey : public NativeHotkey, public QAbstractNativeEventFilter {
public:
    X11Hotkey(xcb_connection_t *connection, xcb_window_t root, xcb_keycode_t keycode,
              uint16_t modifiers, uint16_t numLock, std::function<void()> onPress)
        : m_connection(connection), m_root(root), m_keycode(keycode), m_modifiers(modifiers),
          m_lockMask(numLock | XCB_MOD_MASK_LOCK), m_onPress(std::move(onPress))
    {
    }

    // QAbstractNativeEventFilter uninstalls itself on destruction.
    ~X11Hotkey() override { ungrabAll(); }

    // Grabs the combination with every state of NumLock and CapsLock; on failure the
    // destructor releases the variants already taken.
    bool grab()
    {
        const uint16_t numLock = m_lockMask & ~XCB_MOD_MASK_LOCK;
        for (uint16_t locks : {uint16_t(0), numLock, uint16_t(XCB_MOD_MASK_LOCK), m_lockMask}) {
            const uint16_t variant = m_modifiers | locks;
            if (std::find(m_grabbed.begin(), m_grabbed.end(), variant) != m_grabbed.end())
                continue;
            const xcb_void_cookie_t cookie =
                xcb_grab_key_checked(m_connection, 1, m_root, variant, m_keycode,
                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            const XcbReply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie),
                                                      &std::free);
            if (error)
                return false;
            m_grabbed.push_back(variant);
        }
        QCoreApplication::instance()->installNativeEventFilter(this);
        return true;
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, NativeEventResult *) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<xcb_generic_event_t *>(message);
        const uint8_t type = event->response_type & ~0x80;
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
            return false;
        const auto *key = static_cast<xcb_key_press_event_t *>(message);
        if (key->detail != m_keycode)
            return false;
        if (type == XCB_KEY_RELEASE) {
            // The grab our press started sends us the release whatever the modifiers are by then.
            const bool ours = m_held;
            m_held = false;
            return ours;
        }
        const uint16_t keyboardState = key->state & 0xff;
        if ((keyboardState & ~m_lockMask) != m_modifiers)
            return false;
        if (!m_held) {
            m_held = true;
            m_onPress();
        }
        return true;
    }

private:
    // Waits until the server has released them: another client may grab them right after.
    void ungrabAll()
    {
        std::vector<xcb_void_cookie_t> cookies;
        for (uint16_t variant : m_grabbed)
            cookies.push_back(xcb_ungrab_key_checked(m_connection, m_keycode, m_root, variant));
        m_grabbed.clear();
        for (const xcb_void_cookie_t cookie : cookies)
            std::free(xcb_request_check(m_connection, cookie));
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    xcb_keycode_t m_keycode;
    uint16_t m_modifiers;
    uint16_t m_lockMask;
    std::function<void()> m_onPress;
    std::vector<uint16_t> m_grabbed;
    // Our combination is down: until the key's release, its presses are auto-repeats.
    bool m_held = false;
};

} // namespace

std::unique_ptr<NativeHotkey> registerX11Hotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                std::function<void()> onPress)
{
    xcb_connection_t *connection = qtX11Connection();
    Display *display = qtX11Display();
    if (!connection || !display) {
        warnNotRegistered(key, modifiers, "not running on an X11 display");
        return nullptr;
    }
    const KeySym keysym = keysymFor(key);
    const xcb_keycode_t keycode = keysym == NoSymbol ? 0 : XKeysymToKeycode(display, keysym);
    if (keycode == 0) {
        warnNotRegistered(key, modifiers, "the key has no X11 key code");
        return nullptr;
    }
    // Have the server send a held key's repeats as presses alone, with no made-up release before
    // each: then a press while the key is down is a repeat. Pairing a release with the press of
    // the same time stamp would also swallow a real new press that synthetic input sends within
    // the millisecond. The flag holds for Qt's whole connection; Qt then no longer marks its
    // widgets' repeated key presses, which Keyglance, taking no keyboard input, never sees.
    XkbSetDetectableAutoRepeat(display, True, nullptr);
    auto hotkey =
        std::make_unique<X11Hotkey>(connection, qtX11RootWindow(), keycode, x11Modifiers(modifiers),
                                    numLockMask(connection, display), std::move(onPress));
    if (!hotkey->grab()) {
        warnNotRegistered(key, modifiers, "the combination is held by another program");
        return nullptr;
    }
    return hotkey;
}
