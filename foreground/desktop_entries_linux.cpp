#include "foreground/desktop_entries_linux.h"

#include "app/desktop_entry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

// Entries are a few hundred bytes; anything far larger is no entry.
constexpr qint64 kMostEntryBytes = 1 << 20;
constexpr int kMostFolderDepth = 3;
// Folder changes come in bursts (a package installs many entries): read once they settle.
constexpr int kSettleMs = 200;

bool isAssignment(const QString &word)
{
    const int equals = word.indexOf(QLatin1Char('='));
    return equals > 0 && !word.left(equals).contains(QLatin1Char('/'));
}

bool isNamed(const QString &word, const char *name)
{
    return QFileInfo(word).fileName() == QLatin1String(name);
}

// After env: its options (two of them take a value) and assignments.
int afterEnv(const QStringList &arguments, int i)
{
    const QStringList withValue{QStringLiteral("-u"), QStringLiteral("--unset"),
                                QStringLiteral("-C"), QStringLiteral("--chdir")};
    while (i < arguments.size() &&
           (arguments.at(i).startsWith(QLatin1Char('-')) || isAssignment(arguments.at(i))))
        i += withValue.contains(arguments.at(i)) ? 2 : 1;
    return i;
}

// flatpak run [options] app-id: the command it names, or else the application.
QString flatpakCommand(const QStringList &arguments, int i)
{
    const QString option = QStringLiteral("--command");
    for (; i < arguments.size(); ++i) {
        const QString &word = arguments.at(i);
        if (word.startsWith(option + QLatin1Char('=')))
            return word.mid(option.size() + 1);
        if (word == option)
            return arguments.value(i + 1);
        if (!word.startsWith(QLatin1Char('-')))
            return word;
    }
    return {};
}

// The file name of the program as a process of it shows it: found on PATH, links followed.
QString executableName(const QString &command)
{
    const QString path =
        command.contains(QLatin1Char('/')) ? command : QStandardPaths::findExecutable(command);
    const QString target = path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
    return QFileInfo(target.isEmpty() ? command : target).fileName();
}

bool isInterpreter(const QString &exeName)
{
    static const QRegularExpression interpreters(QStringLiteral(
        "^(python[0-9.]*|java|gjs(-console)?|electron[0-9]*|node(js)?|perl[0-9.]*|ruby[0-9.]*|"
        "mono(-sgen)?)$"));
    return interpreters.match(exeName).hasMatch();
}

} // namespace

QString desktopEntryExecutable(const QStringList &arguments)
{
    for (int i = 0; i < arguments.size();) {
        const QString &word = arguments.at(i);
        if (isAssignment(word))
            ++i;
        else if (isNamed(word, "env"))
            i = afterEnv(arguments, i + 1);
        else if (isNamed(word, "flatpak") && arguments.value(i + 1) == QLatin1String("run"))
            return flatpakCommand(arguments, i + 2);
        else
            return word;
    }
    return {};
}

DesktopEntries::DesktopEntries(QStringList dataFolders, QObject *parent)
    : QObject(parent), folders(std::move(dataFolders)), watcher(new QFileSystemWatcher(this))
{
    settle.setSingleShot(true);
    settle.setInterval(kSettleMs);
    connect(watcher, &QFileSystemWatcher::directoryChanged, &settle,
            static_cast<void (QTimer::*)()>(&QTimer::start));
    connect(&settle, &QTimer::timeout, this, [this] {
        read();
        emit reread();
    });
    read();
}

const DesktopEntries &DesktopEntries::session()
{
    static const DesktopEntries *entries = [] {
        QStringList folders =
            QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
        // Where Flatpak exports its applications' entries, for sessions that do not list them.
        for (const QString &exports :
             {QDir::homePath() + QStringLiteral("/.local/share/flatpak/exports/share"),
              QStringLiteral("/var/lib/flatpak/exports/share")}) {
            if (!folders.contains(exports))
                folders << exports;
        }
        return new DesktopEntries(folders, QCoreApplication::instance());
    }();
    return *entries;
}

QString DesktopEntries::program(const QString &appIdOrClass) const
{
    if (appIdOrClass.isEmpty())
        return {};
    for (const auto *names : {&byId, &byWindowClass}) {
        if (const auto found = names->constFind(appIdOrClass); found != names->constEnd())
            return *found;
    }
    return byLowerId.value(appIdOrClass.toLower());
}

void DesktopEntries::read()
{
    byId.clear();
    byLowerId.clear();
    byWindowClass.clear();
    for (const QString &folder : folders)
        readFolder(folder + QStringLiteral("/applications"), QString(), 0);
    watch();
}

// An entry in a subfolder has the subfolder in its id: applications/kde/a.desktop is kde-a.
void DesktopEntries::readFolder(const QString &folder, const QString &idPrefix, int depth)
{
    const QDir dir(folder);
    for (const QFileInfo &info :
         dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (info.isDir()) {
            if (depth < kMostFolderDepth)
                readFolder(info.filePath(), idPrefix + info.fileName() + QLatin1Char('-'),
                           depth + 1);
            continue;
        }
        if (info.suffix() != QLatin1String("desktop") || info.size() > kMostEntryBytes)
            continue;
        const QString id = idPrefix + info.completeBaseName();
        // The first folder's entry of an id hides the later ones, hidden or not.
        if (byId.contains(id))
            continue;
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = file.read(kMostEntryBytes);
        const QString command = desktopEntryExecutable(desktopExecArguments(text));
        if (desktopEntryString(text, "Hidden") == QLatin1String("true") || command.isEmpty()) {
            byId.insert(id, QString());
            continue;
        }
        const QString program = executableName(command);
        byId.insert(id, program);
        byLowerId.insert(id.toLower(), program);
        const QString windowClass = desktopEntryString(text, "StartupWMClass");
        if (!windowClass.isEmpty() && !byWindowClass.contains(windowClass))
            byWindowClass.insert(windowClass, program);
    }
}

// The applications folders that exist, and the data folders that could get one.
void DesktopEntries::watch()
{
    if (!watcher->directories().isEmpty())
        watcher->removePaths(watcher->directories());
    QStringList paths;
    for (const QString &folder : folders) {
        if (QFileInfo(folder).isDir())
            paths << folder;
        const QString applications = folder + QStringLiteral("/applications");
        if (QFileInfo(applications).isDir())
            paths << applications;
    }
    if (!paths.isEmpty())
        watcher->addPaths(paths);
}

QString windowProgramName(const QString &exeName, const QString &appIdOrClass)
{
    if (!exeName.isEmpty() && !isInterpreter(exeName))
        return exeName;
    const QString fromEntry = DesktopEntries::session().program(appIdOrClass);
    if (!fromEntry.isEmpty() && !isInterpreter(fromEntry))
        return fromEntry;
    return exeName.isEmpty() ? appIdOrClass : exeName;
}
