#include "RequestFailure.h"

#include "StreamRead.h"

#include <QDataStream>

QByteArray RequestFailure::body() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << command << qint32(code) << reason;
    return bytes;
}

std::optional<RequestFailure> RequestFailure::read(const QByteArray &body)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    RequestFailure failure;
    qint32 code = 0;
    in >> StreamRead::sized(failure.command) >> code >> StreamRead::sized(failure.reason);
    if (in.status() != QDataStream::Ok || !in.atEnd() || code < FirstCode || code > LastCode)
        return std::nullopt;
    failure.code = Code(code);
    return failure;
}

QString RequestFailure::codeName(Code code)
{
    switch (code) {
    case ReadOnly:
        return QStringLiteral("read-only");
    case Busy:
        return QStringLiteral("busy");
    case Storage:
        return QStringLiteral("storage error");
    case OverLimit:
        return QStringLiteral("over a limit");
    case Malformed:
        return QStringLiteral("malformed");
    case Refused:
        return QStringLiteral("refused");
    }
    return QStringLiteral("code %1").arg(qint32(code));
}
