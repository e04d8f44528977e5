// Times another program's popup through the X server, one show/hide cycle for each line read:
// answers it with a line "MAPPED DRAWN UNMAPPED", milliseconds from each key press (nan for what
// did not happen within 5 s), after a first line "watching SERVER_PID WINDOW_MANAGER_PID" (0 for
// none). Usage: popup_watcher TITLE FRONT_TITLE [TYPER_FD]
// TYPER_FD: a pipe to a program that types Ctrl+Space at each line written to it, for a desktop
// whose shortcuts the X server's input does not reach (XWayland); else XTest types it.
#include "bench/xcb_util.h"
#include "tests/support/xtest_keyboard.h"

#include <xcb/damage.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <iostream>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr xcb_keysym_t kControlL = 0xffe3;
constexpr xcb_keysym_t kSpace = 0x20;
constexpr uint32_t kSourcePager = 2;
constexpr double kFocusTimeoutMs = 1000;
constexpr double kTimeoutMs = 5000;
constexpr double kNoTime = std::numeric_limits<double>::quiet_NaN();
// In the level of a raw-rectangles damage report: more rectangles of the same damage follow.
constexpr uint8_t kMoreRectangles = 0x80;

std::vector<xcb_window_t> childrenOf(xcb_connection_t *connection, xcb_window_t window)
{
    const auto tree =
        adoptReply(xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
    if (!tree)
        return {};
    const xcb_window_t *first = xcb_query_tree_children(tree.get());
    return {first, first + xcb_query_tree_children_length(tree.get())};
}

void selectEvents(xcb_connection_t *connection, xcb_window_t window, uint32_t mask)
{
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
}

double monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The process of the X server at the other end of a local connection; 0 when unknown.
pid_t serverPid(xcb_connection_t *connection)
{
    ucred peer{};
    socklen_t length = sizeof peer;
    if (getsockopt(xcb_get_file_descriptor(connection), SOL_SOCKET, SO_PEERCRED, &peer, &length) !=
        0)
        return 0;
    return peer.pid;
}

// The window a window manager advertises itself with on the root window; none without one.
xcb_window_t windowManagerCheck(xcb_connection_t *connection)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto check = adoptReply(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, root, internAtom(connection, "_NET_SUPPORTING_WM_CHECK"),
                         XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    if (!check || check->type != XCB_ATOM_WINDOW || xcb_get_property_value_length(check.get()) < 4)
        return XCB_WINDOW_NONE;
    return *static_cast<const xcb_window_t *>(xcb_get_property_value(check.get()));
}

// The process of the client that made window, through the X-Resource extension; 0 when unknown.
pid_t clientPid(xcb_connection_t *connection, xcb_window_t window)
{
    xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    const auto ids = adoptReply(xcb_res_query_client_ids_reply(
        connection, xcb_res_query_client_ids(connection, 1, &spec), nullptr));
    if (!ids)
        return 0;
    const xcb_res_client_id_value_iterator_t first =
        xcb_res_query_client_ids_ids_iterator(ids.get());
    return first.rem && xcb_res_client_id_value_value_length(first.data) >= 1
               ? pid_t(*xcb_res_client_id_value_value(first.data))
               : 0;
}

} // namespace

// Times another program's popup through the X server: Ctrl+Space is typed with XTest, the
// popup's map and unmap arrive as StructureNotify events and its first frame as a DamageNotify.
class PopupWatcher {
public:
    // Watches for the top-level window titled title; the window whose title contains
    // frontTitle (if any) is made the foreground window before each show. Ctrl+Space is typed
    // through XTest, or as a line to the typer.
    PopupWatcher(xcb_connection_t *connection, std::string title, std::string frontTitle,
                 FILE *typer);

    // Whether the server has XTest and Damage and the keymap has Control and space.
    bool usable() const { return m_usable; }
    // One show and one hide, printed; a popup left mapped by a lost event is hidden again, so
    // that the next cycle starts from a hidden popup.
    void cycle(double timeoutMs);

private:
    // Milliseconds from the key press; kNoTime for what did not happen before the time-out.
    struct ShowTimes {
        double mappedMs = kNoTime;
        double drawnMs = kNoTime;
    };

