#include "GraphObLine.h"

#include "PropertySchema.h"

#include "geo/Corridor.h"
#include "geo/MapGeometry.h"
#include "records/RecordKinds.h"

#include <MapQt.h>

GraphObLine::GraphObLine(const GraphObData &record)
    : GraphObLineBase(record)
    , width(50)
{
    type = qint32(GraphKind::Line);
    propertySchema().makeEditors();
    nameIfUnnamed();
    readFields();
}

GraphObLine::~GraphObLine() = default;

std::unique_ptr<MapQt::MapPrimitive> GraphObLine::makeShownPrimitive() const
{
    return makeTrace(color);
}

void GraphObLine::DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode)
{
    if (!list)
        return;
    takeShownFromList(list);
    if (mode == 0)
        return;
    auto *outlineTrace = static_cast<MapQt::MapTrace *>(shownPrimitive());
    if (!points.isEmpty()) {
        setTracePoints(outlineTrace, corridor());
        setPenColor(outlineTrace, MapGeometry::TintColor(color, DrawMode(mode)));
    }
    appendToList(list, outlineTrace);
}

const PropertySchema &GraphObLine::propertySchema() const
{
    return PropertySchema::line();
}

void GraphObLine::propertyChanged(const PropertyRow &)
{
    readFields();
}

void GraphObLine::readFields()
{
    width = numberProperty(GraphProperty::Width);
    color = colourProperty(GraphProperty::Color);
}

void GraphObLine::ExtendBounds(int &minX, int &minY, int &maxX, int &maxY)
{
    for (const QPoint &point : corridor())
        extendBy(point, minX, minY, maxX, maxY);
}

// The vertices are compared rather than watched: they are a public record
// anyone may change, and an untouched list still shares its data with the
// copy kept here, so the comparison costs nothing then.
const QList<QPoint> &GraphObLine::corridor()
{
    if (!corridorBuilt || corridorWidth != width || corridorVertices != points) {
        corridorOutline = MapGeometry::BuildCorridor(points, width);
        corridorVertices = points;
        corridorWidth = width;
        corridorBuilt = true;
    }
    return corridorOutline;
}

void GraphObLine::RebuildPrimitives()
{
    fillVertexTrace();
    lineTrace()->points = vertexTrace()->points;
    lineTrace()->count = points.size();
    previewTrace()->count = 0;
}

VertexEditing::Outline GraphObLine::outline() const
{
    return VertexEditing::Outline::Open;
}
