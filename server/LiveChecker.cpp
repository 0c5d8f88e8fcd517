#include "LiveChecker.h"

#include "Database.h"
#include "EventStore.h"
#include "StoreWriter.h"
#include "LayerStore.h"
#include "ServerClock.h"
#include "ServerLog.h"
#include "TrackedObjectStore.h"

#include "wire/LayerMessages.h"
#include "wire/RouteMessages.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QDataStream>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <limits>

using LiveMessages::CheckEvent;
using LiveMessages::PositionReport;

namespace {

qint32 clampedSeconds(qint64 seconds)
{
    return qint32(qBound<qint64>(std::numeric_limits<qint32>::min(), seconds,
                                 std::numeric_limits<qint32>::max()));
}

} // namespace

LiveChecker::LiveChecker(const Database &db, const ServerClock &clock, QObject *parent)
    : QObject(parent), m_db(db), m_clock(clock), m_engine(clock.calendar()),
      m_timer(new QTimer(this)), m_logTimer(new QTimer(this))
{
    m_logTimer->setInterval(60 * 1000);
    connect(m_logTimer, &QTimer::timeout, this, &LiveChecker::logDrops);
    // About one tick per ten seconds of server time, between 10 and 1 a second.
    m_timer->setInterval(qBound(100, int(10000.0 / m_clock.speed()), 1000));
    connect(m_timer, &QTimer::timeout, this, &LiveChecker::tick);
}

LiveChecker::~LiveChecker() = default;

bool LiveChecker::reload()
{
    bool ok = false;
    std::vector<RuleStore::NamedRoute> routes = RuleStore(m_db).routes(&ok);
    const QHash<qint32, GraphObData> objects = ok ? LayerStore(m_db).objects(&ok)
                                                  : QHash<qint32, GraphObData>();
    const QHash<qint32, QString> names = ok ? TrackedObjectStore(m_db).unitNames(&ok)
                                            : QHash<qint32, QString>();
    if (!ok) {
        qCWarning(lcServer) << "live checking keeps its routes: the database cannot be read";
        return false;
    }
    m_unitNames = names;
    QHash<qint32, Zone> previous;
    previous.swap(m_zones);
    takeZones(objects, previous);
    // Every stored route, and no route for each one held that is gone.
    RuleStore::Change all;
    for (RuleStore::NamedRoute &named : routes) {
        const qint32 id = named.route->id;
        all.routes.emplace(id, std::move(named));
    }
    for (auto it = m_simulated.cbegin(); it != m_simulated.cend(); ++it)
        all.routes.emplace(it.key(), RuleStore::NamedRoute());
    for (auto it = m_checked.cbegin(); it != m_checked.cend(); ++it)
        all.routes.emplace(it.key(), RuleStore::NamedRoute());
    apply(all);
    m_loaded = true;
    return true;
}

bool LiveChecker::update(const RuleStore::Change &change)
{
    // Objects and units a host tool added since they were last read.
    QSet<qint32> newZones;
    bool newUnits = false;
    for (const auto &entry : change.routes) {
        if (!entry.second.route)
            continue;
        for (const SectionRecord *section : entry.second.route->sections) {
            for (int id : section->graphObjectIds) {
                if (!m_zones.contains(id))
                    newZones.insert(id);
            }
        }
        for (int unit : entry.second.route->objects)
            newUnits = newUnits || !m_unitNames.contains(unit);
    }
    bool ok = true;
    const QHash<qint32, GraphObData> objects = newZones.isEmpty()
                                                   ? QHash<qint32, GraphObData>()
                                                   : LayerStore(m_db).objects(newZones, &ok);
    const QHash<qint32, QString> names = ok && newUnits ? TrackedObjectStore(m_db).unitNames(&ok)
                                                        : m_unitNames;
    if (!ok) {
        qCWarning(lcServer) << "live checking keeps its routes: the database cannot be read";
        return false;
    }
    m_unitNames = names;
    takeZones(objects);
    apply(change);
    return true;
}

bool LiveChecker::reloadUnits()
{
    bool ok = false;
    QHash<qint32, QString> names = TrackedObjectStore(m_db).unitNames(&ok);
    if (!ok) {
        qCWarning(lcServer) << "live checking keeps its units: the database cannot be read";
        return false;
    }
    m_unitNames.swap(names);
    return true;
}

