#include "ClientConnection.h"

#include "wire/Commands.h"
#include "ServerLog.h"
#include "ServerOptions.h"

#include "wire/Frame.h"

#include <QDataStream>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

const int ClientConnection::MaxBuffered = int(Frame::MaxSize) + 4;

namespace {

// Compares in time that depends on the length only, not on where the first
// difference is.
bool sameToken(const QByteArray &given, const QByteArray &expected)
{
    if (given.size() != expected.size())
        return false;
    unsigned char difference = 0;
    for (int i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given.at(i) ^ expected.at(i));
    return difference == 0;
}

} // namespace

ClientConnection::ClientConnection(QTcpSocket *socket, const ServerOptions &options,
                                   QObject *parent)
    : QObject(parent),
      m_socket(socket),
      m_token(options.token),
      m_maxPendingOutput(options.maxPendingOutput),
      m_authenticated(options.token.isEmpty())
{
    m_socket->setParent(this);
    m_peer = ServerOptions::endpointText(m_socket->peerAddress(), m_socket->peerPort());
    // Qt's own buffer stays small; ours holds the frame being assembled.
    m_socket->setReadBufferSize(1 << 20);
    connect(m_socket, &QTcpSocket::readyRead, this, &ClientConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &ClientConnection::finish);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, [this] {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            finish();
    });
    if (!m_authenticated) {
        m_authTimer = new QTimer(this);
        m_authTimer->setSingleShot(true);
        connect(m_authTimer, &QTimer::timeout, this,
                [this] { close(QStringLiteral("no token in time")); });
        m_authTimer->start(options.authTimeoutMs);
    }
}

ClientConnection::~ClientConnection() = default;

void ClientConnection::sendReply(const QByteArray &command, const QByteArray &body)
{
    if (m_closing)
        return;
    if (m_socket->bytesToWrite() > m_maxPendingOutput) {
        close(QStringLiteral("it does not read its replies"));
        return;
    }
    m_socket->write(Frame::encode(Frame::Reply{command, body}));
}

void ClientConnection::close(const QString &reason)
{
    if (m_closing)
        return;
    qCWarning(lcServer).noquote() << "closing" << m_peer << ':' << reason;
    drop();
}

void ClientConnection::drop()
{
    if (m_closing)
        return;
    m_closing = true;
    m_buffer.clear();
    if (m_authTimer)
        m_authTimer->stop();
    m_socket->abort();
    finish();
}

void ClientConnection::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_closing = true;
    m_buffer.clear();
    emit finished();
}

void ClientConnection::onReadyRead()
{
    // Only the bytes of the frame being assembled are taken from the socket:
    // the buffer never exceeds one frame, and cutting a frame off it never
    // moves a tail of further frames along.
    while (!m_closing && m_socket->bytesAvailable() > 0) {
        qint64 wanted = 4 - m_buffer.size();
        if (wanted <= 0) {
            const quint32 length = qFromBigEndian<quint32>(m_buffer.constData());
            wanted = qint64(qMin(length, Frame::MaxSize)) + 4 - m_buffer.size();
        }
        wanted = qBound<qint64>(1, wanted, MaxBuffered - m_buffer.size());
        const QByteArray chunk = m_socket->read(qMin(wanted, m_socket->bytesAvailable()));
        if (chunk.isEmpty())
            return;
        m_buffer += chunk;
        if (!takeFrames())
            return;
    }
}

bool ClientConnection::takeFrames()
{
    for (;;) {
        QByteArray payload;
        switch (Frame::Splitter::take(m_buffer, &payload)) {
        case Frame::Splitter::NeedMore:
            return true;
        case Frame::Splitter::TooLarge:
            close(QStringLiteral("frame larger than %1 bytes announced").arg(Frame::MaxSize));
            return false;
        case Frame::Splitter::Complete:
            if (!handlePayload(payload))
                return false;
            break;
        }
    }
}

bool ClientConnection::handlePayload(const QByteArray &payload)
{
    const std::optional<Frame::Request> decoded = Frame::decodeRequest(payload);
    if (!decoded) {
        close(QStringLiteral("a frame of %1 bytes that does not parse").arg(payload.size()));
        return false;
    }
    const Frame::Request &request = *decoded;
    const bool isToken = request.command == Commands::AuthToken
                         && request.server == Commands::ServerName;
    if (!m_authenticated) {
        if (!isToken || !acceptsToken(request.body)) {
            close(isToken ? QStringLiteral("wrong token")
                          : QStringLiteral("the first frame is not the token"));
            return false;
        }
        m_authenticated = true;
        m_authTimer->stop();
        emit authenticated();
        return !m_closing;
    }
    if (isToken) {
        // Once in, a further token must still be the right one.
        if (!m_token.isEmpty() && !acceptsToken(request.body)) {
            close(QStringLiteral("wrong token"));
            return false;
        }
        return true;
    }
    if (request.server != Commands::ServerName) {
        qCWarning(lcServer) << "request" << request.command.left(64) << "for server"
                            << request.server.left(64) << "ignored";
        return true;
    }
    emit requestReceived(request.command, request.body);
    return !m_closing;
}

bool ClientConnection::acceptsToken(const QByteArray &body) const
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    QByteArray given;
    in >> given;
    return in.status() == QDataStream::Ok && in.atEnd() && sameToken(given, m_token);
}
