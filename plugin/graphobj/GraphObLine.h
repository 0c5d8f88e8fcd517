#ifndef GRAPHOBLINE_H
#define GRAPHOBLINE_H

#include "GraphObLineBase.h"

#include <QColor>

// A poly-line drawn on the map as a corridor of a given width around it.
class GraphObLine : public GraphObLineBase
{
public:
    explicit GraphObLine(const GraphObData &record);
    ~GraphObLine() override;

    void DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode) override;
    void ExtendBounds(int &minX, int &minY, int &maxX, int &maxY) override;
    void RebuildPrimitives() override;

    int width;    // metres, "Width"
    QColor color; // "Color"

private:
    VertexEditing::Outline outline() const override;
    const PropertySchema &propertySchema() const override;
    void propertyChanged(const PropertyRow &row) override;
    void readFields();
    // The corridor of the vertices and width, built again only when either
    // differs from what it was last built from.
    const QList<QPoint> &corridor();
    // The corridor's outline, a trace.
    std::unique_ptr<MapQt::MapPrimitive> makeShownPrimitive() const override;

    QList<QPoint> corridorOutline;
    QList<QPoint> corridorVertices; // what corridorOutline was built from
    int corridorWidth = 0;
    bool corridorBuilt = false;
};

#endif // GRAPHOBLINE_H
