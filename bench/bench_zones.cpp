// Zone membership: how many points a second are placed in their zones, the
// server's prepared WGS84 zones behind their R-tree against GEOS prepared
// geometries behind its STR-tree, on the same random zones and points in one
// run. GEOS works in a plane: metres east and north of the area's middle
// (equirectangular), its circles and corridors buffers of 32 segments a
// quarter. The two place points alike but near borders, where the plane and
// the ellipsoid part by a few tenths of a percent.

#include "ZoneGeometry.h"
#include "ZoneIndex.h"

#include <geos_c.h>

#include <QElapsedTimer>
#include <QList>
#include <QRandomGenerator>
#include <QVector>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr double Lat0 = 55.75, Lon0 = 37.62;
constexpr double Span = 0.5;       // degrees of latitude and longitude the zones and points cover
constexpr int ZoneCount = 3000;
constexpr int PointCount = 200000;
constexpr double MetresPerDegree = 111320.0;

struct Shape
{
    ZoneGeometry::Kind kind;
    QList<QPointF> degrees; // longitude, latitude
    double metres = 0.0;    // a circle's radius, a corridor's width
};

QPoint wire(const QPointF &degrees)
{
    return QPoint(int(std::lround(degrees.x() * 1e7)), int(std::lround(degrees.y() * 1e7)));
}

// Circles, star-shaped polygons of 3 to 1000 vertices and corridors, a third each.
QVector<Shape> shapes(QRandomGenerator &random)
{
    QVector<Shape> out;
    const double eastScale = std::cos(Lat0 * M_PI / 180.0);
    for (int i = 0; i < ZoneCount; ++i) {
        const QPointF centre(Lon0 + random.bounded(Span) - Span / 2,
                             Lat0 + random.bounded(Span) - Span / 2);
        const auto offset = [&](double east, double north) {
            return centre + QPointF(east / (MetresPerDegree * eastScale), north / MetresPerDegree);
        };
        Shape s;
        switch (i % 3) {
        case 0:
            s.kind = ZoneGeometry::Kind::Circle;
            s.degrees = {centre};
            s.metres = 100 + random.bounded(1900.0);
            break;
        case 1: {
            s.kind = ZoneGeometry::Kind::Polygon;
            const int vertices = int(std::lround(std::exp(random.bounded(std::log(998.0))))) + 2;
            const double size = 200 + random.bounded(4800.0);
            for (int k = 0; k < vertices; ++k) {
                const double a = 2 * M_PI * k / vertices;
                const double r = size * (0.5 + 0.5 * random.generateDouble());
                s.degrees << offset(r * std::cos(a), r * std::sin(a));
            }
            break;
        }
        default: {
            s.kind = ZoneGeometry::Kind::Line;
            s.metres = 20 + random.bounded(180.0);
            double east = 0, north = 0, heading = random.bounded(2 * M_PI);
            const int vertices = 2 + int(random.bounded(48));
            for (int k = 0; k < vertices; ++k) {
                s.degrees << offset(east, north);
                heading += random.bounded(1.0) - 0.5;
                east += 300 * std::cos(heading), north += 300 * std::sin(heading);
            }
        }
        }
        out << s;
    }
    return out;
}

QPointF plane(const QPointF &degrees)
{
    return QPointF((degrees.x() - Lon0) * MetresPerDegree * std::cos(Lat0 * M_PI / 180.0),
                   (degrees.y() - Lat0) * MetresPerDegree);
}

GEOSGeometry *geosShape(GEOSContextHandle_t h, const Shape &s)
{
    GEOSCoordSequence *seq = GEOSCoordSeq_create_r(
        h, unsigned(s.degrees.size() + (s.kind == ZoneGeometry::Kind::Polygon ? 1 : 0)), 2);
    for (int k = 0; k <= s.degrees.size(); ++k) {
        if (k == s.degrees.size() && s.kind != ZoneGeometry::Kind::Polygon)
            break;
        const QPointF xy = plane(s.degrees[k % s.degrees.size()]);
        GEOSCoordSeq_setXY_r(h, seq, unsigned(k), xy.x(), xy.y());
    }
    switch (s.kind) {
    case ZoneGeometry::Kind::Polygon:
        return GEOSGeom_createPolygon_r(h, GEOSGeom_createLinearRing_r(h, seq), nullptr, 0);
    case ZoneGeometry::Kind::Circle: {
        GEOSGeometry *point = GEOSGeom_createPoint_r(h, seq);
        GEOSGeometry *circle = GEOSBuffer_r(h, point, s.metres, 32);
        GEOSGeom_destroy_r(h, point);
        return circle;
    }
    default: {
        GEOSGeometry *line = GEOSGeom_createLineString_r(h, seq);
        GEOSGeometry *corridor = GEOSBuffer_r(h, line, s.metres / 2, 32);
        GEOSGeom_destroy_r(h, line);
        return corridor;
    }
    }
}

