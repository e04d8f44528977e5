#include "popup/popup_surface_linux.h"
#include "popup/popup_surface.h"
#include "session/gnome_shell.h"

#include <QBackingStore>
#include <QGuiApplication>
#include <QWidget>

bool preparePopupSurface(QWidget *popup)
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
        prepareX11PopupSurface(popup);
        // Mutter puts an X11 window that asks for no place of its own at the top left.
        return gnomeWaylandSession();
    }
    if (platform == QLatin1String("wayland"))
        prepareWaylandPopupSurface(popup);
    return false;
}

QBackingStore *paintBackingStore(QWidget *window)
{
    QBackingStore *store = window->backingStore();
    if (!store)
        return nullptr;
    store->resize(window->size());
    store->beginPaint(QRegion(window->rect()));
    store->endPaint();
    return store;
}
