#include "MapProjection.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

MapProjection::MapProjection(const QPointF &centre, double scale, const QSize &size)
{
    setCentre(centre);
    setScale(scale);
    setSize(size);
}

void MapProjection::setCentre(const QPointF &centre)
{
    // Latitude stays on the globe; the cosine below would turn the view inside out.
    m_centre = QPointF(centre.x(), std::clamp(centre.y(), -8.9e8, 8.9e8));
}

void MapProjection::setScale(double scale)
{
    m_scale = std::clamp(scale, MinScale, MaxScale);
}

void MapProjection::setSize(const QSize &size)
{
    m_size = size.expandedTo(QSize(1, 1));
}

double MapProjection::metresPerPixel() const
{
    return 4.0 * m_scale / m_size.width();
}

double MapProjection::unitsPerPixelY() const
{
    return metresPerPixel() / (EarthRadius * UnitToRadian);
}

double MapProjection::unitsPerPixelX() const
{
    return unitsPerPixelY() / std::cos(m_centre.y() * UnitToRadian);
}

QPointF MapProjection::toScreen(const QPointF &mapPoint) const
{
    return QPointF(m_size.width() / 2.0 + (mapPoint.x() - m_centre.x()) / unitsPerPixelX(),
                   m_size.height() / 2.0 - (mapPoint.y() - m_centre.y()) / unitsPerPixelY());
}

QPointF MapProjection::toMap(const QPointF &screenPoint) const
{
    return QPointF(m_centre.x() + (screenPoint.x() - m_size.width() / 2.0) * unitsPerPixelX(),
                   m_centre.y() - (screenPoint.y() - m_size.height() / 2.0) * unitsPerPixelY());
}

QRectF MapProjection::visibleArea() const
{
    const QPointF southWest = toMap(QPointF(0, m_size.height()));
    const QPointF northEast = toMap(QPointF(m_size.width(), 0));
    return QRectF(southWest, northEast);
}

void MapProjection::panBy(const QPointF &pixelDelta)
{
    setCentre(toMap(QPointF(m_size.width() / 2.0, m_size.height() / 2.0) - pixelDelta));
}

void MapProjection::zoomAt(const QPointF &pixel, double factor)
{
    const QPointF anchor = toMap(pixel);
    setScale(m_scale * factor);
    // The cosine depends on the centre's latitude, so settle the centre twice.
    for (int i = 0; i < 2; ++i)
        setCentre(m_centre + (anchor - toMap(pixel)));
}
