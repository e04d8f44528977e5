#pragma once

#include <QByteArray>
#include <QString>

/// The program path in the Exec key of the [Desktop Entry] group; empty when there is no such
/// key or when it is not exactly one argument.
QString desktopExecValue(const QByteArray &entryText);

/// The working directory in the Path key of the [Desktop Entry] group; empty when there is none.
QString desktopPathValue(const QByteArray &entryText);

/// A complete desktop entry called name that runs the program at path in workingDir.
QByteArray desktopEntry(const QString &name, const QString &path, const QString &workingDir);
