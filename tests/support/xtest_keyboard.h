#pragma once

// Plain xcb, for the tests and the bench alike: no Qt, no Xlib.
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

// Types on an X server through XTest, as a person at its keyboard would.
class XTestKeyboard {
public:
    using Keys = std::vector<xcb_keysym_t>;

    // Reads the keymap once, so that typing makes no round trip to the server.
    explicit XTestKeyboard(xcb_connection_t *connection)
        : m_connection(connection),
          m_root(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root)
    {
        const xcb_setup_t *setup = xcb_get_setup(connection);
        const std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> mapping(
            xcb_get_keyboard_mapping_reply(
                connection,
                xcb_get_keyboard_mapping(connection, setup->min_keycode,
                                         uint8_t(setup->max_keycode - setup->min_keycode + 1)),
                nullptr),
            &std::free);
        if (!mapping || mapping->keysyms_per_keycode == 0)
            return;
        const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
        const int count = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
        for (int index = 0; index < count; index += mapping->keysyms_per_keycode)
            m_unshifted.push_back(keysyms[index]);
        m_firstKeycode = setup->min_keycode;
    }

    // The first key code that gives keysym without modifiers; 0 when the keymap has none.
    xcb_keycode_t keycode(xcb_keysym_t keysym) const
    {
        for (size_t index = 0; index < m_unshifted.size(); ++index) {
            if (m_unshifted[index] == keysym)
                return xcb_keycode_t(m_firstKeycode + index);
        }
        return 0;
    }

    // Keys pressed in order stay down until released; the server auto-repeats the last one.
    void press(const Keys &keys)
    {
        queue(XCB_KEY_PRESS, keys.begin(), keys.end());
        xcb_flush(m_connection);
    }
    // Lets the keys go in the reverse order.
    void release(const Keys &keys)
    {
        queue(XCB_KEY_RELEASE, keys.rbegin(), keys.rend());
        xcb_flush(m_connection);
    }
    // Both in one flush: a chord such as Ctrl+Space typed at once.
    void type(const Keys &keys)
    {
        queue(XCB_KEY_PRESS, keys.begin(), keys.end());
        release(keys);
    }

private:
    template <typename Iterator> void queue(uint8_t type, Iterator first, Iterator last)
    {
        for (; first != last; ++first)
            xcb_test_fake_input(m_connection, type, keycode(*first), XCB_CURRENT_TIME, m_root, 0, 0,
                                0);
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    Keys m_unshifted;
    xcb_keycode_t m_firstKeycode = 0;
};
