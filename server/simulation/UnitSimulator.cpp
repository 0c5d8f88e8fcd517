#include "UnitSimulator.h"

#include "geo/EarthModel.h"

#include "CheckSchedule.h"
#include "RoundClock.h"
#include "wire/LiveMessages.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QHash>
#include <QSet>
#include <QPair>
#include <QPointF>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double Pi = EarthModel::Pi;
// The same earth as ZoneGeometry's, so planned clearances hold when checked.
constexpr double EarthRadius = EarthModel::DrawingSphere::Radius;
constexpr double UnitToMetre = EarthModel::UnitToRadian * EarthRadius;

constexpr double SampleStep = 5.0;  // metres between checks along a planned leg
constexpr double Depth = 5.0;       // a path inside a section keeps this far in
constexpr double Clearance = 10.0;  // and this far from zones it must not enter
constexpr double StandOff = 25.0;   // crossing points lie this far outside
constexpr double RestStandOff = 50.0;
constexpr double MaxReach = 300.0;  // farthest crossing point from the path
constexpr double AnchorStep = 20.0; // how far a crossing may slide along the path per try
constexpr double MaxSlide = 600.0;
constexpr double BorderSpeed = 8.0; // m/s; fast across borders so crossings keep their time
constexpr double CruiseSpeed = 10.0;
constexpr double PatrolSpeed = 5.0;
constexpr double MinDwell = 120.0; // seconds in a section without a window
constexpr double MaxDwell = 600.0;
constexpr double RestPause = 30.0;
// The crossing aims this long after the nominal time, and at least this long
// before the window closes, so that the next report still falls inside it.
constexpr qint64 AimAfter = 15;
constexpr qint64 ReportSlack = 30;

const double RestDistances[] = {200.0, 300.0, 450.0, 650.0, 900.0};
const double RestAngles[] = {0, 30, -30, 60, -60, 90, -90, 120, -120, 150, -150, 180};
const double SideAngles[] = {0, 30, -30, 60, -60};

double length(const QPointF &p)
{
    return std::hypot(p.x(), p.y());
}

QPointF unit(const QPointF &p, const QPointF &fallback)
{
    const double l = length(p);
    return l > 1e-9 ? p / l : fallback;
}

QPointF rotated(const QPointF &p, double degrees)
{
    const double a = degrees * Pi / 180.0;
    return QPointF(p.x() * std::cos(a) - p.y() * std::sin(a),
                   p.x() * std::sin(a) + p.y() * std::cos(a));
}

double pathLength(const QVector<QPointF> &path)
{
    double total = 0.0;
    for (int i = 1; i < path.size(); ++i)
        total += length(path.at(i) - path.at(i - 1));
    return total;
}

// The point at arc length s along path and the direction of travel there.
QPointF pointAlong(const QVector<QPointF> &path, double s, QPointF *direction)
{
    *direction = QPointF(1.0, 0.0);
    for (int i = 1; i < path.size(); ++i) {
        const QPointF step = path.at(i) - path.at(i - 1);
        const double l = length(step);
        *direction = unit(step, *direction);
        if (s <= l || i + 1 == path.size())
            return path.at(i - 1) + *direction * std::clamp(s, 0.0, l);
        s -= l;
    }
    return path.isEmpty() ? QPointF() : path.first();
}

// The part of path between arc lengths from and to.
QVector<QPointF> subPath(const QVector<QPointF> &path, double from, double to)
{
    QPointF direction;
    QVector<QPointF> part{pointAlong(path, from, &direction)};
    double s = 0.0;
    for (int i = 1; i < path.size(); ++i) {
        s += length(path.at(i) - path.at(i - 1));
        if (s > from && s < to)
            part.append(path.at(i));
    }
    if (to > from)
        part.append(pointAlong(path, to, &direction));
    return part;
}

// Metres east and north of an origin, flat: enough for a district.
class LocalFrame
{
public:
    LocalFrame() = default;
    explicit LocalFrame(const QPoint &origin)
        : m_origin(origin),
          m_eastScale(std::max(std::cos(origin.y() * UnitToMetre / EarthRadius), 1e-6)
                      * UnitToMetre)
    {
    }

