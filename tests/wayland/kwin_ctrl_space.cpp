// Presses Ctrl+Space (with "alt", Ctrl+Alt+Space) in a KWin session as a keyboard would, through
// KWin's fake input (which the session must allow), holding it for the milliseconds given before
// releasing it.
// Usage: kwin-ctrl-space [hold milliseconds [alt]]
#include "fake-input-client-protocol.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace {

constexpr uint32_t kPressed = 1;
constexpr uint32_t kReleased = 0;

void global(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
{
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        *static_cast<org_kde_kwin_fake_input **>(data) = static_cast<org_kde_kwin_fake_input *>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}

void globalRemove(void *, wl_registry *, uint32_t) {}

} // namespace

int main(int argc, char *argv[])
{
    const int holdMs = argc > 1 ? std::atoi(argv[1]) : 0;
    const bool alt = argc > 2 && std::strcmp(argv[2], "alt") == 0;
    const std::unique_ptr<wl_display, decltype(&wl_display_disconnect)> display(
        wl_display_connect(nullptr), &wl_display_disconnect);
    if (!display) {
        std::fprintf(stderr, "kwin-ctrl-space: no Wayland display\n");
        return 1;
    }
    wl_registry *registry = wl_display_get_registry(display.get());
    org_kde_kwin_fake_input *input = nullptr;
    static constexpr wl_registry_listener listener{global, globalRemove};
    wl_registry_add_listener(registry, &listener, &input);
    wl_display_roundtrip(display.get());
    if (!input) {
        std::fprintf(stderr, "kwin-ctrl-space: the compositor offers no fake input\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(input, "Keyglance tests", "types Ctrl+Space");
    org_kde_kwin_fake_input_keyboard_key(input, KEY_LEFTCTRL, kPressed);
    if (alt)
        org_kde_kwin_fake_input_keyboard_key(input, KEY_LEFTALT, kPressed);
    org_kde_kwin_fake_input_keyboard_key(input, KEY_SPACE, kPressed);
    wl_display_roundtrip(display.get());
    std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
    org_kde_kwin_fake_input_keyboard_key(input, KEY_SPACE, kReleased);
    if (alt)
        org_kde_kwin_fake_input_keyboard_key(input, KEY_LEFTALT, kReleased);
    org_kde_kwin_fake_input_keyboard_key(input, KEY_LEFTCTRL, kReleased);
    wl_display_roundtrip(display.get());
    org_kde_kwin_fake_input_destroy(input);
    wl_registry_destroy(registry);
    return 0;
}
