#include "http_server.h"

#include <QTcpSocket>
#include <QTimer>

HttpServer::HttpServer(QObject *parent) : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                // Requests carry no body: the header block ends the request.
                if (!socket->property("answered").toBool() && socket->bytesAvailable() &&
                    socket->peek(65536).contains("\r\n\r\n")) {
                    socket->setProperty("answered", true);
                    serve(socket);
                }
            });
        }
    });
}

bool HttpServer::listen(quint16 port)
{
    return server.listen(QHostAddress::LocalHost, port);
}

QUrl HttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path));
}

void HttpServer::serve(QTcpSocket *socket)
{
    const QByteArray request = socket->readAll();
    paths << request.split(' ').value(1);
    const QByteArray head = "HTTP/1.1 " + QByteArray::number(planned.status) +
                            " Status\r\nContent-Type: application/json\r\nContent-Length: " +
                            QByteArray::number(bodyLength()) + "\r\nConnection: close\r\n\r\n";
    socket->write(head);
    sendBody(socket, 0);
}

void HttpServer::sendBody(QTcpSocket *socket, qint64 offset)
{
    const qint64 length = bodyLength();
    const qint64 chunk = planned.chunkSize > 0 ? planned.chunkSize : planned.body.size();
    // A long body is written no faster than the client takes it, so it never piles up here.
    if (socket->bytesToWrite() > chunk) {
        QTimer::singleShot(1, socket, [this, socket, offset] { sendBody(socket, offset); });
        return;
    }
    const qint64 end = qMin(offset + chunk, length);
    if (planned.resetAfter >= 0 && end >= planned.resetAfter) {
        socket->write(bodyBytes(offset, planned.resetAfter));
        socket->flush();
        socket->abort();
        return;
    }
    socket->write(bodyBytes(offset, end));
    if (end >= length) {
        socket->disconnectFromHost();
        return;
    }
    QTimer::singleShot(planned.pauseMs, socket, [this, socket, end] { sendBody(socket, end); });
}

qint64 HttpServer::bodyLength() const
{
    return qint64(planned.body.size()) * planned.repeats;
}

QByteArray HttpServer::bodyBytes(qint64 from, qint64 to) const
{
    QByteArray bytes;
    for (qint64 at = from; at < to;) {
        const int inBody = int(at % planned.body.size());
        const int count = int(qMin<qint64>(to - at, planned.body.size() - inBody));
        bytes += planned.body.mid(inBody, count);
        at += count;
    }
    return bytes;
}
