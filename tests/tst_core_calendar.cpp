#include "calendar/Duration.h"
#include "calendar/RoundCalendar.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimeZone>
#include <QTranslator>
#include <QtTest>

#include <climits>

namespace {

QTestData &row(const char *name)
{
    return QTest::newRow(name);
}

// Which way a row goes: the seconds are shown as the text, the text is read
// as the seconds, or both.
constexpr int Shown = 1, Read = 2, Both = Shown | Read;

using Period = RoundCalendar::Period;

qint64 utc(const char *iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toSecsSinceEpoch();
}

QString isoUtc(qint64 instant)
{
    return QDateTime::fromSecsSinceEpoch(instant, Qt::UTC).toString(Qt::ISODate);
}

// Checked against the zone's list of changes rather than the calendar's own
// probing: wall is the local time (seconds on a UTC clock) that instant r
// must be the first to reach. Between changes local time runs with the
// clock, so the latest local time before r is at r - 1 or just before a change.
QString firstReachingFault(const QTimeZone &zone, qint64 wall, qint64 r)
{
    const auto local = [&zone](qint64 t) {
        return t + zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(t, Qt::UTC));
    };
    if (local(r) < wall)
        return QStringLiteral("%1 is before the wall time").arg(isoUtc(r));
    if (local(r - 1) >= wall)
        return QStringLiteral("%1 is not the first instant").arg(isoUtc(r));
    const auto changes = zone.transitions(QDateTime::fromSecsSinceEpoch(r - 3 * 86400, Qt::UTC),
                                          QDateTime::fromSecsSinceEpoch(r - 1, Qt::UTC));
    for (const QTimeZone::OffsetData &change : changes) {
        if (local(change.atUtc.toSecsSinceEpoch() - 1) >= wall)
            return QStringLiteral("the wall time came earlier, before %1")
                .arg(change.atUtc.toString(Qt::ISODate));
    }
    if (local(r) > wall && zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(r - 1, Qt::UTC))
                               == zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(r, Qt::UTC)))
        return QStringLiteral("%1 passes the wall time with no change").arg(isoUtc(r));
    return QString();
}

} // namespace

class tst_CoreCalendar : public QObject
{
    Q_OBJECT

private slots:
    void durations_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("way");

        row("zero") << 0 << "00 days 00:00:00" << Both;
        row("one of each") << 93784 << "01 days 02:03:04" << Both;
        row("largest int") << INT_MAX << "24855 days 03:14:07" << Both;
        row("negative wraps into the day") << -1 << "00 days 23:59:59" << Shown;

        row("two numbers are minutes and seconds") << 630 << "10:30" << Read;
        row("blank mask from the editor") << 0 << " days ::" << Read;
        row("any separators") << 93784 << "1d2h3m4s" << Read;
        row("more than four numbers use the first four") << 1 << "0 0 0 1 99999999999" << Read;

