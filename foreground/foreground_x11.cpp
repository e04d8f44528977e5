#include "foreground/desktop_entries_linux.h"
#include "foreground/foreground.h"
#include "foreground/foreground_linux.h"
#include "foreground/program_name.h"
#include "session/qt_x11.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&free)>;

// Sends nothing to Qt's error handler: windows may vanish at any time and that is no error here.
template <typename T, typename Cookie>
Reply<T> ask(T *(*reply)(xcb_connection_t *, Cookie, xcb_generic_error_t **),
             xcb_connection_t *connection, Cookie cookie)
{
    xcb_generic_error_t *error = nullptr;
    Reply<T> result(reply(connection, cookie, &error), &free);
    free(error);
    return result;
}

struct Atoms {
    xcb_atom_t netActiveWindow, netWmPid, netWmName, utf8String, compoundText, wmState;
};

const Atoms &atoms(xcb_connection_t *connection)
{
    static const Atoms interned = [connection] {
        const char *names[] = {"_NET_ACTIVE_WINDOW", "_NET_WM_PID",   "_NET_WM_NAME",
                               "UTF8_STRING",        "COMPOUND_TEXT", "WM_STATE"};
        constexpr int count = sizeof(names) / sizeof(names[0]);
        xcb_intern_atom_cookie_t cookies[count];
        for (int i = 0; i < count; ++i)
            cookies[i] = xcb_intern_atom(connection, 0, qstrlen(names[i]), names[i]);
        // Asked for with the atoms, so the first client named through X-Resource costs no round
        // trip of its own, whichever program was in front when the lookup first ran.
        xcb_prefetch_extension_data(connection, &xcb_res_id);
        xcb_atom_t values[count];
        for (int i = 0; i < count; ++i) {
            const auto reply = ask(xcb_intern_atom_reply, connection, cookies[i]);
            values[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        }
        return Atoms{values[0], values[1], values[2], values[3], values[4], values[5]};
    }();
    return interned;
}

// WM_CLASS is read up to this many 32-bit units.
constexpr uint32_t kClassLongs = 64;

// Requests that do not depend on each other go out together and cost one round trip.
xcb_get_property_cookie_t askProperty(xcb_connection_t *connection, xcb_window_t window,
                                      xcb_atom_t name, xcb_atom_t type, uint32_t longs)
{
    return xcb_get_property(connection, 0, window, name, type, 0, longs);
}

Reply<xcb_get_property_reply_t> property(xcb_connection_t *connection,
                                         xcb_get_property_cookie_t cookie)
{
    return ask(xcb_get_property_reply, connection, cookie);
}

// A single 32-bit value of the given type, or 0 when the property is missing or malformed.
uint32_t cardinal(const Reply<xcb_get_property_reply_t> &reply, xcb_atom_t type)
{
    if (!reply || reply->type != type || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4)
        return 0;
    return *static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
}

// Whether a window is a client (has WM_STATE), and its parent and children.
struct TreeQuery {
    xcb_get_property_cookie_t wmState;
    xcb_query_tree_cookie_t tree;
};

struct TreeAnswer {
    bool hasWmState = false;
    Reply<xcb_query_tree_reply_t> tree{nullptr, &free};
};

TreeQuery askTree(xcb_connection_t *connection, xcb_window_t window)
{
    return {
        askProperty(connection, window, atoms(connection).wmState, XCB_GET_PROPERTY_TYPE_ANY, 0),
        xcb_query_tree(connection, window)};
}

TreeAnswer answer(xcb_connection_t *connection, const TreeQuery &query)
{
    const auto wmState = property(connection, query.wmState);
    return {wmState && wmState->type != XCB_ATOM_NONE,
            ask(xcb_query_tree_reply, connection, query.tree)};
}

std::vector<xcb_window_t> children(const xcb_query_tree_reply_t &tree)
{
    const xcb_window_t *first = xcb_query_tree_children(&tree);
    return {first, first + xcb_query_tree_children_length(&tree)};
}

// A window manager puts the client inside its frame; the client is the window with WM_STATE.
// Searched a level at a time, each level in one round trip.
xcb_window_t clientInside(xcb_connection_t *connection, xcb_window_t frame,
                          std::vector<xcb_window_t> level)
{
    constexpr size_t maxVisited = 256;
    size_t visited = 1;
    while (!level.empty() && visited < maxVisited) {
        level.resize(std::min(level.size(), maxVisited - visited));
        visited += level.size();
        std::vector<TreeQuery> queries;
        for (xcb_window_t window : level)
            queries.push_back(askTree(connection, window));
        xcb_window_t client = XCB_WINDOW_NONE;
        std::vector<xcb_window_t> below;
        for (size_t i = 0; i < level.size(); ++i) {
            const TreeAnswer here = answer(connection, queries[i]);
            if (client == XCB_WINDOW_NONE && here.hasWmState)
                client = level[i];
            if (here.tree) {
                const auto more = children(*here.tree);
                below.insert(below.end(), more.begin(), more.end());
            }
        }
        if (client != XCB_WINDOW_NONE)
            return client;
        level = std::move(below);
    }
    return frame;
}

// Without _NET_ACTIVE_WINDOW the input focus tells, climbed up to its top-level client window.
xcb_window_t focusedClient(xcb_connection_t *connection, xcb_window_t root,
                           xcb_get_input_focus_cookie_t focusCookie)
{
    const auto focus = ask(xcb_get_input_focus_reply, connection, focusCookie);
    if (!focus)
        return XCB_WINDOW_NONE;
    xcb_window_t window = focus->focus;
    constexpr int maxDepth = 64;
    for (int depth = 0; depth < maxDepth; ++depth) {
        if (window == XCB_WINDOW_NONE || window == XCB_INPUT_FOCUS_POINTER_ROOT || window == root)
            return XCB_WINDOW_NONE;
        const TreeAnswer here = answer(connection, askTree(connection, window));
        if (here.hasWmState)
            return window;
        if (!here.tree)
            return XCB_WINDOW_NONE;
        if (here.tree->parent == root)
            return clientInside(connection, window, children(*here.tree));
        window = here.tree->parent;
    }
    return XCB_WINDOW_NONE;
}

xcb_window_t foregroundWindow(xcb_connection_t *connection, xcb_window_t root)
{
    // The focus only counts without _NET_ACTIVE_WINDOW; asked for at once all the same.
    const auto activeCookie =
        askProperty(connection, root, atoms(connection).netActiveWindow, XCB_ATOM_WINDOW, 1);
    const auto focusCookie = xcb_get_input_focus(connection);
    const xcb_window_t active = cardinal(property(connection, activeCookie), XCB_ATOM_WINDOW);
    if (active == XCB_WINDOW_NONE)
        return focusedClient(connection, root, focusCookie);
    xcb_discard_reply(connection, focusCookie.sequence);
    return active;
}

// The process of the client owning window, asked of the X server; none without X-Resource.
std::optional<xcb_res_query_client_ids_cookie_t> askClientPid(xcb_connection_t *connection,
                                                              xcb_window_t window)
{
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(connection, &xcb_res_id);
    if (!extension || !extension->present)
        return std::nullopt;
    xcb_res_client_id_spec_t client{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    return xcb_res_query_client_ids(connection, 1, &client);
}

// Everything that can name a window's program, asked for at once: the process from the X-Resource
// extension or else _NET_WM_PID; the class from WM_CLASS; the title from _NET_WM_NAME or WM_NAME.
struct NameQuery {
    xcb_get_property_cookie_t pid;
    xcb_get_property_cookie_t wmClass;
    xcb_get_property_cookie_t netWmName;
    xcb_get_property_cookie_t wmName;
    std::optional<xcb_res_query_client_ids_cookie_t> client;
};

NameQuery askName(xcb_connection_t *connection, xcb_window_t window)
{
    // Four bytes per kept unit hold the title in any encoding; the rest is cut off anyway.
    constexpr uint32_t longs = kTitleBufferUnits;
    const Atoms &names = atoms(connection);
    return {askProperty(connection, window, names.netWmPid, XCB_ATOM_CARDINAL, 1),
            askProperty(connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, kClassLongs),
            askProperty(connection, window, names.netWmName, names.utf8String, longs),
            askProperty(connection, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, longs),
            askClientPid(connection, window)};
}

// 0 when the server cannot tell.
uint32_t resourceClientPid(xcb_connection_t *connection,
                           const std::optional<xcb_res_query_client_ids_cookie_t> &cookie)
{
    const auto reply = cookie ? ask(xcb_res_query_client_ids_reply, connection, *cookie)
                              : Reply<xcb_res_query_client_ids_reply_t>(nullptr, &free);
    if (!reply)
        return 0;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem;
         xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
            xcb_res_client_id_value_value_length(it.data) >= 1)
            return *xcb_res_client_id_value_value(it.data);
    }
    return 0;
}

