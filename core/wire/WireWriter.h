#ifndef WIREWRITER_H
#define WIREWRITER_H

#include <QByteArray>
#include <QString>

// Appends values to a byte array exactly as a Qt_4_5 QDataStream writes them
// (big-endian integers, a bool as one byte, a string as its UTF-16 byte count
// then the code units, a null string as 0xFFFFFFFF). Whole tree replies are
// written this way: a stream would go through its device for every value.
class WireWriter
{
public:
    // bytes must outlive the writer; what it holds already is kept.
    explicit WireWriter(QByteArray &bytes)
        : m_bytes(bytes)
    {
    }

    void putUInt32(quint32 value)
    {
        const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8),
                               char(value)};
        m_bytes.append(bytes, 4);
    }
    void putInt32(qint32 value) { putUInt32(quint32(value)); }
    void putBool(bool value) { m_bytes.append(char(value ? 1 : 0)); }
    void putRaw(const char *data, int size) { m_bytes.append(data, size); }

    void putString(const QString &text)
    {
        if (text.isNull()) {
            putUInt32(NullString);
            return;
        }
        putUInt32(quint32(text.size()) * 2);
        const int at = m_bytes.size();
        m_bytes.resize(at + 2 * text.size());
        char *to = m_bytes.data() + at;
        for (const QChar c : text) {
            *to++ = char(c.unicode() >> 8);
            *to++ = char(c.unicode() & 0xFF);
        }
    }

    // The place of a count written before its items are known.
    int reserveUInt32()
    {
        const int at = m_bytes.size();
        putUInt32(0);
        return at;
    }
    void patchUInt32(int at, quint32 value)
    {
        for (int k = 0; k < 4; ++k)
            m_bytes[at + k] = char(value >> (24 - 8 * k));
    }

    int size() const { return m_bytes.size(); }
    QByteArray &bytes() { return m_bytes; }

private:
    static constexpr quint32 NullString = 0xFFFFFFFFu;

    QByteArray &m_bytes;
};

#endif // WIREWRITER_H
