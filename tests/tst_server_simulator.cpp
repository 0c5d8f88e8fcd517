// The simulator judged by the checking engine: each profile keeps its promise,
// no unit jumps or stands in two sections at once, odd routes do no harm.
#include "CheckEngine.h"
#include "UnitSimulator.h"

#include "DemoDistrict.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"
#include "wire/LiveMessages.h"

#include <QtTest>

#include <climits>
#include <memory>

namespace {

constexpr qint64 T0 = 1780000000; // check-on time of the synthetic routes
constexpr qint64 Tick = 10;       // seconds between reports

using Zones = QList<QList<ZoneGeometry>>;
using Shape = QList<QPointF>; // corners in metres east and north of the district's centre
using Reports = QList<LiveMessages::PositionReport>;

const Shape Straight{{0, 0}, {1000, 0}, {2000, 0}, {3000, 0}, {4000, 0}};
const Shape Bent{{0, 0}, {1000, 0}, {1700, 700}, {1700, 1700}, {800, 2200}};

QPoint at(const QPointF &metres)
{
    return DemoDistrict::offset(metres.x(), metres.y());
}

// A checked route, a section per stretch: a 40 m corridor and a 60 m circle at
// its end, windows every 15 min (or none). Landmarks add a yard and an icon the
// unit must get around.
std::unique_ptr<RouteRecord> street(int id, const Shape &corners, bool windows, Zones *zones,
                                    QPointF shift = QPointF(), bool landmarks = false)
{
    auto route = std::make_unique<RouteRecord>(id);
    route->checkTimeType = CheckSchedule::AtStart;
    route->checkOn = 1, route->checkTime = uint(T0);
    zones->clear();
    for (int i = 0; i + 1 < corners.size(); ++i) {
        auto *s = new SectionRecord;
        s->id = i + 1;
        s->checkTimeIn = windows ? i * 900 : -1;
        s->checkTimeOut = windows ? i * 900 + 600 : -1;
        s->checkTimeInAhead = s->checkTimeOutAhead = 60;
        s->checkTimeInBehind = s->checkTimeOutBehind = 120;
        route->sections.append(s);
        const QPoint end = at(corners.at(i + 1) + shift);
        zones->append({ZoneGeometry(ZoneGeometry::Kind::Line, {at(corners.at(i) + shift), end}, 40),
                       ZoneGeometry(ZoneGeometry::Kind::Circle, {end}, 60)});
    }
    if (landmarks) {
        const QPointF c = corners.at(2) + shift;
        (*zones)[1].append(ZoneGeometry(ZoneGeometry::Kind::Polygon,
                                        {at(c + QPointF(-120, -80)), at(c + QPointF(120, -80)),
                                         at(c + QPointF(120, 120)), at(c + QPointF(-120, 120))}));
        (*zones)[2].append(ZoneGeometry(ZoneGeometry::Kind::Icon,
                                        {at((corners.at(1) + corners.at(2)) / 2 + shift)}));
    }
    return route;
}

struct Judged
{
    QList<int> states;
    int overlaps = 0, inside = 0; // reports inside two sections at once, inside any
    int jumps = 0;                // moves of any unit faster than 12 m/s
};

// Feeds the unit's reports every Tick to an engine checking route for it alone;
// until: by default, till a late unit is through the last window.
Judged judge(const UnitSimulator &simulator, int unitId, const RouteRecord &route,
             const Zones &zones, qint64 from, qint64 until = 0)
{
    const SectionRecord *last = route.sections.constLast();
    until = until ? until
                  : qint64(route.checkTime) + qAbs(last->checkTimeOut) + last->checkTimeOutBehind
                        + UnitSimulator::LateSeconds + 600;
    std::unique_ptr<RouteRecord> alone(route.copy());
    alone->objects = {unitId};
    CheckEngine engine;
    engine.setRoute(alone->id, *alone, from, zones);
    Judged judged;
    QHash<int, QPoint> lastAt;
    for (qint64 t = from; t <= until; t += Tick) {
        for (const LiveMessages::PositionReport &r : simulator.positionsAt(t)) {
            const ZoneGeometry before(ZoneGeometry::Kind::Icon, {lastAt.value(r.unitId)});
            const double metres = before.signedDistance(r.position) + ZoneGeometry::IconRadius;
            judged.jumps += lastAt.contains(r.unitId) && metres >= 12.0 * Tick ? 1 : 0;
            lastAt.insert(r.unitId, r.position);
            if (r.unitId != unitId)
                continue;
            engine.report(unitId, r.time, r.position);
            int holding = 0;
            for (const QList<ZoneGeometry> &section : zones)
                holding += signedDistance(section, r.position) <= 0.0 ? 1 : 0;
            judged.overlaps += holding > 1 ? 1 : 0;
            judged.inside += holding > 0 ? 1 : 0;
        }
        engine.advanceTo(t);
    }
    for (const auto &state : engine.states(alone->id))
        judged.states << state.second;
    return judged;
}

} // namespace

class tst_ServerSimulator : public QObject
{
    Q_OBJECT

private slots:
    void drives_data();
    void drives();
    void whoDrives_data();
    void whoDrives();
};

void tst_ServerSimulator::drives_data()
{
    QTest::addColumn<int>("checked"); // 2: every day, windows from 23:30 on, past midnight
    QTest::addColumn<int>("unitIndex"); // the unit's profile

    QTest::newRow("on time") << 1 << 0;
    QTest::newRow("late") << 1 << 1;
    QTest::newRow("skipping") << 1 << 2;
    // Not checked: windows are ignored and every unit goes round.
    QTest::newRow("not checked, second unit half a round behind") << 0 << 1;
    // A period's plan runs on into the next period: no unit jumps at midnight.
    QTest::newRow("every day, past midnight") << 2 << 0;
}

