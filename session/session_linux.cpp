#include "session/session.h"

#include <LayerShellQt/Shell>
#include <QByteArray>
#include <QSet>

#include <wayland-client.h>

#include <memory>

namespace {

// The interfaces the Wayland compositor offers; empty without one.
QSet<QByteArray> waylandGlobals()
{
    QSet<QByteArray> globals;
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return globals;
    const std::unique_ptr<wl_display, decltype(&wl_display_disconnect)> display(
        wl_display_connect(nullptr), &wl_display_disconnect);
    if (!display)
        return globals;
    const std::unique_ptr<wl_registry, decltype(&wl_registry_destroy)> registry(
        wl_display_get_registry(display.get()), &wl_registry_destroy);
    static constexpr wl_registry_listener listener{
        [](void *data, wl_registry *, uint32_t, const char *interface, uint32_t) {
            static_cast<QSet<QByteArray> *>(data)->insert(interface);
        },
        [](void *, wl_registry *, uint32_t) {}};
    wl_registry_add_listener(registry.get(), &listener, &globals);
    wl_display_roundtrip(display.get());
    return globals;
}

} // namespace

void prepareSession()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && platform != "wayland")
        return;
    if (waylandGlobals().contains("zwlr_layer_shell_v1")) {
        // XWayland stays the way out should Qt's Wayland platform be missing.
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
        LayerShellQt::Shell::useLayerShell();
    } else if (platform.isEmpty() && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        // Without the layer shell only an X11 window can stay above the others unfocused.
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}
