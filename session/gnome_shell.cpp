#include "session/gnome_shell.h"

#include <QStringList>

bool gnomeWaylandSession()
{
    // Distributions put their own name in front, as in "ubuntu:GNOME".
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'));
    return desktops.contains(QLatin1String("GNOME")) &&
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}
