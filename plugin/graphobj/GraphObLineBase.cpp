#include "GraphObLineBase.h"


#include <MapQt.h>

GraphObLineBase::GraphObLineBase(const GraphObData &record)
    : GraphObject(record)
{
}

GraphObLineBase::~GraphObLineBase()
{
    if (m_lineTrace)
        m_lineTrace->points = nullptr; // borrowed from vertexTrace
}

MapQt::MapTrace *GraphObLineBase::lineTrace() const
{
    if (!m_lineTrace)
        m_lineTrace = makeTrace(Qt::blue);
    return m_lineTrace.get();
}

MapQt::MapTrace *GraphObLineBase::previewTrace() const
{
    if (!m_previewTrace)
        m_previewTrace = makeTrace(Qt::green);
    return m_previewTrace.get();
}

void GraphObLineBase::AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list)
{
    GraphObject::AttachEditPrimitives(list);
    if (list)
        *list << previewTrace() << lineTrace() << vertexTrace();
    RebuildPrimitives();
}

int GraphObLineBase::NormalizeIndex(int index) const
{
    return VertexEditing::normalizeIndex(points.size(), index, outline());
}

void GraphObLineBase::InsertPoint(int index, QPoint point)
{
    VertexEditing::insertPoint(points, index, point, outline());
    RebuildPrimitives();
}

void GraphObLineBase::MovePoints(int first, int last, QPoint offset)
{
    VertexEditing::movePoints(points, first, last, offset, outline());
    RebuildPrimitives();
}

void GraphObLineBase::PreviewMove(int first, int last, QPoint point)
{
    const VertexEditing::Preview shown =
        VertexEditing::preview(points, first, last, point, outline());
    // A new array only when the shown count is too small, made before the
    // old one goes so that a replaced array never has the old address.
    MapQt::MapTrace *trace = previewTrace();
    if (trace->count < shown.room) {
        auto *array = new MapQt::MapPoint[shown.room];
        delete[] trace->points;
        trace->points = array;
    }
    for (int i = 0; i < shown.points.size(); ++i)
        trace->points[i] = MapQt::MapPoint{shown.points[i].x(), shown.points[i].y()};
    trace->count = shown.points.size();
}

bool GraphObLineBase::FindHitPoints(const QList<MapHit> &hits, int &first, int &second, int key)
{
    if (findVertexHit(hits, first, second, key))
        return true;
    const int position = primitivePosition(primitiveList, lineTrace());
    if (position >= 0) {
        for (const MapHit &hit : hits) {
            if (hit.values[1] != key || hit.values[3] != position)
                continue;
            const int from = points.indexOf(QPoint(hit.values[4], hit.values[5]));
            const int to = points.indexOf(QPoint(hit.values[6], hit.values[7]));
            if (from >= 0 && to >= 0) {
                first = from;
                second = to;
                return true;
            }
        }
    }
    first = second = -1;
    return false;
}
