#pragma once

#include <xcb/xcb.h>

#include <sys/types.h>

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
xcb_atom_t internAtom(xcb_connection_t *connection, const std::string &name);

// The process of the X server at the other end of a local connection; 0 when unknown.
pid_t serverPid(xcb_connection_t *connection);

// The window a window manager advertises itself with on the root window; none without one.
xcb_window_t windowManagerCheck(xcb_connection_t *connection);

// The process of the client that made window, through the X-Resource extension; 0 when unknown.
pid_t clientPid(xcb_connection_t *connection, xcb_window_t window);

// Milliseconds on CLOCK_MONOTONIC.
double monotonicMs();
