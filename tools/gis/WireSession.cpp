#include "WireSession.h"

#include "wire/Commands.h"
#include "wire/Frame.h"
#include "wire/RequestFailure.h"

#include <QDeadlineTimer>

WireSession::WireSession(const Endpoint &endpoint)
    : m_endpoint(endpoint)
{
}

QString WireSession::where() const
{
    const QString host = m_endpoint.host.contains(QLatin1Char(':'))
                             ? QStringLiteral("[%1]").arg(m_endpoint.host)
                             : m_endpoint.host;
    return QStringLiteral("%1:%2").arg(host).arg(m_endpoint.port);
}

bool WireSession::connectToServer(QString *error)
{
    m_socket.connectToHost(m_endpoint.host, m_endpoint.port);
    if (m_socket.waitForConnected(DeadlineMs))
        return true;
    *error = QStringLiteral("cannot connect to %1: %2").arg(where(), m_socket.errorString());
    return false;
}

bool WireSession::request(const QByteArray &command, const QByteArray &body, QByteArray *reply,
                          QString *error)
{
    const auto fail = [this, error, &command](const QString &why) {
        *error = QStringLiteral("%1, %2: %3").arg(where(), QString::fromLatin1(command), why);
        return false;
    };
    m_socket.write(Frame::encode(Frame::Request{Commands::ServerName, command, body}));
    const QDeadlineTimer deadline(DeadlineMs);
    for (;;) {
        QByteArray payload;
        switch (Frame::Splitter::take(m_buffer, &payload)) {
        case Frame::Splitter::TooLarge:
            return fail(QStringLiteral("the server sent a frame larger than a frame may be"));
        case Frame::Splitter::NeedMore:
            if (m_socket.bytesAvailable() > 0) {
                m_buffer += m_socket.readAll();
                continue;
            }
            if (m_socket.state() != QAbstractSocket::ConnectedState)
                return fail(QStringLiteral("the server closed the connection"));
            if (!m_socket.waitForReadyRead(int(deadline.remainingTime()))) {
                if (deadline.hasExpired())
                    return fail(QStringLiteral("no answer within %1 s").arg(DeadlineMs / 1000));
                return fail(m_socket.errorString());
            }
            m_buffer += m_socket.readAll();
            continue;
        case Frame::Splitter::Complete:
            break;
        }
        const std::optional<Frame::Reply> frame = Frame::decodeReply(payload);
        if (!frame)
            return fail(QStringLiteral("the server sent a frame that does not read"));
        if (frame->command == command) {
            *reply = frame->body;
            return true;
        }
        if (frame->command == Commands::RequestFailed) {
            const std::optional<RequestFailure> failure = RequestFailure::read(frame->body);
            if (failure && failure->command == command)
                return fail(QStringLiteral("%1 (%2, code %3)")
                                .arg(failure->reason, RequestFailure::codeName(failure->code))
                                .arg(failure->code));
        }
        // Anything else is news for every client.
    }
}
