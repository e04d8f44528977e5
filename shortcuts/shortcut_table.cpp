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

QString headerRow(const QString &groupName)
{
    return kHeaderMark + groupName;
}

QString shortcutRow(const QString &shortcut, const QString &description)
{
    return shortcut + QStringLiteral("  ") + description;
}

QStringList shortcutRows(const QJsonObject &table, const QString &programName)
{
    if (!table.contains(programName))
        return {QString::fromUtf8(kNotFoundRow)};

    QStringList rows;
    const QJsonObject groups = table.value(programName).toObject();
    for (const QString &groupName : groups.keys()) {
        const QJsonObject group = groups.value(groupName).toObject();
        rows << headerRow(groupName);
        for (const QString &shortcut : group.keys()) {
            const QString description = group.value(shortcut).toString();
            qDebug() << shortcut << ":" << description;
            rows << shortcutRow(shortcut, description);
        }
    }
    return rows;
}

QJsonObject readShortcutFile(const QString &path, bool *opened, bool *parsed)
{
    QFile file(path);
    *opened = file.open(QIODevice::ReadOnly);
    return parseShortcutTable(*opened ? file.readAll() : QByteArray(), parsed);
}

QJsonObject loadShortcutFile(const QString &path)
{
    bool opened = false;
    bool parsed = false;
    QJsonObject table = readShortcutFile(path, &opened, &parsed);
    if (!opened)
        qDebug() << "could't open projects json";
    if (!parsed)
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