void LiveChecker::takeZones(const QHash<qint32, GraphObData> &objects,
                            const QHash<qint32, Zone> &previous)
{
    m_zones.reserve(m_zones.size() + objects.size());
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        QByteArray wire;
        QDataStream out(&wire, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_4_5);
        WriteGraphObData(out, *it);
        Zone &zone = m_zones[it.key()];
        const auto old = previous.constFind(it.key());
        if (old != previous.cend() && old->wire == wire) {
            zone = *old;
            continue;
        }
        zone.geometry = ZoneGeometry::fromObject(*it);
        zone.alone = {zone.geometry};
        zone.wire = wire;
        zone.revision = ++m_zoneRevision;
    }
}

// The route's bytes as before, and its zones: the same ones, none rewritten.
// The ids are in the bytes, so a zone gone or added changes the count or
// comes with a newer revision.
bool LiveChecker::sameRoute(const Checked &checked, const RouteRecord &route, int zoneCount)
{
    if (zoneCount != checked.zoneCount)
        return false;
    for (const SectionRecord *section : route.sections) {
        for (int id : section->graphObjectIds) {
            const auto zone = m_zones.constFind(id);
            if (zone != m_zones.cend() && zone->revision > checked.zonesUpTo)
                return false;
        }
    }
    const auto bytes = [](QByteArray *into, const RouteRecord &r) {
        into->clear();
        QDataStream out(into, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_4_5);
        RouteMessages::writeRoute(out, r);
    };
    bytes(&m_before, *checked.route.route);
    bytes(&m_after, route);
    return m_before == m_after;
}

void LiveChecker::apply(const RuleStore::Change &change)
{
    // New and edited routes go in first: a unit moving from a removed route to
    // another keeps its reports.
    QList<int> unchecked;
    QList<int> reset; // handed to the engine anew
    for (const auto &entry : change.routes) {
        const RuleStore::NamedRoute &named = entry.second;
        if (!named.route) {
            m_simulated.remove(entry.first);
            m_switchedOn.remove(entry.first);
            unchecked.append(entry.first);
            continue;
        }
        const RouteRecord &route = *named.route;
        QList<QList<ZoneGeometry>> zones;
        zones.reserve(route.sections.size());
        int zoneCount = 0;
        for (const SectionRecord *section : route.sections) {
            QList<ZoneGeometry> sectionZones;
            for (int id : section->graphObjectIds) {
                const auto zone = m_zones.constFind(id);
                if (zone == m_zones.cend())
                    continue;
                // Most sections have one zone: its list is shared, not built.
                if (sectionZones.isEmpty())
                    sectionZones = zone->alone;
                else
                    sectionZones.append(zone->geometry);
                ++zoneCount;
            }
            zones.append(sectionZones);
        }
        if (m_simulator)
            m_simulated.insert(route.id, UnitSimulator::fromRecord(route, zones));
        if (route.checkOn != 0)
            m_switchedOn.insert(route.id);
        else
            m_switchedOn.remove(route.id);
        if (route.checkOn == 0 || !m_owners.owns(route.id)) {
            unchecked.append(route.id);
            continue;
        }
        const auto previous = m_checked.constFind(route.id);
        if (previous == m_checked.cend() || !sameRoute(*previous, route, zoneCount)) {
            m_engine.setRoute(route.id, route, qint64(route.checkTime), zones);
            m_stateBodies.remove(route.id);
            reset.append(route.id);
        }
        m_checked.insert(route.id, Checked{named, m_zoneRevision, zoneCount});
    }
    for (int id : qAsConst(unchecked))
        uncheck(id);
    if (m_simulator)
        m_simulator->setRoutes(m_simulated.values());
    publish();
    // A route whose states the engine did not report as changed (none to judge).
    for (int id : qAsConst(reset)) {
        if (!m_stateBodies.contains(id))
            m_stateBodies.insert(id, statesBody(id));
    }
}

void LiveChecker::uncheck(int routeId)
{
    if (m_checked.remove(routeId) > 0)
        m_engine.removeRoute(routeId);
    m_stateBodies.remove(routeId);
    m_recorded.remove(routeId);
}

