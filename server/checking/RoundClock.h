#ifndef ROUNDCLOCK_H
#define ROUNDCLOCK_H

#include "calendar/RoundCalendar.h"

#include <QDate>

#include <limits>

// The rounds one route is judged in. The check types without periods (at
// start, plan intercept) have a single round from the check time, and a
// section's times are seconds elapsed since it. The daily, weekly and monthly
// types have a round per day, week or month of the calendar, the first being
// the one that holds the check time, and a section's times are wall-clock
// times of the round's first day; so a round's windows may lie past the start
// of the next round.
class RoundClock
{
public:
    struct Round
    {
        qint64 start = 0;
        qint64 end = std::numeric_limits<qint64>::max(); // the next round's start
        QDate date; // its first day; none without periods

        bool operator==(const Round &other) const { return start == other.start; }
        bool operator!=(const Round &other) const { return start != other.start; }
    };

    RoundClock() = default;
    // calendar outlives the clock.
    RoundClock(const RoundCalendar *calendar, int timeType, qint64 checkOnTime);

    bool isPeriodic() const { return m_calendar && m_periodic; }
    // The shortest a round can be, clock changes included.
    qint64 shortestRound() const;

    Round first() const { return at(m_checkOnTime); }
    // The round holding time; the first one for a time before it.
    Round at(qint64 time) const;
    Round next(const Round &round) const;
    // The round before; the first one has none and is returned itself.
    Round previous(const Round &round) const;
    // A section's time of round: offset seconds after its start for the types
    // without periods, else the wall-clock time of its first day.
    qint64 timeOf(const Round &round, qint64 offset) const;

private:
    Round make(const QDate &date) const;

    const RoundCalendar *m_calendar = nullptr;
    RoundCalendar::Period m_period = RoundCalendar::Period::Day;
    bool m_periodic = false;
    qint64 m_checkOnTime = 0;
};

#endif // ROUNDCLOCK_H