    QPointF toMetres(const QPoint &p) const
    {
        return QPointF((double(p.x()) - m_origin.x()) * m_eastScale,
                       (double(p.y()) - m_origin.y()) * UnitToMetre);
    }
    QPoint toMap(const QPointF &p) const
    {
        return QPoint(clamped(m_origin.x() + p.x() / m_eastScale),
                      clamped(m_origin.y() + p.y() / UnitToMetre));
    }

private:
    static int clamped(double v)
    {
        constexpr double Low = std::numeric_limits<int>::min();
        constexpr double High = std::numeric_limits<int>::max();
        return std::isfinite(v) ? int(std::lround(std::clamp(v, Low, High))) : 0;
    }

    QPoint m_origin;
    double m_eastScale = UnitToMetre;
};

// Positions over time as straight moves between timed points.
class Track
{
public:
    void add(double time, const QPointF &position)
    {
        if (!m_points.isEmpty())
            time = std::max(time, m_points.constLast().time);
        m_points.append(Point{time, position});
    }
    // Along path from one time to the other at an even pace.
    void addPath(double from, double to, const QVector<QPointF> &path)
    {
        const double total = pathLength(path);
        double s = 0.0;
        for (int i = 0; i < path.size(); ++i) {
            if (i > 0)
                s += length(path.at(i) - path.at(i - 1));
            add(total > 0.0 ? from + (to - from) * s / total : (i == 0 ? from : to),
                path.at(i));
        }
    }
    double end() const { return m_points.isEmpty() ? 0.0 : m_points.constLast().time; }
    QPointF at(double time) const
    {
        if (m_points.isEmpty())
            return QPointF();
        const auto next = std::upper_bound(m_points.cbegin(), m_points.cend(), time,
                                           [](double t, const Point &p) { return t < p.time; });
        if (next == m_points.cbegin())
            return next->position;
        if (next == m_points.cend())
            return m_points.constLast().position;
        const Point &before = *(next - 1);
        const double span = next->time - before.time;
        if (!(span > 0.0))
            return next->position;
        return before.position + (next->position - before.position) * ((time - before.time) / span);
    }

private:
    struct Point
    {
        double time;
        QPointF position;
    };
    QVector<Point> m_points;
};

// One section on a unit's way: in from approach, along path, out to leave,
// then to rest on the way to the next visit.
struct Visit
{
    int section = 0;
    bool scheduled = false;
    QPointF approach;
    QVector<QPointF> path; // inside the section and clear of the others
    QPointF leave;
    double entryShare = 0.5; // where approach -> path.first crosses the border
    double exitShare = 0.5;  // where path.last -> leave crosses it
    QPointF rest;

    double entryLength() const { return length(path.first() - approach); }
    double exitLength() const { return length(leave - path.last()); }
    double toRest() const { return length(rest - leave); }
    // Time in the section when no window says.
    double dwell() const { return std::clamp(pathLength(path) / PatrolSpeed, MinDwell, MaxDwell); }
};

// Plans visits of one route's sections against all of its zones.
class RoutePlanner
{
public:
    RoutePlanner(const UnitSimulator::Route &route, const LocalFrame &frame)
        : m_route(route), m_frame(frame)
    {
        for (int i = 0; i < route.sections.size(); ++i)
            m_inner.append(innerPath(i));
    }

