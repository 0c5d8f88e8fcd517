#include "ZoneGeometry.h"

#include "geo/EarthModel.h"
#include "geo/MapGeometry.h"

#include "records/GraphObData.h"

#include <GeographicLib/Geocentric.hpp>
#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>

#include <QPointF>
#include <QRectF>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using EarthModel::Wgs84::EquatorialRadius;
using EarthModel::Wgs84::Flattening;

constexpr double Infinity = std::numeric_limits<double>::infinity();
// How far a geodesic may bow from the straight line between its cut points.
constexpr double MaxBow = 0.01;
// Segments beyond which a shape is looked up through a grid of its edges.
constexpr int IndexedFrom = 16;

double squaredLength(const QPointF &p)
{
    return p.x() * p.x() + p.y() * p.y();
}

double length(const QPointF &p)
{
    return std::sqrt(squaredLength(p));
}

double squaredDistanceToSegment(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF d = b - a;
    const QPointF pa = p - a;
    const double squared = squaredLength(d);
    if (!(squared > 0.0))
        return squaredLength(pa);
    const double t = std::clamp((pa.x() * d.x() + pa.y() * d.y()) / squared, 0.0, 1.0);
    return squaredLength(pa - d * t);
}

double distanceToSegment(const QPointF &p, const QPointF &a, const QPointF &b)
{
    return std::sqrt(squaredDistanceToSegment(p, a, b));
}

// Whether the ray east from p crosses the segment a-b.
bool crosses(const QPointF &p, const QPointF &a, const QPointF &b)
{
    return (a.y() > p.y()) != (b.y() > p.y())
           && a.x() + (p.y() - a.y()) * (b.x() - a.x()) / (b.y() - a.y()) > p.x();
}

// The segments of a path, found by cell: bands for casting a ray east, and
// cells for the nearest segment.
class EdgeGrid
{
public:
    void build(const QVector<QPointF> &path, int segments)
    {
        m_min = m_max = path.first();
        for (const QPointF &p : path) {
            m_min = QPointF(std::min(m_min.x(), p.x()), std::min(m_min.y(), p.y()));
            m_max = QPointF(std::max(m_max.x(), p.x()), std::max(m_max.y(), p.y()));
        }
        m_side = std::max(1, int(std::sqrt(double(segments))));
        m_cell = QPointF(std::max((m_max.x() - m_min.x()) / m_side, 1e-6),
                         std::max((m_max.y() - m_min.y()) / m_side, 1e-6));
        m_cells.assign(size_t(m_side * m_side), {});
        // Bands for the ray are finer than the cells: a few segments each.
        m_bands = std::clamp(segments / 2, m_side, 4096);
        m_band = std::max((m_max.y() - m_min.y()) / m_bands, 1e-6);
        m_rows.assign(size_t(m_bands), {});
        for (int s = 0; s < segments; ++s) {
            const QPointF &a = path.at(s);
            const QPointF &b = path.at((s + 1) % path.size());
            const int x0 = column(std::min(a.x(), b.x())), x1 = column(std::max(a.x(), b.x()));
            const int y0 = row(std::min(a.y(), b.y())), y1 = row(std::max(a.y(), b.y()));
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x)
                    m_cells[size_t(y * m_side + x)].push_back(s);
            }
            const int b0 = band(std::min(a.y(), b.y())), b1 = band(std::max(a.y(), b.y()));
            for (int k = b0; k <= b1; ++k)
                m_rows[size_t(k)].push_back(s);
        }
    }
    bool isEmpty() const { return m_cells.empty(); }

    // Segments that may cross the line east from p.
    const std::vector<int> &rowOf(const QPointF &p) const
    {
        return m_rows[size_t(band(p.y()))];
    }

    // Whether some segment passes within reach of p, by the cells around it.
    template <typename SquaredDistance>
    bool anyWithin(const QPointF &p, double reach, const SquaredDistance &squared) const
    {
        const int x0 = column(p.x() - reach), x1 = column(p.x() + reach);
        const int y0 = row(p.y() - reach), y1 = row(p.y() + reach);
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                for (int s : m_cells[size_t(y * m_side + x)]) {
                    if (squared(s) <= reach * reach)
                        return true;
                }
            }
        }
        return false;
    }

    // The nearest segment's distance, looking further out only while
    // something nearer may lie there.
    template <typename Distance>
    double nearest(const QPointF &p, const Distance &distance) const
    {
        double best = Infinity;
        const int cx = column(p.x()), cy = row(p.y());
        // How far from p the cells reached so far extend, at the least.
        const double outsideX = std::max({m_min.x() - p.x(), p.x() - m_max.x(), 0.0});
        const double outsideY = std::max({m_min.y() - p.y(), p.y() - m_max.y(), 0.0});
        for (int ring = 0; ring <= m_side; ++ring) {
            for (int y = std::max(cy - ring, 0); y <= std::min(cy + ring, m_side - 1); ++y) {
                for (int x = std::max(cx - ring, 0); x <= std::min(cx + ring, m_side - 1); ++x) {
                    if (std::max(std::abs(x - cx), std::abs(y - cy)) != ring)
                        continue;
                    for (int s : m_cells[size_t(y * m_side + x)])
                        best = std::min(best, distance(s));
                }
            }
            const double covered =
                std::min(ring * m_cell.x() + outsideX, ring * m_cell.y() + outsideY);
            if (best <= covered)
                break;
        }
        return best;
    }

