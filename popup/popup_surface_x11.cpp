#include "popup/popup_surface_linux.h"

#include <QWidget>
#include <QX11Info>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

// An X server that keeps pixmaps in main memory, such as Xvfb, gives a translucent window (and
// a window manager's frame of the same depth) a window-sized pixmap from malloc at every map and
// frees it at every unmap. glibc serves blocks that large with mmap until the process has freed
// one; after that, from the heap. A popup first shown in a fresh server, then, gets mmapped
// pixmaps, and so does the pixmap Qt makes behind its first paint, which lives as long as the
// window: nothing of the popup is left above the next shows' pixmaps in the heap, glibc gives
// them back to the system at every hide, and the server faults them in again at every show.
// A window-sized pixmap made and freed now has glibc take the heap from the first show on, with
// Qt's pixmap made after, above the others, so later shows reuse their memory.
void prepareX11PopupSurface(QWidget *window)
{
    xcb_connection_t *connection = QX11Info::connection();
    if (!connection)
        return;
    const xcb_window_t id = xcb_window_t(window->winId());
    const std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr), &std::free);
    if (!geometry)
        return;
    const xcb_pixmap_t pixmap = xcb_generate_id(connection);
    xcb_create_pixmap(connection, geometry->depth, pixmap, id, geometry->width, geometry->height);
    xcb_free_pixmap(connection, pixmap);
    xcb_flush(connection);
}
