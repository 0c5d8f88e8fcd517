#include "UnitPainter.h"

#include "MapProjection.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace UnitPainter {

namespace {

constexpr double RimWidth = 1.5;
constexpr double HaloWidth = 3.0;
constexpr double LabelGap = 4.0;

} // namespace

void paint(QPainter &painter, const MapProjection &projection, const QList<Marker> &markers)
{
    if (markers.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QFont font = painter.font();
    font.setPointSizeF(7.5);
    font.setBold(true);
    const QFontMetricsF metrics(font);
    const QPen rim(Qt::white, RimWidth);
    const QPen halo(QColor(255, 255, 255, 215), HaloWidth, Qt::SolidLine, Qt::RoundCap,
                    Qt::RoundJoin);
    const double radius = DotDiameter / 2.0;
    // Far enough out that a label of a unit just off the view still shows its tail.
    const QRectF shown = QRectF(QPointF(0, 0), projection.size()).adjusted(-200, -20, 20, 20);

    for (const Marker &marker : markers) {
        const QPointF at = projection.toScreen(marker.position);
        if (!shown.contains(at))
            continue;
        painter.setPen(rim);
        painter.setBrush(QColor(DotColour));
        painter.drawEllipse(at, radius, radius);

        QPainterPath label;
        label.addText(at + QPointF(radius + LabelGap, metrics.ascent() / 2.0 - 1), font,
                      marker.name);
        painter.strokePath(label, halo);
        painter.fillPath(label, QColor(TextColour));
    }
    painter.restore();
}

} // namespace UnitPainter