private:
    int column(double x) const
    {
        return std::clamp(int((x - m_min.x()) / m_cell.x()), 0, m_side - 1);
    }
    int row(double y) const
    {
        return std::clamp(int((y - m_min.y()) / m_cell.y()), 0, m_side - 1);
    }
    int band(double y) const
    {
        return std::clamp(int((y - m_min.y()) / m_band), 0, m_bands - 1);
    }

    QPointF m_min, m_max, m_cell;
    int m_side = 1;
    int m_bands = 1;
    double m_band = 1.0;
    std::vector<std::vector<int>> m_cells;
    std::vector<std::vector<int>> m_rows;
};

GeoPoint centreOf(const QList<QPoint> &points)
{
    static const GeographicLib::Geocentric earth(EquatorialRadius, Flattening);
    double sum[3] = {0.0, 0.0, 0.0};
    for (const QPoint &p : points) {
        const GeoPoint g = GeoPoint::fromWire(p);
        for (int k = 0; k < 3; ++k)
            sum[k] += g.xyz[size_t(k)];
    }
    double lat = 0.0, lon = 0.0, height = 0.0;
    earth.Reverse(sum[0] / points.size(), sum[1] / points.size(), sum[2] / points.size(), lat,
                  lon, height);
    return GeoPoint::fromDegrees(lat, lon);
}

} // namespace

struct ZoneGeometry::Prepared
{
    Prepared(const GeoPoint &centre, double extent)
        : extent(extent), frame(centre, extent * 1.25 + 200.0)
    {
    }

    double extent;  // metres from the centre that hold the whole area
    GeoFrame frame;
    double radius = 0.0;    // a circle's or an icon's
    double halfWidth = 0.0; // a line's
    bool closed = false;    // a polygon's ring
    QVector<QPointF> path;  // cut along the geodesics, in the frame
    QRectF bounds;          // of the path
    EdgeGrid grid;          // for paths of many segments

    void finish()
    {
        double left = path.first().x(), right = left, top = path.first().y(), bottom = top;
        for (const QPointF &p : qAsConst(path)) {
            left = std::min(left, p.x()), right = std::max(right, p.x());
            top = std::min(top, p.y()), bottom = std::max(bottom, p.y());
        }
        bounds = QRectF(QPointF(left, top), QPointF(right, bottom));
        if (segments() >= IndexedFrom)
            grid.build(path, segments());
    }
    // Within margin of the path's bounds.
    bool near(const QPointF &p, double margin) const
    {
        return p.x() >= bounds.left() - margin && p.x() <= bounds.right() + margin
               && p.y() >= bounds.top() - margin && p.y() <= bounds.bottom() + margin;
    }

