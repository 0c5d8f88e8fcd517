#include "geo/MapGeometry.h"

#include <QLineF>

#include <cmath>
#include <limits>

namespace MapGeometry {

namespace {

constexpr double K = UnitToRadian;
constexpr double R = EarthRadius;

int clampToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(value);
}

// h times the unit vector to the right of the direction d; none for a
// segment without length.
QPointF rightOffset(const QPointF &d, double h)
{
    const double length = std::hypot(d.x(), d.y());
    if (!(length > 0.0) || !std::isfinite(length))
        return QPointF();
    return QPointF(d.y() / length * h, -d.x() / length * h);
}

QLineF offsetSegment(const QPointF &a, const QPointF &b, double h)
{
    const QPointF u = rightOffset(b - a, h);
    return QLineF(a + u, b + u);
}

// One side of the corridor along the vertices in the given order (at least
// three): start of the first offset, the mitre points, end of the last offset.
void appendSide(QList<QPoint> &outline, const QList<QPoint> &v, double h)
{
    const int n = v.size();
    AppendTrimmed(outline, rightOffset(toMetric(v[0], v[1]), h), v[0]);
    for (int i = 0; i + 2 < n; ++i) {
        const QPoint &origin = v[i];
        const QPointF b = toMetric(origin, v[i + 1]);
        const QPointF c = toMetric(origin, v[i + 2]);
        QPointF join;
        if (offsetSegment(QPointF(), b, h).intersects(offsetSegment(b, c, h), &join)
            != QLineF::NoIntersection)
            AppendTrimmed(outline, join, origin);
    }
    const QPoint &origin = v[n - 3];
    const QLineF last = offsetSegment(toMetric(origin, v[n - 2]), toMetric(origin, v[n - 1]), h);
    AppendTrimmed(outline, last.p2(), origin);
}

} // namespace

int truncToInt(double value)
{
    return clampToInt(std::trunc(value));
}

int roundToInt(double value)
{
    return clampToInt(std::floor(value + 0.5));
}

QPoint shifted(const QPoint &a, const QPoint &b)
{
    return QPoint(clampToInt(double(a.x()) + b.x()), clampToInt(double(a.y()) + b.y()));
}

QPointF toMetric(const QPoint &origin, const QPoint &point)
{
    const double east = std::cos(point.y() * K) * (double(point.x()) - origin.x()) * K * R;
    const double north = (double(point.y()) - origin.y()) * K * R;
    return QPointF(east, north);
}

QPoint fromMetric(const QPoint &origin, const QPointF &metric)
{
    const double lat = (origin.y() * K * R + metric.y()) / R;
    const double y = lat / K;
    const double x = metric.x() / (std::cos(lat) * R) / K + origin.x();
    return QPoint(roundToInt(x), roundToInt(y));
}

QList<QPoint> circlePoints(int x, int y, int diameter)
{
    QList<QPoint> points;
    points.reserve(CirclePointCount);
    const double ym = y * K * R;
    const int r = diameter / 2;
    for (int i = 0; i < CirclePointCount - 1; ++i) {
        const double a = i * CircleStep;
        const double lat = (r * std::sin(a) + ym) / R;
        points.append(QPoint(clampToInt(x + std::trunc((r * std::cos(a) / R) / std::cos(lat) / K)),
                             truncToInt(lat / K)));
    }
    points.append(points.first());
    return points;
}

QList<QPoint> BuildCorridor(const QList<QPoint> &vertices, int width)
{
    QList<QPoint> outline;
    const int n = vertices.size();
    if (n < 2)
        return outline;
    const double h = width / 2.0;
    if (n == 2) {
        const QPoint &origin = vertices[0];
        const QPointF b = toMetric(origin, vertices[1]);
        const QPointF u = rightOffset(b, h);
        AppendTrimmed(outline, u, origin);
        AppendTrimmed(outline, b + u, origin);
        AppendTrimmed(outline, b - u, origin);
        AppendTrimmed(outline, -u, origin);
    } else {
        appendSide(outline, vertices, h);
        QList<QPoint> back;
        back.reserve(n);
        for (int i = n - 1; i >= 0; --i)
            back.append(vertices[i]);
        appendSide(outline, back, h);
    }
    if (outline.first() != outline.last())
        outline.append(outline.first());
    return outline;
}

void AppendTrimmed(QList<QPoint> &outline, const QPointF &point, const QPoint &origin)
{
    QPointF p = point;
    for (;;) {
        bool cut = false;
        const int m = outline.size();
        if (m >= 3) {
            const QLineF e(p, toMetric(origin, outline.last()));
            // The newest edge ends where e ends, so it is left out.
            for (int k = m - 2; k >= 1 && !cut; --k) {
                const QLineF edge(toMetric(origin, outline.at(k - 1)),
                                  toMetric(origin, outline.at(k)));
                QPointF crossing;
                if (e.intersects(edge, &crossing) == QLineF::BoundedIntersection) {
                    outline.erase(outline.begin() + k, outline.end());
                    p = crossing;
                    cut = true;
                }
            }
        }
        if (!cut) {
            outline.append(fromMetric(origin, p));
            return;
        }
    }
}

QColor TintColor(const QColor &color, DrawMode mode)
{
    const int r = color.red();
    const int g = color.green();
    const int b = color.blue();
    const int a = color.alpha();
    switch (mode) {
    case DrawMode::Violated:
        return QColor(r | 192, g & 31, b & 31, a | 127);
    case DrawMode::Passed:
        return QColor(r & 31, g | 192, b & 31, a | 127);
    default:
        return color;
    }
}

} // namespace MapGeometry
