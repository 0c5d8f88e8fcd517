#ifndef SERVERCONNECTION_H
#define SERVERCONNECTION_H

#include "ServerNotifier.h"
#include "wire/RequestFailure.h"

#include <PluginHost.h>

#include <QAbstractSocket>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QElapsedTimer>
#include <QTimer>

class QTcpSocket;

// The host's link to one route-check server over TCP: framed requests out,
// replies back to the plug-in that asked, live news to the host alone,
// reconnection with backoff (the wait starts short again once a connection
// brings a reply). Requests made while there is no connection are dropped;
// every connection is announced through the notifier so that plug-ins reload
// what they show.
class ServerConnection : public QObject, public ServerLink
{
    Q_OBJECT

public:
    enum class State { Idle, Connecting, Connected, Waiting };

    static constexpr int FirstRetryMs = 500;
    // A change the server has not answered this long is reported.
    static constexpr int AnswerDeadlineMs = 10000;
    static constexpr int LastRetryMs = 10000;

    explicit ServerConnection(const QByteArray &serverName, QObject *parent = nullptr);
    ~ServerConnection() override;

    // Starts connecting, and keeps reconnecting until stop() or destruction.
    void connectTo(const QString &host, quint16 port, const QByteArray &token = QByteArray());
    void stop();

    // Replies that may come without a request go to every one of these.
    void setPlugins(const QList<PluginInterface *> &plugins);
    // Forget a plug-in before it is deleted: no reply reaches it afterwards.
    void forgetPlugin(PluginInterface *plugin);

    // ServerLink. A null sender is the host itself: its replies come as hostReply.
    void SendToServer(const QByteArray &server, const QByteArray &command,
                      const QByteArray &body, PluginInterface *sender) override;
    void sendHostRequest(const QByteArray &command, const QByteArray &body = QByteArray());
    // Hands every plug-in command with an empty body, as news from the server
    // would come: the host changed what they show (its own edits are not
    // announced back to it).
    void tellPlugins(const QByteArray &command);

    ServerNotifier *notifier() { return &m_notifier; }
    QByteArray serverName() const { return m_serverName; }
    State state() const { return m_state; }
    bool isConnected() const { return m_state == State::Connected; }
    QString endpoint() const;
    // While waiting to reconnect, the length of that wait; else 0.
    int currentWaitMs() const;
    // While waiting to reconnect, what is left of that wait; else 0.
    int msUntilRetry() const;

    void setAnswerDeadlineMs(int ms) { m_answerDeadlineMs = ms; }

    // The wait after a failed attempt that waited currentMs: doubled, at most LastRetryMs.
    static int nextRetryMs(int currentMs);

    // Replies that every plug-in gets, asked for or not.
    static bool isUnaskedCommand(const QByteArray &command);
    // News for the host alone: unit positions, check events, unit tree changes.
    static bool isHostNews(const QByteArray &command);
    // The requests that change what the server stores.
    static bool isChange(const QByteArray &command);

signals:
    void connected();
    void disconnected(const QString &reason);
    // Replies to the host's own requests.
    void hostReply(const QByteArray &command, const QByteArray &body);
    // News the server sends every client unasked; plug-ins never see it.
    void hostNews(const QByteArray &command, const QByteArray &body);
    // The server could not carry out a request; it took the reply's place. The
    // plug-in that asked gets it too, as a "Request_failed" reply with the same
    // body; null when the host asked or the asker is gone.
    void requestFailed(const RequestFailure &failure, PluginInterface *plugin);
    // A change that may not have been carried out: it could not be sent, the
    // link went before its answer, or no answer came in time. Told once each;
    // the asker got nothing, so its edits stay marked.
    void requestUnanswered(const QByteArray &command, const QString &reason);
    // After a reply or news reached whoever it was for.
    void replyDelivered(const QByteArray &command);
    void stateChanged(ServerConnection::State state);

private:
    void startConnecting();
    void onConnected();
    void onLost(const QString &reason);
    void onReadyRead();
    // Cuts whole frames off the received bytes; false when the stream had to be dropped.
    bool takeFrames();
    void deliver(const QByteArray &command, const QByteArray &body);
    void takeFailure(const QByteArray &body);
    void handOver(PluginInterface *plugin, const QByteArray &command, const QByteArray &body);
    void setState(State state);
    void write(const QByteArray &command, const QByteArray &body);
    void watchAnswers();
    // Reports every change still waiting for its answer, once.
    void reportWaiting(const QString &reason, qint64 olderThanMs);

    QByteArray m_serverName;
    QTcpSocket *m_socket;
    QTimer m_retryTimer;
    ServerNotifier m_notifier;
    QString m_host;
    quint16 m_port = 0;
    QByteArray m_token;
    State m_state = State::Idle;
    int m_retryMs = FirstRetryMs;
    QByteArray m_buffer;
    // Whole reply payloads not yet handed out; a plug-in may spin an event loop
    // while it handles one, and the next must wait for it.
    QQueue<QByteArray> m_inbox;
    bool m_delivering = false;
    // Who asked, per command, oldest first. A forgotten plug-in leaves an entry
    // with neither, so that the replies after it still pair with their senders.
    struct Waiter
    {
        PluginInterface *plugin = nullptr;
        bool host = false;
        qint64 sentMs = 0;     // on m_clock
        bool reported = false; // as unanswered
    };
    QHash<QByteArray, QQueue<Waiter>> m_waiting;
    QList<PluginInterface *> m_plugins; // not owned
    QElapsedTimer m_clock;
    QTimer m_answerWatch; // runs while a change waits
    int m_answerDeadlineMs = AnswerDeadlineMs;
};

#endif // SERVERCONNECTION_H