    int segments() const { return closed ? path.size() : path.size() - 1; }

    // Appends the geodesic from a to b, cut where it bows more than MaxBow.
    void addGeodesic(const QPoint &a, const QPoint &b)
    {
        const GeographicLib::GeodesicLine line =
            wgs84Geodesic().InverseLine(a.y() / 1e7, a.x() / 1e7, b.y() / 1e7, b.x() / 1e7);
        const double span = line.Distance();
        // A geodesic's curve in the frame grows with its distance from the centre.
        const double curvature = frame.reach() / (EquatorialRadius * EquatorialRadius);
        const double step = std::min(5000.0, std::sqrt(8.0 * MaxBow / curvature));
        const int pieces = std::max(1, int(std::ceil(span / step)));
        for (int k = 0; k < pieces; ++k) {
            double lat = 0.0, lon = 0.0;
            line.Position(span * k / pieces, lat, lon);
            path.append(frame.projectExactly(GeoPoint::fromDegrees(lat, lon)));
        }
    }

    // Whether some segment passes within reach of p.
    bool pathWithin(const QPointF &p, double reach) const
    {
        const double squared = reach * reach;
        if (!near(p, reach))
            return false;
        if (!grid.isEmpty()) {
            return grid.anyWithin(p, reach, [this, &p](int s) {
                return squaredDistanceToSegment(p, path.at(s), path.at((s + 1) % path.size()));
            });
        }
        if (path.size() == 1)
            return squaredLength(p - path.first()) <= squared;
        for (int s = 0; s < segments(); ++s) {
            if (squaredDistanceToSegment(p, path.at(s), path.at((s + 1) % path.size()))
                <= squared)
                return true;
        }
        return false;
    }

    double distanceToPath(const QPointF &p) const
    {
        const auto segment = [this, &p](int s) {
            return distanceToSegment(p, path.at(s), path.at((s + 1) % path.size()));
        };
        if (!grid.isEmpty())
            return grid.nearest(p, segment);
        double best = path.size() == 1 ? length(p - path.first()) : Infinity;
        for (int s = 0; s < segments(); ++s)
            best = std::min(best, segment(s));
        return best;
    }

    // Casting a ray east from p over the ring.
    bool inside(const QPointF &p) const
    {
        bool in = false;
        if (!grid.isEmpty()) {
            const int last = path.size() - 1;
            for (int s : grid.rowOf(p))
                in ^= crosses(p, path.at(s), path.at(s == last ? 0 : s + 1));
        } else {
            for (int i = 0, j = path.size() - 1; i < path.size(); j = i++)
                in ^= crosses(p, path.at(j), path.at(i));
        }
        return in;
    }
};

ZoneGeometry::ZoneGeometry(Kind kind, const QList<QPoint> &points, int size)
    : m_kind(kind), m_points(points)
{
    if (points.isEmpty() || !std::all_of(points.cbegin(), points.cend(), MapGeometry::onGlobe))
        return;
    const double half = std::max(size, 0) / 2.0;
    std::shared_ptr<Prepared> prepared;
    switch (kind) {
    case Kind::Icon:
    case Kind::Circle: {
        const double radius = kind == Kind::Icon ? IconRadius : half;
        prepared = std::make_shared<Prepared>(GeoPoint::fromWire(points.first()), radius);
        prepared->radius = radius;
        break;
    }
    case Kind::Line:
    case Kind::Polygon: {
        if (kind == Kind::Polygon && points.size() < 3)
            return;
        const GeoPoint centre = centreOf(points);
        double far = 0.0;
        for (const QPoint &p : points) {
            double s12 = 0.0;
            wgs84Geodesic().Inverse(centre.latitude, centre.longitude, p.y() / 1e7, p.x() / 1e7, s12);
            far = std::max(far, s12);
        }
        const bool closed = kind == Kind::Polygon;
        // Geodesic edges bulge a little past their ends far from the centre.
        prepared = std::make_shared<Prepared>(centre, far * 1.01 + 1.0 + (closed ? 0.0 : half));
        prepared->closed = closed;
        prepared->halfWidth = closed ? 0.0 : half;
        for (int i = 0; i + 1 < points.size(); ++i)
            prepared->addGeodesic(points.at(i), points.at(i + 1));
        if (closed)
            prepared->addGeodesic(points.constLast(), points.constFirst());
        else
            prepared->path.append(prepared->frame.projectExactly(
                GeoPoint::fromWire(points.constLast())));
        prepared->finish();
        break;
    }
    case Kind::None:
        return;
    }
    m_prepared = std::move(prepared);
}

