// Clicks the left button at a point of the screen in a wlroots session (sway) as a mouse would,
// through a virtual pointer: a headless session has no pointer of its own.
// Usage: wlr-click <x> <y> <screen width> <screen height>
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <thread>

namespace {

void global(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
{
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        *static_cast<zwlr_virtual_pointer_manager_v1 **>(data) =
            static_cast<zwlr_virtual_pointer_manager_v1 *>(
                wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void globalRemove(void *, wl_registry *, uint32_t) {}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 5)
        return 2;
    const uint32_t x = uint32_t(std::atoi(argv[1]));
    const uint32_t y = uint32_t(std::atoi(argv[2]));
    const uint32_t width = uint32_t(std::atoi(argv[3]));
    const uint32_t height = uint32_t(std::atoi(argv[4]));
    const std::unique_ptr<wl_display, decltype(&wl_display_disconnect)> display(
        wl_display_connect(nullptr), &wl_display_disconnect);
    if (!display) {
        std::fprintf(stderr, "wlr-click: no Wayland display\n");
        return 1;
    }
    wl_registry *registry = wl_display_get_registry(display.get());
    zwlr_virtual_pointer_manager_v1 *manager = nullptr;
    static constexpr wl_registry_listener listener{global, globalRemove};
    wl_registry_add_listener(registry, &listener, &manager);
    wl_display_roundtrip(display.get());
    if (!manager) {
        std::fprintf(stderr, "wlr-click: the compositor offers no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_v1 *pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, nullptr);
    zwlr_virtual_pointer_v1_motion_absolute(pointer, 0, x, y, width, height);
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display.get());
    // The seat has a pointer now: its clients take theirs before the click comes.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (const auto state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
        zwlr_virtual_pointer_v1_button(pointer, 0, BTN_LEFT, state);
        zwlr_virtual_pointer_v1_frame(pointer);
    }
    wl_display_roundtrip(display.get());
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(manager);
    wl_registry_destroy(registry);
    return 0;
}
