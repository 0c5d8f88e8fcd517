#include "PeerLink.h"

#include "FrameClient.h"
#include "ServerLog.h"

#include "wire/Endpoint.h"
#include "wire/Frame.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

PeerLink::PeerLink(const QByteArray &token, QObject *parent)
    : QObject(parent), m_token(token), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &PeerLink::onNewConnection);
}

PeerLink::~PeerLink()
{
    close();
}

bool PeerLink::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (m_server->listen(address, port))
        return true;
    *error = QStringLiteral("cannot listen for the other servers on %1 port %2: %3")
                 .arg(address.toString())
                 .arg(port)
                 .arg(m_server->errorString());
    return false;
}

void PeerLink::close()
{
    m_server->close();
    for (QTcpSocket *socket : m_incoming.keys())
        socket->deleteLater();
    m_incoming.clear();
    qDeleteAll(m_outgoing);
    m_outgoing.clear();
}

QString PeerLink::address() const
{
    const QHostAddress host = m_server->serverAddress();
    const QString text = host.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + host.toString() + QLatin1Char(']')
                             : host.toString();
    return text + QLatin1Char(':') + QString::number(m_server->serverPort());
}

void PeerLink::setPeers(const QList<InstanceLease::Member> &members, const QString &self)
{
    QHash<QString, QString> wanted;
    for (const InstanceLease::Member &member : members) {
        if (member.id != self)
            wanted.insert(member.id, member.address);
    }
    for (auto it = m_outgoing.begin(); it != m_outgoing.end();) {
        const bool keep = wanted.contains(it.key()) && (*it)->isConnected();
        if (!keep) {
            (*it)->deleteLater();
            it = m_outgoing.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        if (m_outgoing.contains(it.key()))
            continue;
        const std::optional<Endpoint> endpoint = Endpoint::parse(it.value());
        const QHostAddress host(endpoint ? endpoint->host : QString());
        if (!endpoint || endpoint->port == 0 || host.isNull()) {
            qCWarning(lcServer) << "a server of the database gave no address to reach it:"
                                << it.value();
            continue;
        }
        auto *client = new FrameClient(this);
        client->connectToServer(host, endpoint->port);
        client->send(Hello, m_token);
        m_outgoing.insert(it.key(), client);
    }
}

void PeerLink::send(const QByteArray &command, const QByteArray &body)
{
    for (FrameClient *client : qAsConst(m_outgoing))
        client->send(command, body);
}

void PeerLink::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_incoming.size() >= MaxIncoming) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setParent(this);
        m_incoming.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_incoming.remove(socket);
            socket->deleteLater();
        });
    }
}

void PeerLink::onReadyRead(QTcpSocket *socket)
{
    auto incoming = m_incoming.find(socket);
    if (incoming == m_incoming.end())
        return;
    incoming->buffer += socket->readAll();
    const auto drop = [&](const char *why) {
        qCWarning(lcServer) << "a peer connection from" << socket->peerAddress().toString()
                            << "was closed:" << why;
        m_incoming.remove(socket);
        socket->abort();
        socket->deleteLater();
    };
    // Before its token a peer is a stranger: its first frame must be small
    // (what follows it may already be here).
    if (!incoming->greeted && incoming->buffer.size() >= 4
        && qFromBigEndian<quint32>(incoming->buffer.constData()) > quint32(MaxHelloBytes))
        return drop("a first frame too large");
    QByteArray payload;
    for (;;) {
        const Frame::Splitter::Result result = Frame::Splitter::take(incoming->buffer, &payload);
        if (result == Frame::Splitter::NeedMore)
            return;
        if (result == Frame::Splitter::TooLarge)
            return drop("a frame too large");
        const std::optional<Frame::Request> request = Frame::decodeRequest(payload);
        if (!request)
            return drop("a frame that does not read");
        if (!incoming->greeted) {
            if (request->command != Hello || request->body != m_token)
                return drop("no peer greeting with the servers' token");
            incoming->greeted = true;
            continue;
        }
        emit received(request->command, request->body);
        incoming = m_incoming.find(socket); // a slot may have closed the link
        if (incoming == m_incoming.end())
            return;
    }
}
