#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string>

// Owns a reply or event that xcb allocated with malloc.
template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> XcbReply<T> adoptReply(T *reply)
{
    return XcbReply<T>(reply, &std::free);
}

// Interns one atom; XCB_ATOM_NONE when the server does not answer.
inline xcb_atom_t internAtom(xcb_connection_t *connection, const std::string &name)
{
    const auto reply = adoptReply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.c_str()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}
