#include "geo/MapGeometry.h"

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
    return toMetric(origin, point, std::cos(point.y() * K));
}

QPointF toMetric(const QPoint &origin, const QPoint &point, double cosLatitude)
{
    const double east = cosLatitude * (double(point.x()) - origin.x()) * K * R;
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