// The server knows the process of a local client; _NET_WM_PID is only what the client says, which
// for a sandboxed one (Flatpak) is its pid inside the sandbox. It counts where the server cannot
// tell: a remote client, or a server without X-Resource.
uint32_t windowPid(xcb_connection_t *connection, const NameQuery &query)
{
    const uint32_t pid = cardinal(property(connection, query.pid), XCB_ATOM_CARDINAL);
    const uint32_t resourcePid = resourceClientPid(connection, query.client);
    return resourcePid != 0 ? resourcePid : pid;
}

// WM_CLASS holds the instance and then the class, each ending in a null byte.
QString windowClass(const Reply<xcb_get_property_reply_t> &reply)
{
    if (!reply || reply->type != XCB_ATOM_STRING || reply->format != 8)
        return {};
    const QByteArray value(static_cast<const char *>(xcb_get_property_value(reply.get())),
                           xcb_get_property_value_length(reply.get()));
    return QString::fromLatin1(value.split('\0').value(1));
}

QString compoundText(const xcb_get_property_reply_t &reply)
{
    XTextProperty text{static_cast<unsigned char *>(xcb_get_property_value(&reply)), reply.type,
                       reply.format,
                       static_cast<unsigned long>(xcb_get_property_value_length(&reply))};
    char **list = nullptr;
    int count = 0;
    Display *display = qtX11Display();
    if (!display || Xutf8TextPropertyToTextList(display, &text, &list, &count) < Success || !list)
        return {};
    const QString result = count > 0 ? QString::fromUtf8(list[0]) : QString();
    XFreeStringList(list);
    return result;
}

