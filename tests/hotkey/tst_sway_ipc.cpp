#include "foreground/foreground_linux.h"
#include "session/sway_ipc.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QByteArray frame(quint32 type, const QByteArray &payload)
{
    QByteArray bytes("i3-ipc");
    const quint32 fields[] = {quint32(payload.size()), type};
    bytes.append(reinterpret_cast<const char *>(fields), sizeof fields);
    return bytes + payload;
}

// Stands in for sway on a thread of its own, since the client waits for its replies: answers
// each request with what answer() makes of its type.
class FakeSway {
public:
    explicit FakeSway(std::function<QByteArray(quint32)> answer)
        : path(dir.filePath(QStringLiteral("sway.sock")).toStdString()), answer(std::move(answer))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path.c_str());
        listener = socket(AF_UNIX, SOCK_STREAM, 0);
        bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
        listen(listener, 4);
        thread = std::thread([this] { serve(); });
    }
    ~FakeSway()
    {
        {
            // A client may hold its connection for good: the program's own one does.
            const std::lock_guard<std::mutex> lock(clientMutex);
            shutdown(client, SHUT_RDWR);
        }
        shutdown(listener, SHUT_RDWR);
        close(listener);
        thread.join();
    }
    QString socketPath() const { return QString::fromStdString(path); }

private:
    void serve()
    {
        int accepted;
        while ((accepted = accept(listener, nullptr, nullptr)) >= 0) {
            setClient(accepted);
            char header[14];
            while (recv(accepted, header, sizeof header, MSG_WAITALL) == sizeof header) {
                quint32 fields[2];
                std::memcpy(fields, header + 6, sizeof fields);
                const int length = int(fields[0]);
                QByteArray payload(length, Qt::Uninitialized);
                if (length > 0 && recv(accepted, payload.data(), size_t(length), MSG_WAITALL) <= 0)
                    break;
                const QByteArray reply = answer(fields[1]);
                if (send(accepted, reply.constData(), size_t(reply.size()), MSG_NOSIGNAL) < 0)
                    break;
            }
            setClient(-1);
            close(accepted);
        }
    }

    void setClient(int fd)
    {
        const std::lock_guard<std::mutex> lock(clientMutex);
        client = fd;
    }

    QTemporaryDir dir;
    std::string path;
    std::function<QByteArray(quint32)> answer;
    int listener;
    std::mutex clientMutex;
    int client = -1;
    std::thread thread;
};

} // namespace

class TestSwayIpc : public QObject {
    Q_OBJECT
private slots:
    void repliesAndEvents()
    {
        FakeSway sway([](quint32 type) {
            if (type == SwayIpc::Subscribe)
                return frame(type, "{\"success\":true}") +
                       frame(SwayIpc::BindingEvent, "{\"change\":\"run\"}");
            return frame(type, "[{\"success\":false,\"error\":\"no such binding\"}]");
        });
        SwayIpc ipc;
        QVERIFY(ipc.open(sway.socketPath()));
        QVERIFY(!ipc.runCommand(QStringLiteral("unbindsym Ctrl+space")));
        QCOMPARE(ipc.errorString(), QStringLiteral("no such binding"));
        QSignalSpy events(&ipc, &SwayIpc::eventReceived);
        QVERIFY(ipc.subscribe({QStringLiteral("binding")}));
        QTRY_COMPARE(events.count(), 1);
        QCOMPARE(events.first().at(0).toUInt(), quint32(SwayIpc::BindingEvent));
    }

    void malformedAnswersEndTheConnection_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("error");
        QTest::newRow("not sway's magic") << QByteArray("i4-ipc\1\0\0\0\4\0\0\0x", 15)
                                          << QStringLiteral("sway sent a malformed message");
        QTest::newRow("a length past any tree") << QByteArray("i3-ipc\0\0\0\x7f\4\0\0\0", 14)
                                                << QStringLiteral("sway sent a malformed message");
        QTest::newRow("not JSON") << frame(SwayIpc::GetTree, "{\"nodes\":")
                                  << QStringLiteral("sway sent a malformed reply");
        QTest::newRow("the answer to another question")
            << frame(SwayIpc::GetConfig, "{}") << QStringLiteral("sway sent a malformed reply");
        QTest::newRow("half a message") << frame(SwayIpc::GetTree, "{}").chopped(1)
                                        << QStringLiteral("sway sent half a message");
    }
    void malformedAnswersEndTheConnection()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, error);
        FakeSway sway([&](quint32) { return answer; });
        SwayIpc ipc;
        QSignalSpy closed(&ipc, &SwayIpc::closed);
        QVERIFY(ipc.open(sway.socketPath()));
        QVERIFY(!ipc.request(SwayIpc::GetTree));
        QCOMPARE(ipc.errorString(), error);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!ipc.isOpen());
    }

    void namesTheFocusedWindowsProgram()
    {
        // The focused window belongs to this very test process.
        const QByteArray tree = "{\"nodes\":[{\"focused\":false,\"pid\":1},{\"floating_nodes\":["
                                "{\"focused\":true,\"name\":\"a window\",\"pid\":" +
                                QByteArray::number(getpid()) + "}]}]}";
        FakeSway sway([&](quint32 type) { return frame(type, tree); });
        qputenv("SWAYSOCK", sway.socketPath().toUtf8());
        QCOMPARE(swayForegroundProgramName(),
                 QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    }
};

QTEST_GUILESS_MAIN(TestSwayIpc)
#include "tst_sway_ipc.moc"