    // Types Ctrl+Space and waits for the popup to map and then draw its first frame.
    ShowTimes show(double timeoutMs);
    // Types Ctrl+Space and waits for the popup to unmap.
    double hide(double timeoutMs);
    bool popupMapped();
    void focusFront();
    void typeHotkey();
    bool waitUntil(const std::function<bool()> &done, double deadlineMs);
    void handle(const xcb_generic_event_t &event);
    void consider(xcb_window_t window);
    void adopt(xcb_window_t window);
    xcb_window_t activeWindow();
    xcb_window_t findWindow(const std::function<bool(const std::string &)> &matches);
    std::string nameOf(xcb_window_t window);

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    std::string m_title;
    std::string m_frontTitle;
    xcb_atom_t m_netWmName;
    xcb_atom_t m_utf8String;
    xcb_atom_t m_netActiveWindow;
    bool m_usable = false;
    bool m_windowManager = false;
    uint8_t m_damageNotify = 0;
    XTestKeyboard m_keyboard;
    FILE *m_typer;

    xcb_window_t m_target = XCB_WINDOW_NONE;
    xcb_damage_damage_t m_damage = XCB_NONE;
    xcb_window_t m_front = XCB_WINDOW_NONE;
    // Top-level windows created since the start whose title was not the popup's yet.
    std::set<xcb_window_t> m_candidates;
    // Whether the server fills the popup with what lies below each time it is mapped, and
    // whether that fill is still to be reported.
    bool m_filledOnMap = false;
    bool m_fillPending = false;
    double m_mappedAt = kNoTime;
    double m_drawnAt = kNoTime;
    double m_unmappedAt = kNoTime;
    bool m_released = false;
};

PopupWatcher::PopupWatcher(xcb_connection_t *connection, std::string title, std::string frontTitle,
                           FILE *typer)
    : m_connection(connection),
      m_root(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root),
      m_title(std::move(title)), m_frontTitle(std::move(frontTitle)),
      m_netWmName(internAtom(connection, "_NET_WM_NAME")),
      m_utf8String(internAtom(connection, "UTF8_STRING")),
      m_netActiveWindow(internAtom(connection, "_NET_ACTIVE_WINDOW")), m_keyboard(connection),
      m_typer(typer)
{
    const xcb_query_extension_reply_t *damage = xcb_get_extension_data(connection, &xcb_damage_id);
    const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(connection, &xcb_test_id);
    if (!damage || !damage->present || !xtest || !xtest->present)
        return;
    // Damage requests fail until the client has announced the version it speaks.
    const auto version = adoptReply(xcb_damage_query_version_reply(
        connection, xcb_damage_query_version(connection, 1, 1), nullptr));
    m_damageNotify = uint8_t(damage->first_event + XCB_DAMAGE_NOTIFY);

    m_windowManager = windowManagerCheck(connection) != XCB_WINDOW_NONE;

    // Creations on the root first, then the search: a popup made in between is seen either way.
    selectEvents(connection, m_root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
    const xcb_window_t existing =
        findWindow([this](const std::string &name) { return name == m_title; });
    if (existing != XCB_WINDOW_NONE)
        adopt(existing);
    m_usable = m_keyboard.keycode(kControlL) != 0 && m_keyboard.keycode(kSpace) != 0;
}

PopupWatcher::ShowTimes PopupWatcher::show(double timeoutMs)
{
    if (m_damage != XCB_NONE)
        xcb_damage_subtract(m_connection, m_damage, XCB_NONE, XCB_NONE);
    focusFront();
    m_mappedAt = m_drawnAt = kNoTime;
    const double start = monotonicMs();
    typeHotkey();
    waitUntil([this] { return !std::isnan(m_drawnAt); }, start + timeoutMs);
    return {m_mappedAt - start, m_drawnAt - start};
}

double PopupWatcher::hide(double timeoutMs)
{
    m_unmappedAt = kNoTime;
    m_released = false;
    // Openbox frames the popup and moves the focus once it has let the window go; the next show
    // must not race that. Mutter leaves a frameless window where it is.
    const auto tree = adoptReply(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_target), nullptr));
    const bool framed = tree && tree->parent != m_root;
    const double start = monotonicMs();
    typeHotkey();
    waitUntil([this] { return !std::isnan(m_unmappedAt); }, start + timeoutMs);
    if (framed)
        waitUntil([this] { return m_released; }, start + timeoutMs);
    return m_unmappedAt - start;
}

void PopupWatcher::typeHotkey()
{
    if (!m_typer) {
        m_keyboard.type({kControlL, kSpace});
        return;
    }
    std::fputc('\n', m_typer);
    std::fflush(m_typer);
}

