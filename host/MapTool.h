#ifndef MAPTOOL_H
#define MAPTOOL_H

#include <Qt>

class MapProjection;
class QPainter;
class QPointF;

// Something that takes the map's pointer for a while, drawing or editing a
// shape, and draws over the map. An event it does not take pans and zooms
// the map as usual.
class MapTool
{
public:
    virtual ~MapTool() = default;

    virtual bool press(const QPointF &pixel, Qt::MouseButton button,
                       const MapProjection &projection) = 0;
    virtual bool move(const QPointF &pixel, Qt::MouseButtons buttons,
                      const MapProjection &projection) = 0;
    virtual bool release(const QPointF &pixel, Qt::MouseButton button,
                         const MapProjection &projection) = 0;
    virtual bool doubleClick(const QPointF &pixel, const MapProjection &projection) = 0;
    // Over everything else the map shows.
    virtual void paint(QPainter &painter, const MapProjection &projection) const = 0;
};

#endif // MAPTOOL_H