// On a bent street with landmarks in the way. Checked: judged over its windows.
// Unchecked: without windows, over one round from anywhere in it.
void tst_ServerSimulator::drives()
{
    QFETCH(int, checked);
    QFETCH(int, unitIndex);

    Zones zones;
    const auto route = street(5, Bent, true, &zones, QPointF(), true);
    route->checkOn = checked > 0, route->objects = {11, 12, 13};
    for (SectionRecord *s : qAsConst(route->sections)) {
        s->checkTimeIn += checked == 2 ? 84600 : 0;
        s->checkTimeOut += checked == 2 ? 84600 : 0;
    }
    route->checkTimeType = checked == 2 ? CheckSchedule::EveryDay : CheckSchedule::AtStart;
    UnitSimulator simulator;
    simulator.setRoutes({UnitSimulator::fromRecord(*route, zones)});
    const int unit = route->objects.at(unitIndex);
    QCOMPARE(int(simulator.profile(unit)), unitIndex);

    Judged judged;
    if (checked == 1) {
        // On time passes every section, late misses all, skipping misses the second.
        judged = judge(simulator, unit, *route, zones, T0);
        QCOMPARE(judged.states.size(), zones.size());
        for (int i = 0; i < zones.size(); ++i)
            QCOMPARE(judged.states[i], int(unitIndex == 0 || (unitIndex == 2 && i != 1)
                                               ? CheckEngine::Passed
                                               : CheckEngine::Violated));
    } else if (checked == 2) {
        judged = judge(simulator, unit, *route, zones, T0, T0 + 2 * 86400);
    } else {
        const auto windowless = street(5, Bent, false, &zones, QPointF(), true);
        const qint64 from = T0 + 4321;
        judged = judge(simulator, unit, *windowless, zones, from, from + zones.size() * 900);
        QCOMPARE(judged.states, QVector<int>(zones.size(), CheckEngine::Passed).toList());
        const Reports all = simulator.positionsAt(from);
        QVERIFY(all.at(0).position != all.at(1).position);
    }
    QCOMPARE(judged.overlaps, 0);
    QCOMPARE(judged.jumps, 0);
}

void tst_ServerSimulator::whoDrives_data()
{
    QTest::addColumn<QString>("routes");
    QTest::addColumn<QList<int>>("units");
    QTest::addColumn<int>("followed"); // by unit 7

    QTest::newRow("two routes, the second checked") << "second" << QList<int>{7, 8, 9} << 2;
    QTest::newRow("two routes, both checked: the first") << "first second" << QList<int>{7, 8, 9}
                                                         << 1;
    QTest::newRow("two routes, neither checked: the first") << "" << QList<int>{7, 8, 9} << 1;
    QTest::newRow("sections without zones") << "no zones" << QList<int>{} << 0;
    QTest::newRow("sections on the same spot") << "same spot" << QList<int>{} << 0;
    QTest::newRow("a lone icon") << "icon" << QList<int>{7, 8} << 1;
    QTest::newRow("extreme window times, every day") << "extreme" << QList<int>{7, 8} << 1;
}

// Unit 7 is on both routes and drives only the one it follows. Odd routes: no
// crash, a report per drivable unit, times clamped to what a report holds.
void tst_ServerSimulator::whoDrives()
{
    QFETCH(QString, routes);
    QFETCH(QList<int>, units);
    QFETCH(int, followed);

    Zones zones[2];
    const std::unique_ptr<RouteRecord> records[] = {
        street(1, Straight, true, &zones[0]), street(2, Bent, true, &zones[1], {0, 3000})};
    records[0]->checkOn = routes.contains("first"), records[1]->checkOn = routes.contains("sec");
    records[0]->objects = {7, 8, 7}, records[1]->objects = {9, 7};
    const QList<ZoneGeometry> icon{ZoneGeometry(ZoneGeometry::Kind::Icon, {at({0, 0})})};
    if (routes == "no zones" || routes == "same spot" || routes == "icon")
        zones[0] = routes == "icon" ? Zones{icon} : routes == "same spot" ? Zones{icon, icon, icon}
                                                                          : Zones();
    records[0]->checkTimeType = routes == "extreme" ? CheckSchedule::EveryDay : 0;
    for (SectionRecord *s : qAsConst(records[0]->sections)) {
        if (routes == "extreme") {
            s->checkTimeIn = INT_MAX - 1;
            s->checkTimeOut = s->checkTimeInBehind = s->checkTimeOutAhead = INT_MAX;
        }
    }
    const bool two = units.contains(9);
    UnitSimulator simulator;
    simulator.setRoutes(two ? QList<UnitSimulator::Route>{UnitSimulator::fromRecord(*records[0], zones[0]),
                                                         UnitSimulator::fromRecord(*records[1], zones[1])}
                            : QList<UnitSimulator::Route>{UnitSimulator::fromRecord(*records[0], zones[0])});
    QCOMPARE(simulator.units(), units);
    QCOMPARE(simulator.routeOf(7), followed);
    for (qint64 t : {LLONG_MIN, -1LL, T0 + 1234, 1LL << 33, LLONG_MAX}) {
        const Reports reports = simulator.positionsAt(t);
        QCOMPARE(reports.size(), units.size());
        for (const LiveMessages::PositionReport &r : reports)
            QCOMPARE(qint64(r.time), std::clamp<qint64>(t, 0, 0xffffffffLL));
    }
    for (int i = 0; i < (two ? 2 : 0); ++i)
        QCOMPARE(judge(simulator, 7, *records[i], zones[i], T0, T0 + 3600).inside > 0,
                 i + 1 == followed);
}

QTEST_GUILESS_MAIN(tst_ServerSimulator)
#include "tst_server_simulator.moc"
