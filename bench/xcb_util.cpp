#include "bench/xcb_util.h"

#include <ctime>

#include <sys/socket.h>

xcb_atom_t internAtom(xcb_connection_t *connection, const std::string &name)
{
    const auto reply = adoptReply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.c_str()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_keycode_t keycodeFor(xcb_connection_t *connection, xcb_keysym_t keysym)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto mapping = adoptReply(xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, uint8_t(count)),
        nullptr));
    if (!mapping)
        return 0;
    const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKeycode = mapping->keysyms_per_keycode;
    for (int index = 0; index < count; ++index) {
        if (perKeycode > 0 && keysyms[index * perKeycode] == keysym)
            return xcb_keycode_t(setup->min_keycode + index);
    }
    return 0;
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
