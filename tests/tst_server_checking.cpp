// Live checking: the engine's distances to the zones of each kind, a unit's
// fixes judged against a section's windows, periods in local time; and the
// simulator judged by the engine: each profile keeps its promise, no unit
// jumps or stands in two sections at once.
#include "ChangeNotices.h"
#include "CheckEngine.h"
#include "CheckSchedule.h"
#include "Database.h"
#include "LayerStore.h"
#include "LiveChecker.h"
#include "RuleStore.h"
#include "ServerClock.h"
#include "TrackedObjectStore.h"
#include "RouteOwners.h"
#include "UnitSimulator.h"
#include "UnitTrackStore.h"
#include "ZoneGeometry.h"

#include "DemoDistrict.h"
#include "geo/Corridor.h"
#include "records/GraphObData.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"
#include "wire/LiveMessages.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/Gnomonic.hpp>

#include <ctime>
#include <limits>
#include <memory>

namespace {

constexpr qint64 T0 = 1780000000; // the check-on time of the AtStart routes
constexpr qint64 Tick = 10;       // seconds between the simulator's reports
constexpr qint64 BeforeEpoch = std::numeric_limits<qint64>::min(); // a time the last second of 1999

// The point east and north metres from the district's centre.
QPoint at(double east, double north = 0.0)
{
    return DemoDistrict::offset(east, north);
}

qint64 utc(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toSecsSinceEpoch();
}

// Units 7 and 8's route, checked from T0: one section, a circle of 200 m at the
// centre, due timeIn ... timeIn + 1000 (negative: schedule off), 100 s either
// side (the exit 50 s ahead).
CheckEngine *engineFor(int timeIn)
{
    RouteRecord route(11);
    route.checkTimeType = CheckSchedule::AtStart, route.objects = {7, 8};
    route.sections << new SectionRecord{21,  "",  {}, timeIn, timeIn + (timeIn < 0 ? -1000 : 1000),
                                        0,   100, 100, 50,   100, true, true, false, 0};
    auto *engine = new CheckEngine;
    const ZoneGeometry circle(ZoneGeometry::Kind::Circle, {at(0)}, 200);
    engine->setRoute(11, route, T0, {{circle}});
    return engine;
}

// Reports of unit 7 ("8:" before a fix: unit 8), in arrival order.
void feed(CheckEngine &engine, const QString &track)
{
    for (const QString &fix : track.split(' ', Qt::SkipEmptyParts))
        engine.report(fix.startsWith("8:") ? 8 : 7,
                      T0 + fix.section('@', 0, 0).remove("8:").toLongLong(),
                      at(fix.section('@', 1).toDouble()));
}

using Zones = QList<QList<ZoneGeometry>>;
using Reports = QList<LiveMessages::PositionReport>;

// What LiveChecker::positionsAccepted carried, as the body every client gets.
QByteArray acceptedBody(const QVariant &argument)
{
    return LiveMessages::positionsBody(argument.value<Reports>());
}
using LiveMessages::CheckEvent;

QPoint at(const QPointF &metres)
{
    return at(metres.x(), metres.y());
}

// A checked route for units 11, 12, 13 along a bent street, a section per
// stretch: a 40 m corridor and a 60 m circle at its end, windows every 15 min;
// a yard and an icon the unit must get around.
std::unique_ptr<RouteRecord> street(Zones *zones)
{
    const QList<QPointF> corners{{0, 0}, {1000, 0}, {1700, 700}, {1700, 1700}, {800, 2200}};
    auto route = std::make_unique<RouteRecord>(5);
    route->checkTimeType = CheckSchedule::AtStart;
    route->checkOn = 1, route->checkTime = uint(T0), route->objects = {11, 12, 13};
    for (int i = 0; i + 1 < corners.size(); ++i) {
        route->sections.append(new SectionRecord{i + 1, "", {}, i * 900, i * 900 + 600, 0, 60,
                                                 120, 60, 120, true, true, false, 0});
        const QPoint end = at(corners.at(i + 1));
        zones->append({ZoneGeometry(ZoneGeometry::Kind::Line, {at(corners.at(i)), end}, 40),
                       ZoneGeometry(ZoneGeometry::Kind::Circle, {end}, 60)});
    }
    const QPointF c = corners.at(2);
    (*zones)[1].append(ZoneGeometry(ZoneGeometry::Kind::Polygon,
                                    {at(c + QPointF(-120, -80)), at(c + QPointF(120, -80)),
                                     at(c + QPointF(120, 120)), at(c + QPointF(-120, 120))}));
    (*zones)[2].append(ZoneGeometry(ZoneGeometry::Kind::Icon, {at((corners[1] + c) / 2)}));
    return route;
}

struct Judged
{
    QList<int> states;
    int overlaps = 0; // reports inside two sections at once
    int jumps = 0;    // moves of any unit faster than 12 m/s
};

// Feeds the unit's reports every Tick to an engine checking route for it alone,
// till a late unit is through the last window.
Judged judge(const UnitSimulator &simulator, int unitId, const RouteRecord &route,
             const Zones &zones)
{
    const SectionRecord *last = route.sections.constLast();
    const qint64 until = T0 + last->checkTimeOut + last->checkTimeOutBehind
                         + UnitSimulator::LateSeconds + 600;
    std::unique_ptr<RouteRecord> alone(route.copy());
    alone->objects = {unitId};
    CheckEngine engine;
    engine.setRoute(alone->id, *alone, T0, zones);
    Judged judged;
    QHash<int, QPoint> lastAt;
    for (qint64 t = T0; t <= until; t += Tick) {
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
        }
        engine.advanceTo(t);
    }
    for (const auto &state : engine.states(alone->id))
        judged.states << state.second;
    return judged;
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
    void geodesic_data();
    void geodesic();
    void polygonAgainstGeodesics_data();
    void polygonAgainstGeodesics();
    void frameAgainstGeographicLib_data();
    void frameAgainstGeographicLib();
    void track_data();
    void track();
    void manyZones();
    void rounds_data();
    void rounds();
    void drives_data();
    void drives();
    void liveChecker();
    void screensReports_data();
    void screensReports();
    void simulatesHeldRoutes();
    void routeOwners_data();
    void routeOwners();
    void keptTracks_data();
    void keptTracks();
    void changeNotices_data();
    void changeNotices();
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
    QTest::newRow("circle, far beyond its frame: still metres to its edge")
        << 4 << QList<QPoint>{at(0)} << 200 << at(0, 2000) << 1900.0;
    QTest::newRow("icon 49 m north") << 1 << QList<QPoint>{at(0)} << 0 << at(0, 49) << -1.0;
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
    // The rows are laid out in the district's metres, on the sphere the map is
    // drawn on; judged on WGS84 they differ by up to 0.25 % here.
    QVERIFY2(std::abs(d - distance) < 0.1 + 0.0025 * std::abs(distance),
             qPrintable(QString::number(d)));
    QVERIFY(distance == 0.0 || zone.contains(position) == (distance < 0.0));
}

