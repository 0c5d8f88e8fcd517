#ifndef ROUNDCALENDAR_H
#define ROUNDCALENDAR_H

#include <QDate>
#include <QTimeZone>

// Wall-clock time in one time zone, for rounds that start on a calendar day:
// a day, a week from Monday, a month from the 1st. A wall time names the first
// instant whose local time reaches it: inside a gap (clocks put forward) that
// is the first instant after the gap; a time the clocks pass twice is its
// first occurrence. A round runs from its day's 00:00 so named to the next
// round's. Everything is worked out from dates and the zone's rules, so the
// answer is the same whenever and however often it is asked.
//
// Instants are seconds since 1970-01-01 UTC.
class RoundCalendar
{
public:
    enum class Period { Day, Week, Month };

    explicit RoundCalendar(const QTimeZone &zone = QTimeZone::systemTimeZone());

    const QTimeZone &zone() const { return m_zone; }

    // date's 00:00 plus seconds of calendar time: whole days move the date,
    // the rest the clock; so 87,000 is 00:10 of the next day whatever the
    // clocks did in between.
    qint64 wallClock(const QDate &date, qint64 seconds = 0) const;
    // The local date and seconds since local midnight of an instant.
    QDate localDate(qint64 instant) const;
    qint64 localSecondsOfDay(qint64 instant) const;

    // The first day of the round of period that holds instant, and of the one after.
    QDate roundDate(Period period, qint64 instant) const;
    static QDate firstDay(Period period, const QDate &date);
    static QDate nextRoundDate(Period period, const QDate &roundDate);
    qint64 roundStart(const QDate &roundDate) const { return wallClock(roundDate); }

    int offsetAt(qint64 instant) const; // seconds east of UTC

private:
    // The first instant whose local time (as seconds since 1970 on a UTC
    // clock) reaches local.
    qint64 firstReaching(qint64 local) const;

    QTimeZone m_zone;
};

#endif // ROUNDCALENDAR_H
