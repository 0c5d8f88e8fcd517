#ifndef VERTEXEDITING_H
#define VERTEXEDITING_H

#include <QList>
#include <QPoint>

// Editing the vertices of a shape, as pure functions over its point list, so
// that every program that lets an operator draw edits shapes the same way.
namespace VertexEditing {

// How a shape's vertices hang together.
enum class Outline {
    Single, // icon, circle: one position; inserting or moving replaces it
    Open,   // poly-line: indexes past either end clamp to it
    Closed, // polygon: indexes wrap around the ring
};

// The vertex position for any index; -1 when the shape has none (an open
// outline without vertices answers 0 for a negative index, as a clamp does).
int normalizeIndex(int count, int index, Outline outline);

// The positions from first to last stepping forward, each once; empty when
// either is not a vertex or last cannot be reached from first.
QList<int> vertexRun(int count, int first, int last, Outline outline);

// Removes the vertex at index when there is one.
void removePoint(QList<QPoint> &points, int index);

// Inserts point before index (0..count); a single-point shape moves to it.
void insertPoint(QList<QPoint> &points, int index, QPoint point, Outline outline);

// Moves vertices first to last by offset; with last < 0 only first. A
// single-point shape moves as a whole. Coordinates never overflow.
void movePoints(QList<QPoint> &points, int first, int last, QPoint offset, Outline outline);

// The poly-line that previews a pending edit: with last < 0 the insertion of
// point after vertex first, between its neighbours; otherwise the run first..last
// moved by point, joined to the vertices before and after it. Empty when there
// is nothing to show (no vertex, first < 0, a null point, an unreachable run).
struct Preview
{
    QList<QPoint> points;
    int room = 0; // how many points the preview of this edit may need
};
Preview preview(const QList<QPoint> &points, int first, int last, QPoint point, Outline outline);

} // namespace VertexEditing

#endif // VERTEXEDITING_H
