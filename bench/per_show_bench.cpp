// What one showing of the popup does besides drawing, step by step, timed by QBENCHMARK: read and
// parse the data file, build the program's rows, clear and fill the three lists; and, on a popup
// scaled down to fit the screen, laying out a list of 10,000 empty groups. Each data row's tag ends
// with the file's size in bytes. Usage: per_show_bench [QtTest options]
#include "popup/keyglance.h"
#include "shortcuts/shortcut_columns.h"
#include "shortcuts/shortcut_table.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <memory>

namespace {

const QString kTargetProgram = QStringLiteral("bench-target");

void appendGroup(QByteArray &json, const QByteArray &name, int shortcuts, int seed)
{
    json += "\"" + name + "\":{";
    for (int index = 0; index < shortcuts; ++index) {
        if (index > 0)
            json += ',';
        json += "\"Ctrl+Shift+Alt+F" + QByteArray::number(index) + "\":\"";
        json += QString::fromUtf8("打开第 %1 个面板并切换视图").arg(seed + index).toUtf8();
        json += '"';
    }
    json += '}';
}

// The looked-up program (50 shortcuts in 5 groups) followed by filler programs up to size.
QByteArray generatedTable(qint64 size)
{
    QByteArray json = "{\"" + kTargetProgram.toUtf8() + "\":{";
    for (int group = 0; group < 5; ++group) {
        if (group > 0)
            json += ',';
        appendGroup(json, QString::fromUtf8("分组%1").arg(group).toUtf8(), 10, group * 10);
    }
    json += '}';
    for (int program = 0; json.size() < size; ++program) {
        json += ",\"filler-" + QByteArray::number(program) + ".exe\":{";
        appendGroup(json, "文件", 8, program);
        json += ',';
        appendGroup(json, "编辑", 8, program + 8);
        json += '}';
    }
    json += "}\n";
    return json;
}

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

class PerShowBench : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(directory.isValid());
        for (const auto &[label, size] :
             {std::pair{"generated-30KB", 30'000}, std::pair{"generated-1MB", 1'000'000},
              std::pair{"generated-10MB", 10'000'000}}) {
            QFile file(directory.filePath(QString::fromLatin1(label) + ".json"));
            const QByteArray contents = generatedTable(size);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
            files.append({QString::fromLatin1(label), file.fileName(), kTargetProgram});
        }
        files.append({QStringLiteral("shipped"), QFINDTESTDATA("../data/data.json"),
                      QStringLiteral("geany")});
        for (int column = 0; column < kColumnCount; ++column) {
            owned[column] = std::make_unique<QListWidget>();
            lists[column] = owned[column].get();
        }
        // Shows log their rows; what that costs is the terminal's, not the show's.
        qInstallMessageHandler(dropMessage);
    }

    void readParse_data() { dataFiles(); }
    void readParse()
    {
        QFETCH(QString, path);
        QBENCHMARK
        {
            loadShortcutFile(path);
        }
    }

    void rows_data() { dataFiles(); }
    void rows()
    {
        QFETCH(QString, path);
        QFETCH(QString, program);
        const QJsonObject table = loadShortcutFile(path);
        QBENCHMARK
        {
            shortcutRows(table, program);
        }
    }

    void fill_data() { dataFiles(); }
    void fill()
    {
        QFETCH(QString, path);
        QFETCH(QString, program);
        const QStringList rows = shortcutRows(loadShortcutFile(path), program);
        QBENCHMARK
        {
            clearLists();
            fillShortcutColumns(lists, rows);
        }
    }

    // The popup fitted to the offscreen platform's 800 x 600 screen lays its rows out scaled
    // down, each row placed by the heights of those above it.
    // The tag: the number of groups and the popup's scale.
    void scaledDownLayout_data()
    {
        QTest::addColumn<int>("groups");
        popup = std::make_unique<Keyglance>();
        popup->initPopup();
        QTest::newRow(
            qPrintable(QStringLiteral("10000 %1").arg(popup->width() / 1200.0, 0, 'f', 2)))
            << 10'000;
    }
    void scaledDownLayout()
    {
        QFETCH(int, groups);
        std::array<QListWidget *, kColumnCount> columns{};
        for (int column = 0; column < kColumnCount; ++column)
            columns[column] = popup->findChild<QListWidget *>(
                column == 0 ? QStringLiteral("listWidget")
                            : QStringLiteral("listWidget_%1").arg(column + 1));
        QStringList rows;
        for (int group = 0; group < groups; ++group)
            rows << headerRow(QString::fromUtf8("分组%1").arg(group));
        fillShortcutColumns(columns, rows);
        QVERIFY(popup->width() < 1200);
        QBENCHMARK
        {
            for (QListWidget *list : columns)
                list->doItemsLayout();
        }
    }

private:
    struct DataFile {
        QString label;
        QString path;
        QString program;
    };

    void dataFiles()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("program");
        for (const DataFile &file : files)
            QTest::newRow(qPrintable(file.label + ' ' + QString::number(QFile(file.path).size())))
                << file.path << file.program;
    }

    void clearLists()
    {
        for (QListWidget *list : lists)
            list->clear();
    }

    QTemporaryDir directory;
    QVector<DataFile> files;
    std::unique_ptr<Keyglance> popup;
    std::array<std::unique_ptr<QListWidget>, kColumnCount> owned;
    std::array<QListWidget *, kColumnCount> lists{};
};

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    PerShowBench bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "per_show_bench.moc"
