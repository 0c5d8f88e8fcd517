#include "RoundClock.h"

#include "CheckSchedule.h"

RoundClock::RoundClock(const RoundCalendar *calendar, int timeType, qint64 checkOnTime)
    : m_calendar(calendar), m_checkOnTime(checkOnTime)
{
    switch (timeType) {
    case CheckSchedule::EveryDay:
        m_periodic = true, m_period = RoundCalendar::Period::Day;
        break;
    case CheckSchedule::Weekly:
        m_periodic = true, m_period = RoundCalendar::Period::Week;
        break;
    case CheckSchedule::Monthly:
        m_periodic = true, m_period = RoundCalendar::Period::Month;
        break;
    default:
        m_periodic = false;
        break;
    }
}

qint64 RoundClock::shortestRound() const
{
    // Clocks change by at most a day (a zone moving across the date line).
    constexpr qint64 Day = 86400;
    if (!isPeriodic())
        return std::numeric_limits<qint64>::max();
    switch (m_period) {
    case RoundCalendar::Period::Day:
        return Day / 2;
    case RoundCalendar::Period::Week:
        return 6 * Day;
    case RoundCalendar::Period::Month:
        return 27 * Day;
    }
    return Day / 2;
}

RoundClock::Round RoundClock::make(const QDate &date) const
{
    Round round;
    round.date = date;
    round.start = m_calendar->roundStart(date);
    round.end = m_calendar->roundStart(RoundCalendar::nextRoundDate(m_period, date));
    return round;
}

RoundClock::Round RoundClock::at(qint64 time) const
{
    if (!isPeriodic()) {
        Round round;
        round.start = m_checkOnTime;
        return round;
    }
    return make(m_calendar->roundDate(m_period, std::max(time, m_checkOnTime)));
}

RoundClock::Round RoundClock::next(const Round &round) const
{
    if (!isPeriodic())
        return round;
    return make(RoundCalendar::nextRoundDate(m_period, round.date));
}

RoundClock::Round RoundClock::previous(const Round &round) const
{
    if (!isPeriodic() || round.start <= m_checkOnTime)
        return round;
    const QDate date = RoundCalendar::firstDay(m_period, round.date.addDays(-1));
    return make(date);
}

qint64 RoundClock::timeOf(const Round &round, qint64 offset) const
{
    return isPeriodic() ? m_calendar->wallClock(round.date, offset) : round.start + offset;
}
