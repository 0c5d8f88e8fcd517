#ifndef PEERLINK_H
#define PEERLINK_H

#include "InstanceLease.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>

class FrameClient;
class QTcpServer;
class QTcpSocket;

// The servers' own link. What one server takes in or judges (positions,
// section states, check events) goes to every other server of the database,
// whose clients get it as their own. Each server listens for its peers and
// connects to each one; frames flow one way on a connection, and a peer's
// first frame carries the servers' token.
class PeerLink : public QObject
{
    Q_OBJECT

public:
    static constexpr char Hello[] = "Peer_hello";
    // What goes from server to server: accepted positions (a "Push_positions"
    // body), one route's section states, recorded check events.
    static constexpr char Positions[] = "Peer_positions";
    static constexpr char States[] = "Peer_states";
    static constexpr char Events[] = "Peer_events";
    // More peers than this, connected at once, are not expected.
    static constexpr int MaxIncoming = 64;
    static constexpr int MaxHelloBytes = 4096;

    explicit PeerLink(const QByteArray &token, QObject *parent = nullptr);
    ~PeerLink() override;

    bool listen(const QHostAddress &address, quint16 port, QString *error);
    void close();
    // host:port, as the others are to reach it.
    QString address() const;

    // Connects to the members not connected (self left out), lets go of the gone.
    void setPeers(const QList<InstanceLease::Member> &members, const QString &self);
    // To every peer.
    void send(const QByteArray &command, const QByteArray &body);

signals:
    void received(const QByteArray &command, const QByteArray &body);

private:
    struct Incoming
    {
        QByteArray buffer;
        bool greeted = false;
    };
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);

    QByteArray m_token;
    QTcpServer *m_server; // a child
    QHash<QTcpSocket *, Incoming> m_incoming; // sockets are children
    QHash<QString, FrameClient *> m_outgoing; // by member id; children
};

#endif // PEERLINK_H
