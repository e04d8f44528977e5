#pragma once

#include <QJsonObject>
#include <QStringList>
#include <array>

class QFont;
class QListWidget;

inline constexpr int kColumnCount = 3;
inline constexpr int kShortcutsPerColumn = 20;

// Display rows distributed over the popup's three columns.
struct ShortcutColumns {
    std::array<QStringList, kColumnCount> columns;
    // The rows did not fit: the overflow row ends the last column.
    bool overflow = false;
};

// The row that closes the last column when the rows do not fit (UTF-8).
inline constexpr char kOverflowRow[] = "抱歉,空间不够了";

// The rows the lists can show for a table, each once: the group headers, drawn in headerFont(),
// and the other rows, drawn in the lists' own font.
struct DrawnRows {
    QStringList headers;
    QStringList rows;
};

DrawnRows drawnRows(const QJsonObject &table);

// The bold font of the group headers.
QFont headerFont();

// Whether a display row is a group header (drawn bold, not counted toward a column's rows).
bool isHeaderRow(const QString &row);

// Up to 20 shortcut rows a column, headers not counted; a header never trails a full column.
ShortcutColumns layoutShortcutColumns(const QStringList &rows);

// Appends the rows to the three (empty) lists as the popup shows them: bold headers,
// fixed row heights, and the overflow row closing the last list.
void fillShortcutColumns(const std::array<QListWidget *, kColumnCount> &lists,
                         const QStringList &rows);
