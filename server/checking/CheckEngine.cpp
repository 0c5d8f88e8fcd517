#include "CheckEngine.h"

#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QDataStream>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Crossings kept per unit and section; older ones fall out first.
constexpr int MaxCrossings = 256;
// Beyond these a stored state is damaged.
constexpr quint32 MaxStoredRoutes = 100000;
constexpr quint32 MaxStoredSections = 1000;
} // namespace

CheckEngine::CheckEngine(const RoundCalendar &calendar, QObject *parent)
    : QObject(parent), m_calendar(calendar)
{
}

CheckEngine::~CheckEngine() = default;

void CheckEngine::setConfirmReports(int count)
{
    m_confirmReports = std::max(count, 1);
}

void CheckEngine::setConfirmMetres(double metres)
{
    m_confirmMetres = std::isfinite(metres) ? std::max(metres, 0.0) : 15.0;
    // The indexes' boxes are widened by it.
    for (Route &route : m_routes)
        indexZones(route);
}

void CheckEngine::indexZones(Route &route) const
{
    route.zoneIndex.reset();
    route.sectionOfZone.clear();
    int count = 0;
    for (const QList<ZoneGeometry> &zones : qAsConst(route.zones))
        count += zones.size();
    if (count < IndexedZones)
        return;
    QVector<ZoneGeometry> all;
    all.reserve(count);
    for (int i = 0; i < route.zones.size(); ++i) {
        for (const ZoneGeometry &zone : route.zones.at(i)) {
            all.append(zone);
            route.sectionOfZone.append(i);
        }
    }
    auto index = std::make_shared<ZoneIndex>();
    index->build(all, m_confirmMetres);
    route.zoneIndex = std::move(index);
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
    r.clock = RoundClock(&m_calendar, route.checkTimeType, checkOnTime);
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
    indexZones(r);
    if (r.clock.isPeriodic()) {
        qint64 latest = 0, earliest = 0;
        for (const CheckSchedule &schedule : qAsConst(r.schedules)) {
            latest = std::max(latest, schedule.latestClose());
            earliest = std::max(earliest, schedule.earliestOpening());
        }
        const qint64 shortest = r.clock.shortestRound();
        r.lookBack = int(latest / shortest) + 1;
        r.lookAhead = int(earliest / shortest) + (earliest > 0 ? 1 : 0);
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
    const Report added{time, GeoPoint::fromWire(position)};
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
        if (!inOrder)
            rerun(route, unitId);
        else if (step(route, route.current[unitId], added))
            route.dirty = true;
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

QVector<CheckEngine::Outcome> CheckEngine::roundOutcomes(int routeId) const
{
    const auto route = m_routes.constFind(routeId);
    return route == m_routes.cend() ? QVector<Outcome>() : route->roundOutcomes;
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

bool CheckEngine::step(const Route &route, Traces &traces, const Report &report) const
{
    if (report.time < route.checkOnTime)
        return false;
    bool crossed = false;
    // With an index, a section none of whose zones is near is more than the
    // confirming distance outside them all: that is all a trace needs to know.
    QVarLengthArray<bool, 64> near;
    if (route.zoneIndex) {
        near.resize(traces.size());
        std::fill(near.begin(), near.end(), false);
        QVarLengthArray<int, 16> candidates;
        route.zoneIndex->candidates(report.position, [&candidates](int zone) {
            candidates.append(zone);
        });
        for (int zone : candidates) {
            const int section = route.sectionOfZone.at(zone);
            if (section < near.size())
                near[section] = true;
        }
    }
    for (int i = 0; i < traces.size(); ++i) {
        Trace &t = traces[i];
        const double d = route.zoneIndex && !near.at(i)
                             ? std::numeric_limits<double>::infinity()
                             : signedDistance(route.zones.at(i), report.position);
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
            crossed = true;
        }
    }
    return crossed;
}

QByteArray CheckEngine::foldedState(int unitId) const
{
    const auto track = m_tracks.constFind(unitId);
    const auto routes = m_routesOfUnit.constFind(unitId);
    if (track == m_tracks.cend() || routes == m_routesOfUnit.cend()
        || track->foldedUpTo == std::numeric_limits<qint64>::min())
        return {};
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << track->foldedUpTo << quint32(routes->size());
    for (int routeId : *routes) {
        const Traces traces = m_routes.value(routeId).folded.value(unitId);
        out << qint32(routeId) << quint32(traces.size());
        for (const Trace &t : traces) {
            out << t.inside << qint32(t.run) << t.runStart << quint32(t.crossings.size());
            for (const Crossing &c : t.crossings)
                out << c.time << c.entering;
        }
    }
    return bytes;
}

bool CheckEngine::restoreFolded(int unitId, const QByteArray &state)
{
    QDataStream in(state);
    qint64 foldedUpTo = 0;
    quint32 routeCount = 0;
    in >> foldedUpTo >> routeCount;
    if (routeCount > MaxStoredRoutes)
        return false;
    QHash<int, Traces> read;
    for (quint32 r = 0; r < routeCount && in.status() == QDataStream::Ok; ++r) {
        qint32 routeId = 0;
        quint32 sections = 0;
        in >> routeId >> sections;
        if (sections > MaxStoredSections)
            return false;
        Traces traces;
        traces.resize(int(sections));
        for (Trace &t : traces) {
            qint32 run = 0;
            quint32 crossings = 0;
            in >> t.inside >> run >> t.runStart >> crossings;
            if (crossings > quint32(MaxCrossings) || run < 0)
                return false;
            t.run = run;
            for (quint32 k = 0; k < crossings && in.status() == QDataStream::Ok; ++k) {
                Crossing c{0, false};
                in >> c.time >> c.entering;
                t.crossings.append(c);
            }
        }
        read.insert(routeId, traces);
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return false;
    const auto routes = m_routesOfUnit.constFind(unitId);
    if (routes == m_routesOfUnit.cend())
        return true; // nothing checks it here
    Track &track = m_tracks[unitId];
    if (!track.reports.isEmpty())
        return true; // judged here already, from further back
    track.foldedUpTo = foldedUpTo;
    for (int routeId : *routes) {
        Route &route = m_routes[routeId];
        const auto traces = read.constFind(routeId);
        if (traces == read.cend() || traces->size() != route.sectionIds.size())
            continue; // the route changed since: its reports judge it afresh
        route.folded.insert(unitId, *traces);
        rerun(route, unitId);
        updateStates(routeId);
    }
    return true;
}

void CheckEngine::rerun(Route &route, int unitId)
{
    Traces traces = route.folded.value(unitId);
    for (const Report &r : qAsConst(m_tracks[unitId].reports))
        step(route, traces, r);
    route.current.insert(unitId, traces);
    route.dirty = true;
}

void CheckEngine::layRounds(Route &route, qint64 now) const
{
    const RoundClock &clock = route.clock;
    route.held = clock.at(now);
    RoundClock::Round first = route.held;
    for (int k = 0; k < route.lookBack; ++k) {
        const RoundClock::Round before = clock.previous(first);
        if (before == first)
            break;
        first = before;
    }
    route.rounds.clear();
    const auto lay = [&route, &clock](const RoundClock::Round &round) {
        LaidRound laid;
        laid.round = round;
        laid.entry.reserve(route.schedules.size());
        laid.exit.reserve(route.schedules.size());
        for (const CheckSchedule &schedule : qAsConst(route.schedules)) {
            laid.entry.append(schedule.entryWindow(clock, round));
            laid.exit.append(schedule.exitWindow(clock, round));
        }
        route.rounds.append(laid);
    };
    for (RoundClock::Round round = first;; round = clock.next(round)) {
        lay(round);
        if (round == route.held)
            break;
    }
    RoundClock::Round later = route.held;
    for (int k = 0; k < route.lookAhead && clock.isPeriodic(); ++k) {
        later = clock.next(later);
        lay(later);
    }
    route.laid = true;
}

void CheckEngine::judgeSection(const Route &route, int section, qint64 now,
                               std::vector<Judged> *out) const
{
    const CheckSchedule &schedule = route.schedules.at(section);
    const int count = route.rounds.size();
    out->assign(size_t(count), Judged());

    // Every unit's entries in time order, the lower unit id first at a tie.
    struct Entry
    {
        qint64 time;
        int unitId;
        const QList<Crossing> *crossings;
        int index;
    };
    QVarLengthArray<Entry, 16> entries;
    for (auto it = route.current.cbegin(); it != route.current.cend(); ++it) {
        const QList<Crossing> &crossings = it.value().at(section).crossings;
        for (int k = 0; k < crossings.size(); ++k) {
            if (crossings.at(k).entering)
                entries.append(Entry{crossings.at(k).time, it.key(), &crossings, k});
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.time != b.time ? a.time < b.time : a.unitId < b.unitId;
    });
    QVarLengthArray<const Entry *, 8> credited(count);
    std::fill(credited.begin(), credited.end(), nullptr);
    for (const Entry &e : entries) {
        int to = -1;
        for (int r = 0; r < count && to < 0 && schedule.isOn(); ++r) {
            if (!credited[r] && route.rounds.at(r).entry.at(section).holds(e.time))
                to = r;
        }
        for (int r = 0; r < count && to < 0; ++r) {
            const RoundClock::Round &round = route.rounds.at(r).round;
            if (e.time >= round.start && e.time < round.end)
                to = credited[r] ? count : r;
        }
        if (to >= 0 && to < count)
            credited[to] = &e;
    }

    for (int r = 0; r < count; ++r) {
        const LaidRound &laid = route.rounds.at(r);
        const CheckSchedule::Window &entryWindow = laid.entry.at(section);
        const CheckSchedule::Window &exitWindow = laid.exit.at(section);
        Judged &judged = (*out)[size_t(r)];
        Outcome &o = judged.outcome;
        o = Outcome();
        o.sectionId = route.sectionIds.at(section);
        o.reference = laid.round.start;
        if (const Entry *e = credited[r]) {
            o.unitId = e->unitId;
            o.entered = true;
            o.entryTime = e->time;
            o.entryDeviation = schedule.isOn() ? entryWindow.deviation(e->time) : 0;
            for (int k = e->index + 1; k < e->crossings->size(); ++k) {
                const Crossing &c = e->crossings->at(k);
                if (!c.entering) {
                    o.left = true;
                    o.exitTime = c.time;
                    o.exitDeviation = schedule.isOn() ? exitWindow.deviation(c.time) : 0;
                    break;
                }
            }
        }
        // Decided at once, or open until a deadline.
        const auto decide = [&judged](int state, qint64 at) {
            judged.outcome.state = state;
            judged.settled = at;
            judged.open = false;
        };
        const auto await = [&judged, now](qint64 deadline, int stateAfter) {
            judged.settled = deadline;
            judged.open = now < deadline;
            judged.outcome.state = judged.open ? Due : stateAfter;
        };
        if (!schedule.isOn()) {
            if (o.entered)
                decide(Passed, o.entryTime);
            else
                await(laid.round.end, Due);
        } else if (!o.entered) {
            await(entryWindow.closes + 1, Violated);
        } else if (o.entryDeviation != 0) {
            decide(Violated, o.entryTime);
        } else if (o.left) {
            decide(o.exitDeviation == 0 ? Passed : Violated, o.exitTime);
        } else {
            await(exitWindow.closes + 1, Violated);
        }
    }
}

int CheckEngine::shownRound(const Route &route, const std::vector<Judged> &judged, qint64 now)
{
    int open = -1, decided = -1, started = -1;
    for (int r = 0; r < int(judged.size()) && route.rounds.at(r).round.start <= now; ++r) {
        started = r;
        if (judged.at(size_t(r)).open) {
            if (open < 0)
                open = r;
        } else {
            decided = r;
        }
    }
    if (started < 0)
        return 0;
    if (open >= 0 && (decided < 0 || open < decided))
        return open;
    // A decision stays on show until a round starts after it.
    if (decided >= 0 && route.rounds.at(started).round.start < judged.at(size_t(decided)).settled)
        return decided;
    return open >= 0 ? open : started;
}

void CheckEngine::updateStates(int routeId)
{
    Route &route = m_routes[routeId];
    const qint64 now = std::max(m_now, route.checkOnTime);
    if (!route.laid || now < route.held.start || now >= route.held.end) {
        layRounds(route, now);
        route.dirty = true;
    }
    if (!route.dirty && now < route.nextChange)
        return;
    route.dirty = false;

    std::vector<Judged> &judged = m_judged;
    QVector<Outcome> outcomes, roundOutcomes;
    QList<QPair<int, int>> states;
    outcomes.reserve(route.sectionIds.size());
    roundOutcomes.reserve(route.sectionIds.size() * route.rounds.size());
    states.reserve(route.sectionIds.size());
    qint64 nextChange = route.held.end;
    for (const LaidRound &laid : qAsConst(route.rounds)) {
        if (laid.round.start > now)
            nextChange = std::min(nextChange, laid.round.start);
    }
    for (int i = 0; i < route.sectionIds.size(); ++i) {
        judgeSection(route, i, now, &judged);
        for (const Judged &j : qAsConst(judged)) {
            roundOutcomes.append(j.outcome);
            if (j.open)
                nextChange = std::min(nextChange, j.settled);
        }
        const Outcome &shown = judged.at(size_t(shownRound(route, judged, now))).outcome;
        outcomes.append(shown);
        states.append(qMakePair(shown.sectionId, shown.state));
    }
    route.nextChange = nextChange;
    route.outcomes = outcomes;
    if (roundOutcomes != route.roundOutcomes) {
        route.roundOutcomes = roundOutcomes;
        if (!m_changedOutcomesSet.contains(routeId)) {
            m_changedOutcomesSet.insert(routeId);
            m_changedOutcomes.append(routeId);
        }
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
