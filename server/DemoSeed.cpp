#include "DemoSeed.h"

#include "Database.h"
#include "SqlDialect.h"
#include "LayerStore.h"
#include "RuleStore.h"
#include "ServerLog.h"
#include "SqlTransaction.h"
#include "TrackedObjectStore.h"

#include "DemoDistrict.h"
#include "records/GraphObData.h"
#include "records/RecordKinds.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QVector>

#include <vector>

namespace DemoSeed {

namespace {

// Any number, the same in every server: seeding waits for a seed under way.
constexpr qint64 SeedLockKey = 47800;

using NodeBits::Editable;
using NodeBits::Hidden;
using NodeBits::Shown;

enum GraphType : qint32 { IconText = 1, Line = 2, Polygone = 3, Circle = 4 };

constexpr int Minute = 60;
constexpr int Hour = 3600;
constexpr int Day = 86400;

struct SectionPlan
{
    const char *name;
    const char *street; // a street of the district, or "River"
    int segment;        // the stretch from vertex segment to segment + 1
    const char *checkpoint;
    QVector<int> landmarks; // indexes into the landmark and yard lists, see below
};

enum class Schedule { Off, On, Paused };

struct RoutePlan
{
    const char *name;
    quint32 bits;
    int timeType; // 0 AtStart, 1 EveryDay, 2 Weekly, 3 Monthly, 4 Plan Perehvat
    Schedule schedule;
    int firstTimeIn;
    int step;
    int window;
    int ahead;
    int behind;
    bool checkOn;
    QStringList units;
    std::vector<SectionPlan> sections;
};

struct Landmark
{
    const char *name;
    const char *icon;
    double east;
    double north;
    const char *comment;
};

// Icons are landmarks 0..99; yards are 100 + their index.
constexpr int Yard = 100;

const Landmark landmarks[] = {
    {"Northbrook police station", "PoliceStation", 120, 80,
     "Central precinct headquarters, duty desk open day and night"},
    {"Harbour police post", "PostPPS", -1500, -380, "Harbour precinct post, staffed 06:00-22:00"},
    {"Traffic post DPS-3", "PostDPS", 1500, -150, "Traffic police at the Quarry Road junction"},
    {"Camera: Station Rd / Mill St", "ScreetCamera", 30, 1120, "Covers both carriageways"},
    {"Camera: Ring Boulevard east", "ScreetCamera", 1320, -280, "Night vision, faces north"},
    {"St Anne's hospital", "Hospital", -1650, 1300, "Emergency entrance on Orchard Lane"},
    {"Market pharmacy", "Pharmacy", -1380, 1040, "Open until midnight"},
    {"Central depot", "TK", 2620, -1130, "Freight terminal, convoy staging area"},
    {"Town hall", "Center", -80, 150, "Main entrance faces Station Road"},
    {"Sub-unit base East", "SubUnit", 1800, 300, "Motorcycle unit garage"},
};

struct YardPlan
{
    const char *name;
    QVector<QPair<double, double>> corners;
    QColor outline;
    QColor fill;
    const char *comment;
};

const QVector<YardPlan> &yards()
{
    static const QVector<YardPlan> all = {
        {"Market square", {{-1550, 1050}, {-1250, 1050}, {-1250, 1250}, {-1550, 1250}},
         QColor(184, 134, 11), QColor(218, 165, 32, 90), "Saturday market, stalls from 06:00"},
        {"Container terminal", {{-2600, -700}, {-1800, -650}, {-1800, -1000}, {-2600, -1150}},
         QColor(47, 79, 79), QColor(70, 130, 180, 80), "Gate 2 closes at 23:00"},
        {"Freight yard", {{1900, -950}, {2500, -1050}, {2550, -1350}, {1950, -1250}},
         QColor(52, 73, 94), QColor(127, 140, 141, 90), "Convoys form up here"},
        {"Central square", {{-120, -80}, {120, -80}, {120, 120}, {-120, 120}},
         QColor(142, 68, 173), QColor(155, 89, 182, 70), "Pedestrian zone"},
        {"Quarry works", {{1450, -2250}, {1800, -2250}, {1850, -1900}, {1500, -1900}},
         QColor(121, 85, 72), QColor(161, 136, 127, 100), "Blasting on weekdays 11:00-12:00"},
    };
    return all;
}

QColor streetColor(const QString &street)
{
    static const QMap<QString, QColor> colors = {
        {QStringLiteral("Harbour Avenue"), QColor(31, 111, 209)},
        {QStringLiteral("Station Road"), QColor(142, 68, 173)},
        {QStringLiteral("Mill Street"), QColor(230, 126, 34)},
        {QStringLiteral("Orchard Lane"), QColor(39, 174, 96)},
        {QStringLiteral("Quarry Road"), QColor(127, 140, 141)},
        {QStringLiteral("Ring Boulevard"), QColor(211, 84, 0)},
        {QStringLiteral("Depot Way"), QColor(52, 73, 94)},
    };
    return colors.value(street, QColor(41, 128, 185));
}

const std::vector<RoutePlan> &centralRoutes()
{
    static const std::vector<RoutePlan> routes = {
        {"Station Road day patrol", Shown | Editable, 1, Schedule::On, 8 * Hour, 15 * Minute,
         10 * Minute, 120, 300, true, {"Car A-11", "Car A-12"},
         {{"Southern terminus - Ring Boulevard", "Station Road", 0, "Checkpoint Station south",
           {}},
          {"Ring Boulevard - Central square", "Station Road", 1, "Checkpoint Central square",
           {Yard + 3, 8}},
          {"Central square - Mill Street", "Station Road", 2, "Checkpoint Station-Mill", {0, 3}},
          {"Mill Street - North station", "Station Road", 3, "Checkpoint North station", {}}}},
        {"Ring Boulevard loop", Shown | Editable, 1, Schedule::Off, 0, 0, 0, 0, 0, false,
         {"Car A-14"},
         {{"South arc", "Ring Boulevard", 0, "Checkpoint Ring south-east", {}},
          {"South-east arc", "Ring Boulevard", 1, "Checkpoint Ring east", {4}},
          {"East arc", "Ring Boulevard", 2, "Checkpoint Ring north-east", {}},
          {"North arc", "Ring Boulevard", 3, "Checkpoint Ring north-west", {}},
          {"North-west arc", "Ring Boulevard", 4, "Checkpoint Ring west", {}},
          {"West arc", "Ring Boulevard", 5, "Checkpoint Ring south-west", {}}}},
        {"Mill Street market run", Shown | Editable, 2, Schedule::On,
         5 * Day + 6 * Hour + 30 * Minute, 20 * Minute, 15 * Minute, 300, 600, false,
         {"Car A-12"},
         {{"West end - Market corner", "Mill Street", 0, "Checkpoint Market corner",
           {Yard + 0, 6}},
          {"Market corner - Station Road", "Mill Street", 1, "Checkpoint Mill crossing", {3}},
          {"Station Road - Mill east", "Mill Street", 2, "Checkpoint Mill east", {}},
          {"Mill east - East end", "Mill Street", 3, "Checkpoint Mill terminus", {}}}},
    };
    return routes;
}

const std::vector<RoutePlan> &harbourRoutes()
{
    static const std::vector<RoutePlan> routes = {
        {"Harbour Avenue watch", Shown | Editable, 1, Schedule::Paused, 10 * Hour, 20 * Minute,
         15 * Minute, 180, 300, true, {"Car B-21"},
         {{"West quay - Container terminal", "Harbour Avenue", 0, "Checkpoint Terminal gate",
           {Yard + 1, 1}},
          {"Container terminal - Station Road", "Harbour Avenue", 1,
           "Checkpoint Harbour crossing", {}},
          {"Station Road - Quarry junction", "Harbour Avenue", 2, "Checkpoint Quarry junction",
           {2}},
          {"Quarry junction - East quay", "Harbour Avenue", 3, "Checkpoint East quay", {}}}},
        {"Riverside patrol", Shown | Editable, 0, Schedule::On, 0, 15 * Minute, 10 * Minute, 60,
         120, false, {"Moto M-5", "Moto M-6"},
         {{"Weir - Old bridge", "River", 1, "Checkpoint Old bridge", {}},
          {"Old bridge - Boathouse", "River", 2, "Checkpoint Boathouse", {}},
          {"Boathouse - Rail bridge", "River", 3, "Checkpoint Rail bridge", {}},
          {"Rail bridge - Lock", "River", 4, "Checkpoint Lock", {9}}}},
        {"Quarry Road convoy", Shown | Editable, 4, Schedule::On, 14 * Hour, 12 * Minute,
         8 * Minute, 60, 120, true, {"Convoy C-1", "Convoy C-2"},
         {{"Quarry works - Depot junction", "Quarry Road", 0, "Checkpoint Depot junction",
           {Yard + 4}},
          {"Depot junction - Freight yard", "Depot Way", 0, "Checkpoint Freight yard",
           {Yard + 2, 7}},
          {"Freight yard - South gate", "Depot Way", 1, "Checkpoint South gate", {}}}},
    };
    return routes;
}

const std::vector<RoutePlan> &nightRoutes()
{
    static const std::vector<RoutePlan> routes = {
        {"Night ring", Shown, 1, Schedule::On, 23 * Hour + 30 * Minute, 20 * Minute, 15 * Minute,
         300, 600, false, {"Car B-22"},
         {{"East arc", "Ring Boulevard", 2, "Checkpoint Ring north-east", {4}},
          {"North arc", "Ring Boulevard", 3, "Checkpoint Ring north-west", {}},
          {"North-west arc", "Ring Boulevard", 4, "Checkpoint Ring west", {}}}},
        {"Orchard Lane night round", Shown, 1, Schedule::On, 1 * Hour, 25 * Minute, 20 * Minute,
         300, 900, false, {"Car B-23"},
         {{"Allotments stretch", "Orchard Lane", 0, "Checkpoint Orchard south", {}},
          {"School stretch", "Orchard Lane", 1, "Checkpoint Orchard middle", {}},
          {"Hospital stretch", "Orchard Lane", 2, "Checkpoint Hospital gate", {5}}}},
    };
    return routes;
}

const std::vector<RoutePlan> &archivedRoutes()
{
    static const std::vector<RoutePlan> routes = {
        {"Old river patrol", Editable, 1, Schedule::Off, 0, 0, 0, 0, 0, false, {},
         {{"Weir approach", "River", 0, "Checkpoint Weir", {}},
          {"Weir - Old bridge", "River", 1, "Checkpoint Old bridge", {}},
          {"Old bridge - Boathouse", "River", 2, "Checkpoint Boathouse", {}}}},
    };
    return routes;
}

QPoint at(double east, double north)
{
    return DemoDistrict::offset(east, north);
}

QList<QPoint> lineOf(const QString &street)
{
    if (street == QLatin1String("River"))
        return DemoDistrict::river();
    const QList<DemoDistrict::Street> streets = DemoDistrict::streets();
    for (const DemoDistrict::Street &each : streets) {
        if (each.name == street)
            return each.points;
    }
    return {};
}

bool isMajor(const QString &street)
{
    const QList<DemoDistrict::Street> streets = DemoDistrict::streets();
    for (const DemoDistrict::Street &each : streets) {
        if (each.name == street)
            return each.major;
    }
    return false;
}

GraphObData record(GraphType type, const QString &name, const QList<QPoint> &points,
                   const QVariantMap &properties)
{
    GraphObData data;
    data.type = type;
    data.name = name;
    data.points = points;
    data.properties = properties;
    return data;
}

// Writes the plan; every add is checked, and the first failure ends the seed.
class Seeder
{
public:
    explicit Seeder(const Database &db) : m_rules(db), m_layers(db), m_units(db) {}