    // Visits in that order, each with its rest point towards the next (the
    // last one's towards the first); sections without a clean way in are left out.
    QVector<Visit> plan(const QVector<int> &order) const
    {
        QVector<Visit> visits;
        for (int section : order) {
            if (m_inner.at(section).isEmpty())
                continue;
            Visit visit;
            visit.section = section;
            visit.path = m_inner.at(section);
            visits.append(visit);
        }
        orient(&visits);
        for (int k = visits.size() - 1; k >= 0; --k) {
            if (!crossings(&visits[k]))
                visits.removeAt(k);
        }
        QVector<bool> passed(m_route.sections.size(), false);
        for (int k = 0; k < visits.size(); ++k) {
            const Visit &next = visits.at((k + 1) % visits.size());
            passed[visits.at(k).section] = true;
            if (k + 1 == visits.size())
                std::fill(passed.begin(), passed.end(), true);
            passed[next.section] = false;
            visits[k].rest = restPoint(visits.at(k), next, passed);
        }
        return visits;
    }

private:
    double distance(int section, const QPointF &p) const
    {
        return signedDistance(m_route.sections.at(section).zones, m_frame.toMap(p));
    }
    double othersDistance(int section, const QPointF &p) const
    {
        double best = std::numeric_limits<double>::infinity();
        for (int j = 0; j < m_route.sections.size(); ++j) {
            if (j != section)
                best = std::min(best, distance(j, p));
        }
        return best;
    }
    bool fits(int section, const QPointF &p) const
    {
        return distance(section, p) <= -Depth && othersDistance(section, p) >= Clearance;
    }

    // The longest stretch of the section's line (else a shape's centre) that is
    // well inside it and clear of the others, sampled every SampleStep.
    QVector<QPointF> innerPath(int section) const
    {
        QList<QVector<QPointF>> axes;
        QList<QVector<QPointF>> centres;
        for (const ZoneGeometry &zone : m_route.sections.at(section).zones) {
            QVector<QPointF> points;
            for (const QPoint &p : zone.points())
                points.append(m_frame.toMetres(p));
            if (points.isEmpty())
                continue;
            if (zone.kind() == ZoneGeometry::Kind::Line) {
                axes.append(points);
            } else if (zone.kind() == ZoneGeometry::Kind::Polygon) {
                QPointF sum;
                for (const QPointF &p : qAsConst(points))
                    sum += p;
                centres.append({sum / points.size()});
            } else if (zone.kind() != ZoneGeometry::Kind::None) {
                centres.append({points.first()});
            }
        }
        std::stable_sort(axes.begin(), axes.end(), [](const auto &a, const auto &b) {
            return pathLength(a) > pathLength(b);
        });
        for (const QVector<QPointF> &axis : axes + centres) {
            const QVector<QPointF> run = longestRun(section, axis);
            if (!run.isEmpty())
                return run;
        }
        return {};
    }

    QVector<QPointF> longestRun(int section, const QVector<QPointF> &axis) const
    {
        QVector<QPointF> best;
        double bestLength = -1.0;
        QVector<QPointF> run;
        double runLength = 0.0;
        bool lastIsVertex = true;
        auto close = [&] {
            if (!run.isEmpty() && runLength > bestLength) {
                best = run;
                bestLength = runLength;
            }
            run.clear();
            runLength = 0.0;
        };
        auto visit = [&](const QPointF &p, bool vertex) {
            if (!fits(section, p)) {
                close();
                return;
            }
            if (!run.isEmpty())
                runLength += length(p - run.constLast());
            // Only the run's ends and the line's vertices are kept: samples between
            // vertices lie on the same straight.
            if (run.size() >= 2 && !lastIsVertex)
                run.removeLast();
            run.append(p);
            lastIsVertex = vertex;
        };
        for (int i = 0; i < axis.size(); ++i) {
            visit(axis.at(i), true);
            if (i + 1 == axis.size())
                break;
            const QPointF step = axis.at(i + 1) - axis.at(i);
            const int samples = int(std::min(std::ceil(length(step) / SampleStep), 4000.0));
            for (int j = 1; j < samples; ++j)
                visit(axis.at(i) + step * (double(j) / samples), false);
        }
        close();
        return best;
    }

    // Turns each path so that it starts near where the previous one ends.
    static void orient(QVector<Visit> *visits)
    {
        for (int k = 0; k < visits->size(); ++k) {
            QVector<QPointF> &path = (*visits)[k].path;
            bool reverse = false;
            if (k > 0) {
                const QPointF from = visits->at(k - 1).path.last();
                reverse = length(path.last() - from) < length(path.first() - from);
            } else if (visits->size() > 1) {
                const QVector<QPointF> &next = visits->at(1).path;
                auto gap = [&next](const QPointF &p) {
                    return std::min(length(next.first() - p), length(next.last() - p));
                };
                reverse = gap(path.first()) < gap(path.last());
            }
            if (reverse)
                std::reverse(path.begin(), path.end());
        }
    }

