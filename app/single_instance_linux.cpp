#include "app/single_instance.h"
#include "app/toggle_socket.h"

#include <QtDebug>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// A lock beside the toggle socket, in the user's runtime folder: the system drops it with the
// process, so a Keyglance that was killed leaves nothing that keeps the next one out.
SessionInstance::SessionInstance()
{
    const std::string path = toggleSocketPath() + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        qWarning().noquote() << "Keyglance: cannot tell whether another Keyglance runs:"
                             << QString::fromLocal8Bit(path.c_str()) + ":" << std::strerror(errno);
        return;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        first = errno != EWOULDBLOCK;
        close(fd);
        return;
    }
    handle = fd;
}

SessionInstance::~SessionInstance()
{
    if (handle >= 0)
        close(int(handle));
}
