#ifndef WIREWRITER_H
#define WIREWRITER_H

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstring>
#include <utility>

// Builds bytes exactly as a Qt_4_5 QDataStream writes them (big-endian
// integers, a bool as one byte, a string as its UTF-16 byte count then the
// code units, a null string as 0xFFFFFFFF). Whole tree replies are written
// this way: a stream goes through its device for every value, and a byte
// array's append checks for sharing each time.
class WireWriter
{
public:
    // Room for size bytes in all, so that writing them allocates nothing more.
    void reserve(int size)
    {
        if (size > m_bytes.size())
            grow(size);
    }

    void putUInt32(quint32 value)
    {
        char *to = room(4);
        to[0] = char(value >> 24);
        to[1] = char(value >> 16);
        to[2] = char(value >> 8);
        to[3] = char(value);
    }
    void putInt32(qint32 value) { putUInt32(quint32(value)); }
    void putBool(bool value) { *room(1) = char(value ? 1 : 0); }
    void putRaw(const char *data, int size)
    {
        if (size > 0)
            std::memcpy(room(size), data, size_t(size));
    }

    void putString(const QString &text)
    {
        if (text.isNull()) {
            putUInt32(NullString);
            return;
        }
        putUInt32(quint32(text.size()) * 2);
        char *to = room(2 * text.size());
        for (const QChar c : text) {
            *to++ = char(c.unicode() >> 8);
            *to++ = char(c.unicode() & 0xFF);
        }
    }

    // The place of a count written before its items are known.
    int reserveUInt32()
    {
        const int at = m_size;
        putUInt32(0);
        return at;
    }
    void patchUInt32(int at, quint32 value)
    {
        for (int k = 0; k < 4; ++k)
            m_data[at + k] = char(value >> (24 - 8 * k));
    }

    int size() const { return m_size; }
    const char *constData() const { return m_data; }

    // The bytes written; the writer starts empty again.
    QByteArray take()
    {
        m_bytes.resize(m_size);
        m_size = 0;
        m_data = nullptr;
        return std::exchange(m_bytes, QByteArray());
    }

private:
    static constexpr quint32 NullString = 0xFFFFFFFFu;

    char *room(int count)
    {
        const int at = m_size;
        if (count > m_bytes.size() - at)
            grow(std::max(at + count, 2 * m_bytes.size()));
        m_size = at + count;
        return m_data + at;
    }
    void grow(int size)
    {
        m_bytes.resize(size);
        m_data = m_bytes.data();
    }

    QByteArray m_bytes; // written up to m_size; the rest is room
    char *m_data = nullptr;
    int m_size = 0;
};

#endif // WIREWRITER_H