        row("24 hours") << InvalidDuration << "00 days 24:00:00" << Read;
        row("negative minutes") << InvalidDuration << "-5:00" << Read;
        row("total one past largest int") << InvalidDuration << "24855 days 03:14:08" << Read;
        row("days past int do not wrap") << InvalidDuration << "99999999999 days" << Read;
    }

    void durations()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QFETCH(int, way);
        if (way & Shown)
            QCOMPARE(durationText(seconds), text);
        if (way & Read)
            QCOMPARE(parseDuration(text), seconds);
    }

    void wallClock_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("instant");

        const auto add = [](const char *name, const char *zone, QDate date, qint64 seconds,
                            const char *instant) {
            QTest::newRow(name) << QByteArray(zone) << date << seconds << QString(instant);
        };
        add("Havana, midnight skipped: 10:00 is 10:00 local", "America/Havana", {2026, 3, 8},
            36000, "2026-03-08T14:00:00Z");
        add("Havana, a time inside the gap: the first instant after it", "America/Havana",
            {2026, 3, 8}, 1800, "2026-03-08T05:00:00Z");
        add("Havana, midnight twice: 10:00 is 10:00 local", "America/Havana", {2026, 11, 1},
            36000, "2026-11-01T15:00:00Z");
        add("past midnight: 24:10 is 00:10 of the next day", "America/Havana", {2026, 10, 31},
            87000, "2026-11-01T04:10:00Z");
        add("Berlin, 10:00 on the change day", "Europe/Berlin", {2026, 3, 29}, 36000,
            "2026-03-29T08:00:00Z");
        add("Berlin, 02:30 in the gap", "Europe/Berlin", {2026, 3, 29}, 9000,
            "2026-03-29T01:00:00Z");
        add("Lord Howe, half an hour back: 01:30 first", "Australia/Lord_Howe", {2026, 4, 5},
            5400, "2026-04-04T14:30:00Z");
        add("a negative time is the day before", "UTC", {2026, 1, 1}, -1, "2025-12-31T23:59:59Z");
    }

    void wallClock()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDate, date);
        QFETCH(qint64, seconds);
        QFETCH(QString, instant);
        const RoundCalendar calendar{QTimeZone(zone)};
        QVERIFY(calendar.zone().isValid());
        QCOMPARE(isoUtc(calendar.wallClock(date, seconds)), instant);
    }

    void rounds_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("period");
        QTest::addColumn<QString>("instant");
        QTest::addColumn<QDate>("round");

        const auto add = [](const char *name, const char *zone, Period period,
                            const char *instant, QDate round) {
            QTest::newRow(name) << QByteArray(zone) << int(period) << QString(instant) << round;
        };
        add("week: from Monday", "Europe/Berlin", Period::Week, "2026-12-06T12:00:00Z",
            {2026, 11, 30});
        add("month: from the 1st", "Asia/Beirut", Period::Month, "2026-10-31T21:59:59Z",
            {2026, 10, 1});
        // Clocks back from 00:01 to 23:01: the new day had begun, the local date lags.
        add("day: begun, though the clocks went back to the day before", "America/Goose_Bay",
            Period::Day, "1990-10-28T03:30:00Z", {1990, 10, 28});
    }

    void rounds()
    {
        QFETCH(QByteArray, zone);
        QFETCH(int, period);
        QFETCH(QString, instant);
        QFETCH(QDate, round);
        const RoundCalendar calendar{QTimeZone(zone)};
        QCOMPARE(calendar.roundDate(Period(period), utc(instant.toLatin1())), round);
    }

    // Every zone of the system's database, every change of its clocks in
    // 2026-2027: the days, weeks and months around each start at local 00:00
    // or the first instant after it; each round is not empty, the instant
    // before its start is in the round before and its start in itself.
    void everyZone()
    {
        const QList<QByteArray> zones = QTimeZone::availableTimeZoneIds();
        QVERIFY2(zones.size() > 300, "the system's time zone database is missing");
        const QDateTime from(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
        const QDateTime to(QDate(2028, 1, 1), QTime(0, 0), Qt::UTC);
        int checked = 0;
        for (const QByteArray &id : zones) {
            const QTimeZone zone(id);
            const RoundCalendar calendar(zone);
            QList<qint64> probes{from.toSecsSinceEpoch() + 86400 * 45};
            for (const QTimeZone::OffsetData &change : zone.transitions(from, to))
                probes << change.atUtc.toSecsSinceEpoch();
            for (const qint64 probe : qAsConst(probes)) {
                const QDate day = calendar.localDate(probe);
                for (const Period period : {Period::Day, Period::Week, Period::Month}) {
                    for (QDate round = RoundCalendar::firstDay(period, day.addDays(-1)),
                               last = RoundCalendar::firstDay(period, day.addDays(1));
                         round <= last; round = RoundCalendar::nextRoundDate(period, round)) {
                        const qint64 start = calendar.roundStart(round);
                        const qint64 next =
                            calendar.roundStart(RoundCalendar::nextRoundDate(period, round));
                        const QString fault = firstReachingFault(
                            zone, QDateTime(round, QTime(0, 0), Qt::UTC).toSecsSinceEpoch(),
                            start);
                        const QString where =
                            QStringLiteral("%1 %2").arg(QString::fromLatin1(id), round.toString(Qt::ISODate));
                        QVERIFY2(fault.isEmpty(), qPrintable(where + ": " + fault));
                        QVERIFY2(next > start, qPrintable(where + ": an empty round"));
                        QVERIFY2(calendar.roundDate(period, start) == round
                                     && calendar.roundDate(period, start - 1) < round
                                     && calendar.roundDate(period, next - 1) == round,
                                 qPrintable(where + ": rounds do not meet"));
                        ++checked;
                    }
                }
            }
        }
        QVERIFY(checked > 5000);
    }

    // Both texts are looked up in the plug-in's context; a translation may
    // reorder the fields.
    void translatedTexts()
    {
        struct : QTranslator {
            bool isEmpty() const override { return false; }
            QString translate(const char *context, const char *text, const char *,
                              int) const override
            {
                if (qstrcmp(context, "OperativeCheck"))
                    return "other context";
                return !qstrcmp(text, DurationFormat) ? "%4 d, %3 h, %2 min, %1 s"
                    : !qstrcmp(text, DurationInputMask) ? "09 \\d, 09:99:99" : QString();
            }
        } translator;
        QCoreApplication::installTranslator(&translator);
        const QString shown = durationText(90061) + ' ' + durationInputMask();
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(shown, QString("01 d, 01 h, 01 min, 01 s 09 \\d, 09:99:99"));
    }
};

QTEST_GUILESS_MAIN(tst_CoreCalendar)
#include "tst_core_calendar.moc"
