#include "AuditTime.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>

namespace AuditTime {

bool parse(const QString &text, qint64 *seconds, QString *why)
{
    const QString t = text.trimmed();
    static const QRegularExpression unix(QStringLiteral("^\\d{1,12}(\\.\\d*)?$"));
    if (unix.match(t).hasMatch()) {
        *seconds = qint64(std::floor(t.toDouble()));
        return true;
    }
    const QDateTime time = QDateTime::fromString(t, Qt::ISODate);
    if (!time.isValid()) {
        *why = QStringLiteral("\"%1\" is neither ISO 8601 nor unix seconds").arg(t);
        return false;
    }
    if (time.timeSpec() == Qt::LocalTime) {
        *why = QStringLiteral("\"%1\" has no UTC offset or Z").arg(t);
        return false;
    }
    *seconds = time.toSecsSinceEpoch();
    return true;
}

QString text(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate);
}

} // namespace AuditTime
