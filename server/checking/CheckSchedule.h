#ifndef CHECKSCHEDULE_H
#define CHECKSCHEDULE_H

#include "RoundClock.h"

#include <QtGlobal>

class SectionRecord;

// A section's time windows: times in and out with their tolerances, placed
// in a round by the route's RoundClock.
class CheckSchedule
{
public:
    enum TimeType { AtStart = 0, EveryDay = 1, Weekly = 2, Monthly = 3, PlanIntercept = 4 };

    // Instants, seconds since 1970-01-01 UTC; closes is the window's last second.
    struct Window
    {
        qint64 opens = 0;
        qint64 nominal = 0;
        qint64 closes = 0;

        bool holds(qint64 at) const { return at >= opens && at <= closes; }
        // Seconds before (negative) or after (positive) the window; 0 within it.
        qint64 deviation(qint64 at) const
        {
            return at < opens ? at - opens : (at > closes ? at - closes : 0);
        }
    };

    CheckSchedule() = default;
    explicit CheckSchedule(const SectionRecord &section);

    // Off when either time is unset or negated: entering at any time passes.
    bool isOn() const { return m_timeIn >= 0 && m_timeOut >= 0; }
    Window entryWindow(const RoundClock &clock, const RoundClock::Round &round) const;
    Window exitWindow(const RoundClock &clock, const RoundClock::Round &round) const;
    // The latest a window of a round closes, in seconds from its first day's
    // midnight (or its start); 0 with the schedule off.
    qint64 latestClose() const;
    // How long before its round's start a window may open, in seconds; 0 if never.
    qint64 earliestOpening() const;

private:
    int m_timeIn = -1;
    int m_timeOut = -1;
    int m_inAhead = 0;
    int m_inBehind = 0;
    int m_outAhead = 0;
    int m_outBehind = 0;
};

#endif // CHECKSCHEDULE_H