namespace {

const GeographicLib::Geodesic &earth()
{
    static const GeographicLib::Geodesic wgs84(GeographicLib::Constants::WGS84_a(),
                                               GeographicLib::Constants::WGS84_f());
    return wgs84;
}

QPoint wire(double lat, double lon)
{
    return QPoint(int(std::lround(lon * 1e7)), int(std::lround(lat * 1e7)));
}

// The point metres from (lat, lon) along the geodesic leaving at azimuth.
QPoint away(double lat, double lon, double metres, double azimuth)
{
    double lat2 = 0.0, lon2 = 0.0;
    earth().Direct(lat, lon, azimuth, metres, lat2, lon2);
    return wire(lat2, lon2);
}

} // namespace

void tst_ServerChecking::geodesic_data()
{
    // A circle (size: radius in metres) and a unit metres from its centre at
    // each of eight azimuths: inside within the radius, to within 5 cm.
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("radius");
    QTest::addColumn<double>("metres");

    QTest::newRow("across the antimeridian, inside") << 10.0 << 179.9996 << 500.0 << 490.0;
    QTest::newRow("across the antimeridian, outside") << 10.0 << -179.9996 << 500.0 << 510.0;
    QTest::newRow("at 89.9995 N, 112 m out: over the pole") << 89.9995 << 30.0 << 200.0 << 112.0;
    QTest::newRow("at 89.9995 N, just outside") << 89.9995 << 30.0 << 200.0 << 200.2;
    QTest::newRow("at the south pole") << -90.0 << 0.0 << 300.0 << 299.8;
    QTest::newRow("30 km at 60 N, 100 m in") << 60.0 << 25.0 << 30000.0 << 29900.0;
    QTest::newRow("30 km at 60 N, 100 m out") << 60.0 << 25.0 << 30000.0 << 30100.0;
    QTest::newRow("300 km on the equator, 1 m out") << 0.0 << 100.0 << 300000.0 << 300001.0;
}

void tst_ServerChecking::geodesic()
{
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, radius);
    QFETCH(double, metres);

    const ZoneGeometry circle(ZoneGeometry::Kind::Circle, {wire(lat, lon)}, int(2 * radius));
    for (double azimuth = 0.0; azimuth < 360.0; azimuth += 45.0) {
        const QPoint unit = away(lat, lon, metres, azimuth);
        // The wire's 1e-7 degree is up to 1.1 cm.
        const double d = circle.signedDistance(unit);
        QVERIFY2(std::abs(d - (metres - radius)) < 0.05 + 0.012,
                 qPrintable(QStringLiteral("azimuth %1: %2").arg(azimuth).arg(d)));
        QCOMPARE(circle.contains(unit), metres <= radius);
    }
}

void tst_ServerChecking::polygonAgainstGeodesics_data()
{
    QTest::addColumn<double>("lat0");
    QTest::addColumn<double>("lon0");
    QTest::addColumn<QList<QPointF>>("shape"); // km in the gnomonic plane

    // A square of 20 km with a notch cut into its north side.
    QTest::newRow("20 km at 70 N, notched") << 70.0 << 20.0
        << QList<QPointF>{{-10, -10}, {10, -10}, {10, 10}, {2, 10}, {0, 2}, {-2, 10}, {-10, 10}};
    // Enough edges to be looked up through the grid, across the antimeridian.
    QList<QPointF> star;
    for (int k = 0; k < 240; ++k) {
        const double a = 2.0 * M_PI * k / 240, r = k % 2 ? 4.0 : 10.0;
        star << QPointF(r * std::cos(a), r * std::sin(a));
    }
    QTest::newRow("a star of 240 edges on the antimeridian at 40 S") << -40.0 << 180.0 << star;
}

