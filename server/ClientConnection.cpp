#include "ClientConnection.h"

#include "FrameBudget.h"
#include "LogLimiter.h"
#include "ServerLog.h"
#include "ServerOptions.h"

#include "wire/Commands.h"
#include "wire/Frame.h"

#include <QDataStream>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#include <utility>

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

constexpr int LengthBytes = 4;

} // namespace

ClientConnection::ClientConnection(QTcpSocket *socket, const ServerOptions &options,
                                   FrameBudget *budget, LogLimiter *logLimiter,
                                   QObject *parent)
    : QObject(parent),
      m_socket(socket),
      m_budget(budget),
      m_logLimiter(logLimiter),
      m_frameTimer(new QTimer(this)),
      m_token(options.token),
      m_maxPendingOutput(options.maxPendingOutput),
      m_maxFrameBeforeAuth(options.maxFrameBeforeAuth),
      m_authenticated(options.token.isEmpty())
{
    m_socket->setParent(this);
    m_peer = ServerOptions::endpointText(m_socket->peerAddress(), m_socket->peerPort());
    m_lastFrame.start();
    // Qt's own buffer stays small; ours holds the frame being assembled.
    m_socket->setReadBufferSize(1 << 20);
    // A reply goes out when written, not when an earlier one is acknowledged.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(m_socket, &QTcpSocket::readyRead, this, &ClientConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &ClientConnection::flushNews);
    connect(m_socket, &QTcpSocket::disconnected, this, &ClientConnection::finish);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, [this] {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            finish();
    });
    // Queued: room is given back in the middle of another connection's reading.
    connect(
        m_budget, &FrameBudget::released, this,
        [this] {
            if (m_waitingForRoom)
                onReadyRead();
        },
        Qt::QueuedConnection);
    m_frameTimer->setSingleShot(true);
    m_frameTimer->setInterval(options.frameTimeoutMs);
    connect(m_frameTimer, &QTimer::timeout, this, [this] {
        close(QStringLiteral("a frame still unfinished %1 s after its first byte (%2 bytes in)")
                  .arg(m_frameTimer->interval() / 1000.0)
                  .arg(m_buffer.size()));
    });
    if (!m_authenticated) {
        m_authTimer = new QTimer(this);
        m_authTimer->setSingleShot(true);
        connect(m_authTimer, &QTimer::timeout, this,
                [this] { close(QStringLiteral("no token in time")); });
        m_authTimer->start(options.authTimeoutMs);
    }
}

ClientConnection::~ClientConnection()
{
    settleBudget();
}

void ClientConnection::sendReply(const QByteArray &command, const QByteArray &body)
{
    if (m_closing)
        return;
    if (m_socket->bytesToWrite() > m_maxPendingOutput) {
        close(QStringLiteral("it does not read its replies (%1 bytes wait)")
                  .arg(m_socket->bytesToWrite()));
        return;
    }
    write(Frame::encode(Frame::Reply{command, body}));
}

void ClientConnection::sendPositions(const QList<LiveMessages::PositionReport> &reports)
{
    if (m_closing)
        return;
    if (m_positions.isEmpty() && !isBacklogged()) {
        write(Frame::encode(Frame::Reply{Commands::UnitPositions,
                                         LiveMessages::positionsBody(reports)}));
        return;
    }
    for (const LiveMessages::PositionReport &report : reports) {
        const auto waiting = m_positions.find(report.unitId);
        if (waiting == m_positions.end()) {
            m_positions.insert(report.unitId, report);
            continue;
        }
        ++m_thinned;
        if (report.time >= waiting->time)
            *waiting = report;
    }
}

void ClientConnection::sendRouteState(qint32 routeId, const QByteArray &body)
{
    if (m_closing)
        return;
    if (m_states.isEmpty() && !isBacklogged()) {
        write(Frame::encode(Frame::Reply{Commands::SectionsState, body}));
        return;
    }
    const auto waiting = m_states.find(routeId);
    if (waiting == m_states.end()) {
        m_states.insert(routeId, body);
    } else {
        ++m_thinned;
        *waiting = body;
    }
}

void ClientConnection::setHeld(bool held)
{
    m_held = held;
    // What came meanwhile waits in the socket; read it after this turn.
    if (!held)
        QMetaObject::invokeMethod(this, &ClientConnection::onReadyRead, Qt::QueuedConnection);
}

bool ClientConnection::isBacklogged() const
{
    return m_socket->bytesToWrite() > NewsLowWater;
}

void ClientConnection::write(const QByteArray &frame)
{
    m_socket->write(frame);
    // Handed to the system now, not at some later turn of the event loop.
    m_socket->flush();
}

