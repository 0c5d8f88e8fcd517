#include "CheckEngine.h"

#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Crossings kept per unit and section; older ones fall out first.
constexpr int MaxCrossings = 256;
} // namespace

CheckEngine::CheckEngine(QObject *parent) : QObject(parent) {}

CheckEngine::~CheckEngine() = default;

void CheckEngine::setConfirmReports(int count)
{
    m_confirmReports = std::max(count, 1);
}

void CheckEngine::setConfirmMetres(double metres)
{
    m_confirmMetres = std::isfinite(metres) ? std::max(metres, 0.0) : 15.0;
}

bool CheckEngine::Outcome::operator==(const Outcome &other) const
{
    return sectionId == other.sectionId && state == other.state && unitId == other.unitId
           && reference == other.reference && entered == other.entered
           && entryTime == other.entryTime && left == other.left && exitTime == other.exitTime;
}

void CheckEngine::setRoute(int routeId, const RouteRecord &route, qint64 checkOnTime,
                           const QList<QList<ZoneGeometry>> &zones)
{
    Route r;
    r.checkOnTime = checkOnTime;
    r.timeType = route.checkTimeType;
    for (int unit : route.objects) {
        if (!r.units.contains(unit))
            r.units.append(unit);
    }
    r.sectionIds.reserve(route.sections.size());
    r.zones.reserve(route.sections.size());
    r.schedules.reserve(route.sections.size());
    for (int i = 0; i < route.sections.size(); ++i) {
        const SectionRecord *section = route.sections.at(i);
        r.sectionIds.append(section ? section->id : 0);
        r.schedules.append(section ? CheckSchedule(*section) : CheckSchedule());
        r.zones.append(i < zones.size() ? zones.at(i) : QList<ZoneGeometry>());
    }
    for (int unit : qAsConst(r.units)) {
        r.folded.insert(unit, Traces(r.sectionIds.size()));
        rerun(r, unit);
    }
    Route &stored = m_routes[routeId];
    const QList<int> before = stored.units;
    const QList<int> units = r.units;
    stored = std::move(r);
    for (int unit : units) {
        if (!before.contains(unit))
            linkUnit(unit, routeId);
    }
    for (int unit : before) {
        if (!units.contains(unit))
            unlinkUnit(unit, routeId);
    }
    updateStates(routeId);
}

void CheckEngine::removeRoute(int routeId)
{
    const QList<int> units = m_routes.take(routeId).units;
    if (m_changedSet.remove(routeId))
        m_changed.removeOne(routeId);
    if (m_changedOutcomesSet.remove(routeId))
        m_changedOutcomes.removeOne(routeId);
    for (int unit : units)
        unlinkUnit(unit, routeId);
}

void CheckEngine::linkUnit(int unitId, int routeId)
{
    QList<int> &routes = m_routesOfUnit[unitId];
    routes.insert(int(std::lower_bound(routes.begin(), routes.end(), routeId) - routes.begin()),
                  routeId);
}

void CheckEngine::unlinkUnit(int unitId, int routeId)
{
    const auto found = m_routesOfUnit.find(unitId);
    if (found == m_routesOfUnit.end())
        return;
    found->removeOne(routeId);
    // Reports of units no route checks are not kept: the wire decides which
    // ids come, and only the routes' units may cost memory.
    if (found->isEmpty()) {
        m_routesOfUnit.erase(found);
        m_tracks.remove(unitId);
    }
}

void CheckEngine::report(int unitId, qint64 time, const QPoint &position)
{
    const auto routes = m_routesOfUnit.constFind(unitId);
    if (routes == m_routesOfUnit.cend())
        return;
    Track &track = m_tracks[unitId];
    if (time < track.foldedUpTo)
        return;
    // The usual case, a report newer than every kept one, only steps each
    // route's traces on; a late one re-runs the unit's kept reports.
    const bool inOrder = track.reports.isEmpty() || track.reports.constLast().time <= time;
    const Report added{time, position};
    const auto at = std::upper_bound(track.reports.begin(), track.reports.end(), time,
                                     [](qint64 t, const Report &r) { return t < r.time; });
    track.reports.insert(at, added);
    m_now = std::max(m_now, time);

    const bool folding = track.reports.size() > HistoryLength;
    const Report oldest = folding ? track.reports.takeFirst() : Report{};
    if (folding)
        track.foldedUpTo = oldest.time;
    for (int id : *routes) {
        Route &route = m_routes[id];
        if (folding)
            step(route, route.folded[unitId], oldest);
        if (inOrder)
            step(route, route.current[unitId], added);
        else
            rerun(route, unitId);
        updateStates(id);
    }
}

void CheckEngine::advanceTo(qint64 time)
{
    if (time <= m_now)
        return;
    m_now = time;
    for (auto it = m_routes.cbegin(); it != m_routes.cend(); ++it)
        updateStates(it.key());
}

QList<QPair<int, int>> CheckEngine::states(int routeId) const
{
    const auto route = m_routes.constFind(routeId);
    return route == m_routes.cend() ? QList<QPair<int, int>>() : route->states;
}