void LiveChecker::setSimulating(bool on)
{
    if (on == isSimulating())
        return;
    m_simulator.reset(on ? new UnitSimulator(m_clock.calendar()) : nullptr);
    m_simulated.clear();
    // Routes are planned only while simulating: those held are read again.
    if (on && m_loaded)
        reload();
}

void LiveChecker::start()
{
    m_timer->start();
    m_logTimer->start();
}

void LiveChecker::stop()
{
    m_timer->stop();
    m_logTimer->stop();
}

void LiveChecker::accept(const QList<PositionReport> &reports, Source source)
{
    // A peer's reports were counted (and screened) where they came in.
    check(reports, source == Source::Here ? Counting::Pushed : Counting::Simulated, source);
    publish();
}

QList<LiveMessages::ServerStat> LiveChecker::stats() const
{
    QList<LiveMessages::ServerStat> stats{
        {QStringLiteral("reports_accepted"), m_counts.accepted},
        {QStringLiteral("dropped_unknown_unit"), m_counts.unknownUnit}};
    for (int f = 1; f < PositionScreen::FaultCount; ++f) {
        stats.append({QStringLiteral("dropped_%1")
                          .arg(QLatin1String(PositionScreen::faultName(PositionScreen::Fault(f)))),
                      m_counts.faults.at(size_t(f))});
    }
    stats.append({QStringLiteral("routes_checked"), m_checked.size()});
    return stats;
}

QString LiveChecker::logDrops()
{
    QStringList drops;
    const auto add = [&drops](const char *what, qint64 now, qint64 before) {
        if (now > before)
            drops << QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(now - before);
    };
    add("unknown_unit", m_counts.unknownUnit, m_countsLogged.unknownUnit);
    for (int f = 1; f < PositionScreen::FaultCount; ++f)
        add(PositionScreen::faultName(PositionScreen::Fault(f)), m_counts.faults.at(size_t(f)),
            m_countsLogged.faults.at(size_t(f)));
    m_countsLogged = m_counts;
    if (drops.isEmpty())
        return QString();
    const QString line = QStringLiteral("position reports dropped: ") + drops.join(", ");
    qCWarning(lcServer).noquote() << line;
    return line;
}

void LiveChecker::tick()
{
    const qint64 now = m_clock.now();
    // A simulated route may list ids that are no unit; they are left out quietly.
    if (m_simulator)
        check(m_simulator->positionsAt(now), Counting::Simulated);
    m_engine.advanceTo(now);
    publish();
}

void LiveChecker::replay(const QList<PositionReport> &reports,
                         const QHash<qint32, QByteArray> &folded)
{
    for (auto state = folded.cbegin(); state != folded.cend(); ++state) {
        if (!m_engine.restoreFolded(state.key(), state.value()))
            qCWarning(lcServer) << "what checking folded away for unit" << state.key()
                                << "does not read; its kept reports judge it afresh";
    }
    for (const PositionReport &r : reports) {
        if (m_unitNames.contains(r.unitId))
            m_engine.report(r.unitId, r.time, r.position);
    }
    publish();
}

QSet<int> LiveChecker::judgedRoutes() const
{
    QSet<int> ids;
    for (auto it = m_checked.cbegin(); it != m_checked.cend(); ++it)
        ids.insert(it.key());
    return ids;
}

QSet<qint32> LiveChecker::unitsOf(const QSet<int> &routeIds) const
{
    QSet<qint32> units;
    for (int id : routeIds) {
        const auto checked = m_checked.constFind(id);
        if (checked == m_checked.cend())
            continue;
        for (int unit : checked->route.route->objects)
            units.insert(unit);
    }
    return units;
}

void LiveChecker::check(const QList<PositionReport> &reports, Counting counting, Source source)
{
    const qint64 now = m_clock.now();
    const bool counted = counting == Counting::Pushed;
    QList<PositionReport> accepted;
    accepted.reserve(reports.size());
    for (const PositionReport &r : reports) {
        const PositionScreen::Fault fault = PositionScreen::check(r.position, r.time, now);
        if (fault != PositionScreen::Fault::None) {
            m_counts.faults[size_t(fault)] += counted ? 1 : 0;
            continue;
        }
        if (!m_unitNames.contains(r.unitId)) {
            m_counts.unknownUnit += counted ? 1 : 0;
            continue;
        }
        m_engine.report(r.unitId, r.time, r.position);
        accepted.append(r);
    }
    m_counts.accepted += counted ? accepted.size() : 0;
    if (!accepted.isEmpty())
        emit positionsAccepted(accepted, source);
}

