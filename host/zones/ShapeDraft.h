#ifndef SHAPEDRAFT_H
#define SHAPEDRAFT_H

#include "geo/VertexEditing.h"
#include "records/GraphObData.h"
#include "records/RecordKinds.h"

#include <QPointF>

class MapProjection;

// A graphic object being drawn or edited in the host: its record (id 0 until
// the server stores it) and what the pointer finds on it, in pixels of a
// projection. Vertex edits go through VertexEditing, like every program that
// lets an operator draw.
class ShapeDraft
{
public:
    ShapeDraft() = default;
    explicit ShapeDraft(const GraphObData &record);

    const GraphObData &record() const { return m_record; }
    GraphObData &record() { return m_record; }
    GraphKind kind() const;
    VertexEditing::Outline outline() const;
    // Enough points to be stored as its kind.
    bool isComplete() const;

    // A circle's radius in metres (half its diameter).
    double radius() const;
    void setRadius(double metres);

    // The vertex within tolerance of pixel, nearest first; -1 when none.
    int vertexAt(const QPointF &pixel, const MapProjection &projection, double tolerance) const;
    // The edge within tolerance of pixel, by the index of the vertex it
    // starts at; -1 when none. Icons and circles have none.
    int edgeAt(const QPointF &pixel, const MapProjection &projection, double tolerance) const;
    // Whether pixel lies on the shape: inside a polygon or circle, on a
    // corridor, on an icon.
    bool contains(const QPointF &pixel, const MapProjection &projection, double tolerance) const;
    // Whether pixel lies on a circle's rim.
    bool onRim(const QPointF &pixel, const MapProjection &projection, double tolerance) const;

    // The outline in pixels (a circle's ring; a polygon closed).
    QPolygonF toScreen(const MapProjection &projection) const;

    // The smallest number of points a complete shape of kind has.
    static int fewestPoints(GraphKind kind);

private:
    GraphObData m_record;
};

#endif // SHAPEDRAFT_H
