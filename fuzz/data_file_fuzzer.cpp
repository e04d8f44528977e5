// Feeds arbitrary bytes through the data file path the popup uses: parse, rows, columns.
#include "shortcuts/shortcut_columns.h"
#include "shortcuts/shortcut_table.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

namespace {

// A huge table would only repeat the same work per key.
constexpr int kMaxProgramsChecked = 64;

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

int shortcutCount(const QStringList &column)
{
    int count = 0;
    for (const QString &row : column)
        count += isHeaderRow(row) ? 0 : 1;
    return count;
}

void checkColumns(const QStringList &rows)
{
    const ShortcutColumns layout = layoutShortcutColumns(rows);
    QStringList placed;
    bool laterColumnsEmpty = false;
    for (const QStringList &column : layout.columns) {
        const int count = shortcutCount(column);
        check(count <= kShortcutsPerColumn);
        // Columns fill in order: only a full column is followed by another.
        check(!laterColumnsEmpty || column.isEmpty());
        laterColumnsEmpty = count < kShortcutsPerColumn;
        check(count < kShortcutsPerColumn || !isHeaderRow(column.last()));
        placed += column;
    }
    check(placed.size() <= rows.size());
    check(rows.mid(0, placed.size()) == placed);
    check(layout.overflow == (placed.size() < rows.size()));
    check(!layout.overflow || !laterColumnsEmpty);
}

void checkProgram(const QJsonObject &table, const QString &programName)
{
    static const QStringList notFound = {QString::fromUtf8("未查询到数据")};
    const QStringList rows = shortcutRows(table, programName);
    check((rows == notFound) == !table.contains(programName));
    checkColumns(rows);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // shortcutRows logs every row; the fuzzer's own output would drown in it.
    qInstallMessageHandler(dropMessage);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray contents(reinterpret_cast<const char *>(data), static_cast<int>(size));
    bool ok = false;
    const QJsonObject table = parseShortcutTable(contents, &ok);
    check(ok || table.isEmpty());

    const QStringList programs = table.keys();
    for (int i = 0; i < programs.size() && i < kMaxProgramsChecked; ++i)
        checkProgram(table, programs.at(i));
    checkProgram(table, QStringLiteral("notepad.exe"));
    checkProgram(table, QString());
    return 0;
}
