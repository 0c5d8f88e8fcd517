#include "MapPainter.h"

#include <QPainter>
#include <QPolygonF>

MapPainter::MapPainter(const QRect &area, const QSize &size)
    : m_area(area)
    , m_image(size, QImage::Format_ARGB32)
{
    m_image.fill(QColor(236, 232, 220));
}

QPointF MapPainter::toImage(int x, int y) const
{
    const double fx = (double(x) - m_area.left()) / qMax(1, m_area.width());
    const double fy = (double(y) - m_area.top()) / qMax(1, m_area.height());
    // North is up.
    return QPointF(fx * m_image.width(), (1.0 - fy) * m_image.height());
}

void MapPainter::paint(const MapQt::LayerTable &layers)
{
    for (const QList<MapQt::LayerGroup *> *groups : layers) {
        for (const MapQt::LayerGroup *group : *groups) {
            for (const MapQt::PrimitiveList *list : group->lists)
                paint(*list);
        }
    }
}

void MapPainter::paint(const MapQt::PrimitiveList &list)
{
    if (!list.visible)
        return;
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const MapQt::MapPrimitive *primitive : list.primitives) {
        if (!primitive || !primitive->visible)
            continue;
        painter.setPen(primitive->pen ? *primitive->pen : QPen(Qt::NoPen));
        painter.setBrush(primitive->brush ? *primitive->brush : QBrush(Qt::NoBrush));
        if (primitive->kind == 1 || primitive->kind == 2) {
            const auto *trace = static_cast<const MapQt::MapTrace *>(primitive);
            QPolygonF points;
            for (int i = 0; i < trace->count && trace->points; ++i)
                points << toImage(trace->points[i].x, trace->points[i].y);
            if (primitive->kind == 2)
                painter.drawPolygon(points);
            else
                painter.drawPolyline(points);
        } else if (primitive->kind == 5) {
            const auto *car = static_cast<const MapQt::MapCar *>(primitive);
            const QPointF at = toImage(car->x, car->y);
            painter.drawPixmap(at - QPointF(car->pixmap.width() / 2.0, car->pixmap.height() / 2.0),
                               car->pixmap);
            painter.setPen(Qt::black);
            painter.drawText(at + QPointF(car->pixmap.width() / 2.0 + 2, 4), car->text);
        }
    }
}
