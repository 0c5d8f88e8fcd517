#ifndef SCHEDULE_H
#define SCHEDULE_H

#include <QString>
#include <QtGlobal>

// Source texts of the schedule editors, translated in the "OperativeCheck" context where used.
// The mask admits two-digit days; the backslashes keep the d and a of "days" literal.
inline constexpr char DurationInputMask[] =
    QT_TRANSLATE_NOOP("OperativeCheck", "09 \\d\\ays 09:99:99");
inline constexpr char DurationFormat[] = QT_TRANSLATE_NOOP("OperativeCheck", "%4 days %3:%2:%1");

// Stored for a schedule time whose text does not parse.
constexpr int InvalidDuration = -2;

// The translated input mask of the duration line edit.
QString durationInputMask();

// Seconds as "DD days HH:MM:SS"; a negative value is first moved one day forward, so the
// sentinel -2 reads 00 days 23:59:58. Fields wider than two digits grow, nothing is cut.
QString durationText(int seconds);

// Reads up to four numbers (days, hours, minutes, seconds; fewer numbers drop the leading
// units) separated by anything but digits and "-". Empty text is 0; a field out of range,
// or a value that does not fit in int, gives InvalidDuration.
int parseDuration(const QString &text);

#endif // SCHEDULE_H
