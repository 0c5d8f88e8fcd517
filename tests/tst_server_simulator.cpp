#include "CheckEngine.h"
#include "Database.h"
#include "DemoSeed.h"
#include "LayerStore.h"
#include "RuleStore.h"
#include "UnitSimulator.h"
#include "ZoneGeometry.h"

#include "DemoDistrict.h"
#include "LiveMessages.h"
#include "graphobj/GraphObData.h"
#include "routecheck/RouteRecord.h"
#include "routecheck/SectionRecord.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

constexpr qint64 T0 = 1780000000; // check-on time of the synthetic routes
constexpr qint64 Tick = 10; // seconds between reports

using Zones = QList<QList<ZoneGeometry>>;
using Shape = QList<QPointF>; // corners in metres east and north of the district's centre

const Shape Straight{{0, 0}, {1000, 0}, {2000, 0}, {3000, 0}, {4000, 0}};
const Shape Bent{{0, 0}, {1000, 0}, {1700, 700}, {1700, 1700}, {800, 2200}};
const Shape Switchback{{0, 0}, {1200, 0}, {1200, 400}, {0, 400}};

QPoint at(const QPointF &metres)
{
    return DemoDistrict::offset(metres.x(), metres.y());
}

// A section per stretch: a 40 m corridor and a 60 m checkpoint circle at its
// end, like the demo's. Windows every 15 min from the check time, 10 min
// long, 60 s ahead and 120 s behind; or none. With landmarks, the second
// section also holds a yard around its end corner and the third an icon
// halfway along the second.
std::unique_ptr<RouteRecord> street(int id, const Shape &corners, bool windows, Zones *zones,
                                    QPointF shift = QPointF(), bool landmarks = false)
{
    auto route = std::make_unique<RouteRecord>(id);
    route->checkTimeType = CheckSchedule::AtStart;
    route->checkOn = 1;
    route->checkTime = uint(T0);
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
        zones->append({ZoneGeometry(ZoneGeometry::Kind::Line, {at(corners.at(i) + shift), end},
                                    40),
                       ZoneGeometry(ZoneGeometry::Kind::Circle, {end}, 60)});
    }
    if (landmarks && zones->size() >= 3) {
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
    int overlaps = 0; // reports inside two sections at once
    int inside = 0;   // reports inside any section
};

// Reports the unit every Tick from `from` to `to` to an engine that checks
// route for that unit alone.
Judged judge(const UnitSimulator &simulator, int unitId, const RouteRecord &route,
             const Zones &zones, qint64 from, qint64 to)
{
    std::unique_ptr<RouteRecord> alone(route.copy());
    alone->objects = {unitId};
    CheckEngine engine;
    engine.setRoute(alone->id, *alone, from, zones);
    Judged judged;
    for (qint64 t = from; t <= to; t += Tick) {
        const QList<LiveMessages::PositionReport> reports = simulator.positionsAt(t);
        for (const LiveMessages::PositionReport &r : reports) {
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
    const QList<QPair<int, int>> states = engine.states(alone->id);
    for (const auto &state : states)
        judged.states << state.second;
    return judged;
}

// What a unit of that profile makes of n windowed sections on its own.
QList<int> promised(UnitSimulator::Profile profile, int n)
{
    QList<int> states;
    for (int i = 0; i < n; ++i) {
        const bool passes = profile == UnitSimulator::Profile::OnTime
                            || (profile == UnitSimulator::Profile::Skipping && i != 1);
        states << (passes ? CheckEngine::Passed : CheckEngine::Violated);
    }
    return states;
}

// Time enough for a late unit to get through every window of route.
qint64 afterLastWindow(const RouteRecord &route)
{
    const SectionRecord *last = route.sections.constLast();
    return qint64(route.checkTime) + qAbs(last->checkTimeOut) + last->checkTimeOutBehind
           + UnitSimulator::LateSeconds + 600;
}

} // namespace

class tst_ServerSimulator : public QObject
{
    Q_OBJECT

private slots:
    void drives_data();
    void drives();
    void unitOnTwoRoutes_data();
    void unitOnTwoRoutes();
    void oddInput_data();
    void oddInput();
    void demoRiverside();
};

void tst_ServerSimulator::drives_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<bool>("landmarks");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<int>("unitIndex");
    QTest::addColumn<QString>("profile");

    const QStringList profiles{"on time", "late", "skipping"};
    auto addProfiles = [&profiles](const char *name, const Shape &shape, bool landmarks) {
        for (int i = 0; i < profiles.size(); ++i) {
            QTest::addRow("%s, %s", name, qPrintable(profiles.at(i)))
                << shape << landmarks << true << i << profiles.at(i);
        }
    };
    addProfiles("straight", Straight, false);
    addProfiles("bent", Bent, false);
    addProfiles("switchback", Switchback, false);
    addProfiles("landmarks in the way", Bent, true);
    // Not checked: windows are ignored and every unit goes round.
    QTest::newRow("not checked, first unit") << Straight << false << false << 0 << "on time";
    QTest::newRow("not checked, second unit half a round behind")
        << Bent << true << false << 1 << "late";
}

