#include "shortcuts/shortcut_columns.h"
#include "shortcuts/shortcut_table.h"

#include <QtTest>

namespace {

const QString kNotFound = QString::fromUtf8("未查询到数据");

QString header(const QString &name)
{
    return QChar(0x00B7) + name;
}

QStringList shortcuts(int count, const QString &prefix = QStringLiteral("k"))
{
    QStringList rows;
    for (int i = 0; i < count; ++i)
        rows << QStringLiteral("%1%2  d").arg(prefix).arg(i, 3, 10, QLatin1Char('0'));
    return rows;
}

QJsonObject table(const char *json)
{
    bool ok = false;
    const QJsonObject result = parseShortcutTable(QByteArray(json), &ok);
    if (!ok)
        qFatal("test table does not parse: %s", json);
    return result;
}

QStringList logged;

void collectDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        logged << message;
}

} // namespace

class ShortcutRowsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        logged.clear();
        qInstallMessageHandler(collectDebug);
    }
    void cleanup() { qInstallMessageHandler(nullptr); }

    void parseOutcomes_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("programs");
        QTest::newRow("object") << QByteArray("{\"a\":{},\"b\":1}") << true << 2;
        QTest::newRow("array") << QByteArray("[{\"a\":{}}]") << true << 0;
        QTest::newRow("empty") << QByteArray() << false << 0;
        QTest::newRow("truncated") << QByteArray("{\"a\":{\"g\":") << false << 0;
        QTest::newRow("scalar") << QByteArray("42") << false << 0;
        QTest::newRow("invalid utf-8") << QByteArray("{\"a\xff\xfe\":{}}") << false << 0;
        QTest::newRow("deeply nested") << QByteArray(100000, '[') << false << 0;
    }
    void parseOutcomes()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, ok);
        QFETCH(int, programs);
        bool parsed = !ok;
        QCOMPARE(parseShortcutTable(contents, &parsed).size(), programs);
        QCOMPARE(parsed, ok);
    }

    void lineEndsAndRepeatedKeysLoadAlike()
    {
        bool ok = false;
        const QJsonObject lf =
            parseShortcutTable("{\n\"p\":{\"g\":{\"k\":\"old\",\"k\":\"new\"}}\n}\n", &ok);
        const QJsonObject crlf =
            parseShortcutTable("{\r\n\"p\":{\"g\":{\"k\":\"old\",\"k\":\"new\"}}\r\n}\r\n", &ok);
        QCOMPARE(lf, crlf);
        QCOMPARE(shortcutRows(lf, QStringLiteral("p")),
                 QStringList({header(QStringLiteral("g")), QStringLiteral("k  new")}));
    }

    void rows_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("rows");

        QTest::newRow("sorted groups and shortcuts")
            << QByteArray(R"({"p":{"B":{"y":"d2","x":"d1"},"A":{}}})") << QStringLiteral("p")
            << QStringList({header(QStringLiteral("A")), header(QStringLiteral("B")),
                            QStringLiteral("x  d1"), QStringLiteral("y  d2")});
        QTest::newRow("code unit order")
            << QByteArray(R"({"p":{"g":{"a":"","B":"","+":"","1":""}}})") << QStringLiteral("p")
            << QStringList({header(QStringLiteral("g")), QStringLiteral("+  "),
                            QStringLiteral("1  "), QStringLiteral("B  "), QStringLiteral("a  ")});
        QTest::newRow("absent program")
            << QByteArray(R"({"p":{}})") << QStringLiteral("q") << QStringList({kNotFound});
        QTest::newRow("case differs") << QByteArray(R"({"Notepad.exe":{"g":{}}})")
                                      << QStringLiteral("notepad.exe") << QStringList({kNotFound});
        QTest::newRow("empty entry")
            << QByteArray(R"({"p":{}})") << QStringLiteral("p") << QStringList();
        QTest::newRow("entry not an object")
            << QByteArray(R"({"p":[1,2]})") << QStringLiteral("p") << QStringList();
        QTest::newRow("default file shape")
            << QByteArray("{\"OneNote\":{\"Ctrl+k\":\"x\"}}") << QStringLiteral("OneNote")
            << QStringList({header(QStringLiteral("Ctrl+k"))});
        QTest::newRow("descriptions of other types")
            << QByteArray(R"({"p":{"g":{"a":1,"b":true,"c":null,"d":[],"e":{"x":"y"}}}})")
            << QStringLiteral("p")
            << QStringList({header(QStringLiteral("g")), QStringLiteral("a  "),
                            QStringLiteral("b  "), QStringLiteral("c  "), QStringLiteral("d  "),
                            QStringLiteral("e  ")});
        QTest::newRow("empty group name") << QByteArray(R"({"p":{"":{}}})") << QStringLiteral("p")
                                          << QStringList({header(QString())});
        QTest::newRow("empty program name") << QByteArray(R"({"":{"g":{}},"p":{}})") << QString()
                                            << QStringList({header(QStringLiteral("g"))});
        QTest::newRow("non-ascii")
            << QByteArray("{\"记事本\":{\"文件\":{\"Ctrl+S\":\"保存\"}}}")
            << QString::fromUtf8("记事本")
            << QStringList({header(QString::fromUtf8("文件")), QString::fromUtf8("Ctrl+S  保存")});
    }
    void rows()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, program);
        QFETCH(QStringList, rows);
        QCOMPARE(shortcutRows(table(json), program), rows);
    }

    void eachShortcutRowIsLoggedInOrder()
    {
        shortcutRows(table(R"({"p":{"B":{"y":"d2","x":"d1"},"A":{}}})"), QStringLiteral("p"));
        QCOMPARE(logged,
                 QStringList({QStringLiteral("\"x\" : \"d1\""), QStringLiteral("\"y\" : \"d2\"")}));
        logged.clear();
        shortcutRows(QJsonObject(), QStringLiteral("p"));
        QVERIFY(logged.isEmpty());
    }

    void columns_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<bool>("overflow");

        QTest::newRow("no rows") << QStringList() << QList<int>({0, 0, 0}) << false;
        QTest::newRow("not-found row")
            << QStringList({kNotFound}) << QList<int>({1, 0, 0}) << false;
        QTest::newRow("20 shortcuts") << shortcuts(20) << QList<int>({20, 0, 0}) << false;
        QTest::newRow("21 shortcuts") << shortcuts(21) << QList<int>({20, 1, 0}) << false;
        QTest::newRow("headers not counted")
            << (QStringList({header(QStringLiteral("a"))}) + shortcuts(10) +
                QStringList({header(QStringLiteral("b"))}) + shortcuts(10))
            << QList<int>({22, 0, 0}) << false;
        QTest::newRow("header after full column opens the next")
            << (shortcuts(20) + QStringList({header(QStringLiteral("b"))}) + shortcuts(1))
            << QList<int>({20, 2, 0}) << false;
        QTest::newRow("60 shortcuts fit") << shortcuts(60) << QList<int>({20, 20, 20}) << false;
        QTest::newRow("61st shortcut overflows")
            << shortcuts(61) << QList<int>({20, 20, 20}) << true;
        QTest::newRow("header after 60 overflows")
            << (shortcuts(60) + QStringList({header(QStringLiteral("z"))}))
            << QList<int>({20, 20, 20}) << true;
        QTest::newRow("many rows") << shortcuts(5000) << QList<int>({20, 20, 20}) << true;
        QTest::newRow("empty row counts")
            << QStringList({QString()}) << QList<int>({1, 0, 0}) << false;
    }
    void columns()
    {
        QFETCH(QStringList, rows);
        QFETCH(QList<int>, sizes);
        QFETCH(bool, overflow);
        const ShortcutColumns layout = layoutShortcutColumns(rows);
        QStringList laidOut;
        for (int column = 0; column < kColumnCount; ++column) {
            QCOMPARE(layout.columns[column].size(), sizes[column]);
            laidOut += layout.columns[column];
        }
        QCOMPARE(layout.overflow, overflow);
        // Rows keep their order and only a tail is ever dropped.
        QCOMPARE(laidOut, rows.mid(0, laidOut.size()));
    }

    // Whatever rows a show builds are among those drawn ahead, in the right font.
    void drawnRowsCoverEveryRow()
    {
        const QJsonObject table =
            QJsonDocument::fromJson(
                QString::fromUtf8(
                    R"({"a":{"编辑":{"Ctrl+C":"复制"}},"b":{"编辑":{"Ctrl+C":"复制","F1":[2]}},"c":[1]})")
                    .toUtf8())
                .object();
        const DrawnRows drawn = drawnRows(table);
        QStringList shown({QString::fromUtf8(kNotFoundRow), QString::fromUtf8(kOverflowRow)});
        for (const QString &program : table.keys())
            shown += shortcutRows(table, program);
        for (const QString &row : shown)
            QVERIFY2((isHeaderRow(row) ? drawn.headers : drawn.rows).contains(row),
                     qPrintable(row));
        QCOMPARE(drawn.headers.size(), 1);
        QCOMPARE(drawn.rows.size(), 4);
    }

    void headerTestLooksAtTheFirstCharacterOnly()
    {
        QVERIFY(isHeaderRow(header(QStringLiteral("x"))));
        QVERIFY(!isHeaderRow(QStringLiteral("x") + QChar(0x00B7)));
        QVERIFY(!isHeaderRow(QString()));
        QVERIFY(!isHeaderRow(QStringLiteral(".g")));
    }
};

QTEST_GUILESS_MAIN(ShortcutRowsTest)
#include "tst_shortcut_rows.moc"
