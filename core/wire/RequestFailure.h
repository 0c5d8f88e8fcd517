#ifndef REQUESTFAILURE_H
#define REQUESTFAILURE_H

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <optional>

// "Request_failed": what the server sends the sender of a request it could
// not carry out, in place of the reply and in request order. Body (Qt_4_5):
// the command (QByteArray), the code (int32), a reason for people (QString).
struct RequestFailure
{
    enum Code : qint32 {
        ReadOnly = 1,  // the database is opened read-only
        Busy = 2,      // another program holds the database's write lock
        Storage = 3,   // disk full or an I/O error
        OverLimit = 4, // the change would break one of the server's limits
        Malformed = 5, // the body does not read as the command's layout
        Refused = 6,   // no such object, a conflict, or not allowed
    };
    static constexpr qint32 FirstCode = ReadOnly;
    static constexpr qint32 LastCode = Refused;

    QByteArray command;
    Code code = Refused;
    QString reason;

    QByteArray body() const;
    // Strict: the body reads exactly to its end and the code is a known one.
    static std::optional<RequestFailure> read(const QByteArray &body);

    // "read-only", "busy", ...: how logs and the host name a code.
    static QString codeName(Code code);

    bool operator==(const RequestFailure &other) const
    {
        return command == other.command && code == other.code && reason == other.reason;
    }
};

Q_DECLARE_METATYPE(RequestFailure)

#endif // REQUESTFAILURE_H