// Polygons against the geodesic answer: in the gnomonic projection geodesics
// are straight, so a ray cast there says what is inside. Every point more
// than 0.5 m from the border agrees.
void tst_ServerChecking::polygonAgainstGeodesics()
{
    QFETCH(double, lat0);
    QFETCH(double, lon0);
    QFETCH(QList<QPointF>, shape);

    const GeographicLib::Gnomonic gnomonic(earth());
    QList<QPoint> ring;
    QVector<QPointF> plane;
    for (const QPointF &km : shape) {
        double lat = 0.0, lon = 0.0, azimuth = 0.0, scale = 0.0;
        gnomonic.Reverse(lat0, lon0, km.x() * 1000, km.y() * 1000, lat, lon, azimuth, scale);
        ring << wire(lat, lon);
        double x = 0.0, y = 0.0;
        gnomonic.Forward(lat0, lon0, ring.last().y() / 1e7, ring.last().x() / 1e7, x, y, azimuth,
                         scale);
        plane << QPointF(x, y);
    }
    const ZoneGeometry polygon(ZoneGeometry::Kind::Polygon, ring);
    QRandomGenerator random(7);
    int compared = 0;
    for (int i = 0; i < 20000; ++i) {
        const QPointF p(random.bounded(24000.0) - 12000.0, random.bounded(24000.0) - 12000.0);
        bool inside = false;
        double border = std::numeric_limits<double>::infinity();
        for (int a = 0, b = plane.size() - 1; a < plane.size(); b = a++) {
            const QPointF &u = plane[a], &v = plane[b];
            if ((u.y() > p.y()) != (v.y() > p.y())
                && u.x() + (p.y() - u.y()) * (v.x() - u.x()) / (v.y() - u.y()) > p.x())
                inside = !inside;
            const QPointF d = v - u;
            const double t = std::clamp(QPointF::dotProduct(p - u, d) / QPointF::dotProduct(d, d),
                                        0.0, 1.0);
            border = std::min(border, std::hypot(p.x() - u.x() - t * d.x(), p.y() - u.y() - t * d.y()));
        }
        double lat = 0.0, lon = 0.0, azimuth = 0.0, scale = 0.0;
        gnomonic.Reverse(lat0, lon0, p.x(), p.y(), lat, lon, azimuth, scale);
        if (border <= 0.5)
            continue;
        const double d = polygon.signedDistance(wire(lat, lon));
        QVERIFY2(polygon.contains(wire(lat, lon)) == inside,
                 qPrintable(QStringLiteral("(%1, %2) km, %3 m from the border")
                                .arg(p.x() / 1000).arg(p.y() / 1000).arg(border)));
        if (border < 1000.0)
            QVERIFY2(std::abs(std::abs(d) - border) < 0.5, qPrintable(QString::number(d)));
        ++compared;
    }
    QVERIFY(compared > 18000);
}

void tst_ServerChecking::frameAgainstGeographicLib_data()
{
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("reach");

    for (const double lat : {0.0, 45.0, -70.0, 89.99}) {
        for (const double reach : {2000.0, 20000.0, 150000.0})
            QTest::addRow("latitude %g, %g km", lat, reach / 1000) << lat << reach;
    }
}

// A frame's fast projection stays within 5 cm of the exact one over its reach.
void tst_ServerChecking::frameAgainstGeographicLib()
{
    QFETCH(double, lat);
    QFETCH(double, reach);

    const GeoFrame frame(GeoPoint::fromDegrees(lat, 33.0), reach);
    QVERIFY(frame.isFitted());
    QRandomGenerator random(11);
    double worst = 0.0;
    for (int i = 0; i < 2000; ++i) {
        double lat2 = 0.0, lon2 = 0.0;
        earth().Direct(lat, 33.0, random.bounded(360.0), reach * std::sqrt(random.generateDouble()),
                       lat2, lon2);
        const GeoPoint point = GeoPoint::fromDegrees(lat2, lon2);
        const QPointF error = frame.project(point) - frame.projectExactly(point);
        worst = std::max(worst, std::hypot(error.x(), error.y()));
    }
    QVERIFY2(worst <= GeoFrame::MaxError, qPrintable(QString::number(worst)));
}

void tst_ServerChecking::track_data()
{
    // "seconds after T0@metres east" of the fixes, then what is judged that many
    // seconds after T0. Circle of 100 m radius at 0; schedule on: entry window
    // [900, 1100], exit window [1950, 2100]; "off": its schedule off.
    QTest::addColumn<QString>("track");
    QTest::addColumn<qint64>("advance");
    QTest::addColumn<int>("expected");

    QTest::newRow("entry at window start") << "800@300 900@0 2000@300" << 3000LL << 2;
    QTest::newRow("entry 1 s early") << "800@300 899@0 2000@300" << 3000LL << 1;
    QTest::newRow("exit early") << "800@300 950@0 1920@300" << 3000LL << 1;
    QTest::newRow("inside after exit window") << "800@300 950@0" << 2101LL << 1;
    QTest::newRow("entry window open") << "800@300" << 1100LL << 0;
    QTest::newRow("missed entry") << "800@300" << 1101LL << 1;
    QTest::newRow("the first unit in carries it") << "8:1150@0 950@0 2000@300" << 3000LL << 2;
    QTest::newRow("at the same second the lower unit id carries it")
        << "800@300 8:800@300 8:950@0 950@0 8:1920@300 2000@300" << 3000LL << 2;
    QTest::newRow("report before check on ignored") << "-50@0 950@0 2000@300" << 3000LL << 2;
    QTest::newRow("schedule off, entry") << "off 5@300 10@0" << 20LL << 2;
    QTest::newRow("two fixes in") << "off 5@300 10@97 15@97" << 20LL << 2;
    QTest::newRow("one fix 16 m in") << "off 5@300 10@84" << 20LL << 2;
    QTest::newRow("one fix 14 m in") << "off 5@300 10@86 15@300" << 20LL << 0;
    QTest::newRow("entry dated by its first fix")
        << "800@300 1090@97 1200@97 2000@300" << 3000LL << 2;
    QTest::newRow("late report put in order, then inside")
        << "800@300 1150@97 1050@97" << 1500LL << 0;
    QString longStay = "800@300 950@0";
    for (int t = 1000; t < 2000; t += 10)
        longStay += QStringLiteral(" %1@0").arg(t);
    QTest::newRow("entry kept past the history") << longStay + " 2000@300" << 3000LL << 2;
    QTest::newRow("late report splits a run")
        << "800@300 1050@97 1150@97 1100@300 2000@300" << 3000LL << 1;
}

