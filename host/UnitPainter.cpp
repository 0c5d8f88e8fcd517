#include "UnitPainter.h"

#include "MapProjection.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace UnitPainter {

namespace {

constexpr double RimWidth = 1.5;
constexpr double HaloWidth = 3.0;
constexpr double LabelGap = 4.0;

} // namespace

QList<std::optional<QRectF>> placeLabels(const QList<QPointF> &dots, const QList<QSizeF> &sizes)
{
    const double radius = DotDiameter / 2.0;
    QList<QRectF> taken;
    for (const QPointF &dot : dots)
        taken << QRectF(dot - QPointF(radius, radius), QSizeF(DotDiameter, DotDiameter));
    QList<std::optional<QRectF>> places;
    for (int i = 0; i < dots.size(); ++i) {
        const QPointF at = dots.at(i);
        const QSizeF size = sizes.value(i);
        const double gap = radius + LabelGap;
        const QRectF candidates[] = {
            QRectF(QPointF(at.x() + gap, at.y() - size.height() / 2), size),
            QRectF(QPointF(at.x() - gap - size.width(), at.y() - size.height() / 2), size),
            QRectF(QPointF(at.x() - size.width() / 2, at.y() - gap - size.height()), size),
            QRectF(QPointF(at.x() - size.width() / 2, at.y() + gap), size)};
        std::optional<QRectF> place;
        for (const QRectF &candidate : candidates) {
            const bool free = std::none_of(taken.cbegin(), taken.cend(), [&](const QRectF &r) {
                return r.intersects(candidate);
            });
            if (free) {
                place = candidate;
                taken << candidate;
                break;
            }
        }
        places << place;
    }
    return places;
}

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

    QList<QPointF> dots;
    QList<QSizeF> sizes;
    QList<const Marker *> onView;
    for (const Marker &marker : markers) {
        const QPointF at = projection.toScreen(marker.position);
        if (!shown.contains(at))
            continue;
        dots << at;
        sizes << QSizeF(metrics.horizontalAdvance(marker.name), metrics.height());
        onView << &marker;
    }
    painter.setPen(rim);
    painter.setBrush(QColor(DotColour));
    for (const QPointF &at : qAsConst(dots))
        painter.drawEllipse(at, radius, radius);
    const QList<std::optional<QRectF>> places = placeLabels(dots, sizes);
    for (int i = 0; i < places.size(); ++i) {
        if (!places.at(i))
            continue;
        QPainterPath label;
        label.addText(places.at(i)->bottomLeft() - QPointF(0, metrics.descent()), font,
                      onView.at(i)->name);
        painter.strokePath(label, halo);
        painter.fillPath(label, QColor(TextColour));
    }
    painter.restore();
}

} // namespace UnitPainter
