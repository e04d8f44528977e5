#include "shortcuts/shortcut_columns.h"
#include "shortcuts/shortcut_table.h"

#include <QFile>
#include <QJsonObject>
#include <QSet>
#include <QtTest>

#include <algorithm>

namespace {

const char *const kShippedDataPath = KEYGLANCE_SOURCE_DIR "/data/data.json";
constexpr int kMinimumPrograms = 40;
// Two 40 px headers and twenty 30 px rows fill the 691 px a column shows.
constexpr int kHeadersPerColumn = 2;

QtMessageHandler previousHandler = nullptr;

// shortcutRows logs every row; hundreds of programs would bury the test output.
void dropDebug(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg && previousHandler)
        previousHandler(type, context, message);
}

bool containsCjk(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    }
    return false;
}

QString where(const QString &group, const QString &shortcut = QString())
{
    return shortcut.isEmpty() ? QStringLiteral("group '%1'").arg(group)
                              : QStringLiteral("group '%1', shortcut '%2'").arg(group, shortcut);
}

} // namespace

class ShippedDataTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QFile file(QString::fromUtf8(kShippedDataPath));
        QVERIFY2(file.open(QIODevice::ReadOnly), kShippedDataPath);
        contents = file.readAll();
        bool ok = false;
        table = parseShortcutTable(contents, &ok);
        QVERIFY2(ok, "data/data.json is not valid JSON");
        previousHandler = qInstallMessageHandler(dropDebug);
    }
    void cleanupTestCase() { qInstallMessageHandler(previousHandler); }

    void fileShape()
    {
        QVERIFY2(!contents.contains('\r'), "line ends must be LF");
        QVERIFY(contents.endsWith('\n'));
        QVERIFY2(table.size() >= kMinimumPrograms, qPrintable(QString::number(table.size())));
    }

    void requiredProgram_data()
    {
        QTest::addColumn<QString>("name");
        const char *const names[] = {"notepad.exe",  "explorer.exe", "Google Chrome", "msedge.exe",
                                     "firefox.exe",  "Code.exe",     "WINWORD.EXE",   "EXCEL.EXE",
                                     "POWERPNT.EXE", "Calculator",   "计算器",        "firefox-esr",
                                     "chromium",     "gedit",        "code",          "soffice.bin",
                                     "nautilus",     "vlc",          "xlogo"};
        for (const char *name : names)
            QTest::newRow(name) << QString::fromUtf8(name);
    }
    void requiredProgram()
    {
        QFETCH(QString, name);
        QVERIFY(table.contains(name));
        QVERIFY(!shortcutRows(table, name).isEmpty());
    }

    // Names one program goes by in different sessions or installs: an edit to one alone would
    // give it different keys depending on where it runs.
    void sameProgram_data()
    {
        QTest::addColumn<QStringList>("names");
        const QStringList groups[] = {
            {"Google Chrome", "chrome", "chrome.exe", "google-chrome", "chromium"},
            {"firefox", "firefox-esr"},
            {"msedge.exe", "msedge", "microsoft-edge"},
            {"thunderbird.exe", "thunderbird", "thunderbird-bin"},
            {"Acrobat.exe", "AcroRd32.exe"},
            {"Teams.exe", "ms-teams.exe"},
            {"Calculator", "计算器"},
            {"vlc.exe", "vlc"},
            {"Slack.exe", "slack.exe", "slack"},
            {"Discord.exe", "Discord"},
            {"Spotify.exe", "spotify", "Spotify"},
            {"Obsidian.exe", "obsidian"},
            {"Zoom.exe", "zoom", "ZoomLauncher"},
            {"sublime_text.exe", "sublime_text"},
            {"idea64.exe", "idea", "idea.sh"},
            {"pycharm64.exe", "pycharm", "pycharm.sh"},
            {"Notion.exe", "notion-app"},
            {"Figma.exe", "figma-linux"},
            {"Typora.exe", "Typora"},
            {"WeChat.exe", "Weixin.exe", "wechat"},
            {"soffice.bin", "soffice"},
            {"wpsoffice", "wps"},
            {"gimp-2.10", "gimp-3.0"},
            {"emacs-gtk", "emacs-pgtk", "emacs-lucid", "emacs", "emacs.exe"},
            {"gnome-terminal-server", "gnome-terminal"},
            {"foot", "footclient"},
            {"mpv", "mpv.exe"},
            {"blender", "blender.exe"},
            {"krita", "krita.exe"},
            {"telegram-desktop", "Telegram", "Telegram.exe"},
            {"steamwebhelper", "steam"},
        };
        for (const QStringList &names : groups)
            QTest::newRow(names.first().toUtf8().constData()) << names;
    }
    void sameProgram()
    {
        QFETCH(QStringList, names);
        const QJsonValue first = table.value(names.first());
        QVERIFY2(first.isObject(), qPrintable(names.first()));
        for (const QString &name : names)
            QVERIFY2(table.value(name) == first, qPrintable(name));
    }

    void program_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &name : table.keys())
            QTest::newRow(name.toUtf8().constData()) << name;
    }
    void program()
    {
        QFETCH(QString, name);
        QVERIFY2(table.value(name).isObject(), "program value is not an object");
        const QJsonObject groups = table.value(name).toObject();
        QVERIFY(!groups.isEmpty());

        int shortcutCount = 0;
        for (const QString &groupName : groups.keys()) {
            QVERIFY2(containsCjk(groupName), qPrintable(where(groupName)));
            QVERIFY2(groups.value(groupName).isObject(), qPrintable(where(groupName)));
            const QJsonObject group = groups.value(groupName).toObject();
            QVERIFY2(!group.isEmpty(), qPrintable(where(groupName)));
            QSet<QString> combinations;
            for (const QString &shortcut : group.keys()) {
                const QString place = where(groupName, shortcut);
                QVERIFY2(!shortcut.trimmed().isEmpty(), qPrintable(place));
                // A leading mark would draw the shortcut row as a header.
                QVERIFY2(!shortcut.startsWith(kHeaderMark), qPrintable(place));
                QVERIFY2(group.value(shortcut).isString(), qPrintable(place));
                QVERIFY2(containsCjk(group.value(shortcut).toString()), qPrintable(place));
                // Letter case means nothing in a key combination, so such twins confuse.
                if (shortcut.contains(QLatin1Char('+'))) {
                    QVERIFY2(!combinations.contains(shortcut.toLower()), qPrintable(place));
                    combinations.insert(shortcut.toLower());
                }
            }
            shortcutCount += group.size();
        }

        const QStringList rows = shortcutRows(table, name);
        QCOMPARE(rows.size(), groups.size() + shortcutCount);
        const ShortcutColumns layout = layoutShortcutColumns(rows);
        QVERIFY2(!layout.overflow, qPrintable(QString::number(shortcutCount)));
        for (int column = 0; column < kColumnCount; ++column) {
            const auto &shown = layout.columns[column];
            const auto headers = std::count_if(shown.cbegin(), shown.cend(), isHeaderRow);
            QVERIFY2(
                headers <= kHeadersPerColumn,
                qPrintable(QStringLiteral("column %1 has %2 headers").arg(column).arg(headers)));
        }
    }

private:
    QByteArray contents;
    QJsonObject table;
};

QTEST_GUILESS_MAIN(ShippedDataTest)
#include "tst_shipped_data.moc"
