#include "popup/popup_surface_linux.h"
#include "popup/popup_surface.h"
#include "session/gnome_shell.h"

#include <QGuiApplication>

void preparePopupSurface(QWidget *popup)
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") && gnomeWaylandSession())
        prepareGnomePopupSurface(popup);
    else if (platform == QLatin1String("xcb"))
        prepareX11PopupSurface(popup);
    else if (platform == QLatin1String("wayland"))
        prepareWaylandPopupSurface(popup);
}