    // Finds the points beside the path where the unit comes in and goes out,
    // preferring its left, and trims the path to start and end there.
    bool crossings(Visit *visit) const
    {
        const double total = pathLength(visit->path);
        double entryAt = 0.0;
        double exitAt = total;
        if (!crossing(*visit, true, &visit->approach, &visit->entryShare, &entryAt)
            || !crossing(*visit, false, &visit->leave, &visit->exitShare, &exitAt)) {
            return false;
        }
        visit->path = subPath(visit->path, entryAt, exitAt);
        return true;
    }

    bool crossing(const Visit &visit, bool entry, QPointF *outside, double *share,
                  double *at) const
    {
        const double total = pathLength(visit.path);
        // Entry and exit each keep to their own end of the path.
        const double slide = std::min(total * 0.45, MaxSlide);
        double fromInside = 0.5;
        auto found = [&](double s) {
            *at = entry ? s : total - s;
            *share = entry ? 1.0 - fromInside : fromInside;
            return true;
        };
        for (int side : {1, -1}) {
            for (double s = 0.0; s <= slide; s += AnchorStep) {
                QPointF forward;
                const QPointF anchor = pointAlong(visit.path, entry ? s : total - s, &forward);
                const QPointF left(-forward.y(), forward.x());
                for (double angle : SideAngles) {
                    if (walkOut(visit.section, anchor, rotated(left * side, angle), outside,
                                &fromInside)) {
                        return found(s);
                    }
                }
                if (!(total > 0.0))
                    break;
            }
        }
        QPointF forward;
        const QPointF end = pointAlong(visit.path, entry ? 0.0 : total, &forward);
        return walkOut(visit.section, end, entry ? -forward : forward, outside, &fromInside)
               && found(0.0);
    }

    // From inside the section straight out along direction: crossing its
    // border once, touching no other section, to a point StandOff clear of all.
    // share: where the border lies, as a share of the way out.
    bool walkOut(int section, const QPointF &from, const QPointF &direction, QPointF *outside,
                 double *share) const
    {
        double crossedAt = -1.0;
        for (double s = SampleStep; s <= MaxReach; s += SampleStep) {
            const QPointF p = from + direction * s;
            const double own = distance(section, p);
            const double others = othersDistance(section, p);
            if (others < Clearance || (crossedAt >= 0.0 && own <= 0.0))
                return false;
            if (crossedAt < 0.0 && own > 0.0)
                crossedAt = border(section, from, direction, s - SampleStep, s);
            if (crossedAt >= 0.0 && std::min(own, others) >= StandOff) {
                *outside = p;
                *share = crossedAt / s;
                return true;
            }
        }
        return false;
    }

    double border(int section, const QPointF &from, const QPointF &direction, double inside,
                  double outside) const
    {
        for (int i = 0; i < 12; ++i) {
            const double mid = (inside + outside) / 2.0;
            (distance(section, from + direction * mid) > 0.0 ? outside : inside) = mid;
        }
        return (inside + outside) / 2.0;
    }

    // Off the route between two visits: every zone avoided if possible, else
    // all but those of sections already passed.
    QPointF restPoint(const Visit &from, const Visit &to, const QVector<bool> &passed) const
    {
        const QPointF outward = unit(from.leave - from.path.last(), QPointF(0.0, 1.0));
        const QPointF middle = (from.leave + to.approach) / 2.0;
        const QVector<bool> none(passed.size(), false);
        for (const QVector<bool> *ignored : {&none, &passed}) {
            for (double d : RestDistances) {
                for (double angle : RestAngles) {
                    const QPointF rest = middle + rotated(outward, angle) * d;
                    if (clear(rest, rest, *ignored, RestStandOff)
                        && clear(from.leave, rest, *ignored, Clearance)
                        && clear(rest, to.approach, *ignored, Clearance)) {
                        return rest;
                    }
                }
            }
        }
        return middle + outward * RestDistances[0];
    }

