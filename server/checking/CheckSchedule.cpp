#include "CheckSchedule.h"

#include "routecheck/SectionRecord.h"

#include <QDateTime>

CheckSchedule::CheckSchedule(const SectionRecord &section)
    : m_timeIn(section.checkTimeIn),
      m_timeOut(section.checkTimeOut),
      m_inAhead(section.checkTimeInAhead),
      m_inBehind(section.checkTimeInBehind),
      m_outAhead(section.checkTimeOutAhead),
      m_outBehind(section.checkTimeOutBehind)
{
}

qint64 CheckSchedule::referenceTime(int timeType, qint64 checkOnTime, qint64 at)
{
    const QDate day = QDateTime::fromSecsSinceEpoch(at, Qt::LocalTime).date();
    QDate start;
    switch (timeType) {
    case EveryDay:
        start = day;
        break;
    case Weekly:
        start = day.addDays(1 - day.dayOfWeek());
        break;
    case Monthly:
        start = QDate(day.year(), day.month(), 1);
        break;
    default:
        return checkOnTime;
    }
    // Where a clock change skips midnight, Qt moves to the first valid time.
    return QDateTime(start, QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch();
}

bool CheckSchedule::entryOnTime(qint64 reference, qint64 at) const
{
    if (!isOn())
        return true;
    return at >= reference + m_timeIn - m_inAhead && at <= entryCloses(reference);
}

bool CheckSchedule::exitOnTime(qint64 reference, qint64 at) const
{
    if (!isOn())
        return true;
    return at >= reference + m_timeOut - m_outAhead && at <= exitCloses(reference);
}
