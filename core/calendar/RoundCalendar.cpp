#include "calendar/RoundCalendar.h"

#include <QDateTime>

#include <algorithm>

namespace {

constexpr qint64 SecondsPerDay = 86400;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

qint64 localMidnight(const QDate &date)
{
    return QDateTime(date, QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
}

} // namespace

RoundCalendar::RoundCalendar(const QTimeZone &zone)
    : m_zone(zone.isValid() ? zone : QTimeZone(QByteArrayLiteral("UTC")))
{
}

int RoundCalendar::offsetAt(qint64 instant) const
{
    return m_zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(instant, Qt::UTC));
}

qint64 RoundCalendar::wallClock(const QDate &date, qint64 seconds) const
{
    const qint64 days = floorDiv(seconds, SecondsPerDay);
    const qint64 clock = seconds - days * SecondsPerDay;
    return firstReaching(localMidnight(date.addDays(days)) + clock);
}

qint64 RoundCalendar::firstReaching(qint64 local) const
{
    // The offsets a day either side cover any one change of the clocks.
    const int before = offsetAt(local - SecondsPerDay);
    const int after = offsetAt(local + SecondsPerDay);
    const qint64 early = local - before;
    const qint64 late = local - after;
    const bool earlyHolds = offsetAt(early) == before;
    const bool lateHolds = offsetAt(late) == after;
    if (earlyHolds && lateHolds)
        return std::min(early, late); // passed twice: the first time
    if (earlyHolds)
        return early;
    if (lateHolds)
        return late;
    // In a gap: the change itself, the first instant whose local time is
    // past it, lies between the two readings.
    qint64 low = std::min(early, late);
    qint64 high = std::max(early, late);
    while (low < high) {
        const qint64 middle = low + (high - low) / 2;
        if (middle + offsetAt(middle) >= local)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

QDate RoundCalendar::localDate(qint64 instant) const
{
    return QDate(1970, 1, 1).addDays(floorDiv(instant + offsetAt(instant), SecondsPerDay));
}

qint64 RoundCalendar::localSecondsOfDay(qint64 instant) const
{
    const qint64 local = instant + offsetAt(instant);
    return local - floorDiv(local, SecondsPerDay) * SecondsPerDay;
}

QDate RoundCalendar::firstDay(Period period, const QDate &date)
{
    switch (period) {
    case Period::Day:
        return date;
    case Period::Week:
        return date.addDays(1 - date.dayOfWeek());
    case Period::Month:
        return QDate(date.year(), date.month(), 1);
    }
    return date;
}

QDate RoundCalendar::nextRoundDate(Period period, const QDate &roundDate)
{
    switch (period) {
    case Period::Day:
        return roundDate.addDays(1);
    case Period::Week:
        return roundDate.addDays(7);
    case Period::Month:
        return roundDate.addMonths(1);
    }
    return roundDate.addDays(1);
}

QDate RoundCalendar::roundDate(Period period, qint64 instant) const
{
    QDate date = firstDay(period, localDate(instant));
    // Where the clocks go back over midnight, an instant's local date can
    // lag the round it is in.
    while (instant >= roundStart(nextRoundDate(period, date)))
        date = nextRoundDate(period, date);
    return date;
}
