// keyglance-toggle: makes the running Keyglance do what Ctrl+Space does, for sessions and keys
// that Keyglance cannot bind itself.
#include "app/toggle_socket.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int kAnswerWaitMs = 5000;

int fail(const char *what, const std::string &detail)
{
    std::fprintf(stderr, "keyglance-toggle: %s (%s)\n", what, detail.c_str());
    return 1;
}

} // namespace

int main(int argc, char **)
{
    if (argc > 1) {
        std::fprintf(stderr,
                     "Usage: keyglance-toggle\n"
                     "Shows or hides the popup of the running Keyglance, as Ctrl+Space does.\n");
        return 2;
    }
    const std::string path = toggleSocketPath();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return fail("the socket path is too long", path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return fail("cannot make a socket", std::strerror(errno));
    if (connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        const std::string reason = path + ": " + std::strerror(errno);
        close(fd);
        return fail("Keyglance is not running", reason);
    }
    const ssize_t requestSize = ssize_t(std::strlen(kToggleRequest));
    char answer[16] = {};
    pollfd readable{fd, POLLIN, 0};
    const bool answered = write(fd, kToggleRequest, size_t(requestSize)) == requestSize &&
                          poll(&readable, 1, kAnswerWaitMs) == 1 &&
                          read(fd, answer, sizeof answer - 1) > 0;
    close(fd);
    if (!answered || std::strcmp(answer, kToggleDone) != 0)
        return fail("Keyglance did not answer", path);
    return 0;
}
