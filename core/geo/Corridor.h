#ifndef CORRIDOR_H
#define CORRIDOR_H

#include <QList>
#include <QPoint>
#include <QPointF>

#include <array>
#include <vector>

// The corridor around a poly-line: its outline, with the loops that sharp
// turns make cut off, in map coordinates on the drawing sphere.
namespace MapGeometry {

// The closed outline of a corridor of width metres around a poly-line:
// right side forward, left side back, mitred joins with their loops cut off.
// Empty for fewer than two vertices.
QList<QPoint> BuildCorridor(const QList<QPoint> &vertices, int width);

// Adds point, in metres in the frame of origin, to outline. When the edge from
// the outline's last point to point crosses an older edge, the outline is cut
// back to the newest such edge and the crossing point is added in point's place.
void AppendTrimmed(QList<QPoint> &outline, const QPointF &point, const QPoint &origin);

// An outline grown as AppendTrimmed grows it, with a grid over its edges so
// that a new edge is tested only against the edges near it.
//
// Our own index rather than a library's: the plain scan over every older edge
// is quadratic (a 16k-vertex line took 10 s), and the outline must stay the
// very same, which needs the same tests, in the frame of each new point's
// origin, in the same order (newest edge first); a generic index gives neither.
class CorridorBuilder
{
public:
    // cellSize in metres, about the length of a typical edge (1 m to 1e7 m).
    explicit CorridorBuilder(double cellSize, const QList<QPoint> &outline = {});

    void append(const QPointF &point, const QPoint &origin);
    const QList<QPoint> &outline() const { return points; }

private:
    // The grid cells an edge's box covers; x0 > x1 for one on the overflow list.
    struct Cells
    {
        int x0, y0, x1, y1;
    };

    // An edge's box in base's frame, and the cosines of its ends' latitudes.
    struct Box
    {
        double left, right, bottom, top;
        double cosLow, cosHigh;
    };
    // Where a block of 8 by 8 cells is in blocks (-1: a free slot). Blocks
    // keep nearby cells together in memory.
    struct Slot
    {
        quint64 key;
        int block;
    };
    // An edge filed in a cell, and the cell's entry before it (-1 for none).
    struct Entry
    {
        int edge;
        int next;
    };

    void push(const QPoint &point);
    void truncate(int count);
    // Fills candidates with the edges 1..newest that may cross the edge p1 p2
    // (in origin's frame), newest first.
    void collect(const QPointF &p1, const QPointF &p2, const QPoint &origin, int newest);
    int slot(quint64 key) const; // where the block is or would go in table
    // The block holding cell (x, y) in blocks, made if make; -1 when missing.
    int block(int x, int y, bool make);
    int &head(int x, int y); // the newest entry filed in the cell, -1 for none

    double size;    // of a cell, metres
    double inverse; // 1 / size
    QList<QPoint> points;
    QPoint base;                 // the frame the grid is laid out in
    std::vector<QPointF> frame;  // each point in metres in base's frame
    std::vector<double> cosines; // of each point's latitude
    std::vector<Box> boxes;      // boxes[k] for edge k, from point k - 1 to point k
    std::vector<Cells> spans;    // likewise
    std::vector<Slot> table;     // open addressing, a power of two long
    std::vector<std::array<int, 64>> blocks; // the newest entry of each cell
    quint64 lastKey = 0;                     // the block found last
    int lastBlock = -1;
    std::vector<Entry> entries; // in the order edges were filed
    std::vector<int> overflow;  // the edges over too many cells, tested always
    double tallest = 0.0;       // the greatest north-south extent of an edge on the grid
    std::vector<int> candidates;
};

} // namespace MapGeometry

#endif // CORRIDOR_H
