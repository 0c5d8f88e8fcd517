#include "GraphObPolygone.h"

#include "PropertySchema.h"

#include "geo/MapGeometry.h"
#include "records/RecordKinds.h"

#include <MapQt.h>

GraphObPolygone::GraphObPolygone(const GraphObData &record)
    : GraphObLineBase(record)
{
    type = qint32(GraphKind::Polygon);
    propertySchema().makeEditors();
    nameIfUnnamed();
    readFields();
}

GraphObPolygone::~GraphObPolygone() = default;

std::unique_ptr<MapQt::MapPrimitive> GraphObPolygone::makeShownPrimitive() const
{
    auto shape = std::make_unique<MapQt::MapPolygon>();
    shape->pen = new QPen(color, 3);
    shape->brush = new QBrush(brushColor, Qt::SolidPattern);
    return shape;
}

void GraphObPolygone::DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode)
{
    if (!list)
        return;
    takeShownFromList(list);
    if (mode == 0)
        return;
    // The kind makes a polygon, a trace.
    auto *polygon = static_cast<MapQt::MapTrace *>(shownPrimitive());
    if (!points.isEmpty()) {
        setTracePoints(polygon, points, Closing::AddFirstPoint);
        setBrushColor(polygon, MapGeometry::TintColor(brushColor, DrawMode(mode)));
        setPenColor(polygon, color);
    }
    appendToList(list, polygon);
}

const PropertySchema &GraphObPolygone::propertySchema() const
{
    return PropertySchema::polygon();
}

void GraphObPolygone::propertyChanged(const PropertyRow &)
{
    readFields();
}

void GraphObPolygone::readFields()
{
    color = colourProperty(GraphProperty::Color);
    brushColor = colourProperty(GraphProperty::Brush);
}

void GraphObPolygone::ExtendBounds(int &minX, int &minY, int &maxX, int &maxY)
{
    for (const QPoint &point : qAsConst(points))
        extendBy(point, minX, minY, maxX, maxY);
}

void GraphObPolygone::RebuildPrimitives()
{
    if (points.isEmpty()) {
        setTracePoints(vertexTrace(), QList<QPoint>());
    } else {
        QList<QPoint> marks = points;
        marks << points.first() << QPoint(0, 0);
        setTracePoints(vertexTrace(), marks);
    }
    lineTrace()->points = vertexTrace()->points;
    lineTrace()->count = points.isEmpty() ? 0 : points.size() + 1;
    previewTrace()->count = 0;
}

VertexEditing::Outline GraphObPolygone::outline() const
{
    return VertexEditing::Outline::Closed;
}
