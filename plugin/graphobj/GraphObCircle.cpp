#include "GraphObCircle.h"

#include "PropertySchema.h"

#include "geo/MapGeometry.h"
#include "records/RecordKinds.h"

#include <MapQt.h>

#include <cmath>

GraphObCircle::GraphObCircle(const GraphObData &record)
    : GraphObject(record)
    , diameter(50)
{
    // The type code stays as the record gave it.
    propertySchema().makeEditors();
    nameIfUnnamed();
    readFields();
}

GraphObCircle::~GraphObCircle()
{
}

void GraphObCircle::AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list)
{
    GraphObject::AttachEditPrimitives(list);
    if (list)
        *list << outlineTrace() << vertexTrace();
    RebuildPrimitives();
}

void GraphObCircle::DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode)
{
    if (!list)
        return;
    takeShownFromList(list);
    if (mode == 0)
        return;
    // The kind makes a polygon, a trace.
    auto *fillPolygon = static_cast<MapQt::MapTrace *>(shownPrimitive());
    if (!points.isEmpty()) {
        setPenColor(fillPolygon, color);
        setBrushColor(fillPolygon, MapGeometry::TintColor(brushColor, DrawMode(mode)));
        // Unlike the other kinds, a circle refills its one array of 17 points.
        const QList<QPoint> &ring = outline();
        for (int i = 0; i < ring.size(); ++i)
            fillPolygon->points[i] = MapQt::MapPoint{ring.at(i).x(), ring.at(i).y()};
        fillPolygon->count = ring.size();
    }
    appendToList(list, fillPolygon);
}

const PropertySchema &GraphObCircle::propertySchema() const
{
    return PropertySchema::circle();
}

void GraphObCircle::propertyChanged(const PropertyRow &row)
{
    readFields();
    if (qstrcmp(row.key, GraphProperty::Diameter) == 0 && !points.isEmpty())
        setTracePoints(outlineTrace(), outline());
}

void GraphObCircle::readFields()
{
    diameter = numberProperty(GraphProperty::Diameter);
    color = colourProperty(GraphProperty::Color);
    brushColor = colourProperty(GraphProperty::Brush);
}

const QList<QPoint> &GraphObCircle::outline()
{
    // A shown circle is drawn again on every state reply for its section.
    const QPoint centre = points.first();
    if (m_outline.isEmpty() || centre != m_outlineCentre || diameter != m_outlineDiameter) {
        m_outline = MapGeometry::circlePoints(centre.x(), centre.y(), diameter);
        m_outlineCentre = centre;
        m_outlineDiameter = diameter;
    }
    return m_outline;
}

void GraphObCircle::ExtendBounds(int &minX, int &minY, int &maxX, int &maxY)
{
    using namespace MapGeometry;
    if (points.isEmpty())
        return;
    const double x = points.first().x();
    const double y = points.first().y();
    const double r = diameter / 2;
    const double c = std::cos(y * UnitToRadian);
    const double spanX = r / EarthRadius / c / UnitToRadian;
    const double ym = y * UnitToRadian * EarthRadius;
    minX = qMin(minX, truncToInt(x + std::trunc(-spanX)));
    maxX = qMax(maxX, truncToInt(x + std::trunc(spanX)));
    minY = qMin(minY, truncToInt((ym - r) / EarthRadius / UnitToRadian));
    maxY = qMax(maxY, truncToInt((ym + r) / EarthRadius / UnitToRadian));
}

std::unique_ptr<MapQt::MapPrimitive> GraphObCircle::makeShownPrimitive() const
{
    auto shape = std::make_unique<MapQt::MapPolygon>();
    shape->pen = new QPen(color, 3);
    shape->brush = new QBrush(brushColor, Qt::SolidPattern);
    shape->points = new MapQt::MapPoint[MapGeometry::CirclePointCount];
    return shape;
}

MapQt::MapTrace *GraphObCircle::outlineTrace() const
{
    if (!m_outlineTrace)
        m_outlineTrace = makeTrace(Qt::blue, MapGeometry::CirclePointCount);
    return m_outlineTrace.get();
}

void GraphObCircle::RebuildPrimitives()
{
    fillVertexTrace();
    outlineTrace()->count = 0;
    if (!points.isEmpty())
        setTracePoints(outlineTrace(), outline());
}
