#ifndef GRAPHOBLINEBASE_H
#define GRAPHOBLINEBASE_H

#include "GraphObject.h"

#include "geo/VertexEditing.h"

// The kinds drawn from a run of vertices: a poly-line or a polygon. Adds the
// trace of the vertex run, the preview of a pending edit and the index rule
// that says whether the run wraps.
class GraphObLineBase : public GraphObject
{
public:
    explicit GraphObLineBase(const GraphObData &record);
    ~GraphObLineBase() override;

    void AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list) override;
    void InsertPoint(int index, QPoint point) override;
    void MovePoints(int first, int last, QPoint offset) override;
    void PreviewMove(int first, int last, QPoint point) override;
    bool FindHitPoints(const QList<MapHit> &hits, int &first, int &second, int key) override;

    // A vertex position for any index: a line clamps, a polygon wraps.
    int NormalizeIndex(int index) const;

    const MapQt::MapTrace *primitiveLineTrace() const { return lineTrace(); }
    const MapQt::MapTrace *primitivePreviewTrace() const { return previewTrace(); }

protected:
    // How the vertices hang together: open for a line, closed for a polygon.
    virtual VertexEditing::Outline outline() const = 0;

    // Made when first asked for, as vertexTrace; lineTrace's array is
    // vertexTrace's, never its own.
    MapQt::MapTrace *lineTrace() const;
    MapQt::MapTrace *previewTrace() const;

private:
    mutable std::unique_ptr<MapQt::MapTrace> m_lineTrace;
    mutable std::unique_ptr<MapQt::MapTrace> m_previewTrace;
};

#endif // GRAPHOBLINEBASE_H