const QMap<int, QByteArray> &LiveChecker::currentStates() const
{
    return m_stateBodies;
}

QList<CheckEvent> LiveChecker::recentEvents(int limit) const
{
    bool ok = false;
    return EventStore(m_db).recent(limit, &ok);
}

void LiveChecker::publish()
{
    QList<CheckEvent> events;
    const QList<int> judged = m_engine.takeChangedOutcomes();
    for (int id : judged)
        recordEvents(id, &events);
    if (!events.isEmpty() && m_eventWriter)
        m_eventWriter->record(events, this, [this](QList<CheckEvent> stored) {
            publishEvents(std::move(stored));
        });
    else if (!events.isEmpty() && EventStore(m_db).record(&events))
        publishEvents(std::move(events));

    const QList<int> changed = m_engine.takeChangedRoutes();
    for (int id : changed) {
        const QByteArray body = statesBody(id);
        m_stateBodies.insert(id, body);
        emit stateChanged(id, body);
    }
}

void LiveChecker::publishEvents(QList<CheckEvent> events)
{
    if (events.isEmpty())
        return; // every one was recorded before
    std::sort(events.begin(), events.end(), [](const CheckEvent &a, const CheckEvent &b) {
        return a.time != b.time ? a.time > b.time : a.id > b.id;
    });
    emit eventsRecorded(LiveMessages::eventsBody(events));
}

QByteArray LiveChecker::statesBody(int routeId) const
{
    // A section id of 0 would end the body early; such a section is left out.
    QList<RouteMessages::SectionState> states;
    const QList<QPair<int, int>> judged = m_engine.states(routeId);
    for (const auto &state : judged) {
        if (state.first > 0)
            states.append({state.first, state.second});
    }
    return RouteMessages::sectionsStateBody(routeId, states);
}

void LiveChecker::recordEvents(int routeId, QList<CheckEvent> *events)
{
    const auto checked = m_checked.constFind(routeId);
    if (checked == m_checked.cend())
        return;
    const RouteRecord &route = *checked->route.route;
    const QVector<CheckEngine::Outcome> outcomes = m_engine.roundOutcomes(routeId);
    // Section by section in route order, each with the same rounds.
    const int rounds = route.sections.isEmpty() ? 0 : outcomes.size() / route.sections.size();
    // Taken on the first event: a route nobody entered keeps no entry.
    Recorded *recordedOnce = nullptr;
    for (int k = 0; k < outcomes.size() && rounds > 0; ++k) {
        const SectionRecord &section = *route.sections.at(k / rounds);
        const CheckEngine::Outcome &o = outcomes.at(k);
        const auto add = [&](int kind, qint64 time, qint64 deviation) {
            if (!recordedOnce)
                recordedOnce = &m_recorded[routeId];
            QList<qint64> &rounds = (*recordedOnce)[qMakePair(o.sectionId, kind)];
            if (rounds.contains(o.reference))
                return;
            // Rounds are judged a few at a time: the newest few are enough.
            rounds.append(o.reference);
            if (rounds.size() > RecordedRounds)
                rounds.removeFirst();
            CheckEvent e;
            e.time = quint32(qBound<qint64>(0, time, std::numeric_limits<quint32>::max()));
            e.routeId = routeId;
            e.routeName = checked->route.name;
            e.sectionId = o.sectionId;
            e.sectionName = section.name;
            e.unitId = o.unitId;
            e.unitName = m_unitNames.value(o.unitId);
            e.kind = kind;
            e.deviation = clampedSeconds(deviation);
            e.roundStart = o.reference;
            events->append(e);
        };
        if (o.entered && section.messageOnTimeIn)
            add(CheckEvent::TimeIn, o.entryTime, o.entryDeviation);
        if (o.left && section.messageOnTimeOut)
            add(CheckEvent::TimeOut, o.exitTime, o.exitDeviation);
    }
}