    bool run()
    {
        return addUnits() && addLayers() && addLandmarks() && addYards() && addArchive()
               && addRules();
    }

private:
    bool addUnits()
    {
        using Kind = TrackedObjectStore::Kind;
        const qint32 cars = m_units.add(0, QStringLiteral("Patrol cars"), Kind::Group, 0);
        const qint32 shiftA = m_units.add(cars, QStringLiteral("Shift A"), Kind::Group, 0);
        const qint32 shiftB = m_units.add(cars, QStringLiteral("Shift B"), Kind::Group, 1);
        const qint32 convoys = m_units.add(0, QStringLiteral("Convoys"), Kind::Group, 1);
        const qint32 motorcycles =
            m_units.add(0, QStringLiteral("Motorcycle unit"), Kind::Group, 2);
        const QVector<QPair<qint32, QStringList>> groups = {
            {shiftA, {"Car A-11", "Car A-12", "Car A-14"}},
            {shiftB, {"Car B-21", "Car B-22", "Car B-23"}},
            {convoys, {"Convoy C-1", "Convoy C-2"}},
            {motorcycles, {"Moto M-5", "Moto M-6"}},
        };
        // Each unit's tracker: "demo-1" to "demo-10" in this order.
        int device = 0;
        for (const auto &group : groups) {
            if (group.first == 0)
                return false;
            for (int i = 0; i < group.second.size(); ++i) {
                const qint32 id = m_units.add(group.first, group.second.at(i), Kind::Unit, i,
                                              QStringLiteral("demo-%1").arg(++device));
                if (id == 0)
                    return false;
                m_unitIds.insert(group.second.at(i), id);
            }
        }
        return cars != 0;
    }

