#include "bench/xcb_util.h"

#include <xcb/res.h>

#include <ctime>

#include <sys/socket.h>

xcb_atom_t internAtom(xcb_connection_t *connection, const std::string &name)
{
    const auto reply = adoptReply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.c_str()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

double monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

pid_t serverPid(xcb_connection_t *connection)
{
    ucred peer{};
    socklen_t length = sizeof peer;
    if (getsockopt(xcb_get_file_descriptor(connection), SOL_SOCKET, SO_PEERCRED, &peer, &length) !=
        0)
        return 0;
    return peer.pid;
}

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
