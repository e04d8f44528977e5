#include "popup/popup_surface_linux.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

// Mutter puts an X11 window that asks for no place of its own at the top left of the screen.
class ScreenCentring : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The show event comes before the window is mapped, so the window appears in its place.
        if (event->type() == QEvent::Show) {
            auto *popup = static_cast<QWidget *>(watched);
            QRect place(QPoint(), popup->size());
            place.moveCenter(popup->screen()->availableGeometry().center());
            popup->move(place.topLeft());
        }
        return false;
    }
};

} // namespace

void prepareGnomePopupSurface(QWidget *popup)
{
    prepareX11PopupSurface(popup);
    // Mutter focuses a window that takes input when it is mapped unless the user has typed
    // since its program last heard from the X server.
    popup->windowHandle()->setFlag(Qt::WindowDoesNotAcceptFocus);
    popup->installEventFilter(new ScreenCentring(popup));
}
