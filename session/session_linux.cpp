#include "session/session_linux.h"
#include "session/sway_ipc.h"
#include "session/session.h"

#include <LayerShellQt/Shell>
#include <QByteArray>
#include <QSet>
#include <QStringList>
#include <QtDebug>

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

const QSet<QByteArray> &compositorGlobals()
{
    static const QSet<QByteArray> globals = waylandGlobals();
    return globals;
}

LinuxSession decideSession()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return qEnvironmentVariableIsEmpty("DISPLAY") ? LinuxSession::Unknown : LinuxSession::X11;
    if (!swaySocketPath().isEmpty())
        return LinuxSession::Sway;
    // Distributions put their own name in front, as in "ubuntu:GNOME".
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'));
    if (desktops.contains(QLatin1String("GNOME")))
        return LinuxSession::Gnome;
    if (desktops.contains(QLatin1String("KDE")))
        return LinuxSession::Kde;
    // KWin offers the layer shell too, but no list of windows.
    if (compositorGlobals().contains("zwlr_foreign_toplevel_manager_v1"))
        return LinuxSession::Wlroots;
    return LinuxSession::Unknown;
}

const char *sessionName(LinuxSession session)
{
    switch (session) {
    case LinuxSession::X11:
        return "X11";
    case LinuxSession::Sway:
        return "sway";
    case LinuxSession::Kde:
        return "KDE Plasma";
    case LinuxSession::Gnome:
        return "GNOME";
    case LinuxSession::Wlroots:
        return "a wlroots compositor";
    case LinuxSession::Unknown:
        break;
    }
    return "unknown";
}

} // namespace

LinuxSession linuxSession()
{
    static const LinuxSession session = [] {
        const LinuxSession decided = decideSession();
        qInfo().noquote() << "Keyglance: session:" << sessionName(decided);
        return decided;
    }();
    return session;
}

void prepareSession()
{
    linuxSession();
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && platform != "wayland")
        return;
    if (compositorGlobals().contains("zwlr_layer_shell_v1")) {
        // XWayland stays the way out should Qt's Wayland platform be missing.
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
        LayerShellQt::Shell::useLayerShell();
        // Qt asks whether it could draw window decorations at the first show, which loads and
        // starts the whole EGL stack (about 90 ms, and memory for good) for a frameless overlay
        // drawn without OpenGL.
        qputenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1");
    } else if (platform.isEmpty() && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        // Without the layer shell only an X11 window can stay above the others unfocused.
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}
