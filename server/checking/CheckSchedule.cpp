#include "CheckSchedule.h"

#include "records/SectionRecord.h"

#include <QDateTime>

#include <limits>

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
    if (!isPeriodic(timeType))
        return checkOnTime;
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

qint64 CheckSchedule::nextReferenceTime(int timeType, qint64 reference)
{
    if (!isPeriodic(timeType))
        return std::numeric_limits<qint64>::max();
    const QDate day = QDateTime::fromSecsSinceEpoch(reference, Qt::LocalTime).date();
    QDate next;
    switch (timeType) {
    case EveryDay:
        next = day.addDays(1);
        break;
    case Weekly:
        next = day.addDays(8 - day.dayOfWeek());
        break;
    default:
        next = QDate(day.year(), day.month(), 1).addMonths(1);
        break;
    }
    return QDateTime(next, QTime(0, 0), Qt::LocalTime).toSecsSinceEpoch();
}

bool CheckSchedule::entryOnTime(qint64 reference, qint64 at) const
{
    return entryDeviation(reference, at) == 0;
}

bool CheckSchedule::exitOnTime(qint64 reference, qint64 at) const
{
    return exitDeviation(reference, at) == 0;
}

namespace {

qint64 deviation(qint64 opens, qint64 closes, qint64 at)
{
    if (at < opens)
        return at - opens;
    return at > closes ? at - closes : 0;
}

} // namespace

qint64 CheckSchedule::entryDeviation(qint64 reference, qint64 at) const
{
    if (!isOn())
        return 0;
    return deviation(reference + m_timeIn - m_inAhead, entryCloses(reference), at);
}

qint64 CheckSchedule::exitDeviation(qint64 reference, qint64 at) const
{
    if (!isOn())
        return 0;
    return deviation(reference + m_timeOut - m_outAhead, exitCloses(reference), at);
}
