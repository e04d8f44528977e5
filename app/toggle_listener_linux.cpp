#include "app/toggle_listener.h"
#include "app/toggle_socket.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtDebug>

#include <utility>

namespace {

// A request is one short line; anything longer is not the toggle command.
constexpr qint64 kMostRequestBytes = 64;

// Whether another Keyglance already listens there.
bool answering(const QString &path)
{
    QLocalSocket probe;
    probe.connectToServer(path);
    return probe.waitForConnected(500);
}

void serve(QLocalSocket *client, const std::function<void()> &onToggle)
{
    if (!client->canReadLine()) {
        if (client->bytesAvailable() > kMostRequestBytes)
            client->abort();
        return;
    }
    if (client->readLine(kMostRequestBytes) == kToggleRequest) {
        onToggle();
        client->write(kToggleDone);
    }
    client->disconnectFromServer();
}

} // namespace

void listenForToggleCommand(QObject *parent, std::function<void()> onToggle)
{
    const QString path = QFile::decodeName(toggleSocketPath().c_str());
    if (answering(path)) {
        qWarning().noquote() << "Keyglance: another Keyglance answers the toggle command at"
                             << path;
        return;
    }
    auto *server = new QLocalServer(parent);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // What is left there is a socket of a Keyglance that did not exit cleanly.
    QLocalServer::removeServer(path);
    if (!server->listen(path)) {
        qWarning().noquote() << "Keyglance: cannot listen for the toggle command at" << path + ":"
                             << server->errorString();
        delete server;
        return;
    }
    QObject::connect(server, &QLocalServer::newConnection, server,
                     [server, onToggle = std::move(onToggle)] {
                         while (QLocalSocket *client = server->nextPendingConnection()) {
                             QObject::connect(client, &QLocalSocket::disconnected, client,
                                              &QObject::deleteLater);
                             QObject::connect(client, &QLocalSocket::readyRead, client,
                                              [client, onToggle] { serve(client, onToggle); });
                         }
                     });
}
