#include "../support/capture.h"
#include "../support/font_mask.h"
#include "popup/keyglance.h"
#include "session/qt_x11.h"

#include <QBackingStore>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QtTest>

#include "../support/x11_client.h"

#include <xcb/res.h>

namespace {

const QString kTitlePrefix = QString::fromUtf8("前台程序名称:  ");
const QString kPressed = QString::fromUtf8("快捷键被成功按下已被识别");
const QString kShown = QString::fromUtf8("设置可见");
const QString kHidden = QString::fromUtf8("设置不可见");

// An entry for the client in front: 15 + 10 shortcuts, so the columns split inside group "B".
QByteArray twoGroupFile()
{
    QByteArray json = "{\"other\":{},\"xlogo\":{\"A\":{";
    for (int i = 0; i < 15; ++i)
        json += (i ? "," : "") + QByteArray("\"a") + QByteArray::number(10 + i) + "\":\"甲\"";
    json += "},\"B\":{";
    for (int i = 0; i < 10; ++i)
        json += (i ? "," : "") + QByteArray("\"b") + QByteArray::number(10 + i) + "\":\"乙\"";
    return json + "}}}";
}

void writeDataFile(const QByteArray &contents)
{
    QSaveFile file(QStringLiteral("data.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
    QVERIFY(file.commit());
}

// What this process's pixmaps take in the X server.
quint64 ownPixmapBytes()
{
    xcb_connection_t *connection = qtX11Connection();
    const std::unique_ptr<xcb_res_query_client_pixmap_bytes_reply_t, decltype(&std::free)> reply(
        xcb_res_query_client_pixmap_bytes_reply(
            connection,
            xcb_res_query_client_pixmap_bytes(connection,
                                              xcb_get_setup(connection)->resource_id_base),
            nullptr),
        &std::free);
    return reply ? (quint64(reply->bytes_overflow) << 32) | reply->bytes : ~quint64(0);
}

QStringList texts(const QListWidget *list)
{
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

} // namespace

class ActivationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(workDir.isValid());
        QVERIFY(QDir::setCurrent(workDir.path()));
        client.start(QStringLiteral("xlogo"),
                     {QStringLiteral("-geometry"), QStringLiteral("300x200+40+40")});
        QVERIFY(client.waitForStarted());
        // Without a window manager nothing gives the client the focus: do what a user's click
        // would.
        QProcess focus;
        focus.start(QStringLiteral("xdotool"),
                    {QStringLiteral("search"), QStringLiteral("--sync"),
                     QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
                     QStringLiteral("^XLogo$"), QStringLiteral("windowfocus"),
                     QStringLiteral("--sync")});
        QVERIFY(focus.waitForFinished(30000));
        QCOMPARE(focus.exitCode(), 0);

        popup = new Keyglance(nullptr);
        columns = {list("listWidget"), list("listWidget_2"), list("listWidget_3")};
        label = popup->findChild<QLabel *>(QStringLiteral("label_5"));
        formProgramLine = label->text();
        pixmapBytesBefore = ownPixmapBytes();
        DebugLog log;
        popup->initPopup();
        popup->setAttribute(Qt::WA_TransparentForMouseEvents);
        // The first show is prepared on the way, in silence.
        QCOMPARE(log.lines(), QStringList({QStringLiteral("Is Registered:  true")}));
        QCOMPARE(log.otherMessages(), QStringList());
    }
    void cleanupTestCase()
    {
        delete popup;
        client.kill();
        client.waitForFinished();
    }

    // Runs first, before any press.
    void firstShowPreparedUnseen()
    {
        QVERIFY(!popup->isVisible());
        QCOMPARE(other.mapState(xcb_window_t(popup->winId())), uint8_t(XCB_MAP_STATE_UNMAPPED));
        // The buffers behind the window are made while hidden; of the pixmaps made meanwhile,
        // only Qt's server-side copy of the window's buffer is left.
        QCOMPARE(popup->backingStore()->size(), popup->size());
        QCOMPARE(ownPixmapBytes() - pixmapBytesBefore,
                 quint64(popup->width() * popup->height() * 4));
        for (const QListWidget *column : columns)
            QCOMPARE(column->count(), 0);
        QCOMPARE(label->text(), formProgramLine);
    }

    void pressesToggleThePopupAndReloadTheFile()
    {
        writeDataFile(twoGroupFile());
        DebugLog log;
        press(true);
        QCOMPARE(popup->size(), QSize(1200, 800));
        QCOMPARE(label->text(), kTitlePrefix + QStringLiteral("xlogo"));
        const QStringList first = texts(columns[0]);
        QCOMPARE(first.size(), 22);
        QCOMPARE(first.first(), QChar(0x00B7) + QStringLiteral("A"));
        QCOMPARE(first.at(16), QChar(0x00B7) + QStringLiteral("B"));
        QCOMPARE(first.last(), QString::fromUtf8("b14  乙"));
        QCOMPARE(texts(columns[1]).first(), QString::fromUtf8("b15  乙"));
        QCOMPARE(columns[1]->count(), 5);
        QCOMPARE(columns[2]->count(), 0);
        QCOMPARE(log.lines().mid(0, 3),
                 QStringList({kPressed, kShown, QString::fromUtf8("\"a10\" : \"甲\"")}));
        QCOMPARE(log.lines().size(), 2 + 25);

        log.lines().clear();
        press(false);
        QCOMPARE(log.lines(), QStringList({kPressed, kHidden}));
        QCOMPARE(columns[0]->count(), 22);

        writeDataFile("{\"xlogo\":{\"新\":{\"Ctrl+N\":\"新的\"}}}");
        press(true);
        QCOMPARE(texts(columns[0]), QStringList({QChar(0x00B7) + QString::fromUtf8("新"),
                                                 QString::fromUtf8("Ctrl+N  新的")}));
        QCOMPARE(columns[1]->count(), 0);
        press(false);
    }

    void holdingShowsOnceAndTheNextPressHides()
    {
        DebugLog log;
        other.press({XK_Control_L}, XK_space);
        QTRY_VERIFY_WITH_TIMEOUT(popup->isVisible(), 10000);
        // The hold is the input: well past the server's auto-repeat delay.
        QTest::qWait(1500);
        other.release({XK_Control_L}, XK_space);
        press(false);
        QCOMPARE(log.lines().count(kPressed), 2);
        QCOMPARE(log.lines().count(kShown), 1);
        QCOMPARE(log.lines().count(kHidden), 1);
    }

    void badDataFilesGiveTheNotFoundRow_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("lines");
        const QString jsonError = QStringLiteral("json error!");
        QTest::newRow("unknown program") << QByteArray("{\"other\":{}}") << QStringList();
        QTest::newRow("missing file")
            << QByteArray()
            << QStringList({QStringLiteral("could't open projects json"), jsonError});
        QTest::newRow("malformed file") << QByteArray("{\"xlogo\":") << QStringList({jsonError});
    }
    void badDataFilesGiveTheNotFoundRow()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, lines);
        if (contents.isEmpty())
            QFile::remove(QStringLiteral("data.json"));
        else
            writeDataFile(contents);
        DebugLog log;
        press(true);
        QCOMPARE(log.lines(), QStringList({kPressed, kShown}) + lines);
        QCOMPARE(texts(columns[0]), QStringList({QString::fromUtf8("未查询到数据")}));
        QCOMPARE(columns[0]->item(0)->data(Qt::SizeHintRole).toSize(), QSize(80, 30));
        press(false);
    }

    void overflowAndHeaderLook()
    {
        QByteArray json = "{\"xlogo\":{\"G\":{";
        for (int i = 0; i < 70; ++i)
            json += (i ? "," : "") + QByteArray("\"k") + QByteArray::number(100 + i) + "\":\"d\"";
        writeDataFile(json + "}}}");
        press(true);
        QCOMPARE(columns[0]->count(), 21);
        QCOMPARE(columns[1]->count(), 20);
        QCOMPARE(columns[2]->count(), 21);
        QCOMPARE(columns[2]->item(20)->text(), QString::fromUtf8("抱歉,空间不够了"));
        QVERIFY(!columns[2]->item(20)->data(Qt::SizeHintRole).isValid());
        const QListWidgetItem *header = columns[0]->item(0);
        QCOMPARE(header->data(Qt::SizeHintRole).toSize(), QSize(60, 40));
        const QFont font = header->data(Qt::FontRole).value<QFont>();
        QCOMPARE(setFontProperties(font), uint(QFont::SizeResolved | QFont::WeightResolved));
        QCOMPARE(font.pointSize(), 14);
        QCOMPARE(font.weight(), int(QFont::Bold));
        QVERIFY(!columns[0]->item(1)->data(Qt::FontRole).isValid());
        press(false);
    }

    // Runs last: the window beneath takes the focus from xlogo.
    void clicksGoToTheWindowBeneath()
    {
        const xcb_window_t beneath = other.createListeningWindow();
        QTRY_COMPARE_WITH_TIMEOUT(other.mapState(beneath), uint8_t(XCB_MAP_STATE_VIEWABLE), 10000);
        // A window manager focuses the new window; without one, the user's click would. Away
        // from the edges, which the window manager's frame may hold.
        other.click(960, 540);
        QTRY_COMPARE_WITH_TIMEOUT(other.buttonPresses(beneath), 1, 10000);
        const xcb_window_t focused = other.focus();
        press(true);
        // As soon as the window manager has given its frame the popup's input shape.
        QTRY_VERIFY_WITH_TIMEOUT(other.passesClicks(xcb_window_t(popup->winId())), 10000);
        const QPoint centre = popup->geometry().center();
        other.click(int16_t(centre.x()), int16_t(centre.y()));
        QTRY_COMPARE_WITH_TIMEOUT(other.buttonPresses(beneath), 2, 10000);
        QCOMPARE(other.focus(), focused);
        QVERIFY(!popup->isActiveWindow());
        press(false);
        QCOMPARE(other.focus(), focused);
    }

private:
    // Types Ctrl+Space as a user would and waits for the popup to follow.
    void press(bool expectShown)
    {
        other.type({XK_Control_L}, XK_space);
        QTRY_COMPARE_WITH_TIMEOUT(popup->isVisible(), expectShown, 10000);
    }

    QListWidget *list(const char *name) const
    {
        return popup->findChild<QListWidget *>(QString::fromLatin1(name));
    }

    QTemporaryDir workDir;
    QProcess client;
    OtherClient other;
    Keyglance *popup = nullptr;
    QLabel *label = nullptr;
    QString formProgramLine;
    quint64 pixmapBytesBefore = 0;
    std::array<QListWidget *, 3> columns{};
};

QTEST_MAIN(ActivationTest)
#include "tst_activation.moc"