void tst_ServerChecking::track()
{
    QFETCH(QString, track);
    QFETCH(qint64, advance);
    QFETCH(int, expected);

    const bool off = track.startsWith("off");
    std::unique_ptr<CheckEngine> engine(engineFor(off ? -1000 : 1000));
    feed(*engine, track.mid(off ? 3 : 0));
    engine->advanceTo(T0 + advance);
    QCOMPARE(engine->states(11), (QList<QPair<int, int>>{{21, expected}}));
}

// A route of 40 circles, enough to be looked up through an index: a unit
// passing each enters each; one report 10 m outside a circle (within the 15 m
// that would confirm it alone) is no exit. Near the pole, north is along an
// axis of the earth-centred boxes, the way a box without the confirming
// margin would miss it.
void tst_ServerChecking::manyZones()
{
    constexpr int Sections = 40;
    RouteRecord route(11);
    route.checkTimeType = CheckSchedule::AtStart, route.objects = {7};
    QList<QList<ZoneGeometry>> zones;
    QList<QPoint> centres;
    for (int k = 0; k < Sections; ++k) {
        route.sections << new SectionRecord{k + 1, "", {}, -1, -1, 0, 0, 0, 0, 0,
                                            true, true, false, 0};
        centres << away(89.5, 0.0, 1000.0 * k, 0.0);
        zones << QList<ZoneGeometry>{ZoneGeometry(ZoneGeometry::Kind::Circle, {centres.last()}, 200)};
    }
    CheckEngine engine;
    engine.setRoute(11, route, T0, zones);
    const auto near = [&centres](int k, double metres, double azimuth) {
        return away(centres[k].y() / 1e7, centres[k].x() / 1e7, metres, azimuth);
    };
    qint64 t = T0;
    for (int k = 0; k < Sections; ++k) {
        engine.report(7, t += 10, near(k, 500, 90));
        engine.report(7, t += 10, near(k, 0, 0));
        engine.report(7, t += 10, near(k, 0, 0));
        if (k == 0)
            engine.report(7, t += 10, near(k, 110, 0)); // 10 m out, once
        engine.report(7, t += 10, near(k, 10, 0));
        engine.report(7, t += 10, near(k, 500, 270));
        engine.report(7, t += 10, near(k, 500, 270));
    }
    const QVector<CheckEngine::Outcome> outcomes = engine.outcomes(11);
    QCOMPARE(outcomes.size(), Sections);
    for (const CheckEngine::Outcome &o : outcomes) {
        QCOMPARE(o.state, int(CheckEngine::Passed));
        QVERIFY(o.entered && o.left);
    }
    // The exit from the first circle is the one 500 m out, not the slip.
    QCOMPARE(outcomes.first().exitTime, T0 + 60);
}

