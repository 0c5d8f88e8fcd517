// The checking engine: distances to the zones of each kind, a unit's fixes
// judged against a section's windows, periods in local time.
#include "CheckEngine.h"
#include "CheckSchedule.h"
#include "ZoneGeometry.h"

#include "geo/MapGeometry.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QDateTime>
#include <QtTest>

#include <cmath>
#include <ctime>

namespace {

const QPoint Base(376000000, 556000000); // 37.6 E, 55.6 N
constexpr double MetresPerUnit = MapGeometry::UnitToRadian * MapGeometry::EarthRadius;
constexpr qint64 T0 = 1780000000; // the check-on time of the AtStart routes

// The point east and north metres from Base.
QPoint at(double east, double north = 0.0)
{
    const double eastScale = std::cos(Base.y() * MapGeometry::UnitToRadian) * MetresPerUnit;
    return QPoint(Base.x() + int(std::lround(east / eastScale)),
                  Base.y() + int(std::lround(north / MetresPerUnit)));
}

qint64 utc(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toSecsSinceEpoch();
}

// Unit 7's route: one section, a circle of 200 m at Base, due timeIn ...
// timeIn + 1000 after the period starts (negative: schedule off), 100 s either side.
CheckEngine *engineFor(int type, int timeIn, qint64 checkOn = T0)
{
    RouteRecord route(11);
    route.checkTimeType = type;
    route.objects = {7};
    auto *s = new SectionRecord;
    s->id = 21;
    s->checkTimeIn = timeIn;
    s->checkTimeOut = timeIn + (timeIn < 0 ? -1000 : 1000);
    s->checkTimeInAhead = s->checkTimeInBehind = s->checkTimeOutAhead = s->checkTimeOutBehind = 100;
    route.sections.append(s);
    auto *engine = new CheckEngine;
    engine->setRoute(11, route, checkOn, {{ZoneGeometry(ZoneGeometry::Kind::Circle, {at(0)}, 200)}});
    return engine;
}

// Reports "seconds after T0@metres east" of unit 7, in arrival order.
void feed(CheckEngine &engine, const QString &track)
{
    for (const QString &fix : track.split(' ', Qt::SkipEmptyParts))
        engine.report(7, T0 + fix.section('@', 0, 0).toLongLong(),
                      at(fix.section('@', 1).toDouble()));
}

} // namespace

class tst_ServerChecking : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }
    void zoneDistance_data();
    void zoneDistance();
    void track_data();
    void track();
    void newPeriodStartsAfresh_data();
    void newPeriodStartsAfresh();
};

void tst_ServerChecking::zoneDistance_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<QPoint>>("points");
    QTest::addColumn<int>("size");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<double>("distance");

    const QList<QPoint> line{at(0), at(1000)};
    QTest::newRow("corridor 1 m inside its edge") << 2 << line << 40 << at(500, 19) << -1.0;
    QTest::newRow("corridor end is rounded") << 2 << line << 40 << at(1012, 16) << 0.0;
    QTest::newRow("bent corridor, second leg")
        << 2 << QList<QPoint>{at(0), at(500), at(500, 500)} << 40 << at(519, 300) << -1.0;
    // The plug-in draws a corridor along this outline.
    const QList<QPoint> diagonal{at(0), at(-600, 700)};
    const QList<QPoint> outline = MapGeometry::BuildCorridor(diagonal, 100);
    for (int i = 0; i < outline.size(); ++i)
        QTest::addRow("drawn corridor, corner %d", i) << 2 << diagonal << 100 << outline[i] << 0.0;
    QTest::newRow("circle outside") << 4 << QList<QPoint>{at(0)} << 200 << at(0, 130) << 30.0;
    QTest::newRow("icon 49 m") << 1 << QList<QPoint>{at(0)} << 0 << at(49) << -1.0;
    // A U open to the north: the notch between its arms is outside.
    const QList<QPoint> u{at(0),        at(300),      at(300, 300), at(200, 300),
                          at(200, 100), at(100, 100), at(100, 300), at(0, 300)};
    QTest::newRow("polygon arm") << 3 << u << 0 << at(50, 200) << -50.0;
    QTest::newRow("polygon notch") << 3 << u << 0 << at(150, 200) << 50.0;
    QTest::newRow("polygon of two points") << 3 << QList<QPoint>{at(0), at(9)} << 0 << at(0)
                                           << qInf();
}

void tst_ServerChecking::zoneDistance()
{
    QFETCH(int, kind);
    QFETCH(QList<QPoint>, points);
    QFETCH(int, size);
    QFETCH(QPoint, position);
    QFETCH(double, distance);

    const ZoneGeometry zone(ZoneGeometry::Kind(kind), points, size);
    const double d = zone.signedDistance(position);
    QVERIFY2(qIsInf(distance) ? qIsInf(d) && d > 0 : std::abs(d - distance) < 0.1,
             qPrintable(QString::number(d)));
    QVERIFY(distance == 0.0 || zone.contains(position) == (distance < 0.0));
}

