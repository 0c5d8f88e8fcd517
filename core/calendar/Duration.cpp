#include "calendar/Duration.h"

#include <QCoreApplication>
#include <QRegExp>
#include <QStringList>

#include <climits>

namespace {

constexpr int SecondsPerDay = 86400;

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// A part holds only digits and "-". One that is not a number (such as "1-2" or "-") reads as
// 0, but a number too large for int fails: reading it as 0 or letting it wrap could turn a
// typo into a valid time.
bool readPart(const QString &part, int *value)
{
    bool ok = false;
    *value = part.toInt(&ok, 10);
    if (ok)
        return true;
    *value = 0;
    const bool notNumber = part.lastIndexOf(QLatin1Char('-')) > 0 || part == QLatin1String("-");
    return notNumber;
}

} // namespace

QString durationInputMask()
{
    return QCoreApplication::translate("OperativeCheck", DurationInputMask);
}

QString durationText(int seconds)
{
    const int s = seconds < 0 ? seconds + SecondsPerDay : seconds;
    // One pass over the format, so a translation may order the fields as it likes.
    return QCoreApplication::translate("OperativeCheck", DurationFormat)
        .arg(twoDigits(s % 60), twoDigits(s / 60 % 60), twoDigits(s / 3600 % 24),
             twoDigits(s / SecondsPerDay));
}

int parseDuration(const QString &text)
{
    const QStringList parts = text.split(QRegExp(QStringLiteral("[^-\\d]+")), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return 0;

    // Fewer than four parts drop the leading units; parts after the fourth are ignored.
    const int count = qMin(parts.size(), 4);
    int fields[4] = {0, 0, 0, 0}; // days, hours, minutes, seconds
    for (int i = 0; i < count; ++i) {
        if (!readPart(parts.at(i), &fields[4 - count + i]))
            return InvalidDuration;
    }
    const int days = fields[0];
    const int hours = fields[1];
    const int minutes = fields[2];
    const int secs = fields[3];
    if (days < 0 || hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || secs < 0
        || secs > 59)
        return InvalidDuration;

    // Days are unbounded; sum in 64 bits and refuse a total that would not fit in int.
    const qint64 total = ((qint64(days) * 24 + hours) * 60 + minutes) * 60 + secs;
    return total > INT_MAX ? InvalidDuration : int(total);
}