void tst_ServerChecking::rounds_data()
{
    // One unit, a circle of 100 m; fixes "time@in" or "time@out" (300 m off);
    // the schedule: in, out, in ahead, in behind, out ahead, out behind. What
    // the section shows: state, its round's reference, entry and exit
    // deviation ("-": none).
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<int>("type");
    QTest::addColumn<QList<int>>("schedule");
    QTest::addColumn<QString>("checkOn");
    QTest::addColumn<QString>("track");
    QTest::addColumn<QString>("judged");
    QTest::addColumn<QString>("shown");

    const QList<int> tenToEleven{36000, 39600, 300, 300, 300, 300};
    QTest::newRow("Havana, midnight skipped: 10:00 is 10:00 local")
        << QByteArray("America/Havana") << 1 << tenToEleven << "2026-03-07T12:00:00Z"
        << "2026-03-08T13:50:00Z@out 2026-03-08T14:02:00Z@in 2026-03-08T15:02:00Z@out"
        << "2026-03-08T18:00:00Z" << "2 2026-03-08T05:00:00Z 0 0";
    QTest::newRow("Havana, midnight twice: 10:00 is 10:00 local")
        << QByteArray("America/Havana") << 1 << tenToEleven << "2026-10-31T12:00:00Z"
        << "2026-11-01T14:50:00Z@out 2026-11-01T15:02:00Z@in 2026-11-01T16:02:00Z@out"
        << "2026-11-01T18:00:00Z" << "2 2026-11-01T04:00:00Z 0 0";
    QTest::newRow("checked on in the repeated hour: the day starts at the first midnight")
        << QByteArray("America/Havana") << 1 << tenToEleven << "2026-11-01T05:30:00Z" << ""
        << "2026-11-01T06:00:00Z" << "0 2026-11-01T04:00:00Z - -";
    const QList<int> pastMidnight{87000, 88200, 300, 300, 300, 300};
    QTest::newRow("a time in past midnight: judged in the round before")
        << QByteArray("UTC") << 1 << pastMidnight << "2026-03-09T12:00:00Z"
        << "2026-03-11T00:05:00Z@out 2026-03-11T00:12:46Z@in 2026-03-11T00:31:00Z@out"
        << "2026-03-11T01:00:00Z" << "2 2026-03-10T00:00:00Z 0 0";
    QTest::newRow("past midnight: the round before waits for its window")
        << QByteArray("UTC") << 1 << pastMidnight << "2026-03-09T12:00:00Z"
        << "2026-03-11T00:05:00Z@out" << "2026-03-11T00:06:00Z" << "0 2026-03-10T00:00:00Z - -";
    QTest::newRow("past midnight: its decision stays until a round starts after it")
        << QByteArray("UTC") << 1 << pastMidnight << "2026-03-09T12:00:00Z"
        << "2026-03-11T00:05:00Z@out 2026-03-11T00:12:46Z@in 2026-03-11T00:31:00Z@out"
        << "2026-03-11T23:59:59Z" << "2 2026-03-10T00:00:00Z 0 0";
    QTest::newRow("past midnight: then the next round")
        << QByteArray("UTC") << 1 << pastMidnight << "2026-03-09T12:00:00Z"
        << "2026-03-11T00:05:00Z@out 2026-03-11T00:12:46Z@in 2026-03-11T00:31:00Z@out"
        << "2026-03-12T00:00:00Z" << "0 2026-03-11T00:00:00Z - -";
    QTest::newRow("a decision stays on show for the rest of its day")
        << QByteArray("UTC") << 1 << tenToEleven << "2026-03-09T12:00:00Z"
        << "2026-03-10T09:50:00Z@out 2026-03-10T10:01:00Z@in 2026-03-10T11:01:00Z@out"
        << "2026-03-10T23:59:59Z" << "2 2026-03-10T00:00:00Z 0 0";
    QTest::newRow("a new day starts due")
        << QByteArray("UTC") << 1 << tenToEleven << "2026-03-09T12:00:00Z"
        << "2026-03-10T09:50:00Z@out 2026-03-10T10:01:00Z@in 2026-03-10T11:01:00Z@out"
        << "2026-03-11T00:00:00Z" << "0 2026-03-11T00:00:00Z - -";
    QTest::newRow("a late entry fitting no window counts in its own day")
        << QByteArray("UTC") << 1 << tenToEleven << "2026-03-09T12:00:00Z"
        << "2026-03-10T09:50:00Z@out 2026-03-10T12:00:00Z@in"
        << "2026-03-10T12:30:00Z" << "1 2026-03-10T00:00:00Z 6900 -";
    // Entry windows of 30 hours overlap the next day's: the first entry goes
    // to the older round, the second to the newer.
    const QList<int> long30h{36000, 39600, 0, 108000, 0, 108000};
    const QString twice = "2026-03-11T10:50:00Z@out 2026-03-11T11:00:00Z@in "
                          "2026-03-11T11:30:00Z@out 2026-03-11T12:00:00Z@in";
    QTest::newRow("overlapping windows: the older round takes the first entry")
        << QByteArray("UTC") << 1 << long30h << "2026-03-09T12:00:00Z" << twice
        << "2026-03-11T13:00:00Z" << "2 2026-03-10T00:00:00Z 0 0";
    QTest::newRow("overlapping windows: the newer round the second")
        << QByteArray("UTC") << 1 << long30h << "2026-03-09T12:00:00Z" << twice
        << "2026-03-12T00:30:00Z" << "0 2026-03-11T00:00:00Z 0 -";
    QTest::newRow("weekly: Tuesday 10:00 local, from Monday in the zone")
        << QByteArray("Europe/Berlin") << 2 << QList<int>{122400, 126000, 300, 300, 300, 300}
        << "2026-03-01T12:00:00Z"
        << "2026-03-10T08:50:00Z@out 2026-03-10T09:02:00Z@in 2026-03-10T10:02:00Z@out"
        << "2026-03-10T12:00:00Z" << "2 2026-03-08T23:00:00Z 0 0";
    QTest::newRow("monthly: the 2nd, 10:00 local in summer time")
        << QByteArray("Europe/Berlin") << 3 << QList<int>{122400, 126000, 300, 300, 300, 300}
        << "2026-06-15T12:00:00Z"
        << "2026-07-02T07:50:00Z@out 2026-07-02T08:02:00Z@in 2026-07-02T09:02:00Z@out"
        << "2026-07-02T12:00:00Z" << "2 2026-06-30T22:00:00Z 0 0";
    QTest::newRow("at start: seconds elapsed from the check time, across a change")
        << QByteArray("Europe/Berlin") << 0 << QList<int>{3600, 7200, 60, 60, 60, 60}
        << "2026-03-29T00:30:00Z"
        << "2026-03-29T01:20:00Z@out 2026-03-29T01:30:30Z@in 2026-03-29T02:30:30Z@out"
        << "2026-03-29T03:00:00Z" << "2 2026-03-29T00:30:00Z 0 0";
    // A period's window missed, the next period starts due at its local midnight.
    const QList<int> oneAm{3600, 4600, 100, 100, 50, 100};
    QTest::newRow("weekly: the next week starts due at Monday 00:00 local")
        << QByteArray("Europe/Berlin") << 2 << oneAm << "2026-02-01T00:00:00Z" << ""
        << "2026-03-08T23:00:00Z" << "0 2026-03-08T23:00:00Z - -";
    QTest::newRow("monthly: the next month starts due on the 1st, 00:00 local")
        << QByteArray("Europe/Berlin") << 3 << oneAm << "2026-02-01T00:00:00Z" << ""
        << "2026-02-28T23:00:00Z" << "0 2026-02-28T23:00:00Z - -";
}

