#ifndef CLIENTCONNECTION_H
#define CLIENTCONNECTION_H

#include "ReplySink.h"

#include "wire/LiveMessages.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QString>

class FrameBudget;
class LogLimiter;
class QTcpSocket;
class QTimer;
struct ServerOptions;

// One client of the server: cuts frames off what the socket delivers, checks
// the token when one is required, and hands each request on. A frame that is
// too large, does not parse or takes too long, and any wrong or missing
// token, closes this connection only.
//
// What goes out: replies are written in order and never dropped; unit
// positions and section states are news, and a client that reads slowly gets
// the newest of them rather than a growing queue: while its socket holds more
// than a little, the newest position per unit and state per route wait, each
// replacing an older one not yet sent.
class ClientConnection : public QObject, public ReplySink
{
    Q_OBJECT

public:
    // News waits while the socket holds more than this.
    static constexpr qint64 NewsLowWater = 256 * 1024;

    // Takes the socket over. The budget and the limiter (shared by every
    // connection) outlive the connection.
    ClientConnection(QTcpSocket *socket, const ServerOptions &options, FrameBudget *budget,
                     LogLimiter *logLimiter, QObject *parent = nullptr);
    ~ClientConnection() override;

    bool isAuthenticated() const { return m_authenticated; }
    // How long since the last complete frame, or since connecting when none came.
    qint64 msSinceLastFrame() const { return m_lastFrame.elapsed(); }
    QString peer() const { return m_peer; }

    void sendReply(const QByteArray &command, const QByteArray &body) override;
    void sendRouteState(qint32 routeId, const QByteArray &body) override;
    void setHeld(bool held) override;
    void sendPositions(const QList<LiveMessages::PositionReport> &reports);
    // Positions and states replaced before they were sent.
    qint64 thinned() const { return m_thinned; }
    // Whether the server closed it (a limit, a bad frame), rather than its peer.
    bool wasClosed() const { return m_wasClosed; }

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
    void readFrames();
    bool takeFrames();
    bool checkAnnouncedLength();
    void reserveFor(qint64 bytes);
    bool handlePayload(const QByteArray &payload);
    bool acceptsToken(const QByteArray &body) const;
    void settleBudget();
    bool isBacklogged() const;
    void write(const QByteArray &frame);
    void flushNews();
    void finish();

    QTcpSocket *m_socket; // owned, a child
    FrameBudget *m_budget; // not owned
    LogLimiter *m_logLimiter; // not owned
    QTimer *m_authTimer = nullptr;
    QTimer *m_frameTimer;
    QByteArray m_token;
    qint64 m_maxPendingOutput;
    int m_maxFrameBeforeAuth;
    QByteArray m_buffer;
    qint64 m_borrowed = 0; // of the budget, for the frame in m_buffer
    bool m_waitingForRoom = false;
    bool m_held = false;
    QElapsedTimer m_lastFrame;
    QMap<qint32, LiveMessages::PositionReport> m_positions; // waiting, by unit
    QMap<qint32, QByteArray> m_states;                      // waiting, by route
    qint64 m_thinned = 0;
    QString m_peer;
    bool m_authenticated;
    bool m_closing = false;
    bool m_wasClosed = false;
    bool m_finished = false;
};

#endif // CLIENTCONNECTION_H
