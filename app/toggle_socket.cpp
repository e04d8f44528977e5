#include "app/toggle_socket.h"

#include <cstdlib>
#include <unistd.h>

std::string toggleSocketPath()
{
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return std::string(runtime) + "/keyglance.sock";
    return "/tmp/keyglance-" + std::to_string(getuid()) + ".sock";
}
