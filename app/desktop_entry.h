#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/// The program path in the Exec key of the [Desktop Entry] group; empty when there is no such
/// key or when it is not exactly one argument.
QString desktopExecValue(const QByteArray &entryText);

/// The value of key in the [Desktop Entry] group with its escapes undone; empty when there is
/// none or an escape is malformed.
QString desktopEntryString(const QByteArray &entryText, const char *key);

/// The arguments of the command line in the Exec key, quoting undone and field codes dropped;
/// empty when there is none or it is malformed.
QStringList desktopExecArguments(const QByteArray &entryText);

/// The working directory in the Path key of the [Desktop Entry] group; empty when there is none.
QString desktopPathValue(const QByteArray &entryText);

/// A complete desktop entry called name that runs the program at path in workingDir.
QByteArray desktopEntry(const QString &name, const QString &path, const QString &workingDir);

/// A desktop entry called name for the program at path, kept out of menus, that tells the desktop
/// which program this is.
QByteArray hiddenApplicationEntry(const QString &name, const QString &path);
