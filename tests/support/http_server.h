#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A scripted HTTP/1.1 server on 127.0.0.1: every request gets the same planned answer.
class HttpServer : public QObject {
    Q_OBJECT

public:
    struct Answer {
        int status = 200;
        QByteArray body;
        int chunkSize = 0;   // 0: the whole body at once
        int pauseMs = 0;     // between chunks
        int resetAfter = -1; // abort the connection after this many body bytes
        int repeats = 1;     // the body is sent this many times back to back
    };

    explicit HttpServer(QObject *parent = nullptr);
    // Listens on the given port (0: any free port); false when the port is taken.
    bool listen(quint16 port = 0);
    QUrl url(const QString &path = QStringLiteral("/data/file/data.json")) const;
    void setAnswer(const Answer &answer) { planned = answer; }
    QList<QByteArray> requestedPaths() const { return paths; }

private:
    void serve(QTcpSocket *socket);
    void sendBody(QTcpSocket *socket, qint64 offset);
    qint64 bodyLength() const;
    QByteArray bodyBytes(qint64 from, qint64 to) const;

    QTcpServer server;
    Answer planned;
    QList<QByteArray> paths;
};
