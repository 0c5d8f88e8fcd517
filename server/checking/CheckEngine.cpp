#include "CheckEngine.h"

#include "routecheck/RouteRecord.h"
#include "routecheck/SectionRecord.h"

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

void CheckEngine::setRoute(int routeId, const RouteRecord &route, qint64 checkOnTime,
                           const QList<QList<ZoneGeometry>> &zones)
{
    Route r;
    r.checkOnTime = checkOnTime;
    r.timeType = route.checkTimeType;
    r.units = route.objects;
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
    m_routes.insert(routeId, r);
    updateStates(routeId);
}

void CheckEngine::removeRoute(int routeId)
{
    m_routes.remove(routeId);
    m_changed.removeAll(routeId);
}

void CheckEngine::report(int unitId, qint64 time, const QPoint &position)
{
    Track &track = m_tracks[unitId];
    if (time < track.foldedUpTo)
        return;
    const auto at = std::upper_bound(track.reports.begin(), track.reports.end(), time,
                                     [](qint64 t, const Report &r) { return t < r.time; });
    track.reports.insert(at, Report{time, position});
    m_now = std::max(m_now, time);

    const QList<int> routeIds = m_routes.keys();
    if (track.reports.size() > HistoryLength) {
        const Report oldest = track.reports.takeFirst();
        track.foldedUpTo = oldest.time;
        for (int id : routeIds) {
            Route &route = m_routes[id];
            if (route.folded.contains(unitId))
                step(route, route.folded[unitId], oldest);
        }
    }
    for (int id : routeIds) {
        Route &route = m_routes[id];
        if (route.folded.contains(unitId))
            rerun(route, unitId);
    }
    for (int id : routeIds)
        updateStates(id);
}

void CheckEngine::advanceTo(qint64 time)
{
    if (time <= m_now)
        return;
    m_now = time;
    const QList<int> routeIds = m_routes.keys();
    for (int id : routeIds)
        updateStates(id);
}

QList<QPair<int, int>> CheckEngine::states(int routeId) const
{
    return m_routes.value(routeId).states;
}

QList<int> CheckEngine::takeChangedRoutes()
{
    QList<int> changed;
    changed.swap(m_changed);
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

int CheckEngine::sectionState(const Route &route, int section) const
{
    const qint64 now = std::max(m_now, route.checkOnTime);
    const qint64 ref = CheckSchedule::referenceTime(route.timeType, route.checkOnTime, now);
    auto inPeriod = [&](qint64 t) {
        return CheckSchedule::referenceTime(route.timeType, route.checkOnTime, t) == ref;
    };

    // The first entry of the period over all units, and that unit's exit after it.
    const Crossing *entry = nullptr;
    const Crossing *exit = nullptr;
    for (auto it = route.current.cbegin(); it != route.current.cend(); ++it) {
        const QList<Crossing> &crossings = it.value().at(section).crossings;
        for (int k = 0; k < crossings.size(); ++k) {
            const Crossing &c = crossings.at(k);
            if (!c.entering || !inPeriod(c.time) || (entry && entry->time <= c.time))
                continue;
            entry = &c;
            exit = nullptr;
            for (int e = k + 1; e < crossings.size() && !exit; ++e)
                if (!crossings.at(e).entering)
                    exit = &crossings.at(e);
            break;
        }
    }

    const CheckSchedule &schedule = route.schedules.at(section);
    if (!schedule.isOn())
        return entry ? Passed : Due;
    if (!entry)
        return now > schedule.entryCloses(ref) ? Violated : Due;
    if (!schedule.entryOnTime(ref, entry->time))
        return Violated;
    if (exit)
        return schedule.exitOnTime(ref, exit->time) ? Passed : Violated;
    return now > schedule.exitCloses(ref) ? Violated : Due;
}

void CheckEngine::updateStates(int routeId)
{
    Route &route = m_routes[routeId];
    QList<QPair<int, int>> states;
    for (int i = 0; i < route.sectionIds.size(); ++i)
        states.append(qMakePair(route.sectionIds.at(i), sectionState(route, i)));
    if (states == route.states)
        return;
    route.states = states;
    if (!m_changed.contains(routeId))
        m_changed.append(routeId);
    emit statesChanged(routeId);
}
