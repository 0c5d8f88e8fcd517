#ifndef HOSTTINYSERVER_H
#define HOSTTINYSERVER_H

// The server end of the host's link in a test, and a plug-in that keeps the
// replies it is handed. Header-only: only the host's suites link the framing.
#include "wire/Frame.h"
#include <PluginInterface.h>

#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

using Reply = QPair<QByteArray, QByteArray>; // command, body

// Takes one client at a time and keeps what it sent on the latest connection.
class TinyServer : public QObject
{
public:
    TinyServer()
    {
        connect(&server, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                client = socket;
                received.clear();
                connect(socket, &QTcpSocket::readyRead, this,
                        [this, socket]() { received += socket->readAll(); });
            }
        });
    }

    void send(const QByteArray &bytes)
    {
        client->write(bytes);
        client->flush();
    }
    void reply(const QByteArray &command, const QByteArray &body)
    {
        send(Frame::encode(Frame::Reply{command, body}));
    }
    void dropClient()
    {
        client->abort();
        client = nullptr;
    }

    // The requests received so far, while they are whole frames.
    QList<Frame::Request> requests() const
    {
        QList<Frame::Request> out;
        QByteArray buffer = received;
        QByteArray payload;
        while (Frame::Splitter::take(buffer, &payload) == Frame::Splitter::Complete) {
            const std::optional<Frame::Request> request = Frame::decodeRequest(payload);
            if (!request)
                break;
            out << *request;
        }
        return out;
    }
    QList<QByteArray> commands() const
    {
        QList<QByteArray> out;
        for (const Frame::Request &request : requests())
            out << request.command;
        return out;
    }

    QTcpServer server;
    QTcpSocket *client = nullptr;
    QByteArray received;
};

class RecordingPlugin : public PluginInterface
{
public:
    QString GetPluginName() override { return QStringLiteral("recording"); }
    QString GetName() override { return GetPluginName(); }
    void OnServerReply(QByteArray &command, QByteArray &body) override
    {
        replies.append({command, body});
        if (onReply)
            onReply();
    }

    QList<Reply> replies;
    std::function<void()> onReply;
};

#endif // HOSTTINYSERVER_H
