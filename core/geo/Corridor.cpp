#include "geo/Corridor.h"

#include "geo/MapGeometry.h"

#include <QLineF>

#include <algorithm>
#include <cmath>
#include <functional>

namespace MapGeometry {

namespace {

constexpr double K = UnitToRadian;
constexpr double R = EarthRadius;
// An edge over more cells than this goes on the overflow list instead.
constexpr double MaxEdgeCells = 16;
// Far beyond the cell of any stored point: those lie within 5e7 m of base, and
// cells are at least 1 m.
constexpr double MaxCell = 1e9;

// h times the unit vector to the right of the direction d; none for a
// segment without length.
QPointF rightOffset(const QPointF &d, double h)
{
    const double length = std::hypot(d.x(), d.y());
    if (!(length > 0.0) || !std::isfinite(length))
        return QPointF();
    return QPointF(d.y() / length * h, -d.x() / length * h);
}

QLineF offsetSegment(const QPointF &a, const QPointF &b, double h)
{
    const QPointF u = rightOffset(b - a, h);
    return QLineF(a + u, b + u);
}

// One side of the corridor along the vertices in the given order (at least
// three): start of the first offset, the mitre points, end of the last offset.
void appendSide(CorridorBuilder &outline, const QList<QPoint> &v, double h)
{
    const int n = v.size();
    outline.append(rightOffset(toMetric(v[0], v[1]), h), v[0]);
    for (int i = 0; i + 2 < n; ++i) {
        const QPoint &origin = v[i];
        const QPointF b = toMetric(origin, v[i + 1]);
        const QPointF c = toMetric(origin, v[i + 2]);
        QPointF join;
        if (offsetSegment(QPointF(), b, h).intersects(offsetSegment(b, c, h), &join)
            != QLineF::NoIntersection)
            outline.append(join, origin);
    }
    const QPoint &origin = v[n - 3];
    const QLineF last = offsetSegment(toMetric(origin, v[n - 2]), toMetric(origin, v[n - 1]), h);
    outline.append(last.p2(), origin);
}

// Cells about as long as a segment (the mean of a sample), or the width when
// that is more, up to eight segments: most new edges then fall in a few cells,
// and a very wide corridor of short segments does not crowd into one.
double cellSizeFor(const QList<QPoint> &v, double h)
{
    const int step = std::max(1, v.size() / 1000);
    double length = 0.0;
    int count = 0;
    for (int i = step; i < v.size(); i += step, ++count) {
        const QPointF d = toMetric(v[i - 1], v[i]);
        length += std::hypot(d.x(), d.y());
    }
    const double segment = length / count;
    return std::max(segment, std::min(2 * h, 8 * segment));
}

// floor(value) for a value well inside the int range, without a call.
int floorToInt(double value)
{
    const int cut = int(value);
    return cut - (double(cut) > value);
}

int cellIndex(double metres, double inverse)
{
    return floorToInt(metres * inverse);
}

quint64 cellKey(int x, int y)
{
    return quint64(quint32(x)) << 32 | quint32(y);
}

} // namespace

QList<QPoint> BuildCorridor(const QList<QPoint> &vertices, int width)
{
    const int n = vertices.size();
    if (n < 2)
        return {};
    const double h = width / 2.0;
    CorridorBuilder builder(cellSizeFor(vertices, h));
    if (n == 2) {
        const QPoint &origin = vertices[0];
        const QPointF b = toMetric(origin, vertices[1]);
        const QPointF u = rightOffset(b, h);
        builder.append(u, origin);
        builder.append(b + u, origin);
        builder.append(b - u, origin);
        builder.append(-u, origin);
    } else {
        appendSide(builder, vertices, h);
        QList<QPoint> back;
        back.reserve(n);
        for (int i = n - 1; i >= 0; --i)
            back.append(vertices[i]);
        appendSide(builder, back, h);
    }
    QList<QPoint> outline = builder.outline();
    if (outline.first() != outline.last())
        outline.append(outline.first());
    return outline;
}

void AppendTrimmed(QList<QPoint> &outline, const QPointF &point, const QPoint &origin)
{
    CorridorBuilder builder(100.0, outline);
    builder.append(point, origin);
    outline = builder.outline();
}

CorridorBuilder::CorridorBuilder(double cellSize, const QList<QPoint> &outline)
    : size(std::isfinite(cellSize) ? std::clamp(cellSize, 1.0, 1e7) : 1.0)
    , inverse(1 / size)
{
    points.reserve(outline.size());
    for (const QPoint &point : outline)
        push(point);
}

void CorridorBuilder::append(const QPointF &point, const QPoint &origin)
{
    QPointF p = point;
    for (;;) {
        bool cut = false;
        const int m = points.size();
        if (m >= 3) {
            const QPointF last = toMetric(origin, points.last(), cosines.back());
            const QLineF e(p, last);
            // The newest edge ends where e ends, so it is left out.
            collect(p, last, origin, m - 2);
            for (const int k : candidates) {
                const QLineF edge(toMetric(origin, points.at(k - 1), cosines[k - 1]),
                                  toMetric(origin, points.at(k), cosines[k]));
                QPointF crossing;
                if (e.intersects(edge, &crossing) == QLineF::BoundedIntersection) {
                    truncate(k);
                    p = crossing;
                    cut = true;
                    break;
                }
            }
        }
        if (!cut) {
            push(fromMetric(origin, p));
            return;
        }
    }
}

int CorridorBuilder::slot(quint64 key) const
{
    const int mask = int(table.size()) - 1;
    int i = int((key * 0x9E3779B97F4A7C15ULL) >> 33) & mask;
    while (table[i].block >= 0 && table[i].key != key)
        i = (i + 1) & mask;
    return i;
}

int CorridorBuilder::block(int x, int y, bool make)
{
    const quint64 key = cellKey(x >> 3, y >> 3);
    if (lastBlock >= 0 && key == lastKey)
        return lastBlock;
    if (make && 2 * (blocks.size() + 1) > table.size()) {
        std::vector<Slot> old(std::max<size_t>(64, 2 * table.size()), Slot{0, -1});
        table.swap(old);
        for (const Slot &used : old)
            if (used.block >= 0)
                table[slot(used.key)] = used;
    }
    if (table.empty())
        return -1;
    Slot &found = table[slot(key)];
    if (found.block < 0) {
        if (!make)
            return -1;
        found = Slot{key, int(blocks.size())};
        blocks.emplace_back();
        blocks.back().fill(-1);
    }
    lastKey = key;
    lastBlock = found.block;
    return found.block;
}

int &CorridorBuilder::head(int x, int y)
{
    return blocks[block(x, y, true)][(y & 7) * 8 + (x & 7)];
}

void CorridorBuilder::push(const QPoint &point)
{
    if (points.isEmpty())
        base = point;
    points.append(point);
    cosines.push_back(std::cos(point.y() * K)); // as toMetric takes it
    frame.push_back(toMetric(base, point, cosines.back()));
    const int k = points.size() - 1;
    if (k == 0) {
        spans.push_back(Cells{1, 0, 0, 0});
        boxes.emplace_back();
        return;
    }
    const QPointF &a = frame[k - 1];
    const QPointF &b = frame[k];
    boxes.push_back(Box{std::min(a.x(), b.x()), std::max(a.x(), b.x()), std::min(a.y(), b.y()),
                        std::max(a.y(), b.y()), std::min(cosines[k - 1], cosines[k]),
                        std::max(cosines[k - 1], cosines[k])});
    Cells span{cellIndex(std::min(a.x(), b.x()), inverse),
               cellIndex(std::min(a.y(), b.y()), inverse),
               cellIndex(std::max(a.x(), b.x()), inverse),
               cellIndex(std::max(a.y(), b.y()), inverse)};
    if (double(span.x1 - span.x0 + 1) * (span.y1 - span.y0 + 1) > MaxEdgeCells) {
        span.x0 = span.x1 + 1;
        overflow.push_back(k);
    } else {
        tallest = std::max(tallest, std::abs(a.y() - b.y()));
        for (int y = span.y0; y <= span.y1; ++y) {
            for (int x = span.x0; x <= span.x1; ++x) {
                int &newest = head(x, y);
                entries.push_back(Entry{k, newest});
                newest = int(entries.size()) - 1;
            }
        }
    }
    spans.push_back(span);
}

// Only the newest edges ever go, so each is the newest entry of its cells.
void CorridorBuilder::truncate(int count)
{
    for (int k = points.size() - 1; k >= count && k >= 1; --k) {
        const Cells &span = spans[k];
        if (span.x0 > span.x1)
            overflow.pop_back();
        for (int y = span.y0; y <= span.y1; ++y) {
            for (int x = span.x0; x <= span.x1; ++x) {
                int &newest = head(x, y);
                newest = entries[newest].next;
                entries.pop_back();
            }
        }
    }
    points.erase(points.begin() + count, points.end());
    frame.resize(count);
    cosines.resize(count);
    spans.resize(count);
    boxes.resize(count);
}

void CorridorBuilder::collect(const QPointF &p1, const QPointF &p2, const QPoint &origin,
                              int newest)
{
    candidates.clear();
    // From origin's frame to base's, north moves by a constant and east by
    // the point's cos(latitude) times the origins' distance. The margin covers
    // rounding many times over.
    const double east = (double(origin.x()) - base.x()) * K * R;
    const double north = (double(origin.y()) - base.y()) * K * R;
    const double reach = std::max({std::abs(p1.x()), std::abs(p1.y()), std::abs(p2.x()),
                                   std::abs(p2.y())})
        + std::abs(east) + std::abs(north) + MaxEdgeCells * size;
    const double margin = 0.01 + 1e-6 * reach;
    const double left = std::min(p1.x(), p2.x()) - margin;
    const double right = std::max(p1.x(), p2.x()) + margin;
    const double south = std::min(p1.y(), p2.y()) + north - margin;
    const double top = std::max(p1.y(), p2.y()) + north + margin;
    // The ends of a grid edge that reaches e's box lie at most tallest north
    // or south of it, so their latitudes differ from that of e's end p2 (the
    // outline's last point) by at most spread, and their cosines by no more.
    const double spread = (top - south + tallest) * (1 / R) + 1e-9;
    const double low = std::min((cosines.back() - spread) * east,
                                (cosines.back() + spread) * east);
    const double high = std::max((cosines.back() - spread) * east,
                                 (cosines.back() + spread) * east);
    if (!std::isfinite(left + right + south + top + low + high)) {
        for (int k = newest; k >= 1; --k)
            candidates.push_back(k);
        return;
    }
    // An edge whose own ends, moved by their own cosines, leave its box clear
    // of e's cannot cross e: left out before the full test.
    const auto take = [&](int k) {
        if (k > newest)
            return;
        const Box &box = boxes[k];
        if (box.right >= left + (east < 0 ? box.cosHigh : box.cosLow) * east
            && box.left <= right + (east < 0 ? box.cosLow : box.cosHigh) * east
            && box.top >= south && box.bottom <= top)
            candidates.push_back(k);
    };
    const double cellsWest = (left + low) * inverse;
    const double cellsEast = (right + high) * inverse;
    // A box far out, or over more cells than there are edges: every edge.
    const bool inRange = std::abs(cellsWest) < MaxCell && std::abs(cellsEast) < MaxCell
        && std::abs(south * inverse) < MaxCell && std::abs(top * inverse) < MaxCell;
    const int x0 = inRange ? floorToInt(cellsWest) : 0;
    const int x1 = inRange ? floorToInt(cellsEast) : 0;
    const int y0 = inRange ? floorToInt(south * inverse) : 0;
    const int y1 = inRange ? floorToInt(top * inverse) : 0;
    if (!inRange || (double(x1) - x0 + 1) * (double(y1) - y0 + 1) > newest) {
        for (int k = newest; k >= 1; --k)
            take(k);
        return;
    }
    for (const int k : overflow)
        take(k);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const int b = block(x, y, false);
            for (int i = b < 0 ? -1 : blocks[b][(y & 7) * 8 + (x & 7)]; i >= 0;
                 i = entries[i].next)
                take(entries[i].edge);
        }
    }
    // An edge over several cells comes once from each.
    std::sort(candidates.begin(), candidates.end(), std::greater<int>());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
}

} // namespace MapGeometry