// An engine judges each unit alone; a checked route over its windows, an
// unchecked one without windows over one round from anywhere in it.
void tst_ServerSimulator::drives()
{
    QFETCH(Shape, shape);
    QFETCH(bool, landmarks);
    QFETCH(bool, checked);
    QFETCH(int, unitIndex);
    QFETCH(QString, profile);

    Zones zones;
    const auto route = street(5, shape, true, &zones, QPointF(), landmarks);
    route->checkOn = checked ? 1 : 0;
    route->objects = {11, 12, 13};
    UnitSimulator simulator;
    simulator.setRoutes({UnitSimulator::fromRecord(*route, zones)});
    const int unit = route->objects.at(unitIndex);
    QCOMPARE(UnitSimulator::profileName(simulator.profile(unit)), profile);

    Judged judged;
    if (checked) {
        judged = judge(simulator, unit, *route, zones, T0, afterLastWindow(*route));
        QCOMPARE(judged.states, promised(simulator.profile(unit), zones.size()));
    } else {
        const auto windowless = street(5, shape, false, &zones, QPointF(), landmarks);
        const qint64 from = T0 + 4321;
        judged = judge(simulator, unit, *windowless, zones, from, from + zones.size() * 900);
        QCOMPARE(judged.states, QVector<int>(zones.size(), CheckEngine::Passed).toList());
        const QList<LiveMessages::PositionReport> all = simulator.positionsAt(from);
        QVERIFY(all.at(0).position != all.at(1).position);
    }
    QCOMPARE(judged.overlaps, 0);
}

void tst_ServerSimulator::unitOnTwoRoutes_data()
{
    QTest::addColumn<bool>("firstChecked");
    QTest::addColumn<bool>("secondChecked");
    QTest::addColumn<int>("followed");

    QTest::newRow("only the second checked") << false << true << 2;
    QTest::newRow("only the first checked") << true << false << 1;
    QTest::newRow("both checked: the first") << true << true << 1;
    QTest::newRow("neither checked: the first") << false << false << 1;
}

void tst_ServerSimulator::unitOnTwoRoutes()
{
    QFETCH(bool, firstChecked);
    QFETCH(bool, secondChecked);
    QFETCH(int, followed);

    Zones zones[2];
    const std::unique_ptr<RouteRecord> routes[] = {
        street(1, Straight, true, &zones[0]), street(2, Bent, true, &zones[1], {0, 3000})};
    routes[0]->checkOn = firstChecked ? 1 : 0;
    routes[1]->checkOn = secondChecked ? 1 : 0;
    routes[0]->objects = {7, 8};
    routes[1]->objects = {9, 7};
    UnitSimulator simulator;
    simulator.setRoutes({UnitSimulator::fromRecord(*routes[0], zones[0]),
                         UnitSimulator::fromRecord(*routes[1], zones[1])});
    QCOMPARE(simulator.units(), (QList<int>{7, 8, 9}));
    QCOMPARE(simulator.routeOf(7), followed);

    const qint64 end = afterLastWindow(*routes[0]);
    for (int i : {0, 1}) {
        const int inside = judge(simulator, 7, *routes[i], zones[i], T0, end).inside;
        QCOMPARE(inside > 0, i + 1 == followed);
    }
}

void tst_ServerSimulator::oddInput_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QList<int>>("units");

    QTest::newRow("no routes") << "none" << QList<int>{};
    QTest::newRow("route without units") << "no units" << QList<int>{};
    QTest::newRow("sections without zones") << "no zones" << QList<int>{};
    QTest::newRow("shapes without points") << "empty shapes" << QList<int>{};
    QTest::newRow("sections on the same spot") << "same spot" << QList<int>{};
    QTest::newRow("a lone icon, unit listed twice") << "icon" << QList<int>{3};
    QTest::newRow("overlapping windows") << "overlap" << QList<int>{3};
    QTest::newRow("extreme window times, every day") << "extreme" << QList<int>{3};
}

