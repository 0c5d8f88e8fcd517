#ifndef FRAMECLIENT_H
#define FRAMECLIENT_H

#include <QByteArray>
#include <QHostAddress>
#include <QObject>

class QTcpSocket;

// A client of the server's socket: sends requests to "OperCheck_Server1" and
// reports each reply frame. Never blocks; a reply frame that is too large or
// does not parse drops the connection.
class FrameClient : public QObject
{
    Q_OBJECT

public:
    explicit FrameClient(QObject *parent = nullptr);
    ~FrameClient() override;

    void connectToServer(const QHostAddress &address, quint16 port);
    void disconnectFromServer();
    bool isConnected() const;

    // A request frame; server defaults to "OperCheck_Server1".
    void send(const QByteArray &command, const QByteArray &body = QByteArray());
    void sendTo(const QByteArray &server, const QByteArray &command, const QByteArray &body);
    // "Auth_token" with the token as its body.
    void sendToken(const QByteArray &token);

    // The socket itself, for writing raw bytes and watching its state.
    QTcpSocket *socket() const { return m_socket; }

    static bool isNews(const QByteArray &command);

signals:
    void connected();
    void disconnected();
    // Replies to requests and check mode changes.
    void replyReceived(const QByteArray &command, const QByteArray &body);
    // What the live checking sends unasked: section states, unit positions
    // and check events.
    void newsReceived(const QByteArray &command, const QByteArray &body);

private:
    void onReadyRead();

    QTcpSocket *m_socket; // a child
    QByteArray m_buffer;
};

#endif // FRAMECLIENT_H
