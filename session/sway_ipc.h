#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QObject>
#include <QString>

#include <optional>

/// sway's IPC socket, from the environment sway gives its session; empty outside sway.
QString swaySocketPath();

// One connection to sway's IPC: either requests, each waited for with its reply, or, once
// subscribed, a stream of events.
class SwayIpc : public QObject {
    Q_OBJECT
public:
    enum Message : quint32 {
        RunCommand = 0,
        Subscribe = 2,
        GetOutputs = 3,
        GetTree = 4,
        GetVersion = 7,
        GetConfig = 9
    };
    // Events carry their number with the high bit set.
    enum Event : quint32 { WorkspaceEvent = 0x80000000, BindingEvent = 0x80000005 };

    explicit SwayIpc(QObject *parent = nullptr);
    ~SwayIpc() override;

    /// Connects to the socket at path; false, with errorString(), when that fails.
    bool open(const QString &path);
    bool isOpen() const;
    /// Why the last open, request or read failed.
    QString errorString() const;

    /// Sends a message and waits for its reply, at most a second; nullopt, with errorString(),
    /// when the connection fails or the reply is not what sway sends.
    std::optional<QJsonDocument> request(Message type, const QByteArray &payload = {});
    /// Runs sway commands; false, with sway's own error in errorString(), when one failed.
    bool runCommand(const QString &command);
    /// Asks for the named events: eventReceived() reports each from now on, closed() the end.
    bool subscribe(const QStringList &events);

signals:
    void eventReceived(quint32 type, const QJsonObject &payload);
    /// The connection ended or sent something sway never sends; errorString() says which.
    void closed();

private:
    struct Frame {
        quint32 type;
        QByteArray payload;
    };
    bool send(quint32 type, const QByteArray &payload);
    // A whole frame when one has arrived, waiting for it at most waitMs; nullopt otherwise.
    std::optional<Frame> takeFrame(int waitMs);
    void readEvents();
    void fail(const QString &reason);

    QLocalSocket socket;
    QString error;
    bool broken = false;
};
