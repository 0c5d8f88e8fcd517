#ifndef AUDIT_H
#define AUDIT_H

#include "AuditRoute.h"
#include "TrackFile.h"

#include "calendar/RoundCalendar.h"

#include <QStringList>

#include <optional>

// Judges a recorded track against one route with the server's engine, as the
// server would have judged it live, and writes the result as JSON lines: each
// credited entry and exit (whatever the message switches), then each round
// the track touches with every section's state, then a summary.
class Audit
{
public:
    struct Settings
    {
        RoundCalendar calendar;
        std::optional<qint64> start; // overrides the route's check time
        std::optional<qint64> end;   // else the last report
        int confirmReports = 2;
        double confirmMetres = 15.0;
    };

    static QStringList run(const AuditRoute &route, const QList<TrackRow> &rows,
                           const Settings &settings, qint64 now);
};

#endif // AUDIT_H
