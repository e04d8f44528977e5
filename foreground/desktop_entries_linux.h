#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class QFileSystemWatcher;

/// The executable that the command line of a desktop entry runs: its first word that is not env,
/// a variable assignment or an option of theirs; for flatpak run, the --command it gives. Empty
/// when there is none.
QString desktopEntryExecutable(const QStringList &arguments);

/// The programs that the desktop entries in some folders run, by their desktop id and by the
/// window class they declare (StartupWMClass): the names desktops match windows to entries by.
/// Read at once and again whenever a folder changes, never at a lookup.
class DesktopEntries : public QObject {
    Q_OBJECT
public:
    /// Folders holding applications/ folders, the first one's entries first.
    explicit DesktopEntries(QStringList dataFolders, QObject *parent = nullptr);

    /// The session's: the XDG data folders and Flatpak's exports.
    static const DesktopEntries &session();

    /// The file name of the executable of the entry that an application id or a window class
    /// names; empty when none does.
    QString program(const QString &appIdOrClass) const;

signals:
    void reread();

private:
    void read();
    void readFolder(const QString &folder, const QString &idPrefix, int depth);
    void watch();

    QStringList folders;
    QFileSystemWatcher *watcher;
    QTimer settle;
    QHash<QString, QString> byId;
    QHash<QString, QString> byLowerId;
    QHash<QString, QString> byWindowClass;
};

/// The name to look up for a window: its executable's file name, unless that is empty or an
/// interpreter's (python3, java, gjs, electron...), when the desktop entry its application id or
/// class names tells; else the executable, or the application id when there is none.
QString windowProgramName(const QString &exeName, const QString &appIdOrClass);
