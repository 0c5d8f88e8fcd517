#include "ServerClock.h"

#include <QDateTime>

ServerClock::ServerClock(double speed, const QTimeZone &zone)
    : m_calendar(zone),
      m_startMs(QDateTime::currentMSecsSinceEpoch()),
      m_speed(qBound(1.0, speed, 3600.0))
{
    m_elapsed.start();
}

qint64 ServerClock::now() const
{
    if (m_speed == 1.0)
        return QDateTime::currentSecsSinceEpoch();
    return (m_startMs + qint64(double(m_elapsed.elapsed()) * m_speed)) / 1000;
}
