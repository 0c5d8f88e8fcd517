#include "records/SectionRecord.h"

void SectionRecord::deriveSchedule()
{
    checkScheduleOn = checkTimeIn >= 0 && checkTimeOut >= 0;
    delayInto = checkScheduleOn && checkTimeOut > checkTimeIn ? checkTimeOut - checkTimeIn : 0;
}

SectionRecord *SectionRecord::copy() const
{
    auto *section = new SectionRecord;
    section->id = id;
    section->name = name;
    section->graphObjectIds = graphObjectIds;
    section->checkTimeIn = checkTimeIn;
    section->checkTimeOut = checkTimeOut;
    section->checkTimeInAhead = checkTimeInAhead;
    section->checkTimeInBehind = checkTimeInBehind;
    section->checkTimeOutAhead = checkTimeOutAhead;
    section->checkTimeOutBehind = checkTimeOutBehind;
    section->messageOnTimeIn = messageOnTimeIn;
    section->messageOnTimeOut = messageOnTimeOut;
    section->state = state;
    // Kept as they are: while the schedule is off the times are negated, and
    // recomputing the delay from them would lose it.
    section->delayInto = delayInto;
    section->checkScheduleOn = checkScheduleOn;
    return section;
}

void SectionRecord::takeSettingsFrom(const SectionRecord &other)
{
    checkScheduleOn = other.checkScheduleOn;
    checkTimeIn = checkTimeOut = checkScheduleOn ? 0 : -1;
    delayInto = other.delayInto;
    checkTimeInAhead = other.checkTimeInAhead;
    checkTimeInBehind = other.checkTimeInBehind;
    checkTimeOutAhead = other.checkTimeOutAhead;
    checkTimeOutBehind = other.checkTimeOutBehind;
    messageOnTimeIn = other.messageOnTimeIn;
    messageOnTimeOut = other.messageOnTimeOut;
}

bool SectionRecord::operator==(const SectionRecord &other) const
{
    return id == other.id && name == other.name && name.isNull() == other.name.isNull()
        && graphObjectIds == other.graphObjectIds && checkTimeIn == other.checkTimeIn
        && checkTimeOut == other.checkTimeOut && delayInto == other.delayInto
        && checkTimeInAhead == other.checkTimeInAhead
        && checkTimeInBehind == other.checkTimeInBehind
        && checkTimeOutAhead == other.checkTimeOutAhead
        && checkTimeOutBehind == other.checkTimeOutBehind
        && messageOnTimeIn == other.messageOnTimeIn && messageOnTimeOut == other.messageOnTimeOut
        && checkScheduleOn == other.checkScheduleOn && state == other.state;
}