void ClientConnection::flushNews()
{
    if (m_closing || isBacklogged())
        return;
    const QMap<qint32, QByteArray> states = std::exchange(m_states, {});
    for (const QByteArray &body : states)
        write(Frame::encode(Frame::Reply{Commands::SectionsState, body}));
    if (!m_positions.isEmpty()) {
        const QList<LiveMessages::PositionReport> reports = m_positions.values();
        m_positions.clear();
        write(Frame::encode(Frame::Reply{Commands::UnitPositions,
                                         LiveMessages::positionsBody(reports)}));
    }
}

void ClientConnection::close(const QString &reason)
{
    if (m_closing)
        return;
    m_wasClosed = true;
    if (m_logLimiter->admit("closing a client"))
        qCWarning(lcServer).noquote() << "closing" << m_peer << ':' << reason;
    drop();
}

void ClientConnection::drop()
{
    if (m_closing)
        return;
    m_closing = true;
    m_buffer.clear();
    settleBudget();
    if (m_authTimer)
        m_authTimer->stop();
    m_frameTimer->stop();
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
    m_positions.clear();
    m_states.clear();
    settleBudget();
    m_frameTimer->stop();
    emit finished();
}

void ClientConnection::settleBudget()
{
    // A finished connection owes nothing, and may outlive a stopped server's budget.
    if (m_borrowed > 0)
        m_budget->give(std::exchange(m_borrowed, 0));
}

void ClientConnection::onReadyRead()
{
    readFrames();
    // The clock runs from the first byte of a frame that did not come whole.
    if (m_closing || m_buffer.isEmpty())
        m_frameTimer->stop();
    else if (!m_frameTimer->isActive())
        m_frameTimer->start();
}

void ClientConnection::readFrames()
{
    // Only the bytes of the frame being assembled are taken from the socket:
    // the buffer never holds more than one frame.
    m_waitingForRoom = false;
    while (!m_closing && !m_held && m_socket->bytesAvailable() > 0) {
        qint64 wanted = LengthBytes - m_buffer.size();
        if (wanted <= 0)
            wanted = qFromBigEndian<quint32>(m_buffer.constData()) + qint64(LengthBytes)
                     - m_buffer.size();
        wanted = qMin(wanted, m_socket->bytesAvailable());
        // Beyond the connection's own allowance, bytes come from the shared budget.
        const qint64 beyond =
            qMax<qint64>(0, m_buffer.size() + wanted - ServerOptions::OwnFrameBytes)
            - m_borrowed;
        if (beyond > 0) {
            const qint64 granted = m_budget->take(beyond);
            m_borrowed += granted;
            wanted -= beyond - granted;
            if (wanted <= 0) {
                m_waitingForRoom = true; // the peer's bytes wait in the socket
                return;
            }
        }
        const bool hadLength = m_buffer.size() >= LengthBytes;
        reserveFor(m_buffer.size() + wanted);
        m_buffer += m_socket->read(wanted);
        if (!hadLength && m_buffer.size() >= LengthBytes && !checkAnnouncedLength())
            return;
        if (!takeFrames())
            return;
    }
}

bool ClientConnection::checkAnnouncedLength()
{
    const quint32 length = qFromBigEndian<quint32>(m_buffer.constData());
    if (length > Frame::MaxSize) {
        close(QStringLiteral("a frame of %1 bytes announced, more than %2")
                  .arg(length)
                  .arg(Frame::MaxSize));
        return false;
    }
    if (!m_authenticated && length > quint32(m_maxFrameBeforeAuth)) {
        close(QStringLiteral("a frame of %1 bytes before the token, more than %2")
                  .arg(length)
                  .arg(m_maxFrameBeforeAuth));
        return false;
    }
    return true;
}

void ClientConnection::reserveFor(qint64 bytes)
{
    if (bytes <= m_buffer.capacity())
        return;
    // Room grows with what came, never past the frame: announcing 64 MiB
    // takes nothing until the bytes follow.
    const qint64 frame = m_buffer.size() >= LengthBytes
                             ? qFromBigEndian<quint32>(m_buffer.constData()) + qint64(LengthBytes)
                             : LengthBytes;
    m_buffer.reserve(int(qMin(frame, qMax(bytes, 2 * qint64(m_buffer.capacity())))));
}

bool ClientConnection::takeFrames()
{
    if (m_buffer.size() < LengthBytes)
        return true;
    const quint32 length = qFromBigEndian<quint32>(m_buffer.constData());
    if (quint32(m_buffer.size() - LengthBytes) < length)
        return true;
    // The buffer holds exactly this frame: no copy of a large one.
    QByteArray payload = std::exchange(m_buffer, QByteArray());
    payload.remove(0, LengthBytes);
    settleBudget();
    m_lastFrame.restart();
    return handlePayload(payload);
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
        if (m_logLimiter->admit("request for another server")) {
            qCWarning(lcServer) << "request" << request.command.left(64) << "for server"
                                << request.server.left(64) << "ignored";
        }
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
