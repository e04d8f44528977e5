#include "session/qt_x11.h"

#include <QGuiApplication>
#include <qpa/qplatformnativeinterface.h>

#include <X11/Xlib.h>

namespace {

void *integrationResource(const char *name)
{
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    if (!native || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    return native->nativeResourceForIntegration(name);
}

} // namespace

xcb_connection_t *qtX11Connection()
{
    return static_cast<xcb_connection_t *>(integrationResource("connection"));
}

Display *qtX11Display()
{
    return static_cast<Display *>(integrationResource("display"));
}

xcb_window_t qtX11RootWindow()
{
    if (Display *display = qtX11Display())
        return xcb_window_t(DefaultRootWindow(display));
    xcb_connection_t *connection = qtX11Connection();
    return connection ? xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root
                      : xcb_window_t(XCB_WINDOW_NONE);
}
