#ifndef SERVERHARNESS_H
#define SERVERHARNESS_H

// A route-check server on a free port over a file in a temporary folder (or a
// database of its own on PostgreSQL, see TestDatabase), and clients on real
// sockets. Header-only: only the server's suites link its core.
#include "FrameClient.h"
#include "RouteCheckServer.h"
#include "TestDatabase.h"

#include "wire/RequestFailure.h"

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
    TestDatabase store{dir.filePath(QStringLiteral("routes.sqlite"))};
    std::unique_ptr<RouteCheckServer> server;
    std::unique_ptr<QObject> clients = std::make_unique<QObject>(); // goes before the server

    static QDataStream &opened(QDataStream &stream) // as every body on the wire
    {
        stream.setVersion(QDataStream::Qt_4_5);
        return stream;
    }

    // (Re)starts on the same database unless options name one; the error, or empty.
    QString start(ServerOptions options = {}, const QString &seed = {})
    {
        clients = std::make_unique<QObject>();
        server.reset();
        options.port = 0;
        options.seed = seed.isEmpty() ? options.seed : seed;
        if (options.databasePath.isEmpty())
            options.databasePath = store.where();
        if (options.databasePath.isEmpty())
            return QStringLiteral("no database: ") + store.error();
        server = std::make_unique<RouteCheckServer>(options);
        QString error;
        return server->start(&error) ? QString() : QStringLiteral("refused: ") + error;
    }

    FrameClient *connect(quint16 port = 0) // 0: this harness's server
    {
        auto *client = new FrameClient(clients.get());
        client->connectToServer(QHostAddress(QHostAddress::LocalHost),
                                port ? port : server->serverPort());
        return QTest::qWaitFor([client] { return client->isConnected(); }, Timeout) ? client
                                                                                     : nullptr;
    }
    bool connectRaw(QTcpSocket *socket) // a socket speaking no frames of its own
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
    QByteArray fetch(const QByteArray &command, const QByteArray &body = {})
    {
        return exchange(connect(), command, body).second;
    }
    // Each request in turn: "ok" for its reply, else the failure's code.
    QString outcomes(FrameClient *client, const QList<Reply> &requests)
    {
        QStringList outcomes;
        for (const Reply &request : requests) {
            const Reply reply = exchange(client, request.first, request.second);
            const auto failure = RequestFailure::read(reply.second);
            outcomes << (reply.first == request.first
                             ? QStringLiteral("ok")
                             : QString::number(failure ? failure->code : 0));
        }
        return outcomes.join(QLatin1Char(' '));
    }
    bool answers(FrameClient *client) // still served
    {
        return exchange(client, "Get_tree_objects").first == "Get_tree_objects";
    }
};

#endif // SERVERHARNESS_H
