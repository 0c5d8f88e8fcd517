#ifndef AUDITTIME_H
#define AUDITTIME_H

#include <QString>
#include <QtGlobal>

// Times as the audit's files and output write them.
namespace AuditTime {

// ISO 8601 with a UTC offset or Z ("2026-03-08T14:02:00Z",
// "2026-03-08T09:02:00-05:00", fractions of a second dropped), or unix
// seconds ("1772978520", a fraction dropped). A time without an offset is
// refused: whose local time it is cannot be told.
bool parse(const QString &text, qint64 *seconds, QString *why);
// "YYYY-MM-DDThh:mm:ssZ".
QString text(qint64 seconds);

} // namespace AuditTime

#endif // AUDITTIME_H