void tst_ServerChecking::rounds()
{
    QFETCH(QByteArray, zone);
    QFETCH(int, type);
    QFETCH(QList<int>, schedule);
    QFETCH(QString, checkOn);
    QFETCH(QString, track);
    QFETCH(QString, judged);
    QFETCH(QString, shown);

    RouteRecord route(11);
    route.checkTimeType = type, route.objects = {7};
    const QList<int> &t = schedule;
    route.sections << new SectionRecord{21, "", {}, t[0], t[1], 0, t[2], t[3], t[4], t[5],
                                        true, true, false, 0};
    CheckEngine engine{RoundCalendar(QTimeZone(zone))};
    const ZoneGeometry circle(ZoneGeometry::Kind::Circle, {at(0)}, 200);
    engine.setRoute(11, route, utc(checkOn.toLatin1()), {{circle}});
    for (const QString &fix : track.split(' ', Qt::SkipEmptyParts))
        engine.report(7, utc(fix.section('@', 0, 0).toLatin1()),
                      at(fix.endsWith("@in") ? 0 : 300));
    engine.advanceTo(utc(judged.toLatin1()));
    const CheckEngine::Outcome o = engine.outcomes(11).value(0);
    const auto seconds = [](bool known, qint64 value) {
        return known ? QString::number(value) : QStringLiteral("-");
    };
    QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                 .arg(o.state)
                 .arg(QDateTime::fromSecsSinceEpoch(o.reference, Qt::UTC).toString(Qt::ISODate),
                      seconds(o.entered, o.entryDeviation), seconds(o.left, o.exitDeviation)),
             shown);
}

void tst_ServerChecking::drives_data()
{
    QTest::addColumn<int>("unitIndex"); // the unit's profile

    QTest::newRow("on time") << 0;
    QTest::newRow("late") << 1;
    QTest::newRow("skipping") << 2;
}

// Judged over its windows: on time passes every section, late misses all,
// skipping misses the second.
void tst_ServerChecking::drives()
{
    QFETCH(int, unitIndex);

    Zones zones;
    const auto route = street(&zones);
    UnitSimulator simulator;
    simulator.setRoutes({UnitSimulator::fromRecord(*route, zones)});
    const int unit = route->objects.at(unitIndex);
    QCOMPARE(int(simulator.profile(unit)), unitIndex);
    const Judged judged = judge(simulator, unit, *route, zones);
    QCOMPARE(judged.states.size(), zones.size());
    for (int i = 0; i < zones.size(); ++i)
        QCOMPARE(judged.states[i], int(unitIndex == 0 || (unitIndex == 2 && i != 1)
                                           ? CheckEngine::Passed
                                           : CheckEngine::Violated));
    QCOMPARE(judged.overlaps, 0);
    QCOMPARE(judged.jumps, 0);
}

// Between the database and the clients: reports of stored units only; an event
// once per crossing, when its section's switch asks for it, newest first; an
// edit and a switch-off reach the engine.
void tst_ServerChecking::liveChecker()
{
    QTemporaryDir dir;
    Database db;
    QString error;
    QVERIFY(db.open(dir.filePath("live.sqlite"), &error));
    const qint32 car = TrackedObjectStore(db).add(0, "Car", TrackedObjectStore::Kind::Unit, 0);
    LayerStore layers(db);
    const qint32 layer = layers.addLayer(0, "Marks", 1, 0);
    RuleStore rules(db);
    RouteRecord route(rules.addNode(0, "Beat", 1, 0));
    const qint64 t0 = QDateTime::currentSecsSinceEpoch() - 10000;
    route.checkTimeType = CheckSchedule::AtStart, route.checkOn = 1, route.checkTime = uint(t0);
    route.objects = {car, 999}; // 999: no unit
    for (int i = 0; i < 2; ++i) { // icons 1 km apart; entry only, then entry and exit events
        GraphObData icon;
        icon.type = 1, icon.points = {at(1000 * i)};
        route.sections << new SectionRecord{i + 1, "", {layers.addObject(layer, icon, i)},
                                            1000 + 1500 * i, 2000 + 1500 * i, 0, 100, 100, 100,
                                            100, true, i == 1, true, 0};
    }
    QVERIFY(rules.storeRoute(route));
    ServerClock clock;
    LiveChecker live(db, clock);
    QSignalSpy positions(&live, &LiveChecker::positionsAccepted);
    QSignalSpy recorded(&live, &LiveChecker::eventsRecorded);
    QVERIFY(live.reload());
    const QList<QList<int>> batches{{950, 0}, {1950, 300, 2450, 1000, 3000, 3000}};
    QStringList events;
    for (const QList<int> &batch : batches) { // seconds after t0, metres east, in turn
        Reports reports;
        for (int i = 0; i < batch.size(); i += 2)
            reports.append({car, quint32(t0 + batch[i]), at(batch[i + 1])});
        // Neither a unit of no route nor a fix far ahead of the server clock is taken.
        live.accept(reports + Reports{{999, quint32(t0 + batch[0]), at(0)},
                                      {car, quint32(t0 + 11000), at(0)}});
        QCOMPARE(acceptedBody(positions.takeLast().at(0)), LiveMessages::positionsBody(reports));
    }
    const QList<CheckEvent> none;
    for (const QList<QVariant> &body : qAsConst(recorded)) {
        for (const CheckEvent &e : LiveMessages::readEvents(body[0].toByteArray()).value_or(none))
            events << QStringLiteral("%1 %2 %3").arg(e.kind).arg(e.sectionId).arg(e.deviation);
    }
    QCOMPARE(events, QStringList({"0 1 0", "1 2 -400", "0 2 0"}));
    // A zone rewritten beside the wire (an icon made a pointless polygon, then
    // back): the next reload judges the route anew from the kept reports.
    for (int type : {3, 1}) {
        QVERIFY(db.exec(QStringLiteral("UPDATE graph_objects SET type = %1 WHERE id = %2")
                            .arg(type)
                            .arg(route.sections.at(0)->graphObjectIds.at(0)))
                && live.reload());
        QCOMPARE(live.engine().states(route.id).value(0), qMakePair(1, type == 3 ? 1 : 2));
    }
    delete route.sections.takeLast();
    QVERIFY(rules.storeRoute(route) && live.reload());
    QCOMPARE(live.engine().states(route.id), (QList<QPair<int, int>>{{1, 2}}));
    route.checkOn = 0;
    QVERIFY(rules.storeRoute(route) && live.reload());
    QVERIFY(live.engine().states(route.id).isEmpty());
}

