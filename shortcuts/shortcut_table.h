#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// The data file, relative to the working directory: read at every showing, replaced by downloads.
inline constexpr char kDataFilePath[] = "./data.json";

// Marks a display row as a group header.
inline constexpr QChar kHeaderMark = QChar(0x00B7);

// The one row shown for a program the table has no entry for (UTF-8).
inline constexpr char kNotFoundRow[] = "未查询到数据";

// A group's header row and a shortcut's row, as the lists show them.
QString headerRow(const QString &groupName);
QString shortcutRow(const QString &shortcut, const QString &description);

// The top-level object of a data file's contents; empty for an array or a parse error.
// Sets *ok to whether the contents parsed as JSON.
QJsonObject parseShortcutTable(const QByteArray &contents, bool *ok);

// Reads and parses a data file quietly; an empty table when it cannot be opened or parsed,
// which *opened and *parsed tell.
QJsonObject readShortcutFile(const QString &path, bool *opened, bool *parsed);

// readShortcutFile, logging why when the file cannot be opened or parsed.
QJsonObject loadShortcutFile(const QString &path);

// Display rows for one program: a header row per group, a row per shortcut, sorted by key;
// the single not-found row when the program has no entry. Logs one line per shortcut row.
QStringList shortcutRows(const QJsonObject &table, const QString &programName);