double seconds(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e9;
}

} // namespace

int main()
{
    QRandomGenerator random(2026);
    const QVector<Shape> zones = shapes(random);
    QVector<QPointF> points;
    for (int i = 0; i < PointCount; ++i)
        points << QPointF(Lon0 + random.bounded(Span) - Span / 2,
                          Lat0 + random.bounded(Span) - Span / 2);

    // Ours.
    QElapsedTimer timer;
    timer.start();
    QVector<ZoneGeometry> prepared;
    for (const Shape &s : zones) {
        QList<QPoint> wirePoints;
        for (const QPointF &d : s.degrees)
            wirePoints << wire(d);
        prepared << ZoneGeometry(s.kind, wirePoints, int(std::lround(
                                                        s.kind == ZoneGeometry::Kind::Circle
                                                            ? 2 * s.metres
                                                            : s.metres)));
    }
    ZoneIndex index;
    index.build(prepared);
    const double ourPrepare = seconds(timer);
    timer.restart();
    std::vector<int> ours(size_t(points.size()), 0);
    QVector<int> candidates;
    for (int i = 0; i < points.size(); ++i) {
        const GeoPoint at = GeoPoint::fromWire(wire(points[i]));
        index.candidates(at, &candidates);
        for (int z : qAsConst(candidates))
            ours[size_t(i)] += prepared[z].contains(at) ? 1 : 0;
    }
    const double ourTime = seconds(timer);

    // GEOS.
    GEOSContextHandle_t h = GEOS_init_r();
    timer.restart();
    std::vector<GEOSGeometry *> geometries;
    std::vector<const GEOSPreparedGeometry *> geosPrepared;
    GEOSSTRtree *tree = GEOSSTRtree_create_r(h, 16);
    for (const Shape &s : zones) {
        geometries.push_back(geosShape(h, s));
        geosPrepared.push_back(GEOSPrepare_r(h, geometries.back()));
        GEOSSTRtree_insert_r(h, tree, geometries.back(),
                             const_cast<GEOSPreparedGeometry *>(geosPrepared.back()));
    }
    const double geosPrepare = seconds(timer);
    timer.restart();
    std::vector<int> theirs(size_t(points.size()), 0);
    struct Query
    {
        GEOSContextHandle_t h;
        const GEOSGeometry *point;
        int hits;
    };
    for (int i = 0; i < points.size(); ++i) {
        const QPointF xy = plane(points[i]);
        GEOSGeometry *point = GEOSGeom_createPointFromXY_r(h, xy.x(), xy.y());
        Query q{h, point, 0};
        GEOSSTRtree_query_r(
            h, tree, point,
            [](void *item, void *data) {
                auto *query = static_cast<Query *>(data);
                query->hits += GEOSPreparedContains_r(
                                   query->h, static_cast<const GEOSPreparedGeometry *>(item),
                                   query->point) == 1;
            },
            &q);
        theirs[size_t(i)] = q.hits;
        GEOSGeom_destroy_r(h, point);
    }
    const double geosTime = seconds(timer);
    qint64 ourHits = 0, theirHits = 0;
    for (size_t i = 0; i < ours.size(); ++i)
        ourHits += ours[i], theirHits += theirs[i];
    GEOSSTRtree_destroy_r(h, tree);
    for (size_t i = 0; i < geometries.size(); ++i) {
        GEOSPreparedGeom_destroy_r(h, geosPrepared[i]);
        GEOSGeom_destroy_r(h, geometries[i]);
    }
    GEOS_finish_r(h);

    std::printf("zone membership: %d zones (circles, polygons of 3-1000 vertices, corridors), "
                "%d points\n",
                ZoneCount, PointCount);
    std::printf("%-36s %14s %14s %9s\n", "case", "server", "GEOS", "ratio");
    std::printf("%-36s %12.0f/s %12.0f/s %8.2fx\n", "points placed in their zones",
                PointCount / ourTime, PointCount / geosTime, geosTime / ourTime);
    std::printf("%-36s %12.1f ms %12.1f ms %8.2fx\n", "zones prepared and indexed",
                ourPrepare * 1000, geosPrepare * 1000, ourPrepare / geosPrepare);
    std::printf("points in zones: server %lld, GEOS %lld (%.2f %% apart)\n", ourHits, theirHits,
                100.0 * std::abs(double(ourHits - theirHits)) / double(theirHits));
    return 0;
}
