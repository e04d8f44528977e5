// Key → popup on screen in a sway session, seen from outside Keyglance: the press is the moment
// sway reports running the popup's binding (its IPC binding event), the popup is on screen with
// the first output frame that differs from the screen without it (wlr-screencopy, waiting for
// damage). Prints one JSON line per press for bench/report.py.
// Usage: swaymsg -r -m -t subscribe '["binding","tick"]' |
//        sway_latency_probe --presses N --front NAME --start N
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

double nowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

[[noreturn]] void die(const std::string &what)
{
    std::fprintf(stderr, "sway_latency_probe: %s\n", what.c_str());
    std::exit(1);
}

// sway's events on standard input, a line each (swaymsg -r -m -t subscribe '["binding","tick"]'):
// the first is the tick that subscribing brings, so the subscription stands once it came.
// Returns the number of events whose line ended in what was read.
int readEvents()
{
    char buffer[4096];
    const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
    if (got <= 0)
        die("sway's events ended");
    return int(std::count(buffer, buffer + got, '\n'));
}

// Whole frames of the first output, each taken once something on it changed.
class Screen {
public:
    Screen()
    {
        display = wl_display_connect(nullptr);
        if (!display)
            die("no Wayland display");
        wl_registry *registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &registryListener, this);
        wl_display_roundtrip(display);
        if (!shm || !output || !manager)
            die("the compositor lacks wl_shm, an output or wlr-screencopy");
    }
    int descriptor() const { return wl_display_get_fd(display); }
    wl_display *connection() const { return display; }

    // Asks for the next frame that differs from the last one; ready() tells when it came.
    void requestChangedFrame(bool waitForDamage)
    {
        frameReady = false;
        frame = zwlr_screencopy_manager_v1_capture_output(manager, 0, output);
        zwlr_screencopy_frame_v1_add_listener(frame, &frameListener, this);
        damage = waitForDamage;
        wl_display_flush(display);
    }
    bool ready() const { return frameReady; }
    // The middle third of the screen's rows: the centred popup covers it, while the front
    // program's cursor, redrawn as wtype's keyboard comes and goes, stays above it.
    const std::vector<uint8_t> &pixels() const { return lastPixels; }

private:
    void allocate(uint32_t format, uint32_t width, uint32_t height, uint32_t stride)
    {
        if (buffer)
            return;
        size = size_t(stride) * height;
        const int fd = memfd_create("frame", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, off_t(size)) != 0)
            die("cannot allocate a frame buffer");
        data =
            static_cast<uint8_t *>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
        wl_shm_pool *pool = wl_shm_create_pool(shm, fd, int32_t(size));
        buffer = wl_shm_pool_create_buffer(pool, 0, int32_t(width), int32_t(height),
                                           int32_t(stride), format);
        wl_shm_pool_destroy(pool);
        close(fd);
    }

    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface,
                       uint32_t)
    {
        auto *screen = static_cast<Screen *>(data);
        if (std::strcmp(interface, wl_shm_interface.name) == 0)
            screen->shm =
                static_cast<wl_shm *>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
        else if (std::strcmp(interface, wl_output_interface.name) == 0 && !screen->output)
            screen->output =
                static_cast<wl_output *>(wl_registry_bind(registry, name, &wl_output_interface, 1));
        else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0)
            screen->manager = static_cast<zwlr_screencopy_manager_v1 *>(
                wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface, 2));
    }
    static void globalRemove(void *, wl_registry *, uint32_t) {}

    static void bufferEvent(void *data, zwlr_screencopy_frame_v1 *frame, uint32_t format,
                            uint32_t width, uint32_t height, uint32_t stride)
    {
        auto *screen = static_cast<Screen *>(data);
        screen->allocate(format, width, height, stride);
        if (screen->damage)
            zwlr_screencopy_frame_v1_copy_with_damage(frame, screen->buffer);
        else
            zwlr_screencopy_frame_v1_copy(frame, screen->buffer);
    }
    static void flags(void *, zwlr_screencopy_frame_v1 *, uint32_t) {}
    static void readyEvent(void *data, zwlr_screencopy_frame_v1 *frame, uint32_t, uint32_t,
                           uint32_t)
    {
        auto *screen = static_cast<Screen *>(data);
        const size_t third = screen->size / 3;
        screen->lastPixels.assign(screen->data + third, screen->data + 2 * third);
        screen->frameReady = true;
        zwlr_screencopy_frame_v1_destroy(frame);
    }
    static void failed(void *, zwlr_screencopy_frame_v1 *) { die("screencopy failed"); }
    static void damageEvent(void *, zwlr_screencopy_frame_v1 *, uint32_t, uint32_t, uint32_t,
                            uint32_t)
    {
    }

    static constexpr wl_registry_listener registryListener{global, globalRemove};
    static constexpr zwlr_screencopy_frame_v1_listener frameListener{
        bufferEvent, flags, readyEvent, failed, damageEvent, nullptr, nullptr};

    wl_display *display = nullptr;
    wl_shm *shm = nullptr;
    wl_output *output = nullptr;
    zwlr_screencopy_manager_v1 *manager = nullptr;
    zwlr_screencopy_frame_v1 *frame = nullptr;
    wl_buffer *buffer = nullptr;
    uint8_t *data = nullptr;
    size_t size = 0;
    bool damage = false;
    bool frameReady = false;
    std::vector<uint8_t> lastPixels;
};