    bool addLayers()
    {
        m_district = m_layers.addLayer(0, QStringLiteral("Northbrook"), Shown, 0);
        m_corridors = m_layers.addLayer(m_district, QStringLiteral("Patrol corridors"), Shown, 0);
        m_checkpoints = m_layers.addLayer(m_district, QStringLiteral("Checkpoints"), Shown, 1);
        m_yards = m_layers.addLayer(m_district, QStringLiteral("Yards and blocks"), Shown, 2);
        m_posts = m_layers.addLayer(m_district, QStringLiteral("Posts and landmarks"), Shown, 3);
        return m_district && m_corridors && m_checkpoints && m_yards && m_posts;
    }

    bool addLandmarks()
    {
        for (const Landmark &landmark : landmarks) {
            const QVariantMap properties = {
                {QStringLiteral("IconName"), QString::fromLatin1(landmark.icon)},
                {QStringLiteral("Comment"), QString::fromUtf8(landmark.comment)}};
            const qint32 id = addObject(m_posts, record(IconText, QString::fromUtf8(landmark.name),
                                                        {at(landmark.east, landmark.north)},
                                                        properties));
            if (id == 0)
                return false;
            m_landmarkIds.append(id);
        }
        return true;
    }

    bool addYards()
    {
        for (const YardPlan &yard : yards()) {
            QList<QPoint> corners;
            for (const auto &corner : yard.corners)
                corners << at(corner.first, corner.second);
            const QVariantMap properties = {{QStringLiteral("Color"), yard.outline},
                                            {QStringLiteral("Brush"), yard.fill},
                                            {QStringLiteral("Comment"),
                                             QString::fromUtf8(yard.comment)}};
            const qint32 id = addObject(
                m_yards, record(Polygone, QString::fromUtf8(yard.name), corners, properties));
            if (id == 0)
                return false;
            m_yardIds.append(id);
        }
        return true;
    }

