#pragma once

#include "tests/support/xtest_keyboard.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <functional>
#include <limits>
#include <set>
#include <string>

inline constexpr double kNoTime = std::numeric_limits<double>::quiet_NaN();

// Times another program's popup through the X server: Ctrl+Space is typed with XTest, the
// popup's map and unmap arrive as StructureNotify events and its first frame as a DamageNotify.
class PopupWatcher {
public:
    // Watches for the top-level window titled title; the window whose title contains
    // frontTitle (if any) is made the foreground window before each show. Ctrl+Space is typed
    // through XTest or, with a typer, as a line to it: a program that types it at each line it
    // reads, for a desktop whose shortcuts the X server's input does not reach (XWayland).
    PopupWatcher(xcb_connection_t *connection, std::string title, std::string frontTitle,
                 FILE *typer);

    // Milliseconds from the key press; kNoTime for what did not happen before the time-out.
    struct ShowTimes {
        double mappedMs = kNoTime;
        double drawnMs = kNoTime;
    };

    // Whether the server has XTest and Damage and the keymap has Control and space.
    bool usable() const { return m_usable; }
    // Types Ctrl+Space and waits for the popup to map and then draw its first frame.
    ShowTimes show(double timeoutMs);
    // Types Ctrl+Space and waits for the popup to unmap.
    double hide(double timeoutMs);
    // Whether the popup window is known and mapped.
    bool popupMapped();

private:
    void focusFront();
    void typeHotkey();
    bool waitUntil(const std::function<bool()> &done, double deadlineMs);
    void handle(const xcb_generic_event_t &event);
    void consider(xcb_window_t window);
    void adopt(xcb_window_t window);
    xcb_window_t activeWindow();
    xcb_window_t findWindow(const std::function<bool(const std::string &)> &matches);
    std::string nameOf(xcb_window_t window);

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    std::string m_title;
    std::string m_frontTitle;
    xcb_atom_t m_netWmName;
    xcb_atom_t m_utf8String;
    xcb_atom_t m_netActiveWindow;
    bool m_usable = false;
    bool m_windowManager = false;
    uint8_t m_damageNotify = 0;
    XTestKeyboard m_keyboard;
    FILE *m_typer;

    xcb_window_t m_target = XCB_WINDOW_NONE;
    xcb_damage_damage_t m_damage = XCB_NONE;
    xcb_window_t m_front = XCB_WINDOW_NONE;
    // Top-level windows created since the start whose title was not the popup's yet.
    std::set<xcb_window_t> m_candidates;
    // Whether the server fills the popup with what lies below each time it is mapped, and
    // whether that fill is still to be reported.
    bool m_filledOnMap = false;
    bool m_fillPending = false;
    double m_mappedAt = kNoTime;
    double m_drawnAt = kNoTime;
    double m_unmappedAt = kNoTime;
    bool m_released = false;
};
