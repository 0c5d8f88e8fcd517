#ifndef FRAME_H
#define FRAME_H

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// A frame on the socket: a big-endian quint32 length, then that many bytes of
// a Qt_4_5 data stream holding, host to server, the server name, the command
// and the body, and server to host, the command and the body (each a QByteArray).
namespace Frame {

constexpr quint32 MaxSize = 64u * 1024u * 1024u;

struct Request
{
    QByteArray server;
    QByteArray command;
    QByteArray body;
};

struct Reply
{
    QByteArray command;
    QByteArray body;
};

QByteArray encode(const Request &request);
QByteArray encode(const Reply &reply);
// Whether the reply's payload stays within MaxSize.
bool fits(const Reply &reply);

// Payloads without the length prefix; nothing when the bytes are not exactly one message.
std::optional<Request> decodeRequest(const QByteArray &payload);
std::optional<Reply> decodeReply(const QByteArray &payload);

// Cuts whole frames off the front of a receive buffer.
class Splitter
{
public:
    enum Result { NeedMore, Complete, TooLarge };

    // On Complete, payload holds one frame's bytes and buffer loses them.
    // TooLarge: the peer announced more than MaxSize; the connection is to be closed.
    static Result take(QByteArray &buffer, QByteArray *payload);
};

} // namespace Frame

#endif // FRAME_H