    // A survey layer nobody shows any more: type bits 0 down to its leaves.
    bool addArchive()
    {
        const qint32 survey =
            m_layers.addLayer(0, QStringLiteral("Survey 2019 (archived)"), Hidden, 1);
        const qint32 markers = m_layers.addLayer(survey, QStringLiteral("Old markers"), Hidden, 0);
        if (!survey || !markers)
            return false;
        const QVariantMap post = {{QStringLiteral("IconName"), QStringLiteral("PostMOB")},
                                  {QStringLiteral("Comment"), QStringLiteral("Demolished 2020")}};
        const QVariantMap marker = {{QStringLiteral("IconName"), QStringLiteral("Event")},
                                    {QStringLiteral("Comment"), QStringLiteral("Survey marker")}};
        return addObject(markers, record(IconText, QStringLiteral("Old mobile post"),
                                         {at(-2400, -900)}, post))
               && addObject(markers, record(IconText, QStringLiteral("Survey marker 17"),
                                            {at(600, -900)}, marker));
    }

    bool addRules()
    {
        struct Group
        {
            const char *name;
            quint32 bits;
            const std::vector<RoutePlan> &routes;
        };
        // Harbour precinct is not shown by its own bits, only through its routes;
        // the night patrols are shown but not editable; the archive is filtered out.
        const Group groups[] = {
            {"Central precinct", Shown | Editable, centralRoutes()},
            {"Harbour precinct", Editable, harbourRoutes()},
            {"Night patrols", Shown, nightRoutes()},
            {"Archive", Hidden, archivedRoutes()},
        };
        int order = 0;
        for (const Group &group : groups) {
            const qint32 groupId =
                m_rules.addNode(0, QString::fromUtf8(group.name), group.bits, order++);
            if (groupId == 0)
                return false;
            for (int i = 0; i < int(group.routes.size()); ++i) {
                if (!addRoute(groupId, i, group.routes.at(size_t(i))))
                    return false;
            }
        }
        return true;
    }