QString windowTitle(xcb_connection_t *connection, const NameQuery &query)
{
    const Atoms &names = atoms(connection);
    auto reply = property(connection, query.netWmName);
    auto fallback = property(connection, query.wmName);
    if (!reply || reply->type != names.utf8String || reply->format != 8)
        reply = std::move(fallback);
    if (!reply || reply->format != 8 || reply->type == XCB_ATOM_NONE)
        return {};
    const char *data = static_cast<const char *>(xcb_get_property_value(reply.get()));
    const int length = xcb_get_property_value_length(reply.get());
    QString title;
    if (reply->type == names.utf8String)
        title = QString::fromUtf8(data, length);
    else if (reply->type == names.compoundText)
        title = compoundText(*reply);
    else
        title = QString::fromLatin1(data, length);
    return cutTitle(title);
}

// The X server of DISPLAY (XWayland) on a connection of our own, opened at the first XWayland
// window in front and kept, opened again after a lost server; null without one.
xcb_connection_t *xwaylandConnection()
{
    static std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> own(nullptr,
                                                                            &xcb_disconnect);
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return nullptr;
    if (!own || xcb_connection_has_error(own.get()))
        own.reset(xcb_connect(nullptr, nullptr));
    return xcb_connection_has_error(own.get()) ? nullptr : own.get();
}

} // namespace

quint32 xwaylandClientPid(quint32 window, const QString &resourceClass)
{
    xcb_connection_t *connection = xwaylandConnection();
    if (!connection)
        return 0;
    if (window != XCB_WINDOW_NONE)
        return resourceClientPid(connection, askClientPid(connection, window));
    // The window manager's active window, if it is the one reported: the compositor may have
    // moved on to a Wayland window.
    const xcb_window_t active = foregroundWindow(
        connection, xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root);
    if (active == XCB_WINDOW_NONE)
        return 0;
    const auto classCookie =
        askProperty(connection, active, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, kClassLongs);
    const auto clientCookie = askClientPid(connection, active);
    const QString activeClass = windowClass(property(connection, classCookie));
    const uint32_t pid = resourceClientPid(connection, clientCookie);
    return activeClass == resourceClass ? pid : 0;
}

QString x11ForegroundProgramName()
{
    xcb_connection_t *connection = qtX11Connection();
    if (!connection || xcb_connection_has_error(connection))
        return {};
    const xcb_window_t window = foregroundWindow(connection, qtX11RootWindow());
    if (window == XCB_WINDOW_NONE)
        return {};
    const NameQuery query = askName(connection, window);
    const uint32_t pid = windowPid(connection, query);
    const QString exeName =
        windowProgramName(processExeName(pid), windowClass(property(connection, query.wmClass)));
    return chooseProgramName(exeName, windowTitle(connection, query));
}

QRect x11ForegroundWindowFrame()
{
    xcb_connection_t *connection = qtX11Connection();
    if (!connection || xcb_connection_has_error(connection))
        return {};
    const xcb_window_t root = qtX11RootWindow();
    const xcb_window_t window = foregroundWindow(connection, root);
    if (window == XCB_WINDOW_NONE)
        return {};
    // The client's own area is enough to tell which screen holds most of the window.
    const auto geometryCookie = xcb_get_geometry(connection, window);
    const auto originCookie = xcb_translate_coordinates(connection, window, root, 0, 0);
    const auto geometry = ask(xcb_get_geometry_reply, connection, geometryCookie);
    const auto origin = ask(xcb_translate_coordinates_reply, connection, originCookie);
    if (!geometry || !origin)
        return {};
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}
