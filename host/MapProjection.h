#ifndef MAPPROJECTION_H
#define MAPPROJECTION_H

#include "geo/EarthModel.h"

#include <QPointF>
#include <QRectF>
#include <QSize>

// Map units (x longitude, y latitude, 1e-7 degree) to widget pixels and back:
// equirectangular, with the longitude squeezed by cos(latitude) of the view
// centre, north up. The scale s shows 4 x s metres across the view's width.
class MapProjection
{
public:
    static constexpr double EarthRadius = EarthModel::DrawingSphere::Radius;
    static constexpr double UnitToRadian = EarthModel::UnitToRadian;
    static constexpr double MinScale = 1.0;
    static constexpr double MaxScale = 5e6;

    MapProjection() = default;
    MapProjection(const QPointF &centre, double scale, const QSize &size);

    QPointF centre() const { return m_centre; }
    double scale() const { return m_scale; }
    QSize size() const { return m_size; }

    void setCentre(const QPointF &centre);
    // Clamped to [MinScale, MaxScale].
    void setScale(double scale);
    void setSize(const QSize &size);

    double metresPerPixel() const;
    // Map units per pixel along each axis.
    double unitsPerPixelX() const;
    double unitsPerPixelY() const;

    QPointF toScreen(const QPointF &mapPoint) const;
    QPointF toMap(const QPointF &screenPoint) const;
    // The map rectangle the view shows: left = west, top = south, y growing north.
    QRectF visibleArea() const;

    // Moves the map with the pointer by a pixel delta.
    void panBy(const QPointF &pixelDelta);
    // Multiplies the scale by factor, keeping the map point under the pixel in place.
    void zoomAt(const QPointF &pixel, double factor);

private:
    QPointF m_centre;
    double m_scale = 1000.0;
    QSize m_size = QSize(1, 1);
};

#endif // MAPPROJECTION_H