    bool clear(const QPointF &a, const QPointF &b, const QVector<bool> &ignored,
               double margin) const
    {
        const int samples = int(std::min(std::ceil(length(b - a) / SampleStep), 4000.0));
        for (int i = 0; i <= samples; ++i) {
            const QPointF p = samples > 0 ? a + (b - a) * (double(i) / samples) : a;
            for (int j = 0; j < m_route.sections.size(); ++j) {
                if (!ignored.at(j) && distance(j, p) < margin)
                    return false;
            }
        }
        return true;
    }

    const UnitSimulator::Route &m_route;
    LocalFrame m_frame;
    QVector<QVector<QPointF>> m_inner;
};

// When to cross a window's border: just after its nominal time, early enough
// for the next report to land inside.
qint64 aim(const UnitSimulator::Window &w)
{
    return std::max(w.opens, std::min(w.nominal + AimAfter, w.closes - ReportSlack));
}

bool firstOrigin(const UnitSimulator::Route &route, QPoint *origin)
{
    for (const UnitSimulator::Section &section : route.sections) {
        for (const ZoneGeometry &zone : section.zones) {
            if (!zone.points().isEmpty()) {
                *origin = zone.points().first();
                return true;
            }
        }
    }
    return false;
}

} // namespace

struct UnitSimulator::Itinerary
{
    LocalFrame frame;
    QVector<Visit> visits; // in driving order; the last one's rest point is home
    bool scheduled = false;
    Track round; // one round from the first approach, for driving without windows
    double roundLength = 0.0;

    static std::shared_ptr<const Itinerary> plan(const Route &route, bool skipping);
    QPoint position(const Route &route, const Unit &unit, const RoundCalendar &calendar,
                    qint64 time) const;
    Track period(const Route &route, Profile profile, const RoundClock &clock,
                 const RoundClock::Round &round) const;
    void planRound();
};

std::shared_ptr<const UnitSimulator::Itinerary> UnitSimulator::Itinerary::plan(
    const Route &route, bool skipping)
{
    QPoint origin;
    if (!firstOrigin(route, &origin))
        return nullptr;
    QVector<int> windowed;
    QVector<int> steady;
    for (int i = 0; i < route.sections.size(); ++i) {
        const Section &s = route.sections.at(i);
        (route.checkOn && s.scheduled && !s.zones.isEmpty() ? windowed : steady).append(i);
    }
    std::stable_sort(windowed.begin(), windowed.end(), [&route](int a, int b) {
        return route.sections.at(a).entry.nominal < route.sections.at(b).entry.nominal;
    });
    if (skipping && windowed.size() >= 2)
        windowed.removeAt(1);

    auto itinerary = std::make_shared<Itinerary>();
    itinerary->frame = LocalFrame(origin);
    itinerary->visits = RoutePlanner(route, itinerary->frame).plan(windowed + steady);
    if (itinerary->visits.isEmpty())
        return nullptr;
    for (Visit &visit : itinerary->visits) {
        visit.scheduled = windowed.contains(visit.section);
        itinerary->scheduled = itinerary->scheduled || visit.scheduled;
    }
    itinerary->planRound();
    return itinerary;
}

void UnitSimulator::Itinerary::planRound()
{
    double t = 0.0;
    for (int k = 0; k < visits.size(); ++k) {
        const Visit &v = visits.at(k);
        const double dwell = v.dwell();
        round.add(t, v.approach);
        t += v.entryLength() / BorderSpeed;
        round.addPath(t, t + dwell, v.path);
        t += dwell + v.exitLength() / BorderSpeed;
        round.add(t, v.leave);
        t += v.toRest() / CruiseSpeed;
        round.add(t, v.rest);
        t += RestPause;
        round.add(t, v.rest);
        t += length(visits.at((k + 1) % visits.size()).approach - v.rest) / CruiseSpeed;
    }
    round.add(t, visits.first().approach);
    roundLength = t;
}

