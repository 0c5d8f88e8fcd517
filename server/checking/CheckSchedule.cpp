#include "CheckSchedule.h"

#include "records/SectionRecord.h"

#include <algorithm>

CheckSchedule::CheckSchedule(const SectionRecord &section)
    : m_timeIn(section.checkTimeIn),
      m_timeOut(section.checkTimeOut),
      m_inAhead(section.checkTimeInAhead),
      m_inBehind(section.checkTimeInBehind),
      m_outAhead(section.checkTimeOutAhead),
      m_outBehind(section.checkTimeOutBehind)
{
}

namespace {

// The tolerances are seconds of elapsed time around the wall-clock time.
CheckSchedule::Window window(const RoundClock &clock, const RoundClock::Round &round, int time,
                             int ahead, int behind)
{
    const qint64 nominal = clock.timeOf(round, time);
    return {nominal - ahead, nominal, nominal + behind};
}

} // namespace

CheckSchedule::Window CheckSchedule::entryWindow(const RoundClock &clock,
                                                 const RoundClock::Round &round) const
{
    return window(clock, round, m_timeIn, m_inAhead, m_inBehind);
}

CheckSchedule::Window CheckSchedule::exitWindow(const RoundClock &clock,
                                                const RoundClock::Round &round) const
{
    return window(clock, round, m_timeOut, m_outAhead, m_outBehind);
}

qint64 CheckSchedule::latestClose() const
{
    if (!isOn())
        return 0;
    return std::max(qint64(m_timeIn) + m_inBehind, qint64(m_timeOut) + m_outBehind);
}

qint64 CheckSchedule::earliestOpening() const
{
    if (!isOn())
        return 0;
    return std::max<qint64>(0, std::max(qint64(m_inAhead) - m_timeIn,
                                        qint64(m_outAhead) - m_timeOut));
}
