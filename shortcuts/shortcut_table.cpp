#include "shortcuts/shortcut_table.h"

#include "popup/keyglance.h"

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>

QJsonObject parseShortcutTable(const QByteArray &contents, bool *ok)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    *ok = error.error == QJsonParseError::NoError;
    return document.object();
}

QStringList shortcutRows(const QJsonObject &table, const QString &programName)
{
    if (!table.contains(programName))
        return {QString::fromUtf8(kNotFoundRow)};

    QStringList rows;
    const QJsonObject groups = table.value(programName).toObject();
    for (const QString &groupName : groups.keys()) {
        const QJsonObject group = groups.value(groupName).toObject();
        rows << kHeaderMark + groupName;
        for (const QString &shortcut : group.keys()) {
            const QString description = group.value(shortcut).toString();
            qDebug() << shortcut << ":" << description;
            rows << shortcut + QStringLiteral("  ") + description;
        }
    }
    return rows;
}

QJsonObject loadShortcutFile(const QString &path)
{
    QFile file(path);
    QByteArray contents;
    if (file.open(QIODevice::ReadOnly))
        contents = file.readAll();
    else
        qDebug() << "could't open projects json";

    bool ok = false;
    QJsonObject table = parseShortcutTable(contents, &ok);
    if (!ok)
        qDebug() << "json error!";
    return table;
}

void Keyglance::loadShortcutTable()
{
    shortcutTable = loadShortcutFile(QString::fromLatin1(kDataFilePath));
}

QStringList Keyglance::buildShortcutRows()
{
    loadShortcutTable();
    return shortcutRows(shortcutTable, programName);
}
