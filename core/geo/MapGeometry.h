#ifndef MAPGEOMETRY_H
#define MAPGEOMETRY_H

#include <QColor>
#include <QList>
#include <QPoint>
#include <QPointF>

#include "geo/EarthModel.h"
#include "records/RecordKinds.h"

// Geometry of map coordinates: x longitude and y latitude in 1e-7 degree,
// lengths in whole metres, on the drawing sphere. All functions are pure.
// Results that leave the int range are clamped to it and a NaN becomes 0, so
// bad data gives odd shapes but never undefined numbers.
namespace MapGeometry {

constexpr double Pi = EarthModel::Pi;
constexpr double EarthRadius = EarthModel::DrawingSphere::Radius;
constexpr double UnitToRadian = EarthModel::UnitToRadian;
constexpr double CircleStep = Pi / 8.0;
constexpr int CirclePointCount = 17; // 16 around and the first again

// Whether p lies on Earth: latitude within ±90°, longitude within ±180°.
inline bool onGlobe(const QPoint &p)
{
    return qAbs(qint64(p.y())) <= 900000000 && qAbs(qint64(p.x())) <= 1800000000;
}

// Fraction cut off toward zero; clamped to int, NaN gives 0.
int truncToInt(double value);
// Nearest whole number the way QPointF::toPoint rounds; clamped, NaN gives 0.
int roundToInt(double value);
// a + b without int overflow.
QPoint shifted(const QPoint &a, const QPoint &b);

// Metric position (east, north) of point in the frame of origin. The east
// distance is scaled by the cosine of the point's own latitude.
QPointF toMetric(const QPoint &origin, const QPoint &point);
// The same with the cosine of the point's latitude already known, as
// std::cos(point.y() * UnitToRadian); the result is the very same.
QPointF toMetric(const QPoint &origin, const QPoint &point, double cosLatitude);
// Back from a metric position in the frame of origin to coordinates.
QPoint fromMetric(const QPoint &origin, const QPointF &metric);

// The 16-sided circle of diameter around (x, y), radius in whole metres, and
// the first point again: 17 points.
QList<QPoint> circlePoints(int x, int y, int diameter);

// Fill colour for a drawing mode: a red tint for Violated, a green tint for
// Passed, the colour itself for any other.
QColor TintColor(const QColor &color, DrawMode mode);

} // namespace MapGeometry

#endif // MAPGEOMETRY_H
