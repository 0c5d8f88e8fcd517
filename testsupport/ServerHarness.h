#ifndef SERVERHARNESS_H
#define SERVERHARNESS_H

// A route-check server on a free port over a file in a temporary folder, and
// clients talking to it over real sockets. Header-only: only the server's own
// suites link its core.
#include "FrameClient.h"
#include "RouteCheckServer.h"

#include <QDataStream>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

struct ServerHarness
{
    using Reply = QPair<QByteArray, QByteArray>; // command, body
    static constexpr int Timeout = 10000;

    QTemporaryDir dir;
    std::unique_ptr<RouteCheckServer> server;
    std::unique_ptr<QObject> clients; // parent of the clients; they go before the server

    QString databasePath() const { return dir.filePath(QStringLiteral("routes.sqlite")); }

    // The stream version of every body on the wire.
    static QDataStream &opened(QDataStream &stream)
    {
        stream.setVersion(QDataStream::Qt_4_5);
        return stream;
    }

    // (Re)starts the server, on the same file unless options name one; the
    // error, or empty when it listens.
    QString start(ServerOptions options = {})
    {
        clients = std::make_unique<QObject>();
        server.reset();
        options.port = 0;
        if (options.databasePath.isEmpty())
            options.databasePath = databasePath();
        server = std::make_unique<RouteCheckServer>(options);
        QString error;
        return server->start(&error) ? QString() : QStringLiteral("refused: ") + error;
    }
    QString startSeeded()
    {
        ServerOptions options;
        options.seed = QStringLiteral("demo");
        return start(options);
    }

    FrameClient *connect()
    {
        auto *client = new FrameClient(clients.get());
        client->connectToServer(QHostAddress(QHostAddress::LocalHost), server->serverPort());
        return QTest::qWaitFor([client] { return client->isConnected(); }, Timeout) ? client
                                                                                     : nullptr;
    }

    // A socket speaking no frames of its own; false when it could not connect.
    bool connectRaw(QTcpSocket *socket)
    {
        socket->connectToHost(QHostAddress(QHostAddress::LocalHost), server->serverPort());
        return socket->waitForConnected(Timeout);
    }

    // The first reply after sending; an empty command when none came.
    Reply exchange(FrameClient *client, const QByteArray &command, const QByteArray &body = {})
    {
        if (!client)
            return {};
        QSignalSpy spy(client, &FrameClient::replyReceived);
        client->send(command, body);
        if (!QTest::qWaitFor([&spy] { return !spy.isEmpty(); }, Timeout))
            return {};
        return {spy.first().at(0).toByteArray(), spy.first().at(1).toByteArray()};
    }
    // The body of the reply a new client gets.
    QByteArray fetch(const QByteArray &command, const QByteArray &body = {})
    {
        return exchange(connect(), command, body).second;
    }

    // A tree request is answered, that is the client is still served.
    bool answers(FrameClient *client)
    {
        return exchange(client, "Get_tree_objects").first == "Get_tree_objects";
    }
};

#endif // SERVERHARNESS_H
