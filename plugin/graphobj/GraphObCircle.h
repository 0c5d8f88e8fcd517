#ifndef GRAPHOBCIRCLE_H
#define GRAPHOBCIRCLE_H

#include "GraphObject.h"

#include <QColor>
#include <QList>
#include <QPoint>

namespace MapQt {
class MapPolygon;
} // namespace MapQt

// A filled circle of a given diameter around the first vertex, drawn as a
// 16-sided polygon.
class GraphObCircle : public GraphObject
{
public:
    explicit GraphObCircle(const GraphObData &record);
    ~GraphObCircle() override;

    void AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list) override;
    void DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode) override;
    void ExtendBounds(int &minX, int &minY, int &maxX, int &maxY) override;
    void RebuildPrimitives() override;

    int diameter;      // metres, "Diameter"
    QColor color;      // outline, "Color"
    QColor brushColor; // fill, "Brush"

private:
    const PropertySchema &propertySchema() const override;
    void propertyChanged(const PropertyRow &row) override;
    void readFields();
    // A polygon of the circle's 17 points, filled.
    std::unique_ptr<MapQt::MapPrimitive> makeShownPrimitive() const override;
    // The edited outline, made when first asked for; room for 17 points.
    MapQt::MapTrace *outlineTrace() const;
    // The shown outline of a circle with points' first point as its centre.
    const QList<QPoint> &outline();

    mutable std::unique_ptr<MapQt::MapTrace> m_outlineTrace;
    // The shown outline as last worked out, and the centre and diameter it is for.
    QList<QPoint> m_outline;
    QPoint m_outlineCentre;
    int m_outlineDiameter = 0;
};

#endif // GRAPHOBCIRCLE_H
