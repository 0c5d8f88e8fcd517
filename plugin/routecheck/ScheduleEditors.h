#ifndef SCHEDULEEDITORS_H
#define SCHEDULEEDITORS_H

#include <QString>
#include <QStringList>

class CmbBoxDelegateOnStrList;
class LineEditDelegate;

// The editors of the schedule rows, shared by every property table and kept
// for as long as the library is loaded.
struct ScheduleEditors
{
    QStringList timeTypes; // "AtStart", "EveryDay", "Weekly", "Monthly", "Plan Perehvat"
    QStringList timeTypeTips; // what each type counts the section times from
    CmbBoxDelegateOnStrList *timeTypeEditor = nullptr;
    QString durationMask;
    LineEditDelegate *durationEditor = nullptr;

    // Made on the first call, with the translator installed by then.
    static ScheduleEditors &instance();
    // What is wrong with a typed time, in a few words; empty when it reads as
    // days, hours, minutes and seconds, each in its range.
    static QString durationProblem(const QString &text);
};

#endif // SCHEDULEEDITORS_H
