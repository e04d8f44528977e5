#include "popup/popup_surface_linux.h"
#include "popup/popup_surface.h"
#include "session/gnome_shell.h"

#include <QBackingStore>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

PopupPlacement popupPlacement()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("wayland"))
        return PopupPlacement::Compositor;
    // Mutter puts an X11 window that asks for no place of its own at the top left.
    if (platform == QLatin1String("xcb") && gnomeWaylandSession())
        return PopupPlacement::Keyglance;
    return PopupPlacement::WindowManager;
}

void preparePopupSurface(QWidget *popup)
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb"))
        prepareX11PopupSurface(popup);
    if (platform == QLatin1String("wayland"))
        prepareWaylandPopupSurface(popup);
}

namespace {

class ShowWatcher : public QObject {
public:
    ShowWatcher(QWindow *window, std::function<void(QWindow *)> action)
        : QObject(window), action(std::move(action))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Expose)
            return false;
        auto *window = static_cast<QWindow *>(watched);
        if (window->isExposed() && !exposed)
            action(window);
        exposed = window->isExposed();
        return false;
    }

private:
    std::function<void(QWindow *)> action;
    bool exposed = false;
};

} // namespace

void atEveryShow(QWidget *popup, std::function<void(QWindow *)> action)
{
    QWindow *window = popup->windowHandle();
    window->installEventFilter(new ShowWatcher(window, std::move(action)));
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
