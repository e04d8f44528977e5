// The floor for the popup latency: a plain xcb program that grabs Ctrl+Space itself and
// maps or unmaps a 1200x800 window on each press, painting it black on Expose.
#include "bench/xcb_util.h"
#include "tests/support/xtest_keyboard.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr xcb_keysym_t kSpace = 0x20;
constexpr uint16_t kWidth = 1200;
constexpr uint16_t kHeight = 800;
const char kTitle[] = "KeyglanceXcbPopup";

void setTitle(xcb_connection_t *connection, xcb_window_t window)
{
    const auto length = uint32_t(std::strlen(kTitle));
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, length, kTitle);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window,
                        internAtom(connection, "_NET_WM_NAME"),
                        internAtom(connection, "UTF8_STRING"), 8, length, kTitle);
}

// Frameless like the Qt popups: Motif hints with the decorations flag and no decorations.
void dropDecorations(xcb_connection_t *connection, xcb_window_t window)
{
    const uint32_t hints[5] = {2, 0, 0, 0, 0};
    const xcb_atom_t motifHints = internAtom(connection, "_MOTIF_WM_HINTS");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, motifHints, motifHints, 32, 5,
                        hints);
}

} // namespace

int main()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "xcb_popup: cannot connect to the X server\n");
        return 1;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_keycode_t space = XTestKeyboard(connection).keycode(kSpace);
    // Only the plain Control state: the benchmark types the combination with no lock keys on.
    const auto grabError = adoptReply(xcb_request_check(
        connection, xcb_grab_key_checked(connection, 1, screen->root, XCB_MOD_MASK_CONTROL, space,
                                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
    const bool registered = space != 0 && !grabError;
    std::fprintf(stderr, "Is Registered:  %s\n", registered ? "true" : "false");
    if (!registered)
        return 1;

    // No background: the server paints nothing, so the first damage is this program's frame.
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t windowValues[] = {XCB_BACK_PIXMAP_NONE, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 360, 140, kWidth,
                      kHeight, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, windowValues);
    setTitle(connection, window);
    dropDecorations(connection, window);
    const xcb_gcontext_t black = xcb_generate_id(connection);
    xcb_create_gc(connection, black, window, XCB_GC_FOREGROUND, &screen->black_pixel);
    xcb_flush(connection);

    bool shown = false;
    while (const auto event = adoptReply(xcb_wait_for_event(connection))) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_KEY_PRESS &&
            reinterpret_cast<const xcb_key_press_event_t *>(event.get())->detail == space) {
            shown = !shown;
            if (shown)
                xcb_map_window(connection, window);
            else
                xcb_unmap_window(connection, window);
        } else if (type == XCB_EXPOSE) {
            const auto *expose = reinterpret_cast<const xcb_expose_event_t *>(event.get());
            const xcb_rectangle_t area{int16_t(expose->x), int16_t(expose->y), expose->width,
                                       expose->height};
            xcb_poly_fill_rectangle(connection, window, black, 1, &area);
        }
        xcb_flush(connection);
    }
    xcb_disconnect(connection);
    return 0;
}
