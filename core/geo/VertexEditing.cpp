#include "geo/VertexEditing.h"

#include "geo/MapGeometry.h"

namespace VertexEditing {

int normalizeIndex(int count, int index, Outline outline)
{
    if (outline == Outline::Closed) {
        if (count == 0)
            return -1;
        if (index < 0)
            return (index % count + count) % count;
        return index % count;
    }
    if (index < 0)
        return 0;
    return index >= count ? count - 1 : index;
}

QList<int> vertexRun(int count, int first, int last, Outline outline)
{
    QList<int> run;
    if (first < 0 || first >= count || last < 0 || last >= count)
        return run;
    int index = first;
    for (int step = 0; step < count; ++step) {
        run.append(index);
        if (index == last)
            return run;
        index = normalizeIndex(count, index + 1, outline);
    }
    return QList<int>(); // an open outline walked past its end without meeting last
}

void removePoint(QList<QPoint> &points, int index)
{
    if (index >= 0 && index < points.size())
        points.removeAt(index);
}

void insertPoint(QList<QPoint> &points, int index, QPoint point, Outline outline)
{
    if (outline == Outline::Single)
        points = QList<QPoint>{point};
    else if (index >= 0 && index <= points.size())
        points.insert(index, point);
}

void movePoints(QList<QPoint> &points, int first, int last, QPoint offset, Outline outline)
{
    if (outline == Outline::Single) {
        if (!points.isEmpty())
            points = QList<QPoint>{MapGeometry::shifted(points.first(), offset)};
    } else if (last < 0) {
        if (first >= 0 && first < points.size())
            points[first] = MapGeometry::shifted(points[first], offset);
    } else {
        for (int index : vertexRun(points.size(), first, last, outline))
            points[index] = MapGeometry::shifted(points[index], offset);
    }
}

Preview preview(const QList<QPoint> &points, int first, int last, QPoint point, Outline outline)
{
    Preview shown;
    const int n = points.size();
    if (outline == Outline::Single || first < 0 || point.isNull() || n == 0)
        return shown;
    const auto at = [&](int index) { return normalizeIndex(n, index, outline); };
    if (last < 0) {
        const int from = at(first);
        shown.points << points.at(from) << point << points.at(at(from + 1));
        shown.room = 3;
        return shown;
    }
    const QList<int> run = vertexRun(n, first, last, outline);
    if (run.isEmpty())
        return shown;
    shown.room = run.size() + 2;
    const int previous = at(first - 1);
    const int next = at(last + 1);
    if (previous != first)
        shown.points << points.at(previous);
    for (int index : run)
        shown.points << MapGeometry::shifted(points.at(index), point);
    if (next != last)
        shown.points << points.at(next);
    return shown;
}

} // namespace VertexEditing
