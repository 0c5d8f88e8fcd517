#ifndef CLIENTCONNECTION_H
#define CLIENTCONNECTION_H

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;
struct ServerOptions;

// One client of the server: cuts frames off what the socket delivers, checks
// the token when one is required, and hands each request on. Any frame that
// is too large or does not parse, and any wrong or missing token, closes this
// connection only.
class ClientConnection : public QObject
{
    Q_OBJECT

public:
    // Most bytes held for one client: one frame of the largest size with its prefix.
    static const int MaxBuffered;

    // Takes the socket over. Uses the token (empty: none required), the time
    // to give it and the limit of replies not yet taken by the client.
    ClientConnection(QTcpSocket *socket, const ServerOptions &options, QObject *parent = nullptr);
    ~ClientConnection() override;

    bool isAuthenticated() const { return m_authenticated; }

    void sendReply(const QByteArray &command, const QByteArray &body);
    // Logs the reason and drops the connection at once; finished() follows.
    void close(const QString &reason);
    // Drops the connection without a word, as when the server stops.
    void drop();

signals:
    // The token was accepted (not emitted when none is required).
    void authenticated();
    // A whole request to the server, after the token check.
    void requestReceived(const QByteArray &command, const QByteArray &body);
    // The connection is over; the owner deletes it later.
    void finished();

private:
    void onReadyRead();
    bool takeFrames();
    bool handlePayload(const QByteArray &payload);
    bool acceptsToken(const QByteArray &body) const;
    void finish();

    QTcpSocket *m_socket; // owned, a child
    QTimer *m_authTimer = nullptr;
    QByteArray m_token;
    qint64 m_maxPendingOutput;
    QByteArray m_buffer;
    QString m_peer;
    bool m_authenticated;
    bool m_closing = false;
    bool m_finished = false;
};

#endif // CLIENTCONNECTION_H
