#ifndef PRIMITIVEPAINTER_H
#define PRIMITIVEPAINTER_H

#include <MapQt.h>

#include <QPolygonF>

class MapProjection;
class QPainter;

// Draws the map library's primitives through a projection: traces as
// poly-lines with their pens, polygons filled with their brushes, cars as
// picture and caption at their place. Hidden lists and primitives are skipped.
namespace PrimitivePainter {

void paint(QPainter &painter, const MapProjection &projection, const MapQt::LayerTable &layers);
void paint(QPainter &painter, const MapProjection &projection, const MapQt::PrimitiveList &list);
void paint(QPainter &painter, const MapProjection &projection,
           const MapQt::MapPrimitive &primitive);

// A trace's points on screen. Trailing (0, 0) points end a vertex trace and are not drawn.
QPolygonF tracePoints(const MapProjection &projection, const MapQt::MapTrace &trace);

// How many visible primitives the table holds in its visible lists.
int visibleCount(const MapQt::LayerTable &layers);

} // namespace PrimitivePainter

#endif // PRIMITIVEPAINTER_H