Track UnitSimulator::Itinerary::period(const Route &route, Profile profile,
                                       const RoundClock &clock,
                                       const RoundClock::Round &round) const
{
    // A window's wall-clock time in the round, and the aim's seconds after it.
    const auto time = [&clock, &round](const Window &w) {
        return clock.timeOf(round, w.nominal) + (aim(w) - w.nominal);
    };
    const int n = visits.size();
    QVector<double> enter(n);
    QVector<double> leave(n);
    auto approachTime = [&](int k) {
        return enter.at(k) - visits.at(k).entryShare * visits.at(k).entryLength() / BorderSpeed;
    };
    auto outTime = [&](int k) {
        return leave.at(k)
               + (1.0 - visits.at(k).exitShare) * visits.at(k).exitLength() / BorderSpeed;
    };
    // Windowed visits come first (plan() puts them there), the others follow.
    for (int k = 0; k < n; ++k) {
        const Visit &v = visits.at(k);
        if (v.scheduled) {
            const Section &s = route.sections.at(v.section);
            const qint64 late =
                profile == Profile::Late ? s.entry.closes - s.entry.nominal + LateSeconds : 0;
            enter[k] = double(time(s.entry) + late);
            leave[k] = double(time(s.exit) + late);
            if (k > 0) {
                // Windows too close for the way between them, even at the fastest
                // pace: out of the earlier one early rather than into the later one late.
                const Visit &p = visits.at(k - 1);
                const double way = p.toRest() + length(v.approach - p.rest);
                leave[k - 1] = std::min(leave.at(k - 1),
                                        approachTime(k) - way / BorderSpeed
                                            - (1.0 - p.exitShare) * p.exitLength() / BorderSpeed);
            }
        } else if (k > 0) {
            const Visit &p = visits.at(k - 1);
            const double way = (p.toRest() + length(v.approach - p.rest)) / CruiseSpeed;
            enter[k] = outTime(k - 1) + way + RestPause
                       + v.entryShare * v.entryLength() / BorderSpeed;
            leave[k] = enter.at(k) + v.dwell();
        }
    }

    Track track;
    const QPointF home = visits.constLast().rest;
    track.add(approachTime(0) - length(visits.first().approach - home) / CruiseSpeed, home);
    for (int k = 0; k < n; ++k) {
        const Visit &v = visits.at(k);
        track.add(approachTime(k), v.approach);
        track.addPath(enter.at(k) + (1.0 - v.entryShare) * v.entryLength() / BorderSpeed,
                      leave.at(k) - v.exitShare * v.exitLength() / BorderSpeed, v.path);
        const double out = outTime(k);
        track.add(out, v.leave);
        if (k + 1 == n) {
            track.add(out + v.toRest() / CruiseSpeed, v.rest);
            break;
        }
        // To the rest point and on to the next approach, waiting at the rest
        // point if there is time; straight through at the pace needed if not.
        const double there = v.toRest();
        const double back = length(visits.at(k + 1).approach - v.rest);
        const double next = approachTime(k + 1);
        const double spare = next - out;
        if ((there + back) / CruiseSpeed <= spare) {
            track.add(out + there / CruiseSpeed, v.rest);
            track.add(next - back / CruiseSpeed, v.rest);
        } else if (there + back > 0.0) {
            track.add(out + spare * there / (there + back), v.rest);
        }
    }
    return track;
}

QPoint UnitSimulator::Itinerary::position(const Route &route, const Unit &unit,
                                          const RoundCalendar &calendar, qint64 time) const
{
    if (!scheduled) {
        double t = std::fmod(double(time) - unit.phase * roundLength, roundLength);
        if (t < 0.0)
            t += roundLength;
        return frame.toMap(round.at(t));
    }
    // A round's plan may run on past the next round's start (windows after
    // midnight); it is finished before the next one's is taken up.
    const RoundClock clock(&calendar, route.timeType, route.checkTime);
    const RoundClock::Round round = clock.at(time);
    const RoundClock::Round previous = clock.previous(round);
    if (previous != round) {
        const Track before = period(route, unit.profile, clock, previous);
        if (double(time) < before.end())
            return frame.toMap(before.at(double(time)));
    }
    return frame.toMap(period(route, unit.profile, clock, round).at(double(time)));
}

