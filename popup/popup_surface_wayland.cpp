#include "popup/popup_surface_linux.h"

#include <LayerShellQt/Window>
#include <QGraphicsEffect>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

namespace {

// Qt's Wayland platform gives a window that is transparent for input no empty input region, and
// makes a new surface at every show: each is given one before its first frame, so that a click
// where the overlay stands goes to the window beneath.
void clearInputRegion(QWindow *window)
{
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    auto *surface = static_cast<wl_surface *>(
        native->nativeResourceForWindow(QByteArrayLiteral("surface"), window));
    auto *compositor = static_cast<wl_compositor *>(
        native->nativeResourceForIntegration(QByteArrayLiteral("compositor")));
    if (!surface || !compositor)
        return;
    wl_region *region = wl_compositor_create_region(compositor);
    wl_surface_set_input_region(surface, region);
    wl_region_destroy(region);
}

// Each show makes a new layer surface, on the output asked for when it is made: the window's
// screen, which Qt 6's layer-shell library takes on its own and Qt 5's must be told.
void followWindowScreen([[maybe_unused]] LayerShellQt::Window *layer,
                        [[maybe_unused]] QWindow *window)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QObject::connect(window, &QWindow::screenChanged, layer,
                     [layer](QScreen *screen) { layer->setDesiredOutput(screen); });
#endif
}

// Draws the popup translucent through one image kept from show to show. Qt's opacity effect makes
// a new window-sized pixmap at every paint, and the first show paid a page fault for each of its
// pages (about 940 for 1200 x 800), more than half of that show's own work.
class KeptFrameOpacity : public QGraphicsEffect {
public:
    // The image is made and filled now, at start-up, so no show touches its pages first.
    KeptFrameOpacity(QWidget *popup, qreal opacity)
        : QGraphicsEffect(popup), popup(popup), opacity(opacity)
    {
        frameFor(popup->devicePixelRatioF()).fill(Qt::transparent);
    }

protected:
    void draw(QPainter *painter) override
    {
        QImage &image = frameFor(painter->device()->devicePixelRatioF());
        image.fill(Qt::transparent);
        popup->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        painter->save();
        painter->setOpacity(opacity);
        painter->drawImage(QPoint(), image);
        painter->restore();
    }

private:
    QImage &frameFor(qreal ratio)
    {
        const QSize size = (QSizeF(popup->size()) * ratio).toSize();
        if (frame.size() != size || !qFuzzyCompare(frame.devicePixelRatio(), ratio)) {
            frame = QImage(size, QImage::Format_ARGB32_Premultiplied);
            frame.setDevicePixelRatio(ratio);
        }
        return frame;
    }

    QWidget *popup;
    qreal opacity;
    QImage frame;
};

} // namespace

void prepareWaylandPopupSurface(QWidget *popup)
{
    // An overlay above every window that leaves the keyboard where it was; with no edge
    // anchored, the compositor centres it.
    LayerShellQt::Window *layer = LayerShellQt::Window::get(popup->windowHandle());
    layer->setLayer(LayerShellQt::Window::LayerOverlay);
    layer->setKeyboardInteractivity(LayerShellQt::Window::KeyboardInteractivityNone);
    layer->setAnchors({});
    layer->setScope(QStringLiteral("keyglance"));
    followWindowScreen(layer, popup->windowHandle());
    // Wayland has no window opacity: the popup draws itself translucent instead.
    popup->setGraphicsEffect(new KeptFrameOpacity(popup, popup->windowOpacity()));
    atEveryShow(popup, clearInputRegion);
    // The shared-memory buffer the compositor reads.
    paintBackingStore(popup);
    // Qt loads its shell integration, and the compositor makes this client's first layer surface,
    // at the first show: shown and hidden at once, with nothing drawn, so no buffer is ever
    // attached and the compositor shows nothing.
    popup->setVisible(true);
    popup->setVisible(false);
}
