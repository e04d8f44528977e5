// An X11 window whose _NET_WM_PID is another process's, set before it is mapped, as a Flatpak
// client gives its pid inside the sandbox. Runs until it is killed.
// Usage: sandboxed-x11-client <pid to claim>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 1;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t white = screen->white_pixel;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 300, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                      &white);
    const char name[] = "_NET_WM_PID";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name),
                              nullptr),
        &std::free);
    const uint32_t pid = uint32_t(std::strtoul(argv[1], nullptr, 10));
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom ? atom->atom : 0,
                        XCB_ATOM_CARDINAL, 32, 1, &pid);
    const char wmClass[] = "sandboxed\0Sandboxed";
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                        XCB_ATOM_STRING, 8, sizeof wmClass, wmClass);
    xcb_map_window(connection, window);
    xcb_flush(connection);
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection))
        std::free(event);
    xcb_disconnect(connection);
    return 0;
}
