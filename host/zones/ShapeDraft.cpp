#include "ShapeDraft.h"

#include "MapProjection.h"

#include "geo/MapGeometry.h"

#include <QLineF>
#include <QPolygonF>

#include <cmath>

namespace {

// How far pixel lies from the segment a-b, in pixels.
double distanceToSegment(const QPointF &pixel, const QPointF &a, const QPointF &b)
{
    const QPointF along = b - a;
    const double length2 = QPointF::dotProduct(along, along);
    const double t = length2 > 0 ? std::clamp(QPointF::dotProduct(pixel - a, along) / length2,
                                              0.0, 1.0)
                                 : 0.0;
    return QLineF(pixel, a + t * along).length();
}

} // namespace

ShapeDraft::ShapeDraft(const GraphObData &record)
    : m_record(record)
{
}

GraphKind ShapeDraft::kind() const
{
    return drawableKind(m_record.type).value_or(GraphKind::Abstract);
}

VertexEditing::Outline ShapeDraft::outline() const
{
    switch (kind()) {
    case GraphKind::Polygon:
        return VertexEditing::Outline::Closed;
    case GraphKind::Line:
        return VertexEditing::Outline::Open;
    default:
        return VertexEditing::Outline::Single;
    }
}

int ShapeDraft::fewestPoints(GraphKind kind)
{
    switch (kind) {
    case GraphKind::Polygon:
        return 3;
    case GraphKind::Line:
        return 2;
    default:
        return 1;
    }
}

bool ShapeDraft::isComplete() const
{
    const int count = m_record.points.size();
    if (kind() == GraphKind::Circle)
        return count == 1 && radius() > 0;
    return kind() != GraphKind::Abstract && count >= fewestPoints(kind())
           && count <= MaxShapePoints;
}

double ShapeDraft::radius() const
{
    return m_record.properties.value(QLatin1String(GraphProperty::Diameter)).toDouble() / 2;
}

void ShapeDraft::setRadius(double metres)
{
    m_record.properties.insert(QLatin1String(GraphProperty::Diameter),
                               int(std::lround(std::max(metres, 0.0) * 2)));
}

int ShapeDraft::vertexAt(const QPointF &pixel, const MapProjection &projection,
                         double tolerance) const
{
    int found = -1;
    double nearest = tolerance;
    for (int i = 0; i < m_record.points.size(); ++i) {
        const double distance = QLineF(pixel, projection.toScreen(m_record.points.at(i))).length();
        if (distance <= nearest) {
            nearest = distance;
            found = i;
        }
    }
    return found;
}

int ShapeDraft::edgeAt(const QPointF &pixel, const MapProjection &projection,
                       double tolerance) const
{
    if (outline() == VertexEditing::Outline::Single)
        return -1;
    const int count = m_record.points.size();
    const int edges = outline() == VertexEditing::Outline::Closed && count > 2 ? count : count - 1;
    int found = -1;
    double nearest = tolerance;
    for (int i = 0; i < edges; ++i) {
        const QPointF a = projection.toScreen(m_record.points.at(i));
        const QPointF b = projection.toScreen(m_record.points.at((i + 1) % count));
        const double distance = distanceToSegment(pixel, a, b);
        if (distance <= nearest) {
            nearest = distance;
            found = i;
        }
    }
    return found;
}

bool ShapeDraft::contains(const QPointF &pixel, const MapProjection &projection,
                          double tolerance) const
{
    if (m_record.points.isEmpty())
        return false;
    switch (kind()) {
    case GraphKind::Polygon:
        return toScreen(projection).containsPoint(pixel, Qt::OddEvenFill)
               || edgeAt(pixel, projection, tolerance) >= 0;
    case GraphKind::Line: {
        // The corridor's half width, at least the tolerance.
        const double width = m_record.properties.value(QLatin1String(GraphProperty::Width))
                                 .toDouble();
        return edgeAt(pixel, projection,
                      std::max(tolerance, width / 2 / projection.metresPerPixel()))
               >= 0;
    }
    case GraphKind::Circle:
        return QLineF(pixel, projection.toScreen(m_record.points.first())).length()
               <= radius() / projection.metresPerPixel() + tolerance;
    default:
        return vertexAt(pixel, projection, tolerance) >= 0;
    }
}

bool ShapeDraft::onRim(const QPointF &pixel, const MapProjection &projection,
                       double tolerance) const
{
    if (kind() != GraphKind::Circle || m_record.points.isEmpty())
        return false;
    const double fromCentre = QLineF(pixel, projection.toScreen(m_record.points.first())).length();
    return std::abs(fromCentre - radius() / projection.metresPerPixel()) <= tolerance;
}

QPolygonF ShapeDraft::toScreen(const MapProjection &projection) const
{
    QPolygonF outline;
    if (kind() == GraphKind::Circle && !m_record.points.isEmpty()) {
        const QPoint centre = m_record.points.first();
        for (const QPoint &point : MapGeometry::circlePoints(centre.x(), centre.y(),
                                                       int(std::lround(radius() * 2))))
            outline << projection.toScreen(point);
        return outline;
    }
    for (const QPoint &point : m_record.points)
        outline << projection.toScreen(point);
    if (kind() == GraphKind::Polygon && outline.size() > 2)
        outline << outline.first();
    return outline;
}
