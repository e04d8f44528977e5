#include "app/autostart.h"
#include "app/desktop_entry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

QString autostartDir()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The base directory rules ignore a relative XDG_CONFIG_HOME just like an unset one.
    if (!QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart");
}

QString entryPath(const QString &name)
{
    return autostartDir() + QLatin1Char('/') + name + QStringLiteral(".desktop");
}

// Set by the package's launcher, which picks the data folder and starts Keyglance in it.
QString launcherPath()
{
    const QString launcher = qEnvironmentVariable("KEYGLANCE_LAUNCHER");
    return QDir::isAbsolutePath(launcher) ? launcher : QString();
}

// The launcher picks the folder itself, and a working directory removed since would keep the
// session from starting it at all; the home folder is always there.
QString workingDir()
{
    return launcherPath().isEmpty() ? QDir::currentPath() : QDir::homePath();
}

// Empty when the entry is missing or unreadable.
QByteArray entryText(const QString &name)
{
    QFile file(entryPath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class XdgAutostartStore : public AutostartStore {
public:
    QString value(const QString &name) const override { return desktopExecValue(entryText(name)); }
    // The entry's folder counts as much as its program: the session starts it there, with that
    // folder's data file.
    bool holds(const QString &name, const QString &value) const override
    {
        const QByteArray entry = entryText(name);
        return desktopExecValue(entry) == value && desktopPathValue(entry) == workingDir();
    }
    bool setValue(const QString &name, const QString &value) override
    {
        // QSaveFile never leaves a half-written entry behind for the session to start.
        QSaveFile file(entryPath(name));
        if (!QDir().mkpath(autostartDir()) || !file.open(QIODevice::WriteOnly))
            return false;
        file.write(desktopEntry(name, value, workingDir()));
        return file.commit();
    }
};

} // namespace

std::unique_ptr<AutostartStore> platformAutostartStore()
{
    return std::make_unique<XdgAutostartStore>();
}

QString autostartCommand(const QString &applicationFilePath)
{
    const QString launcher = launcherPath();
    return launcher.isEmpty() ? applicationFilePath : launcher;
}