QVector<CheckEngine::Outcome> CheckEngine::outcomes(int routeId) const
{
    const auto route = m_routes.constFind(routeId);
    return route == m_routes.cend() ? QVector<Outcome>() : route->outcomes;
}

QList<int> CheckEngine::takeChangedRoutes()
{
    QList<int> changed;
    changed.swap(m_changed);
    m_changedSet.clear();
    return changed;
}

QList<int> CheckEngine::takeChangedOutcomes()
{
    QList<int> changed;
    changed.swap(m_changedOutcomes);
    m_changedOutcomesSet.clear();
    return changed;
}

void CheckEngine::step(const Route &route, Traces &traces, const Report &report) const
{
    if (report.time < route.checkOnTime)
        return;
    for (int i = 0; i < traces.size(); ++i) {
        Trace &t = traces[i];
        const double d = signedDistance(route.zones.at(i), report.position);
        const bool inside = d <= 0.0;
        if (inside == t.inside) {
            t.run = 0;
            continue;
        }
        if (t.run == 0)
            t.runStart = report.time;
        ++t.run;
        if (t.run >= m_confirmReports || std::abs(d) >= m_confirmMetres) {
            t.inside = inside;
            t.run = 0;
            t.crossings.append(Crossing{t.runStart, inside});
            if (t.crossings.size() > MaxCrossings)
                t.crossings.removeFirst();
        }
    }
}

void CheckEngine::rerun(Route &route, int unitId)
{
    Traces traces = route.folded.value(unitId);
    for (const Report &r : qAsConst(m_tracks[unitId].reports))
        step(route, traces, r);
    route.current.insert(unitId, traces);
}

CheckEngine::Outcome CheckEngine::sectionOutcome(const Route &route, int section,
                                                 qint64 now) const
{
    const qint64 ref = route.periodStart;
    auto inPeriod = [&route](qint64 t) { return t >= route.periodStart && t < route.periodEnd; };

    Outcome outcome;
    outcome.sectionId = route.sectionIds.at(section);
    outcome.reference = ref;
    // The first entry of the period over all units, and that unit's exit after it.
    const Crossing *entry = nullptr;
    const Crossing *exit = nullptr;
    for (auto it = route.current.cbegin(); it != route.current.cend(); ++it) {
        const QList<Crossing> &crossings = it.value().at(section).crossings;
        for (int k = 0; k < crossings.size(); ++k) {
            const Crossing &c = crossings.at(k);
            if (!c.entering || !inPeriod(c.time)
                || (entry && (entry->time < c.time
                              || (entry->time == c.time && outcome.unitId < it.key())))) {
                continue;
            }
            entry = &c;
            outcome.unitId = it.key();
            exit = nullptr;
            for (int e = k + 1; e < crossings.size() && !exit; ++e)
                if (!crossings.at(e).entering)
                    exit = &crossings.at(e);
            break;
        }
    }

    const CheckSchedule &schedule = route.schedules.at(section);
    if (entry) {
        outcome.entered = true;
        outcome.entryTime = entry->time;
        outcome.entryDeviation = schedule.entryDeviation(ref, entry->time);
    }
    if (exit) {
        outcome.left = true;
        outcome.exitTime = exit->time;
        outcome.exitDeviation = schedule.exitDeviation(ref, exit->time);
    }

    if (!schedule.isOn())
        outcome.state = entry ? Passed : Due;
    else if (!entry)
        outcome.state = now > schedule.entryCloses(ref) ? Violated : Due;
    else if (outcome.entryDeviation != 0)
        outcome.state = Violated;
    else if (exit)
        outcome.state = outcome.exitDeviation == 0 ? Passed : Violated;
    else
        outcome.state = now > schedule.exitCloses(ref) ? Violated : Due;
    return outcome;
}

void CheckEngine::updateStates(int routeId)
{
    Route &route = m_routes[routeId];
    const qint64 now = std::max(m_now, route.checkOnTime);
    if (now < route.periodStart || now >= route.periodEnd) {
        route.periodStart = CheckSchedule::referenceTime(route.timeType, route.checkOnTime, now);
        route.periodEnd = CheckSchedule::nextReferenceTime(route.timeType, route.periodStart);
    }
    QVector<Outcome> outcomes;
    QList<QPair<int, int>> states;
    outcomes.reserve(route.sectionIds.size());
    states.reserve(route.sectionIds.size());
    for (int i = 0; i < route.sectionIds.size(); ++i) {
        outcomes.append(sectionOutcome(route, i, now));
        states.append(qMakePair(outcomes.constLast().sectionId, outcomes.constLast().state));
    }
    if (outcomes == route.outcomes)
        return;
    route.outcomes = outcomes;
    if (!m_changedOutcomesSet.contains(routeId)) {
        m_changedOutcomesSet.insert(routeId);
        m_changedOutcomes.append(routeId);
    }
    if (states == route.states)
        return;
    route.states = states;
    if (!m_changedSet.contains(routeId)) {
        m_changedSet.insert(routeId);
        m_changed.append(routeId);
    }
    emit statesChanged(routeId);
}
