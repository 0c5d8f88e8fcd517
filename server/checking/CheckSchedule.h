#ifndef CHECKSCHEDULE_H
#define CHECKSCHEDULE_H

#include <QtGlobal>

class SectionRecord;

// A section's time windows, in seconds since 1970-01-01 UTC once a reference
// time is given. The reference time depends on the route's check time type.
class CheckSchedule
{
public:
    enum TimeType { AtStart = 0, EveryDay = 1, Weekly = 2, Monthly = 3, PlanIntercept = 4 };

    CheckSchedule() = default;
    explicit CheckSchedule(const SectionRecord &section);

    // Start of the period that holds at, in local time: the check-on time for
    // AtStart and PlanIntercept (and unknown types), else midnight of at's day,
    // Monday 00:00 of its week or the 1st 00:00 of its month.
    static qint64 referenceTime(int timeType, qint64 checkOnTime, qint64 at);
    // The start of the period after the one starting at reference; the
    // largest time for the types without periods.
    static qint64 nextReferenceTime(int timeType, qint64 reference);
    static bool isPeriodic(int timeType)
    {
        return timeType == EveryDay || timeType == Weekly || timeType == Monthly;
    }

    // Off when either time is unset or negated: entering at any time passes.
    bool isOn() const { return m_timeIn >= 0 && m_timeOut >= 0; }
    bool entryOnTime(qint64 reference, qint64 at) const;
    bool exitOnTime(qint64 reference, qint64 at) const;
    // Seconds before (negative) or after (positive) a window; 0 within it or
    // with the schedule off.
    qint64 entryDeviation(qint64 reference, qint64 at) const;
    qint64 exitDeviation(qint64 reference, qint64 at) const;
    // Last second of each window.
    qint64 entryCloses(qint64 reference) const { return reference + m_timeIn + m_inBehind; }
    qint64 exitCloses(qint64 reference) const { return reference + m_timeOut + m_outBehind; }

private:
    int m_timeIn = -1;
    int m_timeOut = -1;
    int m_inAhead = 0;
    int m_inBehind = 0;
    int m_outAhead = 0;
    int m_outBehind = 0;
};

#endif // CHECKSCHEDULE_H
