#ifndef SECTIONRECORD_H
#define SECTIONRECORD_H

#include <QList>
#include <QMetaType>
#include <QString>

// One stretch of a check route: its schedule, message switches and the ids of
// the graphic objects that mark it on the map.
class SectionRecord
{
public:
    int id = 0;
    QString name;
    QList<int> graphObjectIds;
    int checkTimeIn = -1;  // seconds; -1 not set, negated while the schedule is off
    int checkTimeOut = -1;
    int delayInto = 0;     // derived
    int checkTimeInAhead = 0;
    int checkTimeInBehind = 0;
    int checkTimeOutAhead = 0;
    int checkTimeOutBehind = 0;
    bool messageOnTimeIn = true;
    bool messageOnTimeOut = true;
    bool checkScheduleOn = false; // derived on reading
    int state = 0;                // live state from the server; never saved

    // The schedule is on exactly when both times are set; the delay follows from them.
    void deriveSchedule();

    // An exact copy on the heap.
    SectionRecord *copy() const;

    // Template rule: take (or give) the settings a new section starts with.
    void takeSettingsFrom(const SectionRecord &other);

    bool operator==(const SectionRecord &other) const;
    bool operator!=(const SectionRecord &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(SectionRecord)

#endif // SECTIONRECORD_H
