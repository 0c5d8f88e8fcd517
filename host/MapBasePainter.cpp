#include "MapBasePainter.h"

#include "MapProjection.h"

#include <DemoDistrict.h>

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace MapBasePainter {

namespace {

const QColor Land(241, 238, 230);
const QColor GridLine(190, 186, 176, 140);
const QColor GridText(110, 106, 98);
const QColor Water(160, 200, 228);
const QColor WaterEdge(120, 165, 200);
const QColor MajorFill(252, 214, 140);
const QColor MajorCasing(196, 150, 80);
const QColor MinorFill(255, 255, 255);
const QColor MinorCasing(180, 176, 168);
const QColor StreetText(60, 56, 50);

// A width in metres on the ground, but never thinner than a readable line.
double groundWidth(const MapProjection &projection, double metres, double minPixels)
{
    return std::max(minPixels, metres / projection.metresPerPixel());
}

QPolygonF onScreen(const MapProjection &projection, const QList<QPoint> &points)
{
    QPolygonF polygon;
    polygon.reserve(points.size());
    for (const QPoint &point : points)
        polygon << projection.toScreen(QPointF(point));
    return polygon;
}

double niceStep(double minimum)
{
    const double power = std::pow(10.0, std::floor(std::log10(minimum)));
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= minimum)
            return factor * power;
    }
    return 10.0 * power;
}

int decimalsFor(double step)
{
    // The step is in 1e-7 degree; enough decimals of a degree to tell two lines apart.
    const double degrees = step / 1e7;
    return std::clamp(int(std::ceil(-std::log10(degrees) - 1e-9)), 0, 7);
}

void paintGraticule(QPainter &painter, const MapProjection &projection)
{
    const QRectF area = projection.visibleArea();
    const double stepX = gridStep(projection.unitsPerPixelX(), 110);
    const double stepY = gridStep(projection.unitsPerPixelY(), 90);
    const QSize size = projection.size();

    painter.setPen(QPen(GridLine, 1, Qt::DashLine));
    for (double x = std::ceil(area.left() / stepX) * stepX; x <= area.right(); x += stepX) {
        const double px = projection.toScreen(QPointF(x, area.center().y())).x();
        painter.drawLine(QPointF(px, 0), QPointF(px, size.height()));
    }
    for (double y = std::ceil(area.top() / stepY) * stepY; y <= area.bottom(); y += stepY) {
        const double py = projection.toScreen(QPointF(area.center().x(), y)).y();
        painter.drawLine(QPointF(0, py), QPointF(size.width(), py));
    }

    QFont font = painter.font();
    font.setPointSizeF(7.5);
    painter.setFont(font);
    painter.setPen(GridText);
    const QFontMetricsF metrics(font);
    for (double x = std::ceil(area.left() / stepX) * stepX; x <= area.right(); x += stepX) {
        const double px = projection.toScreen(QPointF(x, area.center().y())).x();
        painter.drawText(QPointF(px + 3, metrics.ascent() + 2), longitudeText(x, stepX));
    }
    for (double y = std::ceil(area.top() / stepY) * stepY; y <= area.bottom(); y += stepY) {
        const double py = projection.toScreen(QPointF(area.center().x(), y)).y();
        painter.drawText(QPointF(3, py - 3), latitudeText(y, stepY));
    }
}

