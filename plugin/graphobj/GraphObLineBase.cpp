#include "GraphObLineBase.h"

#include "geo/MapGeometry.h"

#include <MapQt.h>

GraphObLineBase::GraphObLineBase(const GraphObData &record, QObject *parent)
    : GraphObject(record, parent)
    , lineTrace(new MapQt::MapTrace)
    , previewTrace(new MapQt::MapTrace)
{
    lineTrace->pen = new QPen(QColor(Qt::blue), 3);
    previewTrace->pen = new QPen(QColor(Qt::green), 3);
}

GraphObLineBase::~GraphObLineBase()
{
    lineTrace->points = nullptr; // borrowed from vertexTrace
    delete previewTrace;
    delete lineTrace;
}

void GraphObLineBase::AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list)
{
    GraphObject::AttachEditPrimitives(list);
    if (list)
        *list << previewTrace << lineTrace << vertexTrace;
    RebuildPrimitives();
}

void GraphObLineBase::InsertPoint(int index, QPoint point)
{
    if (index >= 0 && index <= points.size())
        points.insert(index, point);
    RebuildPrimitives();
}

void GraphObLineBase::MovePoints(int first, int last, QPoint offset)
{
    if (last < 0) {
        if (first >= 0 && first < points.size())
            points[first] = MapGeometry::shifted(points[first], offset);
    } else {
        for (int index : vertexRun(first, last))
            points[index] = MapGeometry::shifted(points[index], offset);
    }
    RebuildPrimitives();
}

void GraphObLineBase::PreviewMove(int first, int last, QPoint point)
{
    const int n = points.size();
    QList<QPoint> shown;
    int needed = 0;
    if (first >= 0 && !point.isNull() && n > 0) {
        if (last < 0) {
            const int at = NormalizeIndex(first);
            shown << points.at(at) << point << points.at(NormalizeIndex(at + 1));
            needed = 3;
        } else {
            const QList<int> run = vertexRun(first, last);
            if (!run.isEmpty()) {
                needed = run.size() + 2;
                const int previous = NormalizeIndex(first - 1);
                const int next = NormalizeIndex(last + 1);
                if (previous != first)
                    shown << points.at(previous);
                for (int index : run)
                    shown << MapGeometry::shifted(points.at(index), point);
                if (next != last)
                    shown << points.at(next);
            }
        }
    }
    // A new array only when the shown count is too small, made before the
    // old one goes so that a replaced array never has the old address.
    if (previewTrace->count < needed) {
        auto *array = new MapQt::MapPoint[needed];
        delete[] previewTrace->points;
        previewTrace->points = array;
    }
    for (int i = 0; i < shown.size(); ++i)
        previewTrace->points[i] = MapQt::MapPoint{shown[i].x(), shown[i].y()};
    previewTrace->count = shown.size();
}

bool GraphObLineBase::FindHitPoints(const QList<MapHit> &hits, int &first, int &second, int key)
{
    if (findVertexHit(hits, first, second, key))
        return true;
    const int position = primitivePosition(primitiveList, lineTrace);
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

QList<int> GraphObLineBase::vertexRun(int first, int last)
{
    const int n = points.size();
    QList<int> run;
    if (first < 0 || first >= n || last < 0 || last >= n)
        return run;
    int index = first;
    for (int step = 0; step < n; ++step) {
        run.append(index);
        if (index == last)
            return run;
        index = NormalizeIndex(index + 1);
    }
    return QList<int>(); // a line walked past its end without meeting last
}
