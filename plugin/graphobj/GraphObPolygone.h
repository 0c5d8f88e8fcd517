#ifndef GRAPHOBPOLYGONE_H
#define GRAPHOBPOLYGONE_H

#include "GraphObLineBase.h"

#include <QColor>

// A filled polygon; each vertex is listed once and the ring closes itself.
class GraphObPolygone : public GraphObLineBase
{
public:
    explicit GraphObPolygone(const GraphObData &record);
    ~GraphObPolygone() override;

    void DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode) override;
    void ExtendBounds(int &minX, int &minY, int &maxX, int &maxY) override;
    void RebuildPrimitives() override;

    QColor color;      // outline, "Color"
    QColor brushColor; // fill, "Brush"

private:
    VertexEditing::Outline outline() const override;
    const PropertySchema &propertySchema() const override;
    void propertyChanged(const PropertyRow &row) override;
    void readFields();
    // The ring of the vertices, filled.
    std::unique_ptr<MapQt::MapPrimitive> makeShownPrimitive() const override;
};

#endif // GRAPHOBPOLYGONE_H
