#ifndef UNITPAINTER_H
#define UNITPAINTER_H

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QString>

#include <optional>

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

// Where each label goes, given the dots' centres and the labels' sizes on
// screen: right of its dot, else left, above or below, wherever it covers no
// label placed before it and no dot. A label with no free place is left out
// (its dot stays, and the Units dock finds it). Earlier markers come first.
QList<std::optional<QRectF>> placeLabels(const QList<QPointF> &dots, const QList<QSizeF> &sizes);

} // namespace UnitPainter

#endif // UNITPAINTER_H
