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
                            QByteArray::number(planned.body.size()) +
                            "\r\nConnection: close\r\n\r\n";
    socket->write(head);
    sendBody(socket, 0);
}

void HttpServer::sendBody(QTcpSocket *socket, int offset)
{
    const int chunk = planned.chunkSize > 0 ? planned.chunkSize : planned.body.size();
    int end = qMin(offset + chunk, planned.body.size());
    if (planned.resetAfter >= 0 && end >= planned.resetAfter) {
        socket->write(planned.body.mid(offset, planned.resetAfter - offset));
        socket->flush();
        socket->abort();
        return;
    }
    socket->write(planned.body.mid(offset, end - offset));
    if (end >= planned.body.size()) {
        socket->disconnectFromHost();
        return;
    }
    QTimer::singleShot(planned.pauseMs, socket, [this, socket, end] { sendBody(socket, end); });
}