bool PopupWatcher::popupMapped()
{
    if (m_target == XCB_WINDOW_NONE)
        return false;
    const auto attributes = adoptReply(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, m_target), nullptr));
    return attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
}

// The program in front must be the foreground window at each press, as for a person who
// opens the popup over it; the popup itself may have taken the focus at its last show.
void PopupWatcher::focusFront()
{
    if (m_frontTitle.empty())
        return;
    if (m_front == XCB_WINDOW_NONE)
        m_front = findWindow([this](const std::string &name) {
            return name.find(m_frontTitle) != std::string::npos;
        });
    if (m_front == XCB_WINDOW_NONE)
        return;
    if (!m_windowManager) {
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, m_front, XCB_CURRENT_TIME);
        return;
    }
    if (activeWindow() == m_front)
        return;
    // A window manager decides the focus itself: ask it as a pager would, and wait for it.
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = m_front;
    message.type = m_netActiveWindow;
    message.data.data32[0] = kSourcePager;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(m_connection);
    waitUntil([this] { return activeWindow() == m_front; }, monotonicMs() + kFocusTimeoutMs);
}

xcb_window_t PopupWatcher::activeWindow()
{
    const auto reply = adoptReply(xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, m_root, m_netActiveWindow, XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    if (!reply || reply->type != XCB_ATOM_WINDOW || xcb_get_property_value_length(reply.get()) < 4)
        return XCB_WINDOW_NONE;
    return *static_cast<const xcb_window_t *>(xcb_get_property_value(reply.get()));
}

bool PopupWatcher::waitUntil(const std::function<bool()> &done, double deadlineMs)
{
    for (;;) {
        if (done())
            return true;
        if (const auto event = adoptReply(xcb_poll_for_event(m_connection))) {
            handle(*event);
            continue;
        }
        const double remaining = deadlineMs - monotonicMs();
        if (xcb_connection_has_error(m_connection) || remaining <= 0)
            return false;
        pollfd descriptor{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        poll(&descriptor, 1, int(std::ceil(remaining)));
    }
}

void PopupWatcher::handle(const xcb_generic_event_t &event)
{
    const double now = monotonicMs();
    const uint8_t type = event.response_type & 0x7f;
    if (type == XCB_CREATE_NOTIFY) {
        const auto &created = reinterpret_cast<const xcb_create_notify_event_t &>(event);
        if (m_target == XCB_WINDOW_NONE && created.parent == m_root)
            consider(created.window);
    } else if (type == XCB_PROPERTY_NOTIFY) {
        const auto &property = reinterpret_cast<const xcb_property_notify_event_t &>(event);
        if (m_candidates.count(property.window) &&
            (property.atom == XCB_ATOM_WM_NAME || property.atom == m_netWmName))
            consider(property.window);
    } else if (type == XCB_MAP_NOTIFY) {
        const auto &mapped = reinterpret_cast<const xcb_map_notify_event_t &>(event);
        if (mapped.window == m_target && std::isnan(m_mappedAt)) {
            m_mappedAt = now;
            m_fillPending = m_filledOnMap;
        }
    } else if (type == XCB_UNMAP_NOTIFY) {
        const auto &unmapped = reinterpret_cast<const xcb_unmap_notify_event_t &>(event);
        if (unmapped.window == m_target && std::isnan(m_unmappedAt))
            m_unmappedAt = now;
    } else if (type == XCB_REPARENT_NOTIFY) {
        const auto &reparented = reinterpret_cast<const xcb_reparent_notify_event_t &>(event);
        if (reparented.window == m_target && reparented.parent == m_root)
            m_released = true;
    } else if (type == XCB_DESTROY_NOTIFY) {
        const auto &destroyed = reinterpret_cast<const xcb_destroy_notify_event_t &>(event);
        m_candidates.erase(destroyed.window);
        // The server frees the damage object with its window; a new popup is looked for.
        if (destroyed.window == m_target)
            m_target = m_damage = XCB_NONE;
    } else if (type == m_damageNotify) {
        const auto &damaged = reinterpret_cast<const xcb_damage_notify_event_t &>(event);
        if (damaged.damage != m_damage)
            return;
        if (m_filledOnMap) {
            // Every drawing reports here; the first after the map is the server's fill, whose
            // last rectangle comes without the flag for more.
            if (m_fillPending)
                m_fillPending = (damaged.level & kMoreRectangles) != 0;
            else if (!std::isnan(m_mappedAt) && std::isnan(m_drawnAt))
                m_drawnAt = now;
            return;
        }
        if (!std::isnan(m_mappedAt) && std::isnan(m_drawnAt))
            m_drawnAt = now;
        // A non-empty damage reports once; emptying it arms the next report.
        xcb_damage_subtract(m_connection, m_damage, XCB_NONE, XCB_NONE);
        xcb_flush(m_connection);
    }
}

// Events are selected before the title is read, so a title set in between is still seen.
void PopupWatcher::consider(xcb_window_t window)
{
    if (m_candidates.insert(window).second)
        selectEvents(m_connection, window,
                     XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
    if (nameOf(window) == m_title)
        adopt(window);
}

void PopupWatcher::adopt(xcb_window_t window)
{
    for (xcb_window_t other : m_candidates) {
        if (other != window)
            selectEvents(m_connection, other, XCB_EVENT_MASK_NO_EVENT);
    }
    m_candidates.clear();
    m_target = window;
    selectEvents(m_connection, window, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    // Without a window manager a popup of another depth than the screen's is redirected itself,
    // and mapping it makes the server fill it with what lies below, which is damage too: every
    // drawing is reported then, so that fill can be told from the popup's own. With one, the
    // frame is redirected instead.
    const auto geometry = adoptReply(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
    const uint8_t rootDepth =
        xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root_depth;
    m_filledOnMap = !m_windowManager && geometry && geometry->depth != rootDepth;
    m_damage = xcb_generate_id(m_connection);
    xcb_damage_create(m_connection, m_damage, window,
                      m_filledOnMap ? XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES
                                    : XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    xcb_flush(m_connection);
}

// Top-level windows and, a few levels down, the clients inside a window manager's frames.
xcb_window_t PopupWatcher::findWindow(const std::function<bool(const std::string &)> &matches)
{
    constexpr int kDepth = 3;
    std::vector<xcb_window_t> level{m_root};
    for (int depth = 0; depth < kDepth; ++depth) {
        std::vector<xcb_window_t> below;
        for (xcb_window_t parent : level) {
            for (xcb_window_t window : childrenOf(m_connection, parent)) {
                if (matches(nameOf(window)))
                    return window;
                below.push_back(window);
            }
        }
        level.swap(below);
    }
    return XCB_WINDOW_NONE;
}

std::string PopupWatcher::nameOf(xcb_window_t window)
{
    for (const auto &[atom, type] :
         {std::pair{m_netWmName, m_utf8String},
          std::pair{xcb_atom_t(XCB_ATOM_WM_NAME), xcb_atom_t(XCB_GET_PROPERTY_TYPE_ANY)}}) {
        const auto reply = adoptReply(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, atom, type, 0, 256), nullptr));
        if (reply && reply->format == 8 && reply->type != XCB_ATOM_NONE)
            return std::string(static_cast<const char *>(xcb_get_property_value(reply.get())),
                               size_t(xcb_get_property_value_length(reply.get())));
    }
    return {};
}

void PopupWatcher::cycle(double timeoutMs)
{
    const ShowTimes shown = show(timeoutMs);
    double unmappedMs = kNoTime;
    if (!std::isnan(shown.mappedMs) || popupMapped()) {
        unmappedMs = hide(timeoutMs);
        if (std::isnan(unmappedMs) && popupMapped())
            hide(timeoutMs);
    }
    std::printf("%g %g %g\n", shown.mappedMs, shown.drawnMs, unmappedMs);
    std::fflush(stdout);
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: popup_watcher TITLE FRONT_TITLE [TYPER_FD]\n");
        return 2;
    }
    FILE *typer = argc > 3 ? fdopen(std::atoi(argv[3]), "w") : nullptr;
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(nullptr, nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(connection.get())) {
        std::fprintf(stderr, "popup_watcher: no X server\n");
        return 1;
    }
    PopupWatcher watcher(connection.get(), argv[1], argv[2], typer);
    if (!watcher.usable()) {
        std::fprintf(stderr, "popup_watcher: the X server lacks XTest or Damage, or the keymap "
                             "lacks Control or space\n");
        return 1;
    }
    const xcb_window_t check = windowManagerCheck(connection.get());
    std::printf("watching %d %d\n", int(serverPid(connection.get())),
                int(check ? clientPid(connection.get(), check) : 0));
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line);)
        watcher.cycle(kTimeoutMs);
    return 0;
}
