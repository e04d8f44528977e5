#include "popup/popup_surface_linux.h"
#include "session/qt_x11.h"

#include <QBackingStore>
#include <QWidget>
#include <QWindow>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

// An X server that keeps pixmaps in main memory (Xorg on a framebuffer driver such as dummy, fbdev
// or vesa, VNC servers, Xvfb; not glamor's graphics memory) gives a translucent window (and a
// window manager's frame of the same depth) window-sized pixmaps from malloc at every map and frees
// them at every unmap: up to three windows' worth with openbox. Freeing a pixmap of that size makes
// glibc serve blocks up to that size from the heap and keep up to twice as much free there, so the
// heap is not given back at every hide; a pixmap just under that size, filled and freed, leaves the
// top of the heap paged in for the pixmaps of the first show.
void prepareServerHeap(xcb_connection_t *connection, xcb_window_t window)
{
    const std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr),
        &std::free);
    if (!geometry)
        return;
    const uint16_t height = uint16_t(geometry->height * 3);
    const xcb_pixmap_t pixmap = xcb_generate_id(connection);
    xcb_create_pixmap(connection, geometry->depth, pixmap, window, geometry->width, height);
    xcb_free_pixmap(connection, pixmap);
    xcb_create_pixmap(connection, geometry->depth, pixmap, window, geometry->width, height - 1);
    const xcb_gcontext_t context = xcb_generate_id(connection);
    xcb_create_gc(connection, context, pixmap, 0, nullptr);
    const xcb_rectangle_t whole{0, 0, geometry->width, uint16_t(height - 1)};
    xcb_poly_fill_rectangle(connection, pixmap, context, 1, &whole);
    xcb_free_gc(connection, context);
    xcb_free_pixmap(connection, pixmap);
    xcb_flush(connection);
}

// A reparenting window manager (openbox, xfwm4) puts the popup in a frame of its own at every
// show, and gives the frame the popup's input shape only when told the shape changed: without
// this, the frame would take the clicks that the popup lets through.
void renewInputShape(QWindow *window)
{
    xcb_connection_t *connection = qtX11Connection();
    xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT,
                         XCB_CLIP_ORDERING_UNSORTED, xcb_window_t(window->winId()), 0, 0, 0,
                         nullptr);
    xcb_flush(connection);
}

} // namespace

// Memory touched for the first time costs a page fault a page, here and in the X server, and a
// first show used to touch about 3,000 pages more than a later one. They are touched now: the pixel
// buffer Qt shares with the server is made and painted, and the server's heap is readied.
void prepareX11PopupSurface(QWidget *window)
{
    xcb_connection_t *connection = qtX11Connection();
    QBackingStore *store = connection ? paintBackingStore(window) : nullptr;
    if (!store)
        return;
    atEveryShow(window, renewInputShape);
    prepareServerHeap(connection, xcb_window_t(window->winId()));
}

// Before painting into the pixel buffer it shares with the X server, Qt waits until the server
// has read the last flush from it. Waited for now, while hidden, that round trip no longer falls
// on the next show's first paint, where it would queue behind the server's work of mapping the
// window and add that work to the popup's own drawing instead of overlapping it.
void settleX11PopupSurface(QWidget *popup)
{
    QBackingStore *store = popup->backingStore();
    // Without a first paint yet there is no buffer, and nothing to wait for.
    if (store && !store->size().isEmpty()) {
        const QRegion pixel(0, 0, 1, 1);
        store->beginPaint(pixel);
        store->endPaint();
    }
}