ZoneGeometry ZoneGeometry::fromObject(const GraphObData &object)
{
    switch (object.type) {
    case int(Kind::Icon):
        return ZoneGeometry(Kind::Icon, object.points);
    case int(Kind::Line):
        return ZoneGeometry(Kind::Line, object.points,
                            object.properties.value(QStringLiteral("Width")).toInt());
    case int(Kind::Polygon):
        return ZoneGeometry(Kind::Polygon, object.points);
    case int(Kind::Circle):
        return ZoneGeometry(Kind::Circle, object.points,
                            object.properties.value(QStringLiteral("Diameter")).toInt());
    default:
        return ZoneGeometry();
    }
}

bool ZoneGeometry::extent(GeoPoint *centre, double *metres) const
{
    if (!m_prepared)
        return false;
    *centre = m_prepared->frame.centre();
    *metres = m_prepared->extent;
    return true;
}

double ZoneGeometry::signedDistance(const QPoint &position) const
{
    return signedDistance(GeoPoint::fromWire(position));
}

double ZoneGeometry::signedDistance(const GeoPoint &position) const
{
    if (!m_prepared)
        return Infinity;
    const Prepared &z = *m_prepared;
    // Far away: the straight line through the earth is shorter than any way
    // round it, so what it leaves past the extent is a distance at the least.
    const double chord = position.chordTo(z.frame.centre());
    if (chord > z.frame.reach())
        return chord - z.extent;
    const QPointF p = z.frame.project(position);
    switch (m_kind) {
    case Kind::Icon:
    case Kind::Circle:
        return length(p) - z.radius;
    case Kind::Line:
        return z.distanceToPath(p) - z.halfWidth;
    case Kind::Polygon: {
        const double d = z.distanceToPath(p);
        return z.inside(p) ? -d : d;
    }
    case Kind::None:
        break;
    }
    return Infinity;
}

bool ZoneGeometry::contains(const GeoPoint &position) const
{
    if (!m_prepared)
        return false;
    const Prepared &z = *m_prepared;
    if (position.squaredChordTo(z.frame.centre()) > z.extent * z.extent)
        return false;
    const QPointF p = z.frame.project(position);
    switch (m_kind) {
    case Kind::Icon:
    case Kind::Circle:
        return squaredLength(p) <= z.radius * z.radius;
    case Kind::Line:
        return z.pathWithin(p, z.halfWidth);
    case Kind::Polygon:
        return z.near(p, 0.0) && z.inside(p);
    case Kind::None:
        break;
    }
    return false;
}

double signedDistance(const QList<ZoneGeometry> &zones, const QPoint &position)
{
    return zones.isEmpty() ? Infinity : signedDistance(zones, GeoPoint::fromWire(position));
}

double signedDistance(const QList<ZoneGeometry> &zones, const GeoPoint &position)
{
    double best = Infinity;
    for (const ZoneGeometry &zone : zones)
        best = std::min(best, zone.signedDistance(position));
    return best;
}
