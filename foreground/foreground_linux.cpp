#include "foreground/foreground_linux.h"
#include "foreground/desktop_entries_linux.h"
#include "foreground/foreground.h"
#include "session/gnome_shell.h"
#include "session/sway_ipc.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

QString foregroundProgramName()
{
    // Read once now, at the first lookup of start-up, rather than at a press.
    DesktopEntries::session();
    if (!swaySocketPath().isEmpty()) {
        if (const std::optional<QString> name = swayForegroundProgramName())
            return *name;
    }
    if (gnomeWaylandSession()) {
        if (const std::optional<QString> name = gnomeForegroundProgramName())
            return *name;
    }
    if (const std::optional<QString> name = kwinForegroundProgramName())
        return *name;
    if (const std::optional<QString> name = wlrootsForegroundProgramName())
        return *name;
    // Where the compositor does not answer, XWayland still names its own windows.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return x11ForegroundProgramName();
    return {};
}

ForegroundPlace foregroundWindowPlace()
{
    if (!swaySocketPath().isEmpty())
        return {swayFocusedOutput(), {}};
    // Mutter's monitors are XWayland's screens, where the popup shows.
    if (gnomeWaylandSession())
        return {{}, gnomeFocusedWindowFrame()};
    if (const std::optional<ForegroundPlace> place = kwinActiveWindowPlace())
        return *place;
    if (const std::optional<QString> output = wlrootsActivatedOutput())
        return {*output, {}};
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return {{}, x11ForegroundWindowFrame()};
    return {};
}

QString processExeName(quint32 processId)
{
    if (processId == 0)
        return {};
    // /proc/PID/comm would cut the name to 15 characters; the exe link keeps it whole.
    const QString target = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(processId));
    QString name = QFileInfo(target).fileName();
    const QLatin1String deleted(" (deleted)");
    if (name.endsWith(deleted))
        name.chop(deleted.size());
    return name;
}
