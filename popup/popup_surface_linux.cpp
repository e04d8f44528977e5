#include "popup/popup_surface_linux.h"
#include "popup/popup_surface.h"

#include <QGuiApplication>

void preparePopupSurface(QWidget *popup)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        prepareX11PopupSurface(popup);
}