void tst_ServerChecking::screensReports_data()
{
    // A pushed report beside a good one; the count it adds to.
    QTest::addColumn<int>("unit");      // 0: the stored car
    QTest::addColumn<qint64>("secondsAhead");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<QString>("counted");

    const auto row = [](const char *name, int unit, qint64 ahead, QPoint p, const char *counted) {
        QTest::newRow(name) << unit << ahead << p << QString(counted);
    };
    const int x = at(0).x(), y = at(0).y();
    row("a good one", 0, -60, at(0), "reports_accepted");
    row("no such unit", 999, -60, at(0), "dropped_unknown_unit");
    row("latitude past the pole", 0, -60, QPoint(x, 900000001), "dropped_latitude");
    row("latitude past the south pole", 0, -60, QPoint(x, -900000001), "dropped_latitude");
    row("the pole itself", 0, -60, QPoint(x, 900000000), "reports_accepted");
    row("longitude not wrapped", 0, -60, QPoint(1800000001, y), "dropped_longitude");
    row("the antimeridian itself", 0, -60, QPoint(-1800000000, y), "reports_accepted");
    row("five minutes ahead", 0, 300, at(0), "reports_accepted");
    row("a second more", 0, 301, at(0), "dropped_ahead");
    row("before 2000", 0, BeforeEpoch, at(0), "dropped_before_2000");
}

// Bad reports are dropped and counted by why, once each; the log hears of
// them once, with the counts since it last did.
void tst_ServerChecking::screensReports()
{
    QFETCH(int, unit);
    QFETCH(qint64, secondsAhead);
    QFETCH(QPoint, position);
    QFETCH(QString, counted);

    QTemporaryDir dir;
    Database db;
    QString error;
    QVERIFY(db.open(dir.filePath("screen.sqlite"), &error));
    const qint32 car = TrackedObjectStore(db).add(0, "Car", TrackedObjectStore::Kind::Unit, 0);
    ServerClock clock;
    LiveChecker live(db, clock);
    QVERIFY(live.reload());
    QSignalSpy positions(&live, &LiveChecker::positionsAccepted);
    const quint32 now = quint32(clock.now());
    const LiveMessages::PositionReport good{car, now - 10, at(0)};
    const quint32 time = secondsAhead == BeforeEpoch ? 946684799u : quint32(now + secondsAhead);
    const LiveMessages::PositionReport tried{unit ? unit : car, time,
                                             position};
    live.accept({good, tried});
    const bool taken = counted == "reports_accepted";
    QCOMPARE(acceptedBody(positions.takeLast().at(0)),
             LiveMessages::positionsBody(taken ? Reports{good, tried} : Reports{good}));
    QStringList counts;
    for (const LiveMessages::ServerStat &stat : live.stats()) {
        if (stat.value != 0)
            counts << QStringLiteral("%1 %2").arg(stat.name).arg(stat.value);
    }
    QCOMPARE(counts.join(", "), taken ? QString("reports_accepted 2")
                                      : QStringLiteral("reports_accepted 1, %1 1").arg(counted));
    if (!taken) {
        const QString why = counted.mid(8);
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QStringLiteral("position reports dropped: %1 1").arg(why)));
    }
    live.logDrops();
    QCOMPARE(live.logDrops(), QString()); // nothing new: silent
}

// Routes are planned for simulation once it is on, from what is held then,
// and follow each save: a route added drives its unit, one removed stops.
void tst_ServerChecking::simulatesHeldRoutes()
{
    QTemporaryDir dir;
    Database db;
    QString error;
    QVERIFY(db.open(dir.filePath("simulated.sqlite"), &error));
    TrackedObjectStore units(db);
    const qint32 car = units.add(0, "Car", TrackedObjectStore::Kind::Unit, 0);
    const qint32 van = units.add(0, "Van", TrackedObjectStore::Kind::Unit, 1);
    LayerStore layers(db);
    const qint32 layer = layers.addLayer(0, "Marks", 1, 0);
    RuleStore rules(db);
    // Unchecked routes are driven round and round: their units always report.
    const auto route = [&](const char *name, qint32 unit) {
        auto record = std::make_shared<RouteRecord>(rules.addNode(0, name, 1, 0));
        record->objects = {unit};
        GraphObData icon;
        icon.type = 1, icon.points = {at(500 * unit)};
        record->sections << new SectionRecord{1, "", {layers.addObject(layer, icon, 0)},
                                              -1, -1, 0, 0, 0, 0, 0, false, false, false, 0};
        return record;
    };
    const auto carRoute = route("Beat", car);
    QVERIFY(rules.storeRoute(*carRoute));
    ServerClock clock;
    LiveChecker live(db, clock);
    QSignalSpy positions(&live, &LiveChecker::positionsAccepted);
    const auto reporting = [&] {
        positions.clear();
        live.tick();
        QList<int> ids;
        if (!positions.isEmpty()) {
            const auto reports = LiveMessages::readPositions(acceptedBody(positions.last().at(0)));
            for (const LiveMessages::PositionReport &r : reports.value_or(Reports()))
                ids << r.unitId;
        }
        return ids;
    };
    QVERIFY(live.reload());
    QCOMPARE(reporting(), QList<int>());
    live.setSimulating(true);
    QCOMPARE(reporting(), QList<int>{car});

    RuleStore::Change added;
    const auto vanRoute = route("Round", van);
    added.routes[vanRoute->id] = {vanRoute, "Round"};
    QVERIFY(live.update(added));
    QCOMPARE(reporting(), (QList<int>{car, van}));
    RuleStore::Change removed;
    removed.routes[carRoute->id] = RuleStore::NamedRoute();
    QVERIFY(live.update(removed));
    QCOMPARE(reporting(), QList<int>{van});
    live.setSimulating(false);
    QCOMPARE(reporting(), QList<int>());
}