    bool addRoute(qint32 groupId, int order, const RoutePlan &plan)
    {
        const qint32 nodeId = m_rules.addNode(groupId, QString::fromUtf8(plan.name), plan.bits,
                                              order);
        if (nodeId == 0)
            return false;
        RouteRecord route(nodeId);
        route.checkTimeType = plan.timeType;
        route.checkOn = plan.checkOn ? 1 : 0;
        // A fixed morning, so that every seeded database reads the same.
        route.checkTime = plan.checkOn ? uint(QDateTime(QDate(2024, 5, 6), QTime(7, 55),
                                                        Qt::UTC).toSecsSinceEpoch())
                                       : 0;
        for (const QString &unit : plan.units)
            route.objects << m_unitIds.value(unit);
        for (int i = 0; i < int(plan.sections.size()); ++i) {
            auto *section = new SectionRecord;
            route.sections.append(section);
            if (!fillSection(section, i, plan))
                return false;
        }
        return m_rules.storeRoute(route);
    }

    bool fillSection(SectionRecord *section, int index, const RoutePlan &plan)
    {
        const SectionPlan &sectionPlan = plan.sections.at(size_t(index));
        section->id = index + 1;
        section->name = QString::fromUtf8(sectionPlan.name);
        const qint32 corridor = corridorOf(sectionPlan);
        const qint32 checkpoint = checkpointOf(sectionPlan);
        if (!corridor || !checkpoint)
            return false;
        section->graphObjectIds << corridor << checkpoint;
        for (int landmark : sectionPlan.landmarks) {
            section->graphObjectIds << (landmark >= Yard ? m_yardIds.value(landmark - Yard)
                                                         : m_landmarkIds.value(landmark));
        }
        const int timeIn = plan.firstTimeIn + index * plan.step;
        const int timeOut = timeIn + plan.window;
        // Paused: the later half of the sections keeps its times, negated (switched off).
        const bool paused = plan.schedule == Schedule::Paused
                            && index >= int(plan.sections.size()) / 2;
        if (plan.schedule == Schedule::Off) {
            section->checkTimeIn = section->checkTimeOut = -1;
        } else {
            section->checkTimeIn = paused ? -timeIn : timeIn;
            section->checkTimeOut = paused ? -timeOut : timeOut;
            section->checkTimeInAhead = section->checkTimeOutAhead = plan.ahead;
            section->checkTimeInBehind = section->checkTimeOutBehind = plan.behind;
        }
        // Convoys report in, not out; the river path has no radio shadow to warn about.
        section->messageOnTimeOut = plan.timeType != 4;
        section->messageOnTimeIn = QLatin1String(sectionPlan.street) != QLatin1String("River");
        section->deriveSchedule();
        return true;
    }