void tst_ServerSimulator::oddInput()
{
    QFETCH(QString, input);
    QFETCH(QList<int>, units);

    Zones zones;
    auto route = street(4, Straight, true, &zones);
    route->objects = input == "no units" ? QList<int>() : QList<int>{3, 3};
    const ZoneGeometry icon(ZoneGeometry::Kind::Icon, {at({0, 0})});
    if (input == "no zones")
        zones.clear();
    else if (input == "empty shapes")
        zones = {{ZoneGeometry(ZoneGeometry::Kind::Line, {}, 40)}, {ZoneGeometry()}};
    else if (input == "same spot")
        zones = {{icon}, {icon}, {icon}, {icon}};
    else if (input == "icon")
        zones = {{icon}};
    constexpr int Max = std::numeric_limits<int>::max();
    for (SectionRecord *s : qAsConst(route->sections)) {
        if (input == "overlap")
            s->checkTimeOut = s->checkTimeIn + 2000;
        if (input == "extreme") {
            route->checkTimeType = CheckSchedule::EveryDay;
            s->checkTimeIn = Max - 1;
            s->checkTimeOut = s->checkTimeInBehind = s->checkTimeOutAhead = Max;
        }
    }
    UnitSimulator simulator;
    if (input != "none")
        simulator.setRoutes({UnitSimulator::fromRecord(*route, zones)});
    QCOMPARE(simulator.units(), units);

    for (qint64 t : {std::numeric_limits<qint64>::min(), qint64(-1), T0 + 1234,
                     std::numeric_limits<qint64>::max()}) {
        const QList<LiveMessages::PositionReport> reports = simulator.positionsAt(t);
        QCOMPARE(reports.size(), units.size());
        for (const LiveMessages::PositionReport &r : reports)
            QCOMPARE(qint64(r.time), std::clamp<qint64>(t, 0, 0xffffffffLL));
    }
}

// The demo's river route, switched on among every seeded route: each of its
// units makes of it what its profile promises, and every unit drives on
// without a jump.
void tst_ServerSimulator::demoRiverside()
{
    const qint64 checkOn = QDateTime(QDate(2024, 5, 6), QTime(9, 10), Qt::UTC).toSecsSinceEpoch();
    QTemporaryDir dir;
    Database db;
    QString error;
    QVERIFY2(db.open(dir.filePath("demo.sqlite"), &error), qPrintable(error));
    QVERIFY(DemoSeed::fill(db));
    bool ok = false;
    const std::vector<RuleStore::NamedRoute> stored = RuleStore(db).routes(&ok);
    QVERIFY(ok);
    const QHash<qint32, GraphObData> objects = LayerStore(db).objects(&ok);
    QVERIFY(ok);

    QList<UnitSimulator::Route> routes;
    std::unique_ptr<RouteRecord> river;
    Zones riverZones;
    for (const RuleStore::NamedRoute &named : stored) {
        std::unique_ptr<RouteRecord> route(named.route->copy());
        Zones zones;
        for (const SectionRecord *section : qAsConst(route->sections)) {
            QList<ZoneGeometry> sectionZones;
            for (int id : section->graphObjectIds)
                sectionZones.append(ZoneGeometry::fromObject(objects.value(id)));
            zones.append(sectionZones);
        }
        // Its windows run past midnight.
        if (named.name == "Night ring")
            route->checkOn = 1;
        if (named.name == "Riverside patrol") {
            route->checkOn = 1;
            route->checkTime = uint(checkOn);
            river.reset(route->copy());
            riverZones = zones;
        }
        routes.append(UnitSimulator::fromRecord(*route, zones));
    }
    QVERIFY(river && river->objects.size() == 2);
    UnitSimulator simulator;
    simulator.setRoutes(routes);

    for (int unit : qAsConst(river->objects)) {
        QCOMPARE(simulator.routeOf(unit), river->id);
        const Judged judged =
            judge(simulator, unit, *river, riverZones, checkOn, afterLastWindow(*river));
        QVERIFY2(judged.states == promised(simulator.profile(unit), riverZones.size()),
                 qPrintable(UnitSimulator::profileName(simulator.profile(unit))));
        QCOMPARE(judged.overlaps, 0);
    }

    QHash<int, QPoint> last;
    for (qint64 t = checkOn; t < checkOn + 26 * 3600; t += Tick) {
        const QList<LiveMessages::PositionReport> reports = simulator.positionsAt(t);
        QCOMPARE(reports.size(), 10);
        for (const LiveMessages::PositionReport &r : reports) {
            const ZoneGeometry before(ZoneGeometry::Kind::Icon, {last.value(r.unitId)});
            const double metres = before.signedDistance(r.position) + ZoneGeometry::IconRadius;
            QVERIFY2(!last.contains(r.unitId) || metres < 12.0 * Tick,
                     qPrintable(QStringLiteral("unit %1 at %2").arg(r.unitId).arg(t)));
            last.insert(r.unitId, r.position);
        }
    }
}

QTEST_GUILESS_MAIN(tst_ServerSimulator)
#include "tst_server_simulator.moc"
