#include "shortcuts/shortcut_columns.h"

#include "popup/keyglance.h"
#include "popup/keyglance_form.h"
#include "shortcuts/shortcut_table.h"

#include <QFont>
#include <QJsonValue>
#include <QListWidget>
#include <QSet>
#include <QSize>

bool isHeaderRow(const QString &row)
{
    return !row.isEmpty() && row.at(0) == kHeaderMark;
}

ShortcutColumns layoutShortcutColumns(const QStringList &rows)
{
    ShortcutColumns result;
    int column = 0;
    int shortcutCount = 0;
    for (const QString &row : rows) {
        if (shortcutCount == kShortcutsPerColumn) {
            if (column == kColumnCount - 1) {
                result.overflow = true;
                break;
            }
            ++column;
            shortcutCount = 0;
        }
        if (!isHeaderRow(row))
            ++shortcutCount;
        result.columns[column] << row;
    }
    return result;
}

QFont headerFont()
{
    QFont font;
    font.setPointSize(14);
    font.setWeight(QFont::Bold);
    return font;
}

DrawnRows drawnRows(const QJsonObject &table)
{
    QSet<QString> headers;
    QSet<QString> rows{QString::fromUtf8(kNotFoundRow), QString::fromUtf8(kOverflowRow)};
    for (const QJsonValue &entry : table) {
        const QJsonObject groups = entry.toObject();
        for (auto group = groups.begin(); group != groups.end(); ++group) {
            headers.insert(headerRow(group.key()));
            const QJsonObject shortcuts = group.value().toObject();
            for (auto shortcut = shortcuts.begin(); shortcut != shortcuts.end(); ++shortcut)
                rows.insert(shortcutRow(shortcut.key(), shortcut.value().toString()));
        }
    }
    return {headers.values(), rows.values()};
}

namespace {

QListWidgetItem *makeItem(const QString &row)
{
    auto *item = new QListWidgetItem(row);
    if (isHeaderRow(row)) {
        item->setData(Qt::FontRole, headerFont());
        item->setData(Qt::SizeHintRole, QSize(60, 40));
    } else {
        item->setData(Qt::SizeHintRole, QSize(80, 30));
    }
    return item;
}

} // namespace

void fillShortcutColumns(const std::array<QListWidget *, kColumnCount> &lists,
                         const QStringList &rows)
{
    const ShortcutColumns layout = layoutShortcutColumns(rows);
    for (int column = 0; column < kColumnCount; ++column) {
        QListWidget *list = lists[column];
        for (const QString &row : layout.columns[column])
            list->insertItem(list->count(), makeItem(row));
    }
    if (layout.overflow)
        lists.back()->insertItem(lists.back()->count(),
                                 new QListWidgetItem(QString::fromUtf8(kOverflowRow)));
    // Lay the rows out now rather than on a later pass of the event loop, so the first frame
    // after a show already holds them instead of a half-drawn one being replaced a moment later.
    for (QListWidget *list : lists)
        list->doItemsLayout();
}

std::array<QListWidget *, kColumnCount> Keyglance::shortcutLists() const
{
    return {ui->listWidget, ui->listWidget_2, ui->listWidget_3};
}

void Keyglance::fillShortcutLists()
{
    const std::array<QListWidget *, kColumnCount> lists = shortcutLists();
    for (QListWidget *list : lists)
        list->clear();
    fillShortcutColumns(lists, buildShortcutRows());
}
