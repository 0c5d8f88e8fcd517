#ifndef STREAMREAD_H
#define STREAMREAD_H

#include <QDataStream>
#include <QIODevice>
#include <QList>
#include <QtEndian>

#include <optional>

// Readers for counted lists in server bodies. The server's count is never
// trusted to size memory: room is reserved only for what the rest of the body
// can hold, and reading follows the old stream rule that a list stops at the
// end of the body after an element (count 5 on a body holding 2: two elements).
namespace StreamRead {

// Bytes left in the stream's device; 0 when it has none or cannot tell.
inline qint64 bytesLeft(const QDataStream &in)
{
    const QIODevice *device = in.device();
    if (!device)
        return 0;
    const qint64 left = device->bytesAvailable();
    return left > 0 ? left : 0;
}

// True while another item of a counted run can still be read: the stream is
// healthy and not at its end. Loops over server counts use it so that a
// count of four billion on a short body costs nothing.
inline bool canRead(const QDataStream &in)
{
    return in.status() == QDataStream::Ok && !in.atEnd();
}

// Room to reserve for a run of count items of at least wireSize bytes each:
// no more than the rest of the body can hold, and never more than a million.
inline int reservation(const QDataStream &in, quint32 count, qint64 wireSize)
{
    const qint64 fits = wireSize > 0 ? bytesLeft(in) / wireSize : 0;
    return int(qMin<qint64>(count, qMin<qint64>(fits, 1 << 20)));
}

template <typename T>
void readList(QDataStream &in, QList<T> &list, qint64 wireSize)
{
    list.clear();
    quint32 count = 0;
    in >> count;
    list.reserve(reservation(in, count, wireSize));
    for (quint32 i = 0; i < count; ++i) {
        T value;
        in >> value;
        list.append(value);
        if (in.atEnd())
            break;
    }
}

inline void readIntList(QDataStream &in, QList<int> &list)
{
    readList<int>(in, list, sizeof(qint32));
}

// A QString or QByteArray read as `in >> StreamRead::sized(text)`: a length
// that says more than the body still holds is refused at once. Qt's own
// readers set a megabyte aside for such a length before they find the bytes
// missing, which a stream of hostile lengths turns into work for nothing.
template <typename Text>
struct Sized
{
    Text &text;
};

template <typename Text>
Sized<Text> sized(Text &text)
{
    return {text};
}

template <typename Text>
QDataStream &operator>>(QDataStream &in, Sized<Text> field)
{
    constexpr quint32 NullLength = 0xFFFFFFFFu;
    QIODevice *device = in.device();
    if (in.status() == QDataStream::Ok && device) {
        const QByteArray head = device->peek(sizeof(quint32));
        const quint32 length =
            head.size() == sizeof(quint32) ? qFromBigEndian<quint32>(head.constData()) : 0;
        if (length != NullLength && qint64(length) + qint64(head.size()) > bytesLeft(in)) {
            field.text = Text();
            in.setStatus(QDataStream::ReadPastEnd);
            return in;
        }
    }
    return in >> field.text;
}

// A whole body that is a count, then that many items, to its end exactly;
// nothing when it is not. The count is refused at once when the body cannot
// hold that many items of at least minItemSize bytes. readOne reads strings
// with sized().
template <typename T, typename ReadOne>
std::optional<QList<T>> readCounted(const QByteArray &body, int version, qint64 minItemSize,
                                    ReadOne readOne)
{
    QDataStream in(body);
    in.setVersion(version);
    quint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok || qint64(count) > bytesLeft(in) / minItemSize)
        return std::nullopt;
    QList<T> items;
    items.reserve(int(count));
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i)
        items.append(readOne(in));
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return items;
}

} // namespace StreamRead

#endif // STREAMREAD_H
