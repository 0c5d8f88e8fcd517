#ifndef UNITPAINTER_H
#define UNITPAINTER_H

#include <QRgb>
#include <QList>
#include <QPointF>
#include <QString>

class MapProjection;
class QPainter;

// Draws the tracked units at their last fix: a dot with a white rim, the
// unit's name beside it in a small font with a light halo, so that both read
// on the base and on any shape a plug-in drew.
namespace UnitPainter {

struct Marker
{
    QString name;
    QPointF position; // 1e-7 degree, x longitude
};

constexpr int DotDiameter = 8;
constexpr QRgb DotColour = 0xff143282;
constexpr QRgb TextColour = 0xff0f1e46;

void paint(QPainter &painter, const MapProjection &projection, const QList<Marker> &markers);

} // namespace UnitPainter

#endif // UNITPAINTER_H
