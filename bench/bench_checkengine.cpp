// How many position reports a second the checking engine takes, against the
// cost of merely decoding the same "Push_positions" bodies, in one run.
//
// 500 routes of 5 sections (a 40 m corridor each, 400 m long, end to end
// along a street of their own), two units per route, 1,000 units in all.
// Every round each unit reports once as it drives along its street; one
// round is one pushed body. A second pass delivers every tenth report a
// round late, as GPS feeds do.

#include "CheckEngine.h"
#include "wire/LiveMessages.h"
#include "ZoneGeometry.h"

#include "geo/MapGeometry.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int Routes = 500;
constexpr int SectionsPerRoute = 5;
constexpr int UnitsPerRoute = 2;
constexpr int Rounds = 60;
constexpr double SectionMetres = 400.0;
constexpr qint64 CheckOn = 1780000000;
constexpr int ReportEvery = 10; // seconds

const QPoint Base(376000000, 556000000);
constexpr double MetresPerUnit = MapGeometry::UnitToRadian * MapGeometry::EarthRadius;

QPoint at(double east, double north)
{
    const double eastScale = std::cos(Base.y() * MapGeometry::UnitToRadian) * MetresPerUnit;
    return QPoint(Base.x() + int(std::lround(east / eastScale)),
                  Base.y() + int(std::lround(north / MetresPerUnit)));
}

// Route r runs east along the street 300 m north of route r - 1's.
double streetNorth(int route)
{
    return 300.0 * route;
}

void addRoutes(CheckEngine &engine)
{
    for (int r = 0; r < Routes; ++r) {
        RouteRecord route(r + 1);
        route.checkTimeType = 0;
        route.checkOn = 1;
        for (int u = 0; u < UnitsPerRoute; ++u)
            route.objects << r * UnitsPerRoute + u + 1;
        QList<QList<ZoneGeometry>> zones;
        for (int s = 0; s < SectionsPerRoute; ++s) {
            auto *section = new SectionRecord;
            section->id = s + 1;
            section->checkTimeIn = s * 20; // the units drive a section in 20 s
            section->checkTimeOut = s * 20 + 20;
            section->checkTimeInAhead = section->checkTimeOutAhead = 60;
            section->checkTimeInBehind = section->checkTimeOutBehind = 120;
            route.sections.append(section);
            const QList<QPoint> line{at(s * SectionMetres, streetNorth(r)),
                                     at((s + 1) * SectionMetres, streetNorth(r))};
            zones.append({ZoneGeometry(ZoneGeometry::Kind::Line, line, 40)});
        }
        engine.setRoute(r + 1, route, CheckOn, zones);
    }
}

// One body per round; with lateEvery > 0, every lateEvery-th report of a
// round comes in the next round's body instead.
QList<QByteArray> makeBodies(int lateEvery)
{
    QList<QByteArray> bodies;
    QList<LiveMessages::PositionReport> held;
    for (int round = 0; round < Rounds; ++round) {
        QList<LiveMessages::PositionReport> reports = held;
        held.clear();
        for (int r = 0; r < Routes; ++r) {
            for (int u = 0; u < UnitsPerRoute; ++u) {
                // 20 m/s along the street; the second unit drives 15 m off its middle.
                const double east = 20.0 * ReportEvery * round - 50.0 * u;
                LiveMessages::PositionReport report;
                report.unitId = r * UnitsPerRoute + u + 1;
                report.time = quint32(CheckOn + qint64(round) * ReportEvery);
                report.position = at(east, streetNorth(r) + 15.0 * u);
                const int index = r * UnitsPerRoute + u;
                if (lateEvery > 0 && index % lateEvery == round % lateEvery)
                    held.append(report);
                else
                    reports.append(report);
            }
        }
        bodies.append(LiveMessages::positionsBody(reports));
    }
    if (!held.isEmpty())
        bodies.append(LiveMessages::positionsBody(held));
    return bodies;
}

qint64 decodeOnly(const QList<QByteArray> &bodies, qint64 *reportCount)
{
    QElapsedTimer timer;
    timer.start();
    qint64 count = 0;
    for (const QByteArray &body : bodies) {
        const auto reports = LiveMessages::readPositions(body);
        count += reports ? reports->size() : 0;
    }
    *reportCount = count;
    return timer.nsecsElapsed();
}

qint64 decodeAndCheck(const QList<QByteArray> &bodies, int *passed)
{
    CheckEngine engine;
    addRoutes(engine);
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray &body : bodies) {
        const QList<LiveMessages::PositionReport> reports =
            LiveMessages::readPositions(body).value_or(QList<LiveMessages::PositionReport>());
        for (const LiveMessages::PositionReport &r : reports)
            engine.report(r.unitId, r.time, r.position);
        if (!reports.isEmpty())
            engine.advanceTo(reports.constLast().time);
        engine.takeChangedRoutes();
        engine.takeChangedOutcomes();
    }
    const qint64 elapsed = timer.nsecsElapsed();
    *passed = 0;
    for (int r = 1; r <= Routes; ++r) {
        const QList<QPair<int, int>> states = engine.states(r);
        *passed += int(std::count_if(states.begin(), states.end(), [](const QPair<int, int> &s) {
            return s.second == CheckEngine::Passed;
        }));
    }
    return elapsed;
}

// The best of a few runs: the least disturbed by the rest of the machine.
template <typename Run>
qint64 best(int runs, Run run)
{
    qint64 fastest = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i)
        fastest = std::min(fastest, run());
    return fastest;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    out << "checking engine: " << Routes << " routes x " << SectionsPerRoute << " sections, "
        << Routes * UnitsPerRoute << " units, " << Rounds << " rounds\n";
    out << qSetFieldWidth(28) << Qt::left << "feed" << qSetFieldWidth(0) << "reports"
        << "  decode only/s   decode+check/s   check/decode time   sections passed\n";
    for (int lateEvery : {0, 10}) {
        const QList<QByteArray> bodies = makeBodies(lateEvery);
        qint64 reports = 0;
        const qint64 decodeNs = best(5, [&] { return decodeOnly(bodies, &reports); });
        int passed = 0;
        const qint64 checkNs = best(3, [&] { return decodeAndCheck(bodies, &passed); });
        const double perSecondDecode = reports * 1e9 / double(decodeNs);
        const double perSecondCheck = reports * 1e9 / double(checkNs);
        out << qSetFieldWidth(28) << Qt::left
            << (lateEvery ? QStringLiteral("every 10th a round late") : QStringLiteral("in order"))
            << qSetFieldWidth(0) << reports << "  " << qSetFieldWidth(14) << Qt::right
            << QString::number(perSecondDecode, 'f', 0) << qSetFieldWidth(17)
            << QString::number(perSecondCheck, 'f', 0) << qSetFieldWidth(19)
            << QStringLiteral("%1x").arg(double(checkNs) / double(decodeNs), 0, 'f', 1)
            << qSetFieldWidth(18) << passed << qSetFieldWidth(0) << Qt::left << '\n';
    }
    return 0;
}
