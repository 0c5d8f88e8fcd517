// The corridor of a long recorded track, as the plug-in draws a line: built
// against copying the track's points, and how the time grows with the length.
#include "BenchCases.h"

#include "geo/Corridor.h"
#include "geo/MapGeometry.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// A GPS-like track: 5 to 15 m steps, a heading that wanders, now and then a
// turn at a junction and more rarely a hairpin (a missed exit, a U-turn).
QList<QPoint> track(int count)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    QList<QPoint> line;
    line.reserve(count);
    QPointF at(300000000.0, 550000000.0); // 30 E, 55 N
    double heading = 0.0;
    for (int i = 0; i < count; ++i) {
        line.append(at.toPoint());
        const double turn = unit(random);
        heading += (unit(random) - 0.5) * 0.2
            + (turn < 0.002 ? MapGeometry::Pi : turn < 0.01 ? MapGeometry::Pi / 2 : 0.0);
        const double metres = 5.0 + 10.0 * unit(random);
        const double unitsPerMetre = 1.0 / (MapGeometry::UnitToRadian * MapGeometry::EarthRadius);
        at += QPointF(std::cos(heading) / std::cos(at.y() * MapGeometry::UnitToRadian),
                      std::sin(heading))
            * metres * unitsPerMetre;
    }
    return line;
}

// Where results go, so that no work is left out as unused.
volatile int sink = 0;

// The fastest of a few runs, in milliseconds.
template <typename Work>
double fastest(Work work)
{
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        work();
        best = std::min(best, clock.nsecsElapsed() / 1e6);
    }
    return best;
}

void report(const QString &name, double now, double baseline)
{
    std::printf("%-44s %10.1f ms %10.1f ms %8.1fx\n", qPrintable(name), now, baseline,
                baseline > 0 ? now / baseline : 0.0);
    std::fflush(stdout);
}

} // namespace

void benchCorridor()
{
    std::printf("%-44s %13s %13s %9s\n", "case", "corridor", "baseline", "ratio");
    double built[2] = {};
    const int counts[2] = {10000, 100000};
    for (int i = 0; i < 2; ++i) {
        const QList<QPoint> line = track(counts[i]);
        built[i] = fastest([&] { sink = MapGeometry::BuildCorridor(line, 50).size(); });
        const double copied = fastest([&] {
            const std::vector<QPoint> copy(line.begin(), line.end());
            sink = int(copy.size());
        });
        report(QStringLiteral("Corridor of a %1k-vertex track, 50 m wide").arg(counts[i] / 1000),
               built[i], copied);
    }
    report(QStringLiteral("Corridor growth, 100k against 10k vertices"), built[1], built[0]);
}