void paintRiver(QPainter &painter, const MapProjection &projection)
{
    const QPolygonF river = onScreen(projection, DemoDistrict::river());
    const double width = groundWidth(projection, 70, 4);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(WaterEdge, width + 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(river);
    painter.setPen(QPen(Water, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(river);
}

// The name rides along the longest on-screen stretch that can hold it, kept upright.
void paintStreetName(QPainter &painter, const QPolygonF &line, const QString &name)
{
    const QFontMetricsF metrics(painter.font());
    const double textWidth = metrics.horizontalAdvance(name);
    int best = -1;
    double bestLength = textWidth + 16;
    for (int i = 0; i + 1 < line.size(); ++i) {
        const double length = QLineF(line[i], line[i + 1]).length();
        if (length > bestLength) {
            best = i;
            bestLength = length;
        }
    }
    if (best < 0)
        return;
    QLineF segment(line[best], line[best + 1]);
    if (segment.dx() < 0)
        segment = QLineF(segment.p2(), segment.p1());
    painter.save();
    painter.translate(segment.center());
    painter.rotate(-segment.angle());
    QPainterPath path;
    path.addText(QPointF(-textWidth / 2, metrics.ascent() / 2 - 1.5), painter.font(), name);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 3, Qt::SolidLine, Qt::RoundCap,
                        Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.setPen(Qt::NoPen);
    painter.setBrush(StreetText);
    painter.drawPath(path);
    painter.restore();
}

void paintStreets(QPainter &painter, const MapProjection &projection)
{
    const QList<DemoDistrict::Street> streets = DemoDistrict::streets();
    painter.setBrush(Qt::NoBrush);
    // All casings first, so that crossings join cleanly; minor streets under major ones.
    for (bool major : {false, true}) {
        const double width = groundWidth(projection, major ? 26 : 14, major ? 4.5 : 2.5);
        for (const DemoDistrict::Street &street : streets) {
            if (street.major != major)
                continue;
            painter.setPen(QPen(major ? MajorCasing : MinorCasing, width + 2, Qt::SolidLine,
                                Qt::RoundCap, Qt::RoundJoin));
            painter.drawPolyline(onScreen(projection, street.points));
        }
        for (const DemoDistrict::Street &street : streets) {
            if (street.major != major)
                continue;
            painter.setPen(QPen(major ? MajorFill : MinorFill, width, Qt::SolidLine,
                                Qt::RoundCap, Qt::RoundJoin));
            painter.drawPolyline(onScreen(projection, street.points));
        }
    }
    // Names only where the streets are wide enough to be read as streets.
    if (projection.metresPerPixel() > 25)
        return;
    QFont font = painter.font();
    font.setPointSizeF(8);
    painter.setFont(font);
    for (const DemoDistrict::Street &street : streets)
        paintStreetName(painter, onScreen(projection, street.points), street.name);
}

void paintScaleBar(QPainter &painter, const MapProjection &projection)
{
    const double metres = scaleBarMetres(projection.metresPerPixel() * 140);
    const double pixels = metres / projection.metresPerPixel();
    const QPointF origin(14, projection.size().height() - 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 190));
    painter.drawRoundedRect(QRectF(origin + QPointF(-6, -22), QSizeF(pixels + 12, 30)), 3, 3);
    painter.setPen(QPen(QColor(40, 40, 40), 2));
    painter.drawLine(origin, origin + QPointF(pixels, 0));
    painter.drawLine(origin, origin + QPointF(0, -6));
    painter.drawLine(origin + QPointF(pixels, 0), origin + QPointF(pixels, -6));
    QFont font = painter.font();
    font.setPointSizeF(8);
    painter.setFont(font);
    painter.drawText(origin + QPointF(4, -8), distanceText(metres));
}

void paintNorthArrow(QPainter &painter, const MapProjection &projection)
{
    const QPointF tip(projection.size().width() - 30, 26);
    QPolygonF arrow;
    arrow << tip << tip + QPointF(8, 24) << tip + QPointF(0, 18) << tip + QPointF(-8, 24);
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    painter.setBrush(QColor(60, 60, 60));
    painter.drawPolygon(arrow);
    QFont font = painter.font();
    font.setPointSizeF(8);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(tip.x() - 10, tip.y() + 25, 20, 16), Qt::AlignCenter,
                     QCoreApplication::translate("MapBasePainter", "N"));
}

} // namespace

double gridStep(double unitsPerPixel, double minPixels)
{
    return niceStep(std::max(1.0, unitsPerPixel * minPixels));
}

QString latitudeText(double y, double step)
{
    return QStringLiteral("%1° %2")
        .arg(std::abs(y) / 1e7, 0, 'f', decimalsFor(step))
        .arg(y < 0 ? QCoreApplication::translate("MapBasePainter", "S")
                   : QCoreApplication::translate("MapBasePainter", "N"));
}

QString longitudeText(double x, double step)
{
    return QStringLiteral("%1° %2")
        .arg(std::abs(x) / 1e7, 0, 'f', decimalsFor(step))
        .arg(x < 0 ? QCoreApplication::translate("MapBasePainter", "W")
                   : QCoreApplication::translate("MapBasePainter", "E"));
}

double scaleBarMetres(double maxMetres)
{
    if (maxMetres < 1)
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(maxMetres)));
    for (double factor : {5.0, 2.0, 1.0}) {
        if (factor * power <= maxMetres)
            return factor * power;
    }
    return power;
}

QString distanceText(double metres)
{
    if (metres >= 1000)
        return QCoreApplication::translate("MapBasePainter", "%1 km")
            .arg(metres / 1000, 0, 'g', 6);
    return QCoreApplication::translate("MapBasePainter", "%1 m").arg(metres, 0, 'g', 6);
}

void paintBase(QPainter &painter, const MapProjection &projection)
{
    painter.fillRect(QRect(QPoint(0, 0), projection.size()), Land);
    painter.setRenderHint(QPainter::Antialiasing, false);
    paintGraticule(painter, projection);
    painter.setRenderHint(QPainter::Antialiasing, true);
    paintRiver(painter, projection);
    paintStreets(painter, projection);
}

void paintOverlay(QPainter &painter, const MapProjection &projection, const QString &caption)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    paintScaleBar(painter, projection);
    paintNorthArrow(painter, projection);
    if (caption.isEmpty())
        return;
    QFont font = painter.font();
    font.setPointSizeF(8);
    font.setBold(false);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const QSizeF box(metrics.horizontalAdvance(caption) + 12, metrics.height() + 6);
    const QRectF rect(QPointF(projection.size().width() - box.width() - 8,
                              projection.size().height() - box.height() - 8), box);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 190));
    painter.drawRoundedRect(rect, 3, 3);
    painter.setPen(QColor(60, 60, 60));
    painter.drawText(rect, Qt::AlignCenter, caption);
}

} // namespace MapBasePainter