QTEST_GUILESS_MAIN(tst_ServerChecking)

void tst_ServerChecking::routeOwners_data()
{
    QTest::addColumn<QStringList>("members");
    QTest::newRow("one") << QStringList{"a"};
    QTest::newRow("two") << QStringList{"2f0c", "9a41"};
    QTest::newRow("three, ids alike") << QStringList{"server-1", "server-2", "server-3"};
    QTest::newRow("five") << QStringList{"e", "d", "c", "b", "a"};
}

// Every server works out the same single owner of each route; the routes
// spread over the servers; one leaving hands on only its own.
void tst_ServerChecking::routeOwners()
{
    QFETCH(QStringList, members);
    constexpr int Routes = 600;
    QHash<QString, int> share;
    for (int route = 1; route <= Routes; ++route) {
        QStringList owners;
        for (const QString &self : members) {
            if (RouteOwners(self, members).owns(route))
                owners << self;
        }
        QCOMPARE(owners.size(), 1);
        QCOMPARE(RouteOwners(members.first(), members).ownerOf(route), owners.first());
        ++share[owners.first()];
        const QStringList others = members.mid(1);
        if (owners.first() != members.first() && !others.isEmpty())
            QCOMPARE(RouteOwners(others.first(), others).ownerOf(route), owners.first());
    }
    for (const QString &member : members)
        QVERIFY2(share.value(member) > Routes / members.size() / 2, qPrintable(member));
    QVERIFY(RouteOwners().owns(7));
    QVERIFY(!RouteOwners("lapsed", members).owns(7));
}

void tst_ServerChecking::keptTracks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("read"); // "time x y" each, or "-" for a refusal

    const auto encoded = [](const QList<QList<int>> &reports) {
        UnitTrackStore::Track track;
        for (const QList<int> &r : reports)
            track.append({7, quint32(r[0]), QPoint(r[1], r[2])});
        return UnitTrackStore::encode(track);
    };
    const QByteArray two = encoded({{100, 1, -2}, {110, 376000000, 556000000}});
    QTest::newRow("two reports") << two << "100 1 -2, 110 376000000 556000000";
    QTest::newRow("none") << encoded({}) << "";
    QTest::newRow("cut short") << two.chopped(1) << "-";
    QTest::newRow("bytes left over") << two + 'x' << "-";
    QTest::newRow("out of time order") << encoded({{110, 0, 0}, {100, 0, 0}}) << "-";
    QTest::newRow("a count beyond any kept track")
        << QByteArray::fromHex("7fffffff") + QByteArray(12, 0) << "-";
    QTest::newRow("empty") << QByteArray() << "-";
}

// A unit's kept reports as stored: what does not read whole is refused.
void tst_ServerChecking::keptTracks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, read);

    const auto track = UnitTrackStore::decode(7, bytes);
    QStringList seen;
    for (const LiveMessages::PositionReport &r : track.value_or(UnitTrackStore::Track()))
        seen << QStringLiteral("%1 %2 %3").arg(r.time).arg(r.position.x()).arg(r.position.y());
    QCOMPARE(track ? seen.join(", ") : QString("-"), read);
}

void tst_ServerChecking::changeNotices_data()
{
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QString>("read"); // kind and body, or "-"

    QTest::newRow("a rule tree change") << "Rules" << "Rules ";
    QTest::newRow("a check mode switch with its body")
        << "CheckMode AAEC/w==" << "CheckMode 000102ff";
    QTest::newRow("round trip") << ChangeNotices::payload(ChangeNotices::Kind::Units, "\x01")
                                << "Units 01";
    QTest::newRow("an unknown kind") << "Routes" << "-";
    QTest::newRow("a body that is no base64") << "CheckMode !!" << "-";
    QTest::newRow("nothing") << "" << "-";
}

// Another server's notice as it arrives: one that does not read is ignored.
void tst_ServerChecking::changeNotices()
{
    QFETCH(QString, payload);
    QFETCH(QString, read);

    ChangeNotices::Kind kind = ChangeNotices::Kind::Rules;
    QByteArray body;
    const bool ok = ChangeNotices::read(payload, &kind, &body);
    const QString name = QMetaEnum::fromType<ChangeNotices::Kind>().valueToKey(int(kind));
    QCOMPARE(ok ? name + ' ' + body.toHex() : QString("-"), read);
}

#include "tst_server_checking.moc"
