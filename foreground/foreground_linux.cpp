#include "foreground/foreground_linux.h"
#include "foreground/desktop_entries_linux.h"
#include "foreground/foreground.h"
#include "session/session_linux.h"

#include <QFile>
#include <QFileInfo>

QString foregroundProgramName()
{
    // Read once now, at the first lookup of start-up, rather than at a press.
    DesktopEntries::session();
    std::optional<QString> name;
    switch (linuxSession()) {
    case LinuxSession::X11:
    case LinuxSession::Unknown:
        break;
    case LinuxSession::Sway:
        name = swayForegroundProgramName();
        break;
    case LinuxSession::Kde:
        name = kwinForegroundProgramName();
        break;
    case LinuxSession::Gnome:
        name = gnomeForegroundProgramName();
        break;
    case LinuxSession::Wlroots:
        name = wlrootsForegroundProgramName();
        break;
    }
    // Where the compositor does not answer, XWayland still names its own windows.
    return name ? *name : x11ForegroundProgramName();
}

ForegroundPlace foregroundWindowPlace()
{
    std::optional<ForegroundPlace> place;
    switch (linuxSession()) {
    case LinuxSession::X11:
    case LinuxSession::Unknown:
        break;
    case LinuxSession::Sway:
        place = ForegroundPlace{swayFocusedOutput(), {}};
        break;
    case LinuxSession::Kde:
        place = kwinActiveWindowPlace();
        break;
    // Mutter's monitors are XWayland's screens, where the popup shows.
    case LinuxSession::Gnome:
        place = ForegroundPlace{{}, gnomeFocusedWindowFrame()};
        break;
    case LinuxSession::Wlroots:
        if (const std::optional<QString> output = wlrootsActivatedOutput())
            place = ForegroundPlace{*output, {}};
        break;
    }
    return place ? *place : ForegroundPlace{{}, x11ForegroundWindowFrame()};
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
