#include "ZoneGeometry.h"

#include "geo/EarthModel.h"

#include "records/GraphObData.h"

#include <QPointF>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The sphere the plug-in draws on, so widths agree with the map.
constexpr double EarthRadius = EarthModel::DrawingSphere::Radius;
constexpr double UnitToMetre = EarthModel::UnitToRadian * EarthRadius;
constexpr double Infinity = std::numeric_limits<double>::infinity();

// Points in metres east and north of origin; the east scale is the cosine of
// origin's latitude, which is one frame for the whole shape.
QVector<QPointF> toLocal(const QPoint &origin, const QList<QPoint> &points)
{
    const double eastScale = std::cos(origin.y() * UnitToMetre / EarthRadius) * UnitToMetre;
    QVector<QPointF> local;
    local.reserve(points.size());
    for (const QPoint &p : points)
        local.append(QPointF((double(p.x()) - origin.x()) * eastScale,
                             (double(p.y()) - origin.y()) * UnitToMetre));
    return local;
}

double length(const QPointF &p)
{
    return std::hypot(p.x(), p.y());
}

// Distance from the origin to the segment a-b.
double distanceToSegment(const QPointF &a, const QPointF &b)
{
    const QPointF d = b - a;
    const double squared = d.x() * d.x() + d.y() * d.y();
    if (!(squared > 0.0))
        return length(a);
    const double t = std::clamp(-(a.x() * d.x() + a.y() * d.y()) / squared, 0.0, 1.0);
    return length(a + d * t);
}

double distanceToPolyline(const QVector<QPointF> &v, bool closed)
{
    if (v.isEmpty())
        return Infinity;
    double best = length(v.first());
    for (int i = 0; i + 1 < v.size(); ++i)
        best = std::min(best, distanceToSegment(v[i], v[i + 1]));
    if (closed)
        best = std::min(best, distanceToSegment(v.last(), v.first()));
    return best;
}

// Ray casting along the positive east axis from the origin.
bool originInside(const QVector<QPointF> &v)
{
    bool inside = false;
    for (int i = 0, j = v.size() - 1; i < v.size(); j = i++) {
        const QPointF &a = v[i];
        const QPointF &b = v[j];
        if ((a.y() > 0.0) != (b.y() > 0.0)) {
            const double x = a.x() + (0.0 - a.y()) * (b.x() - a.x()) / (b.y() - a.y());
            if (x > 0.0)
                inside = !inside;
        }
    }
    return inside;
}

} // namespace

ZoneGeometry::ZoneGeometry(Kind kind, const QList<QPoint> &points, int size)
    : m_kind(kind), m_points(points), m_size(size)
{
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

double ZoneGeometry::signedDistance(const QPoint &position) const
{
    const QVector<QPointF> v = toLocal(position, m_points);
    switch (m_kind) {
    case Kind::Icon:
        return v.isEmpty() ? Infinity : length(v.first()) - IconRadius;
    case Kind::Circle:
        return v.isEmpty() ? Infinity : length(v.first()) - std::max(m_size, 0) / 2.0;
    case Kind::Line:
        return distanceToPolyline(v, false) - std::max(m_size, 0) / 2.0;
    case Kind::Polygon: {
        if (v.size() < 3)
            return Infinity;
        const double d = distanceToPolyline(v, true);
        return originInside(v) ? -d : d;
    }
    case Kind::None:
        break;
    }
    return Infinity;
}

double signedDistance(const QList<ZoneGeometry> &zones, const QPoint &position)
{
    double best = Infinity;
    for (const ZoneGeometry &zone : zones)
        best = std::min(best, zone.signedDistance(position));
    return best;
}
