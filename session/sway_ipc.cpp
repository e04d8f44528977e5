#include "session/sway_ipc.h"

#include <QDeadlineTimer>
#include <QJsonArray>

#include <cstring>

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr int kMagicSize = sizeof(kMagic) - 1;
constexpr int kHeaderSize = kMagicSize + 8;
constexpr int kReplyWaitMs = 1000;
// Far above any tree sway sends; a larger length means the stream is not sway's.
constexpr quint32 kMostPayloadBytes = 64 * 1024 * 1024;

quint32 headerField(const QByteArray &header, int offset)
{
    quint32 value;
    std::memcpy(&value, header.constData() + offset, sizeof value);
    return value;
}

} // namespace

QString swaySocketPath()
{
    return qEnvironmentVariable("SWAYSOCK");
}

SwayIpc::SwayIpc(QObject *parent) : QObject(parent)
{
    connect(&socket, &QLocalSocket::disconnected, this, [this] {
        if (!broken)
            fail(QStringLiteral("sway closed the connection"));
    });
}

// Closing the socket as it goes reports nothing.
SwayIpc::~SwayIpc()
{
    disconnect(&socket, nullptr, this, nullptr);
}

bool SwayIpc::open(const QString &path)
{
    if (path.isEmpty()) {
        error = QStringLiteral("no sway socket in this session");
        return false;
    }
    socket.connectToServer(path);
    if (!socket.waitForConnected(kReplyWaitMs)) {
        error = path + QStringLiteral(": ") + socket.errorString();
        return false;
    }
    broken = false;
    return true;
}

bool SwayIpc::isOpen() const
{
    return !broken && socket.state() == QLocalSocket::ConnectedState;
}

QString SwayIpc::errorString() const
{
    return error;
}

std::optional<QJsonDocument> SwayIpc::request(Message type, const QByteArray &payload)
{
    if (!send(type, payload))
        return std::nullopt;
    const std::optional<Frame> reply = takeFrame(kReplyWaitMs);
    if (!reply)
        return std::nullopt;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(reply->payload, &parseError);
    if (reply->type != type || parseError.error != QJsonParseError::NoError) {
        fail(QStringLiteral("sway sent a malformed reply"));
        return std::nullopt;
    }
    return document;
}

bool SwayIpc::runCommand(const QString &command)
{
    const std::optional<QJsonDocument> reply = request(RunCommand, command.toUtf8());
    if (!reply)
        return false;
    for (const QJsonValue result : reply->array()) {
        if (!result[QLatin1String("success")].toBool()) {
            error = result[QLatin1String("error")].toString();
            return false;
        }
    }
    // An empty array is no confirmation either.
    return !reply->array().isEmpty();
}

bool SwayIpc::subscribe(const QStringList &events)
{
    const std::optional<QJsonDocument> reply =
        request(Subscribe, QJsonDocument(QJsonArray::fromStringList(events)).toJson());
    if (!reply || !reply->object()[QLatin1String("success")].toBool())
        return false;
    connect(&socket, &QLocalSocket::readyRead, this, &SwayIpc::readEvents);
    readEvents();
    return true;
}

bool SwayIpc::send(quint32 type, const QByteArray &payload)
{
    if (!isOpen()) {
        if (error.isEmpty())
            error = QStringLiteral("not connected to sway");
        return false;
    }
    QByteArray frame(kMagic, kMagicSize);
    const quint32 fields[] = {quint32(payload.size()), type};
    frame.append(reinterpret_cast<const char *>(fields), sizeof fields);
    frame.append(payload);
    socket.write(frame);
    if (!socket.waitForBytesWritten(kReplyWaitMs) && socket.bytesToWrite() > 0) {
        fail(QStringLiteral("sway does not read its socket: ") + socket.errorString());
        return false;
    }
    return true;
}

std::optional<SwayIpc::Frame> SwayIpc::takeFrame(int waitMs)
{
    const QDeadlineTimer deadline(waitMs);
    auto waitFor = [&](qint64 bytes) {
        while (socket.bytesAvailable() < bytes) {
            if (broken || deadline.hasExpired() ||
                !socket.waitForReadyRead(int(deadline.remainingTime())))
                return false;
        }
        return true;
    };
    // Without a wait, a frame not yet whole is simply not there yet.
    if (!waitFor(kHeaderSize)) {
        if (waitMs > 0)
            fail(QStringLiteral("sway did not answer"));
        return std::nullopt;
    }
    const QByteArray header = socket.peek(kHeaderSize);
    const quint32 length = headerField(header, kMagicSize);
    if (!header.startsWith(kMagic) || length > kMostPayloadBytes) {
        fail(QStringLiteral("sway sent a malformed message"));
        return std::nullopt;
    }
    if (!waitFor(kHeaderSize + qint64(length))) {
        if (waitMs > 0)
            fail(QStringLiteral("sway sent half a message"));
        return std::nullopt;
    }
    socket.skip(kHeaderSize);
    return Frame{headerField(header, kMagicSize + 4), socket.read(length)};
}

void SwayIpc::readEvents()
{
    while (isOpen()) {
        const std::optional<Frame> frame = takeFrame(0);
        if (!frame)
            return;
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(frame->payload, &parseError);
        if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
            fail(QStringLiteral("sway sent a malformed event"));
            return;
        }
        emit eventReceived(frame->type, document.object());
    }
}

void SwayIpc::fail(const QString &reason)
{
    if (broken)
        return;
    broken = true;
    error = reason;
    socket.abort();
    emit closed();
}