    qint32 corridorOf(const SectionPlan &plan)
    {
        const QString street = QString::fromLatin1(plan.street);
        const QString key = street + QLatin1Char('/') + QString::number(plan.segment);
        if (m_corridorIds.contains(key))
            return m_corridorIds.value(key);
        const QList<QPoint> line = lineOf(street);
        if (plan.segment + 1 >= line.size())
            return 0;
        const int width = isMajor(street) ? 60 + 10 * (plan.segment % 3)
                                          : 30 + 5 * (plan.segment % 4);
        const QVariantMap properties = {
            {QStringLiteral("Width"), width},
            {QStringLiteral("Color"), streetColor(street)},
            {QStringLiteral("Comment"), QStringLiteral("Patrol corridor, %1 m").arg(width)}};
        const qint32 id = addObject(
            m_corridors,
            record(Line, QStringLiteral("%1, stretch %2").arg(street).arg(plan.segment + 1),
                   line.mid(plan.segment, 2), properties));
        m_corridorIds.insert(key, id);
        return id;
    }

    // One checkpoint per place, whichever routes pass it.
    qint32 checkpointOf(const SectionPlan &plan)
    {
        const QList<QPoint> line = lineOf(QString::fromLatin1(plan.street));
        if (plan.segment + 1 >= line.size())
            return 0;
        const QPoint place = line.at(plan.segment + 1);
        const qint64 key = (qint64(place.x()) << 32) | quint32(place.y());
        if (m_checkpointIds.contains(key))
            return m_checkpointIds.value(key);
        const int diameter = 140 + 40 * (m_checkpointIds.size() % 4);
        const QVariantMap properties = {
            {QStringLiteral("Diameter"), diameter},
            // Neither red nor green: the state tints must stand out against it.
            {QStringLiteral("Color"), QColor(88, 86, 140)},
            {QStringLiteral("Brush"), QColor(121, 118, 182, 80)},
            {QStringLiteral("Comment"), QStringLiteral("Report within %1 m").arg(diameter / 2)}};
        const qint32 id = addObject(
            m_checkpoints,
            record(Circle, QString::fromUtf8(plan.checkpoint), {place}, properties));
        m_checkpointIds.insert(key, id);
        return id;
    }

    qint32 addObject(qint32 layer, const GraphObData &data)
    {
        return m_layers.addObject(layer, data, m_objectOrder++);
    }

    RuleStore m_rules;
    LayerStore m_layers;
    TrackedObjectStore m_units;
    QHash<QString, qint32> m_unitIds;
    QHash<QString, qint32> m_corridorIds;
    QHash<qint64, qint32> m_checkpointIds; // by place: x in the high half, y in the low
    QVector<qint32> m_landmarkIds;
    QVector<qint32> m_yardIds;
    qint32 m_district = 0;
    qint32 m_corridors = 0;
    qint32 m_checkpoints = 0;
    qint32 m_yards = 0;
    qint32 m_posts = 0;
    int m_objectOrder = 0;
};

} // namespace

bool fill(const Database &db, bool *skipped)
{
    SqlTransaction transaction(db.connection());
    if (!transaction.isActive())
        return false;
    // Servers starting together on one database server seed it once.
    for (const QString &statement : SqlDialect::of(db.connection()).oneAtATime(SeedLockKey)) {
        if (!db.exec(statement))
            return false;
    }
    const bool empty = db.isEmpty();
    if (skipped)
        *skipped = !empty;
    if (!empty)
        return true;
    Seeder seeder(db);
    if (!seeder.run()) {
        qCWarning(lcServer) << "the demo seed failed; nothing stored";
        return false;
    }
    return transaction.commit();
}

} // namespace DemoSeed