// Waits for events on both connections until the screen shows a frame for which done() holds;
// returns when the binding event and that frame arrived.
struct Press {
    double binding = 0;
    double frame = 0;
};

// Presses Ctrl+Space once the screen is watched, so no frame can slip by unseen.
template <typename Done> Press pressAndAwait(Screen &screen, Done done)
{
    Press press;
    screen.requestChangedFrame(true);
    wl_display_flush(screen.connection());
    if (std::system("wtype -M ctrl -k space -m ctrl &") != 0)
        die("cannot run wtype");
    while (press.binding == 0 || press.frame == 0) {
        pollfd fds[] = {{STDIN_FILENO, POLLIN, 0}, {screen.descriptor(), POLLIN, 0}};
        wl_display_flush(screen.connection());
        if (poll(fds, 2, 10000) <= 0)
            die("nothing happened for 10 s");
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            const double at = nowMs();
            if (readEvents() > 0)
                press.binding = at;
        }
        if (fds[1].revents & POLLIN) {
            if (wl_display_dispatch(screen.connection()) < 0)
                die("lost the compositor");
            if (screen.ready()) {
                // A frame before sway ran the binding is something else changing.
                if (press.binding != 0 && done(screen.pixels()))
                    press.frame = nowMs();
                else
                    screen.requestChangedFrame(true);
            }
        }
    }
    return press;
}

} // namespace

int main(int argc, char **argv)
{
    int presses = 20;
    int start = 1;
    std::string front = "foot";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--presses")
            presses = std::atoi(argv[i + 1]);
        else if (option == "--front")
            front = argv[i + 1];
        else if (option == "--start")
            start = std::atoi(argv[i + 1]);
    }
    Screen screen;
    while (readEvents() == 0) {
    }
    screen.requestChangedFrame(false);
    while (!screen.ready())
        wl_display_dispatch(screen.connection());
    const std::vector<uint8_t> hidden = screen.pixels();

    // sway shows what changed at its next refresh, so a press made right after the last frame
    // would fall at the same point of every refresh: each waits up to one (16.7 ms at 60 Hz)
    // first, so the presses fall all over it, as the first press after start-up does.
    std::mt19937 generator{unsigned(start)};
    std::uniform_real_distribution<double> phase(0, 1000.0 / 60);
    for (int press = 1; press <= presses; ++press) {
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(phase(generator)));
        const Press shown = pressAndAwait(
            screen, [&](const std::vector<uint8_t> &pixels) { return pixels != hidden; });
        std::printf("{\"record\":\"wayland_press\",\"compositor\":\"sway\",\"until\":\"on screen\","
                    "\"front\":\"%s\",\"start\":%d,\"press\":%d,\"ms\":%.3f}\n",
                    front.c_str(), start, press, shown.frame - shown.binding);
        std::fflush(stdout);
        pressAndAwait(screen, [&](const std::vector<uint8_t> &pixels) { return pixels == hidden; });
    }
    return 0;
}