UnitSimulator::Route UnitSimulator::fromRecord(const RouteRecord &record,
                                               const QList<QList<ZoneGeometry>> &zones)
{
    Route route;
    route.id = record.id;
    route.units = record.objects;
    route.timeType = record.checkTimeType;
    route.checkOn = record.checkOn != 0;
    route.checkTime = qint64(record.checkTime);
    for (int i = 0; i < record.sections.size(); ++i) {
        Section section;
        if (const SectionRecord *s = record.sections.at(i)) {
            const qint64 in = s->checkTimeIn;
            const qint64 out = s->checkTimeOut;
            section.id = s->id;
            section.scheduled = CheckSchedule(*s).isOn();
            section.entry = Window{in - s->checkTimeInAhead, in, in + s->checkTimeInBehind};
            section.exit = Window{out - s->checkTimeOutAhead, out, out + s->checkTimeOutBehind};
        }
        section.zones = zones.value(i);
        route.sections.append(section);
    }
    return route;
}

QString UnitSimulator::profileName(Profile profile)
{
    switch (profile) {
    case Profile::OnTime:
        return QStringLiteral("on time");
    case Profile::Late:
        return QStringLiteral("late");
    case Profile::Skipping:
        return QStringLiteral("skipping");
    }
    return QString();
}

UnitSimulator::UnitSimulator(const RoundCalendar &calendar)
    : m_calendar(calendar)
{
}

UnitSimulator::~UnitSimulator() = default;

void UnitSimulator::setRoutes(const QList<Route> &routes)
{
    m_routes = routes;
    m_units.clear();
    QSet<int> assigned;
    QHash<QPair<int, bool>, std::shared_ptr<const Itinerary>> planned;
    for (bool checkedOnly : {true, false}) {
        for (int r = 0; r < m_routes.size(); ++r) {
            const Route &route = m_routes.at(r);
            if (checkedOnly && !route.checkOn)
                continue;
            for (int i = 0; i < route.units.size(); ++i) {
                const int id = route.units.at(i);
                if (assigned.contains(id))
                    continue;
                assigned.insert(id);
                Unit unit;
                unit.routeIndex = r;
                unit.profile = Profile((r + i) % 3);
                unit.phase = double(i) / route.units.size();
                // Only a checked route's windows make skipping one a different way.
                const QPair<int, bool> key(r, route.checkOn
                                                  && unit.profile == Profile::Skipping);
                if (!planned.contains(key))
                    planned.insert(key, Itinerary::plan(route, key.second));
                unit.itinerary = planned.value(key);
                if (unit.itinerary)
                    m_units.insert(id, unit);
            }
        }
    }
}

QList<int> UnitSimulator::units() const
{
    return m_units.keys();
}

UnitSimulator::Profile UnitSimulator::profile(int unitId) const
{
    return m_units.value(unitId).profile;
}

int UnitSimulator::routeOf(int unitId) const
{
    const auto found = m_units.constFind(unitId);
    return found == m_units.cend() ? 0 : m_routes.at(found->routeIndex).id;
}

QList<LiveMessages::PositionReport> UnitSimulator::positionsAt(qint64 time) const
{
    const qint64 t = std::clamp<qint64>(time, 0, std::numeric_limits<quint32>::max());
    QList<LiveMessages::PositionReport> reports;
    for (auto it = m_units.cbegin(); it != m_units.cend(); ++it) {
        LiveMessages::PositionReport report;
        report.unitId = it.key();
        report.time = quint32(t);
        report.position =
            it->itinerary->position(m_routes.at(it->routeIndex), *it, m_calendar, t);
        reports.append(report);
    }
    return reports;
}
