#ifndef MAPBASEPAINTER_H
#define MAPBASEPAINTER_H

#include <QList>
#include <QPointF>
#include <QString>

class MapProjection;
class QPainter;

// The map's own base under the plug-ins' layers: land, graticule with
// coordinate labels, the district's river and streets with their names; and
// the scale bar and north arrow over everything.
namespace MapBasePainter {

void paintBase(QPainter &painter, const MapProjection &projection);
void paintOverlay(QPainter &painter, const MapProjection &projection, const QString &caption);

// Graticule spacing in map units for a view: a 1, 2 or 5 step of a power of ten
// that puts lines at least minPixels apart.
double gridStep(double unitsPerPixel, double minPixels);

// "55.6900° N", "37.4200° E": the precision follows the step.
QString latitudeText(double y, double step);
QString longitudeText(double x, double step);

// The longest scale-bar length (1, 2 or 5 times a power of ten, in metres) no longer
// than maxMetres, and its label ("500 m", "2 km").
double scaleBarMetres(double maxMetres);
QString distanceText(double metres);

} // namespace MapBasePainter

#endif // MAPBASEPAINTER_H
