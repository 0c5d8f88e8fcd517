#ifndef SERVERCLOCK_H
#define SERVERCLOCK_H

#include "calendar/RoundCalendar.h"

#include <QElapsedTimer>
#include <QtGlobal>

// The server's time in seconds since 1970-01-01 UTC: check times, the windows
// being closed and the simulated units all read it. A speed above 1 runs it
// faster than the wall clock from the moment it is made, so that a demo shows
// an hour's round in a minute. Its calendar says where days, weeks and
// months begin for the periodic checks.
class ServerClock
{
public:
    explicit ServerClock(double speed = 1.0,
                         const QTimeZone &zone = QTimeZone::systemTimeZone());

    double speed() const { return m_speed; }
    qint64 now() const;
    const RoundCalendar &calendar() const { return m_calendar; }

private:
    RoundCalendar m_calendar;
    qint64 m_startMs;
    QElapsedTimer m_elapsed;
    double m_speed;
};

#endif // SERVERCLOCK_H
