#include "popup/popup_surface_linux.h"

#include <QWidget>
#include <QWindow>

void prepareGnomePopupSurface(QWidget *popup)
{
    prepareX11PopupSurface(popup);
    // Mutter focuses a window that takes input when it is mapped unless the user has typed
    // since its program last heard from the X server.
    popup->windowHandle()->setFlag(Qt::WindowDoesNotAcceptFocus);
}
