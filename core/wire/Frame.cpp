#include "wire/Frame.h"

#include "wire/StreamRead.h"

#include <QDataStream>
#include <QtEndian>

namespace Frame {

namespace {

QByteArray withLength(const QByteArray &payload)
{
    QByteArray frame(4, '\0');
    qToBigEndian<quint32>(quint32(payload.size()), frame.data());
    return frame + payload;
}

template <typename... Parts>
QByteArray write(const Parts &...parts)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    (out << ... << parts);
    return withLength(payload);
}

// A message is well formed when every field read cleanly and nothing is left over.
template <typename Message, typename... Parts>
std::optional<Message> read(const QByteArray &payload, Message message, Parts Message::*...parts)
{
    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_4_5);
    (in >> ... >> StreamRead::sized(message.*parts));
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return message;
}

} // namespace

QByteArray encode(const Request &request)
{
    return write(request.server, request.command, request.body);
}

QByteArray encode(const Reply &reply)
{
    return write(reply.command, reply.body);
}

bool fits(const Reply &reply)
{
    // Each QByteArray is its length and its bytes.
    return 4 + quint64(reply.command.size()) + 4 + quint64(reply.body.size()) <= MaxSize;
}

std::optional<Request> decodeRequest(const QByteArray &payload)
{
    return read(payload, Request(), &Request::server, &Request::command, &Request::body);
}

std::optional<Reply> decodeReply(const QByteArray &payload)
{
    return read(payload, Reply(), &Reply::command, &Reply::body);
}

Splitter::Result Splitter::take(QByteArray &buffer, QByteArray *payload)
{
    if (buffer.size() < 4)
        return NeedMore;
    const quint32 length = qFromBigEndian<quint32>(buffer.constData());
    if (length > MaxSize)
        return TooLarge;
    if (quint32(buffer.size()) - 4 < length)
        return NeedMore;
    *payload = buffer.mid(4, int(length));
    buffer.remove(0, int(length) + 4);
    return Complete;
}

} // namespace Frame
