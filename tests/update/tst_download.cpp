#include "../support/capture.h"
#include "../support/http_server.h"
#include "popup/keyglance.h"

#include <QNetworkAccessManager>
#include <QProcess>
#include <QtTest>
#include <unistd.h>

namespace {

const QByteArray kOldData = "{\"old\":{\"g\":{\"k\":\"旧\"}}}\n";

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

// A field of /proc/self/status in KiB: VmRSS the resident size, VmHWM its peak.
qint64 statusKiB(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).simplified().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Starts VmHWM afresh from the current resident size.
void resetPeakResidentSize()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    QVERIFY(clearRefs.open(QIODevice::WriteOnly));
    QCOMPARE(clearRefs.write("5"), qint64(1));
}

QByteArray largeDataFile(int programs)
{
    QByteArray json = "{";
    for (int i = 0; i < programs; ++i)
        json += (i ? "," : "") + QByteArray("\"program") + QByteArray::number(i) +
                "\":{\"组\":{\"Ctrl+K\":\"说明\"}}";
    return json + "}";
}

} // namespace

class DownloadTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(workDir.isValid());
        previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(workDir.path()));
        writeFile(QStringLiteral("data.json"), kOldData);
        server = new HttpServer(this);
        QVERIFY(server->listen());
        popup = new Keyglance(nullptr);
    }
    void cleanup()
    {
        delete popup;
        delete server;
        QDir::setCurrent(previousDir);
        QFile::remove(workDir.filePath(QStringLiteral("data.json")));
    }

    void bodyInManyPiecesIsSavedWhole()
    {
        const QByteArray body = largeDataFile(800);
        server->setAnswer({200, body, 997, 1, -1});
        DebugLog log;
        download(server->url());
        QCOMPARE(readFile(QStringLiteral("data.json")), body);
        QVERIFY(!log.lines().contains(QString::fromUtf8("失败")));
        QCOMPARE(server->requestedPaths(), QList<QByteArray>({"/data/file/data.json"}));
    }

    void brokenDownloadsLeaveTheFileAlone_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("resetAfter");
        QTest::addColumn<bool>("failureLogged");
        const QByteArray valid = largeDataFile(50);
        QTest::newRow("404 with a data file body") << 404 << valid << -1 << true;
        QTest::newRow("500") << 500 << QByteArray("oops") << -1 << true;
        QTest::newRow("reset mid-body") << 200 << valid << valid.size() / 2 << true;
        QTest::newRow("html page")
            << 200 << QByteArray("<html><body>hi</body></html>") << -1 << false;
        QTest::newRow("302 redirect page") << 302 << QByteArray("{\"moved\":{}}") << -1 << false;
        QTest::newRow("json array") << 200 << QByteArray("[{\"a\":{}}]") << -1 << false;
        QTest::newRow("truncated json") << 200 << valid.left(valid.size() - 3) << -1 << false;
        QTest::newRow("empty body") << 200 << QByteArray() << -1 << false;
    }
    void brokenDownloadsLeaveTheFileAlone()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, resetAfter);
        QFETCH(bool, failureLogged);
        server->setAnswer({status, body, 512, 1, resetAfter});
        DebugLog log;
        download(server->url());
        QCOMPARE(readFile(QStringLiteral("data.json")), kOldData);
        QCOMPARE(log.lines().contains(QString::fromUtf8("失败")), failureLogged);
    }

    void refusedConnectionLeavesTheFileAlone()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QUrl url(
            QStringLiteral("http://127.0.0.1:%1/data/file/data.json").arg(closed.serverPort()));
        closed.close();
        DebugLog log;
        download(url);
        QCOMPARE(readFile(QStringLiteral("data.json")), kOldData);
        QVERIFY(log.lines().contains(QString::fromUtf8("失败")));
    }

    void oversizeBodyIsDropped_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::newRow("writable data file") << true;
        QTest::newRow("data file cannot be written") << false;
    }
    void oversizeBodyIsDropped()
    {
        QFETCH(bool, writable);
        // Not even root may create files in /proc.
        if (!writable)
            QVERIFY(QDir::setCurrent(QStringLiteral("/proc")));
        // Streamed, so that only the receiving end could hold it whole.
        const int mebibytes = 512;
        server->setAnswer({200, QByteArray(1 << 20, 'x'), 1 << 20, 0, -1, mebibytes});
        resetPeakResidentSize();
        const qint64 residentBefore = statusKiB("VmRSS");
        DebugLog log;
        StreamCapture err(stderr);
        download(server->url());
        const qint64 growth = statusKiB("VmHWM") - residentBefore;
        QVERIFY2(growth < mebibytes * 1024 / 2, qPrintable(QStringLiteral("%1 KiB").arg(growth)));
        QVERIFY(log.lines().contains(QString::fromUtf8("失败")));
        QCOMPARE(log.lines().filter(QStringLiteral("exceeds")).size(), 1);
        QCOMPARE(err.text().startsWith("Could not open ./data.json for writing: "), !writable);
        if (writable)
            QCOMPARE(readFile(QStringLiteral("data.json")), kOldData);
    }

    void startUpReportsWhetherTheFileIsWritable()
    {
        DebugLog log;
        QFile::remove(QStringLiteral("data.json"));
        popup->updateDataFile();
        QVERIFY(QFile::exists(QStringLiteral("data.json")));
        QCOMPARE(log.lines().last(), QString::fromUtf8("下载保存成功"));

        writeFile(QStringLiteral("data.json"), kOldData);
        popup->updateDataFile();
        QCOMPARE(readFile(QStringLiteral("data.json")), kOldData);
    }

    void readOnlyFileIsReportedAndKept()
    {
        makeImmutable(true);
        DebugLog log;
        StreamCapture err(stderr);
        popup->updateDataFile();
        const QByteArray printed = err.text();
        const bool writable = QFile(QStringLiteral("data.json")).open(QIODevice::Append);
        makeImmutable(false);
        QVERIFY(!writable);
        QVERIFY2(printed.startsWith("Could not open ./data.json for writing: "),
                 printed.constData());
        QVERIFY(printed.endsWith("\n"));
        QVERIFY(printed.size() > int(strlen("Could not open ./data.json for writing: \n")));
        QCOMPARE(log.lines().last(), QString::fromUtf8("下载保存失败"));
    }

    void readOnlyFileIsNotReplacedByADownload()
    {
        server->setAnswer({200, largeDataFile(3), 0, 0, -1});
        makeImmutable(true);
        StreamCapture err(stderr);
        download(server->url());
        makeImmutable(false);
        QVERIFY(err.text().contains("Could not open ./data.json for writing: "));
        QCOMPARE(readFile(QStringLiteral("data.json")), kOldData);
    }

    void unwritableDirectoryIsReported()
    {
        // Not even root may create files in /proc.
        QVERIFY(QDir::setCurrent(QStringLiteral("/proc")));
        DebugLog log;
        StreamCapture err(stderr);
        popup->updateDataFile();
        QVERIFY(err.text().startsWith("Could not open ./data.json for writing: "));
        QCOMPARE(log.lines().last(), QString::fromUtf8("下载保存失败"));
    }

    void slotsInvokedByName()
    {
        bool saved = false;
        QVERIFY(QMetaObject::invokeMethod(popup, "saveToDisk", Q_RETURN_ARG(bool, saved)));
        QVERIFY(saved);
        QCOMPARE(readFile(QStringLiteral("data.json")), kOldData);

        server->setAnswer({200, QByteArray("{}"), 0, 0, -1});
        QNetworkAccessManager manager;
        for (bool failing : {false, true}) {
            const QUrl url = failing ? QUrl(QStringLiteral("http://127.0.0.1:1/x")) : server->url();
            QNetworkReply *reply = manager.get(QNetworkRequest(url));
            QSignalSpy finished(reply, &QNetworkReply::finished);
            QVERIFY(finished.wait());
            DebugLog log;
            QVERIFY(QMetaObject::invokeMethod(popup, "downloadFinished",
                                              Q_ARG(QNetworkReply *, reply)));
            QCOMPARE(log.lines(),
                     QStringList({QString::fromUtf8(failing ? "下载错误" : "下载成功")}));
            delete reply;
        }

        DebugLog log;
        for (const char *slot : {"replyFinished", "downloadFinished"})
            QVERIFY(QMetaObject::invokeMethod(popup, slot, Q_ARG(QNetworkReply *, nullptr)));
        QCOMPARE(log.lines(), QStringList());
    }

    void replySlotsTakeQueuedCalls()
    {
        QNetworkAccessManager manager;
        QNetworkReply *reply =
            manager.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:1/x"))));
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait());
        DebugLog log;
        QVERIFY(QMetaObject::invokeMethod(popup, "downloadFinished", Qt::QueuedConnection,
                                          Q_ARG(QNetworkReply *, reply)));
        QTRY_COMPARE(log.lines(), QStringList({QString::fromUtf8("下载错误")}));
        delete reply;
    }

    void executeWithoutUrlsPrintsUsageAndQuits()
    {
        QProcess probe;
        probe.start(QStringLiteral(EXECUTE_PROBE), QStringList());
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(probe.readAllStandardOutput(),
                 QByteArray("Qt Download example - downloads all URLs in parallel\n"
                            "Usage: download url1 [url2... urlN]\n\n"
                            "Downloads the URLs passed in the command-line to the local directory\n"
                            "If the target file already exists, a .0, .1, .2, etc. is appended to\n"
                            "differentiate.\n"));
    }

    void executeDownloadsEveryUrlInOrderAndSavesOneWhole()
    {
        HttpServer second;
        QVERIFY(second.listen());
        const QByteArray first = largeDataFile(400);
        const QByteArray other = "{\"second\":{\"组\":{\"Ctrl+Q\":\"退出\"}}}";
        server->setAnswer({200, first, 300, 1, -1});
        second.setAnswer({200, other, 7, 1, -1});
        const QString url1 = server->url().toString();
        const QString url2 = second.url(QStringLiteral("/second.json")).toString();

        QProcess probe;
        probe.setWorkingDirectory(workDir.path());
        probe.start(QStringLiteral(EXECUTE_PROBE), {url1, url2});
        QVERIFY(probe.waitForStarted());
        // The probe runs its own event loop; serve its requests meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(probe.state() == QProcess::NotRunning, 60000);
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(probe.readAllStandardOutput(),
                 QByteArray("finished " + url1.toUtf8() + "\nfinished " + url2.toUtf8() + "\n"));
        const QByteArray saved = readFile(QStringLiteral("data.json"));
        QVERIFY2(saved == first || saved == other, saved.left(200).constData());
    }

    void startUpFetchesFromTheBuiltInHost()
    {
        HttpServer fixed;
        if (!fixed.listen(STARTUP_PORT))
            QSKIP("the test port is taken by another program");
        const QByteArray body = largeDataFile(20);
        fixed.setAnswer({200, body, 100, 1, -1});

        QTemporaryDir config;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess keyglance;
        keyglance.setProcessEnvironment(environment);
        keyglance.setWorkingDirectory(workDir.path());
        keyglance.setProcessChannelMode(QProcess::MergedChannels);
        keyglance.start(QStringLiteral(STARTUP_PROBE), QStringList());
        QVERIFY(keyglance.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(readFile(QStringLiteral("data.json")), body, 60000);
        keyglance.kill();
        keyglance.waitForFinished();
        const QByteArray output = keyglance.readAll();
        QVERIFY2(output.contains("下载保存成功"), output.constData());
        QVERIFY(!output.contains("失败"));
        QCOMPARE(fixed.requestedPaths(), QList<QByteArray>({"/data/file/data.json"}));
    }

private:
    // Starts a download and waits until the popup has handled its end.
    void download(const QUrl &url)
    {
        popup->startDownload(url);
        const auto managers = popup->findChildren<QNetworkAccessManager *>();
        QVERIFY(!managers.isEmpty());
        bool finished = false;
        connect(managers.last(), &QNetworkAccessManager::finished, this,
                [&finished] { finished = true; });
        QTRY_VERIFY_WITH_TIMEOUT(finished, 60000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void makeImmutable(bool on)
    {
        const QString path = workDir.filePath(QStringLiteral("data.json"));
        if (geteuid() != 0) {
            QFile::setPermissions(path,
                                  on ? QFile::ReadOwner : QFile::ReadOwner | QFile::WriteOwner);
            return;
        }
        // Root ignores permission bits; the immutable attribute stops it.
        const int status = QProcess::execute(
            QStringLiteral("chattr"), {on ? QStringLiteral("+i") : QStringLiteral("-i"), path});
        QVERIFY2(status == 0, "chattr, from e2fsprogs, is needed to test as root");
    }

    QTemporaryDir workDir;
    QString previousDir;
    HttpServer *server = nullptr;
    Keyglance *popup = nullptr;
};

QTEST_MAIN(DownloadTest)
#include "tst_download.moc"
