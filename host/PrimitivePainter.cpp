#include "PrimitivePainter.h"

#include "MapProjection.h"

#include <QFontMetricsF>
#include <QPainter>

namespace PrimitivePainter {

namespace {

// Kinds, as the map library numbers them.
constexpr unsigned char TraceKind = 1;
constexpr unsigned char PolygonKind = 2;
constexpr unsigned char CarKind = 5;

void paintCar(QPainter &painter, const MapProjection &projection, const MapQt::MapCar &car)
{
    const QPointF at = projection.toScreen(QPointF(car.x, car.y));
    const QSizeF picture = car.pixmap.size() / car.pixmap.devicePixelRatioF();
    if (!car.pixmap.isNull())
        painter.drawPixmap(at - QPointF(picture.width() / 2.0, picture.height() / 2.0),
                           car.pixmap);
    if (car.text.isEmpty())
        return;
    const QFontMetricsF metrics(painter.font());
    const QPointF textAt = at + QPointF(picture.width() / 2.0 + 3, metrics.ascent() / 2.0 - 1);
    if (car.framePen) {
        QRectF frame = metrics.boundingRect(car.text).translated(textAt);
        frame.adjust(-2, -1, 2, 1);
        painter.setPen(*car.framePen);
        painter.setBrush(QColor(255, 255, 255, 220));
        painter.drawRect(frame);
    }
    painter.setPen(car.textPen ? *car.textPen : QPen(Qt::black));
    painter.drawText(textAt, car.text);
}

} // namespace

QPolygonF tracePoints(const MapProjection &projection, const MapQt::MapTrace &trace)
{
    QPolygonF points;
    if (!trace.points || trace.count <= 0)
        return points;
    int count = trace.count;
    while (count > 0 && trace.points[count - 1].x == 0 && trace.points[count - 1].y == 0)
        --count;
    points.reserve(count);
    for (int i = 0; i < count; ++i)
        points << projection.toScreen(QPointF(trace.points[i].x, trace.points[i].y));
    return points;
}

void paint(QPainter &painter, const MapProjection &projection,
           const MapQt::MapPrimitive &primitive)
{
    if (!primitive.visible)
        return;
    painter.setPen(primitive.pen ? *primitive.pen : QPen(Qt::NoPen));
    painter.setBrush(primitive.brush ? *primitive.brush : QBrush(Qt::NoBrush));
    switch (primitive.kind) {
    case TraceKind:
        painter.drawPolyline(tracePoints(projection,
                                         static_cast<const MapQt::MapTrace &>(primitive)));
        break;
    case PolygonKind:
        painter.drawPolygon(tracePoints(projection,
                                        static_cast<const MapQt::MapTrace &>(primitive)));
        break;
    case CarKind:
        paintCar(painter, projection, static_cast<const MapQt::MapCar &>(primitive));
        break;
    default:
        break;
    }
}

void paint(QPainter &painter, const MapProjection &projection, const MapQt::PrimitiveList &list)
{
    if (!list.visible)
        return;
    for (const MapQt::MapPrimitive *primitive : list.primitives) {
        if (primitive)
            paint(painter, projection, *primitive);
    }
}

void paint(QPainter &painter, const MapProjection &projection, const MapQt::LayerTable &layers)
{
    // Lower layer ids first, so higher ones lie on top.
    for (const QList<MapQt::LayerGroup *> *groups : layers) {
        if (!groups)
            continue;
        for (const MapQt::LayerGroup *group : *groups) {
            if (!group)
                continue;
            for (const MapQt::PrimitiveList *list : group->lists) {
                if (list)
                    paint(painter, projection, *list);
            }
        }
    }
}

int visibleCount(const MapQt::LayerTable &layers)
{
    int count = 0;
    for (const QList<MapQt::LayerGroup *> *groups : layers) {
        if (!groups)
            continue;
        for (const MapQt::LayerGroup *group : *groups) {
            if (!group)
                continue;
            for (const MapQt::PrimitiveList *list : group->lists) {
                if (!list || !list->visible)
                    continue;
                for (const MapQt::MapPrimitive *primitive : list->primitives)
                    count += primitive && primitive->visible;
            }
        }
    }
    return count;
}

} // namespace PrimitivePainter