void tst_ServerChecking::track_data()
{
    // Circle of 100 m radius at 0; entry window [900, 1100], exit window [1900, 2100].
    QTest::addColumn<bool>("scheduleOn");
    QTest::addColumn<QString>("track");
    QTest::addColumn<qint64>("advance");
    QTest::addColumn<int>("expected");

    QTest::newRow("entry at window start") << true << "800@300 900@0 2000@300" << 3000LL << 2;
    QTest::newRow("entry 1 s early") << true << "800@300 899@0 2000@300" << 3000LL << 1;
    QTest::newRow("exit early") << true << "800@300 950@0 1899@300" << 3000LL << 1;
    QTest::newRow("inside after exit window") << true << "800@300 950@0" << 2101LL << 1;
    QTest::newRow("entry window open") << true << "800@300" << 1100LL << 0;
    QTest::newRow("missed entry") << true << "800@300" << 1101LL << 1;
    QTest::newRow("report before check on ignored")
        << true << "-50@0 950@0 2000@300" << 3000LL << 2;
    QTest::newRow("schedule off, entry") << false << "5@300 10@0" << 20LL << 2;
    QTest::newRow("schedule off, never in") << false << "5@300" << 99999LL << 0;
    QTest::newRow("two fixes in") << false << "5@300 10@97 15@97" << 20LL << 2;
    QTest::newRow("one fix 15 m in") << false << "5@300 10@85" << 20LL << 2;
    QTest::newRow("one fix 14 m in") << false << "5@300 10@86 15@300" << 20LL << 0;
    QTest::newRow("stray fix out")
        << true << "800@300 950@0 1500@103 1510@0 2000@300" << 3000LL << 2;
    QTest::newRow("two fixes out")
        << true << "800@300 950@0 1500@103 1510@103 2000@300" << 3000LL << 1;
    QTest::newRow("entry dated by its first fix")
        << true << "800@300 1090@97 1200@97 2000@300" << 3000LL << 2;
    QTest::newRow("late report put in order")
        << true << "800@300 1150@97 1050@97 2000@300" << 3000LL << 2;
    QString longStay = "800@300 950@0";
    for (int t = 1000; t < 2000; t += 10)
        longStay += QStringLiteral(" %1@0").arg(t);
    QTest::newRow("entry kept past the history") << true << longStay + " 2000@300" << 3000LL << 2;
    QTest::newRow("late report splits a run")
        << true << "800@300 1050@97 1150@97 1100@300 2000@300" << 3000LL << 1;
}

void tst_ServerChecking::track()
{
    QFETCH(bool, scheduleOn);
    QFETCH(QString, track);
    QFETCH(qint64, advance);
    QFETCH(int, expected);

    std::unique_ptr<CheckEngine> engine(engineFor(CheckSchedule::AtStart,
                                                  scheduleOn ? 1000 : -1000));
    feed(*engine, track);
    engine->advanceTo(T0 + advance);
    QCOMPARE(engine->states(11), (QList<QPair<int, int>>{{21, expected}}));
    engine->removeRoute(11);
    QVERIFY(engine->states(11).isEmpty());
}

void tst_ServerChecking::newPeriodStartsAfresh_data()
{
    // Window at 01:00 local ± 100 s, periods from local midnight (Berlin): the
    // period's window is missed, then the next period begins.
    QTest::addColumn<int>("type");
    QTest::addColumn<qint64>("missed");
    QTest::addColumn<qint64>("nextPeriod");

    QTest::newRow("day") << 1 << utc("2026-03-02T01:00:00Z") << utc("2026-03-02T23:00:00Z");
    QTest::newRow("day in summer time")
        << 1 << utc("2026-07-01T00:00:00Z") << utc("2026-07-01T22:00:00Z");
    QTest::newRow("week from Monday") << 2 << utc("2026-03-08T22:00:00Z")
                                      << utc("2026-03-08T23:00:00Z");
    QTest::newRow("month") << 3 << utc("2026-02-28T22:59:59Z") << utc("2026-02-28T23:00:00Z");
    QTest::newRow("month across the year")
        << 3 << utc("2026-12-31T22:59:59Z") << utc("2026-12-31T23:00:00Z");
}

void tst_ServerChecking::newPeriodStartsAfresh()
{
    QFETCH(int, type);
    QFETCH(qint64, missed);
    QFETCH(qint64, nextPeriod);

    std::unique_ptr<CheckEngine> engine(engineFor(type, 3600, utc("2026-02-01T00:00:00Z")));
    engine->report(7, missed - 10, at(0)); // inside in the old period, never again entered
    engine->advanceTo(missed);
    QCOMPARE(engine->states(11).value(0).second, int(CheckEngine::Violated));
    engine->advanceTo(nextPeriod);
    QCOMPARE(engine->states(11).value(0).second, int(CheckEngine::Due));
    for (qint64 after : {3600, 3601, 4600})
        engine->report(7, nextPeriod + after, at(after == 3601 ? 0 : 300));
    engine->advanceTo(nextPeriod + 9000);
    QCOMPARE(engine->states(11).value(0).second, int(CheckEngine::Passed));
}

QTEST_GUILESS_MAIN(tst_ServerChecking)
#include "tst_server_checking.moc"
