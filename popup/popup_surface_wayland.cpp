#include "popup/popup_surface_linux.h"

#include <LayerShellQt/Window>
#include <QGraphicsOpacityEffect>
#include <QWidget>
#include <QWindow>

void prepareWaylandPopupSurface(QWidget *popup)
{
    // An overlay above every window that leaves the keyboard where it was; with no edge
    // anchored, the compositor centres it.
    LayerShellQt::Window *layer = LayerShellQt::Window::get(popup->windowHandle());
    layer->setLayer(LayerShellQt::Window::LayerOverlay);
    layer->setKeyboardInteractivity(LayerShellQt::Window::KeyboardInteractivityNone);
    layer->setAnchors({});
    layer->setScope(QStringLiteral("keyglance"));
    // Wayland has no window opacity: the popup draws itself translucent instead.
    auto *opacity = new QGraphicsOpacityEffect(popup);
    opacity->setOpacity(popup->windowOpacity());
    popup->setGraphicsEffect(opacity);
    // The shared-memory buffer the compositor reads.
    paintBackingStore(popup);
}
