#include "FrameClient.h"

#include "wire/LiveMessages.h"
#include "wire/Commands.h"

#include "wire/Frame.h"

#include <QDataStream>
#include <QTcpSocket>

FrameClient::FrameClient(QObject *parent)
    : QObject(parent), m_socket(new QTcpSocket(this))
{
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        // Requests are small and wait for their replies: no batching.
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        emit connected();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, &FrameClient::disconnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &FrameClient::onReadyRead);
}

FrameClient::~FrameClient() = default;

void FrameClient::connectToServer(const QHostAddress &address, quint16 port)
{
    m_buffer.clear();
    m_socket->connectToHost(address, port);
}

void FrameClient::disconnectFromServer()
{
    m_socket->disconnectFromHost();
}

bool FrameClient::isConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

void FrameClient::send(const QByteArray &command, const QByteArray &body)
{
    sendTo(Commands::ServerName, command, body);
}

void FrameClient::sendTo(const QByteArray &server, const QByteArray &command,
                         const QByteArray &body)
{
    m_socket->write(Frame::encode(Frame::Request{server, command, body}));
}

void FrameClient::sendToken(const QByteArray &token)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << token;
    send(Commands::AuthToken, body);
}

bool FrameClient::isNews(const QByteArray &command)
{
    return command == Commands::SectionsState || command == Commands::UnitPositions
           || command == Commands::CheckEvents;
}

void FrameClient::onReadyRead()
{
    // Replies are ours to trust only as far as the framing goes.
    const qint64 cap = qint64(Frame::MaxSize) + 4;
    while (m_socket->bytesAvailable() > 0) {
        const qint64 room = qMax<qint64>(1, cap - m_buffer.size());
        m_buffer += m_socket->read(qMin(room, m_socket->bytesAvailable()));
        for (;;) {
            QByteArray payload;
            const Frame::Splitter::Result result = Frame::Splitter::take(m_buffer, &payload);
            if (result == Frame::Splitter::NeedMore)
                break;
            const std::optional<Frame::Reply> reply = result == Frame::Splitter::TooLarge
                ? std::nullopt : Frame::decodeReply(payload);
            if (!reply) {
                m_buffer.clear();
                m_socket->abort();
                return;
            }
            if (isNews(reply->command))
                emit newsReceived(reply->command, reply->body);
            else
                emit replyReceived(reply->command, reply->body);
        }
    }
}
