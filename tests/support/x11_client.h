#pragma once

// Xlib defines macros (Bool, Status, None) that break Qt headers included after it:
// include this header last.
#include "session/qt_x11.h"

#include <QtTest>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include "xtest_keyboard.h"

#include <cstdlib>
#include <memory>

using KeySyms = QVector<KeySym>;

// A second X client: types through XTest and competes for key grabs.
class OtherClient {
public:
    OtherClient() : m_connection(xcb_connect(nullptr, nullptr)), m_keyboard(m_connection)
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }

    xcb_connection_t *connection() const { return m_connection; }

    void type(const KeySyms &modifiers, KeySym key) { m_keyboard.type(keys(modifiers, key)); }
    void press(const KeySyms &modifiers, KeySym key) { m_keyboard.press(keys(modifiers, key)); }
    void release(const KeySyms &modifiers, KeySym key) { m_keyboard.release(keys(modifiers, key)); }

    // A window over the whole screen that hears its button presses.
    xcb_window_t createListeningWindow()
    {
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const xcb_window_t window = xcb_generate_id(m_connection);
        const uint32_t events = XCB_EVENT_MASK_BUTTON_PRESS;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 0, 0,
                          screen->width_in_pixels, screen->height_in_pixels, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK,
                          &events);
        xcb_map_window(m_connection, window);
        xcb_flush(m_connection);
        return window;
    }

    // How many button presses on window have arrived, of all the events read so far.
    int buttonPresses(xcb_window_t window)
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            if ((event->response_type & 0x7f) == XCB_BUTTON_PRESS)
                m_pressed.append(reinterpret_cast<xcb_button_press_event_t *>(event)->event);
            std::free(event);
        }
        return m_pressed.count(window);
    }

    // Clicks the first button at x, y on the screen.
    void click(int16_t x, int16_t y)
    {
        xcb_test_fake_input(m_connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, x, y, 0);
        xcb_test_fake_input(m_connection, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, m_root, 0, 0, 0);
        xcb_test_fake_input(m_connection, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, m_root, 0, 0, 0);
        xcb_flush(m_connection);
    }

    // Whether clicks pass window and the window manager's frame around it: the top-level window
    // it is in has an empty input shape.
    bool passesClicks(xcb_window_t window) const
    {
        for (;;) {
            const std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
                xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr),
                &std::free);
            if (!tree)
                return false;
            if (tree->parent == tree->root)
                break;
            window = tree->parent;
        }
        const std::unique_ptr<xcb_shape_get_rectangles_reply_t, decltype(&std::free)> shape(
            xcb_shape_get_rectangles_reply(
                m_connection, xcb_shape_get_rectangles(m_connection, window, XCB_SHAPE_SK_INPUT),
                nullptr),
            &std::free);
        return shape && shape->rectangles_len == 0;
    }

    // The window with the input focus.
    xcb_window_t focus() const
    {
        const std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)> reply(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr),
            &std::free);
        return reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
    }

    // The window's map state as the X server has it; 0xff when the window does not exist.
    uint8_t mapState(xcb_window_t window) const
    {
        const std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(
                m_connection, xcb_get_window_attributes(m_connection, window), nullptr),
            &std::free);
        return attributes ? attributes->map_state : uint8_t(0xff);
    }

    uint16_t keyboardState()
    {
        const std::unique_ptr<xcb_query_pointer_reply_t, decltype(&std::free)> reply(
            xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr),
            &std::free);
        return reply ? reply->mask & 0xff : 0;
    }

    bool grab(uint16_t modifiers, KeySym key)
    {
        const xcb_void_cookie_t cookie =
            xcb_grab_key_checked(m_connection, 1, m_root, modifiers, m_keyboard.keycode(key),
                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t *error = xcb_request_check(m_connection, cookie);
        std::free(error);
        return error == nullptr;
    }

    void ungrab(uint16_t modifiers, KeySym key)
    {
        xcb_ungrab_key(m_connection, m_keyboard.keycode(key), m_root, modifiers);
        xcb_flush(m_connection);
    }

    // Whether this client can take the combination with every NumLock/CapsLock state;
    // releases whatever it got again.
    bool canGrabAllLockVariants(uint16_t modifiers, KeySym key)
    {
        bool all = true;
        for (uint16_t locks : lockVariants()) {
            if (grab(modifiers | locks, key))
                ungrab(modifiers | locks, key);
            else
                all = false;
        }
        return all;
    }

    static QVector<uint16_t> lockVariants()
    {
        const uint16_t numLock = XkbKeysymToModifiers(qtX11Display(), XK_Num_Lock);
        return {0, numLock, XCB_MOD_MASK_LOCK, uint16_t(numLock | XCB_MOD_MASK_LOCK)};
    }

private:
    static XTestKeyboard::Keys keys(const KeySyms &modifiers, KeySym key)
    {
        XTestKeyboard::Keys keys(modifiers.begin(), modifiers.end());
        keys.push_back(xcb_keysym_t(key));
        return keys;
    }

    xcb_connection_t *m_connection;
    XTestKeyboard m_keyboard;
    xcb_window_t m_root;
    QVector<xcb_window_t> m_pressed;
};

// Toggles a lock key for the lifetime of the object.
class LockOn {
public:
    LockOn(OtherClient &client, KeySym lockKey) : m_client(client), m_lockKey(lockKey)
    {
        if (m_lockKey != NoSymbol)
            m_client.type({}, m_lockKey);
    }
    ~LockOn()
    {
        if (m_lockKey != NoSymbol)
            m_client.type({}, m_lockKey);
    }

private:
    OtherClient &m_client;
    KeySym m_lockKey;
};
