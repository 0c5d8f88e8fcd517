// draw-icons: paints the project's 32x32 pictures with QPainter and saves
// them as PNG files.
//
// Usage: draw-icons <source root>
//
// The plug-in's toolbar icons go to plugin/resources/icon/, its tree branch
// markers to plugin/resources/pic/, and the map icons, which the host draws
// too, to core/icons/pictures/.  Everything is vector drawing;
// no fonts and no external images are used.

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QString>
#include <QVector>

#include <cmath>
#include <cstdio>
#include <initializer_list>

namespace {

constexpr int kSize = 32;
constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------
// Shared helpers
// ---------------------------------------------------------------------------

QPen roundPen(const QColor &color, double width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Fills a path and strokes its outline.
void fillOutlined(QPainter &p, const QPainterPath &path, const QBrush &fill,
                  const QColor &outline, double width = 1.2)
{
    p.setPen(roundPen(outline, width));
    p.setBrush(fill);
    p.drawPath(path);
}

// A soft white halo behind a map symbol so it stays readable on any map.
void halo(QPainter &p, const QPainterPath &path, double width = 3.0)
{
    p.setPen(roundPen(QColor(255, 255, 255, 220), width));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

QLinearGradient vertical(const QColor &top, const QColor &bottom,
                         double y0 = 0, double y1 = kSize)
{
    QLinearGradient g(0, y0, 0, y1);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QPainterPath polygonPath(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QVector<QPointF>(points)));
    path.closeSubpath();
    return path;
}

// A plus sign made of two bars, centred at (cx, cy).
QPainterPath plusPath(double cx, double cy, double arm, double thick,
                      double radius = 1.0)
{
    QPainterPath h, v;
    h.addRoundedRect(QRectF(cx - arm, cy - thick / 2, 2 * arm, thick),
                     radius, radius);
    v.addRoundedRect(QRectF(cx - thick / 2, cy - arm, thick, 2 * arm),
                     radius, radius);
    return h.united(v).simplified();
}

QPainterPath starPath(double cx, double cy, double outer, double inner,
                      int points = 5)
{
    QPolygonF poly;
    for (int i = 0; i < 2 * points; ++i) {
        const double r = (i % 2 == 0) ? outer : inner;
        const double a = -kPi / 2 + i * kPi / points;
        poly << QPointF(cx + r * std::cos(a), cy + r * std::sin(a));
    }
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

// A triangular arrow head whose tip is `tip`, pointing along `dir`
// (any length), `length` long and `width` wide at its base.
QPainterPath arrowHead(QPointF tip, QPointF dir, double length, double width)
{
    const double n = std::hypot(dir.x(), dir.y());
    const QPointF d(dir.x() / n, dir.y() / n);
    const QPointF side(-d.y(), d.x());
    const QPointF base = tip - d * length;
    return polygonPath(
        {tip, base + side * (width / 2), base - side * (width / 2)});
}

// A stroked open path turned into a closed outline, joined to a head.
QPainterPath strokedArrow(const QPainterPath &shaft, double width,
                          const QPainterPath &head)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(shaft).united(head).simplified();
}

// Circular arrow on the circle around `c`: the arc starts at `startDeg`
// and runs anticlockwise on screen over `spanDeg` (Qt angles: 0 = east,
// 90 = north).  The last `headDeg` degrees form a head that follows the
// circle, `headWidth` wide across its base.
QPainterPath arcArrow(QPointF c, double r, double startDeg, double spanDeg,
                      double width, double headDeg, double headWidth)
{
    const auto onCircle = [&](double deg, double radius) {
        const double a = deg * kPi / 180.0;
        return QPointF(c.x() + radius * std::cos(a),
                       c.y() - radius * std::sin(a));
    };
    const double endDeg = startDeg + spanDeg;
    const double baseDeg = endDeg - headDeg;

    QPainterPath shaft;
    const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
    shaft.arcMoveTo(box, startDeg);
    shaft.arcTo(box, startDeg, spanDeg - headDeg + 2);  // overlap the head

    const QPainterPath head =
        polygonPath({onCircle(baseDeg, r + headWidth / 2), onCircle(endDeg, r),
                     onCircle(baseDeg, r - headWidth / 2)});
    return strokedArrow(shaft, width, head);
}

// Shield outline used by the checkpoint posts.
QPainterPath shieldPath()
{
    QPainterPath s;
    s.moveTo(16, 2);
    s.cubicTo(19.5, 4, 24, 4.6, 28.5, 4.6);
    s.lineTo(28.5, 15);
    s.cubicTo(28.5, 22.5, 23, 27.5, 16, 30.5);
    s.cubicTo(9, 27.5, 3.5, 22.5, 3.5, 15);
    s.lineTo(3.5, 4.6);
    s.cubicTo(8, 4.6, 12.5, 4, 16, 2);
    s.closeSubpath();
    return s;
}

// A white round badge with a coloured ring.
void roundBadge(QPainter &p, const QColor &ring, const QColor &fill = Qt::white)
{
    p.setPen(QPen(ring, 2.2));
    p.setBrush(fill);
    p.drawEllipse(QPointF(16, 16), 14.2, 14.2);
}

// ---------------------------------------------------------------------------
// Toolbar / action icons
// ---------------------------------------------------------------------------

void drawAdd(QPainter &p)
{
    fillOutlined(p, plusPath(16, 16, 12, 7.5, 1.8),
                 vertical(QColor(0x7d, 0xd8, 0x5a), QColor(0x2e, 0x9a, 0x2a)),
                 QColor(0x1e, 0x6b, 0x1c), 1.3);
}

void drawDelete(QPainter &p)
{
    p.translate(16, 16);
    p.rotate(45);
    p.translate(-16, -16);
    fillOutlined(p, plusPath(16, 16, 12.5, 6.5, 1.6),
                 vertical(QColor(0xf2, 0x6b, 0x5e), QColor(0xc4, 0x1e, 0x14)),
                 QColor(0x8a, 0x12, 0x0b), 1.3);
}

void drawPickList(QPainter &p)
{
    QPainterPath sheet;
    sheet.addRoundedRect(QRectF(4.5, 2.5, 23, 27), 2.5, 2.5);
    fillOutlined(p, sheet, vertical(Qt::white, QColor(0xe4, 0xea, 0xf2)),
                 QColor(0x5a, 0x67, 0x78), 1.2);

    const double rows[] = {9, 16, 23};
    const bool ticked[] = {true, false, true};
    for (int i = 0; i < 3; ++i) {
        const double y = rows[i];
        p.setPen(QPen(QColor(0x5a, 0x67, 0x78), 1.1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7.5, y - 2.5, 5, 5));
        p.setPen(roundPen(QColor(0x8a, 0x96, 0xa6), 2.0));
        p.drawLine(QPointF(15.5, y), QPointF(24.5, y));
        if (ticked[i]) {
            QPainterPath tick;
            tick.moveTo(7.2, y - 0.3);
            tick.lineTo(9.6, y + 2.2);
            tick.lineTo(14.2, y - 4.2);
            p.setPen(roundPen(QColor(0x1f, 0x9a, 0x2e), 2.2));
            p.setBrush(Qt::NoBrush);
            p.drawPath(tick);
        }
    }
    // The chosen (middle) row is highlighted.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x7b, 0xd5, 70));
    p.drawRoundedRect(QRectF(6.5, 12.8, 19.5, 6.4), 1.5, 1.5);
}

void drawSave(QPainter &p)
{
    QPainterPath body;
    body.moveTo(5, 3.5);
    body.lineTo(24, 3.5);
    body.lineTo(28.5, 8);
    body.lineTo(28.5, 27);
    body.quadTo(28.5, 28.5, 27, 28.5);
    body.lineTo(5, 28.5);
    body.quadTo(3.5, 28.5, 3.5, 27);
    body.lineTo(3.5, 5);
    body.quadTo(3.5, 3.5, 5, 3.5);
    body.closeSubpath();
    fillOutlined(p, body,
                 vertical(QColor(0x4f, 0x86, 0xd6), QColor(0x25, 0x55, 0xa3)),
                 QColor(0x16, 0x36, 0x6e), 1.2);

    // Metal shutter with its window.
    p.setPen(QPen(QColor(0x6b, 0x74, 0x80), 0.9));
    p.setBrush(vertical(QColor(0xee, 0xf1, 0xf5), QColor(0xb9, 0xc1, 0xcc)));
    p.drawRect(QRectF(9, 3.5, 13, 8.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2d, 0x3a, 0x4d));
    p.drawRect(QRectF(17, 5.2, 3, 5));

    // Label.
    p.setPen(QPen(QColor(0x9a, 0xa8, 0xbb), 0.9));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(7, 15.5, 18, 11.5), 1.2, 1.2);
    p.setPen(QPen(QColor(0xb3, 0xc4, 0xdc), 1.0));
    p.drawLine(QPointF(9, 19), QPointF(23, 19));
    p.drawLine(QPointF(9, 22), QPointF(23, 22));
}

// Hooked arrow: head at the upper left, the tail curls round on the right.
QPainterPath undoArrow()
{
    QPainterPath shaft;
    shaft.moveTo(11.5, 11);
    shaft.lineTo(19, 11);
    shaft.arcTo(QRectF(12.5, 11, 14, 14), 90, -180);
    shaft.lineTo(11, 25);
    const QPainterPath head =
        arrowHead(QPointF(2.5, 11), QPointF(-1, 0), 10, 13);
    return strokedArrow(shaft, 4.6, head);
}

void drawUndo(QPainter &p)
{
    fillOutlined(p, undoArrow(),
                 vertical(QColor(0x6f, 0xa8, 0xee), QColor(0x22, 0x5f, 0xc0)),
                 QColor(0x15, 0x3d, 0x80), 1.2);
}

void drawRedo(QPainter &p)
{
    p.translate(kSize, 0);
    p.scale(-1, 1);
    fillOutlined(p, undoArrow(),
                 vertical(QColor(0x6f, 0xa8, 0xee), QColor(0x22, 0x5f, 0xc0)),
                 QColor(0x15, 0x3d, 0x80), 1.2);
}

void drawEditor(QPainter &p)
{
    // A line of "writing" under the tip.
    p.setPen(roundPen(QColor(0x3a, 0x7b, 0xd5), 1.6));
    p.drawLine(QPointF(3, 29.5), QPointF(13, 29.5));

    p.translate(16.5, 15.5);
    p.rotate(-45);
    const QColor outline(0x5a, 0x3e, 0x10);
    const double w = 4.2;  // half width of the pencil

    // Wooden cone and graphite point.
    const QPainterPath cone =
        polygonPath({{-8, -w}, {-17, 0}, {-8, w}});
    fillOutlined(p, cone, QColor(0xf3, 0xd2, 0xa2), outline, 1.0);
    const QPainterPath lead =
        polygonPath({{-14.2, -1.35}, {-17, 0}, {-14.2, 1.35}});
    fillOutlined(p, lead, QColor(0x33, 0x33, 0x33), QColor(0x33, 0x33, 0x33),
                 0.6);

    // Body with a lighter middle facet.
    QLinearGradient body(0, -w, 0, w);
    body.setColorAt(0.0, QColor(0xf7, 0xc9, 0x3a));
    body.setColorAt(0.5, QColor(0xff, 0xe0, 0x70));
    body.setColorAt(1.0, QColor(0xe0, 0x9a, 0x10));
    QPainterPath shaft;
    shaft.addRect(QRectF(-8, -w, 15, 2 * w));
    fillOutlined(p, shaft, body, outline, 1.0);

    // Metal band and eraser.
    QPainterPath band;
    band.addRect(QRectF(7, -w, 3, 2 * w));
    fillOutlined(p, band, QColor(0xc3, 0xc8, 0xcf), QColor(0x55, 0x5b, 0x63),
                 1.0);
    QPainterPath eraser;
    eraser.addRoundedRect(QRectF(10, -w, 4.5, 2 * w), 1.6, 1.6);
    fillOutlined(p, eraser, QColor(0xf2, 0x8f, 0xa6), QColor(0x8c, 0x3a, 0x4e),
                 1.0);
}

void drawReload(QPainter &p)
{
    const QPointF c(16, 16);
    const QPainterPath a = arcArrow(c, 9.5, 200, 150, 4.0, 48, 12);
    const QPainterPath b = arcArrow(c, 9.5, 20, 150, 4.0, 48, 12);
    const QBrush fill =
        vertical(QColor(0x6c, 0xcf, 0x6a), QColor(0x25, 0x8c, 0x2f));
    fillOutlined(p, a, fill, QColor(0x17, 0x5e, 0x1f), 1.1);
    fillOutlined(p, b, fill, QColor(0x17, 0x5e, 0x1f), 1.1);
}

// ---------------------------------------------------------------------------
// Tree branch markers
// ---------------------------------------------------------------------------

void drawBranchClosed(QPainter &p)
{
    const QPainterPath t =
        polygonPath({{12.5, 9.5}, {21.5, 16}, {12.5, 22.5}});
    fillOutlined(p, t, QColor(0x55, 0x55, 0x55), QColor(0x55, 0x55, 0x55),
                 1.0);
}

void drawBranchOpen(QPainter &p)
{
    const QPainterPath t =
        polygonPath({{9.5, 12.5}, {22.5, 12.5}, {16, 21.5}});
    fillOutlined(p, t, QColor(0x55, 0x55, 0x55), QColor(0x55, 0x55, 0x55),
                 1.0);
}

// ---------------------------------------------------------------------------
// Map icons
// ---------------------------------------------------------------------------

void drawEvent(QPainter &p)
{
    const QPainterPath tri =
        polygonPath({{16, 2.5}, {30, 28}, {2, 28}});
    halo(p, tri, 3.2);
    p.setPen(QPen(QColor(0x6b, 0x4a, 0x00), 1.6, Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.setBrush(vertical(QColor(0xff, 0xe2, 0x4d), QColor(0xf5, 0xb0, 0x00),
                        2.5, 28));
    p.drawPath(tri);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x22, 0x22, 0x22));
    QPainterPath bar;
    bar.moveTo(14.2, 11);
    bar.lineTo(17.8, 11);
    bar.lineTo(17, 20.5);
    bar.lineTo(15, 20.5);
    bar.closeSubpath();
    p.drawPath(bar);
    p.drawEllipse(QPointF(16, 23.8), 1.8, 1.8);
}

void drawHotSituation(QPainter &p)
{
    QPainterPath outer;
    outer.moveTo(16, 30);
    outer.cubicTo(9.5, 30, 5.5, 25.5, 6, 20.5);
    outer.cubicTo(6.5, 15.5, 10.5, 13, 11.5, 7.5);
    outer.cubicTo(14, 10, 14.8, 12.5, 14.3, 15.5);
    outer.cubicTo(17.5, 12.5, 20.5, 8, 18.5, 1.5);
    outer.cubicTo(24, 5.5, 27, 12.5, 26, 19.5);
    outer.cubicTo(25.3, 25.5, 21.5, 30, 16, 30);
    outer.closeSubpath();
    halo(p, outer, 3.0);
    fillOutlined(p, outer,
                 vertical(QColor(0xff, 0x7a, 0x1a), QColor(0xd3, 0x1f, 0x0f),
                          2, 30),
                 QColor(0x7a, 0x10, 0x05), 1.2);

    QPainterPath inner;
    inner.moveTo(16, 28);
    inner.cubicTo(12.5, 28, 10.5, 25.5, 11, 22.5);
    inner.cubicTo(11.5, 20, 13.5, 19, 14, 16.5);
    inner.cubicTo(15.5, 18, 16, 19.5, 15.6, 21);
    inner.cubicTo(18, 19.5, 19, 17, 18.5, 13.5);
    inner.cubicTo(21, 16.5, 22, 20, 21.3, 23);
    inner.cubicTo(20.8, 26, 18.8, 28, 16, 28);
    inner.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(QColor(0xff, 0xf3, 0x9a), QColor(0xff, 0xc4, 0x1f),
                        13, 28));
    p.drawPath(inner);
}

QPainterPath carBody()
{
    QPainterPath body;
    body.moveTo(2.5, 25);
    body.lineTo(2.5, 20.5);
    body.quadTo(2.5, 18.5, 4.5, 18.3);
    body.lineTo(7.5, 18);
    body.lineTo(10.5, 13.2);
    body.quadTo(11, 12.5, 12, 12.5);
    body.lineTo(18.5, 12.5);
    body.quadTo(19.5, 12.5, 20, 13.2);
    body.lineTo(23, 18);
    body.lineTo(25, 18.5);
    body.quadTo(27, 19, 27, 21);
    body.lineTo(27, 25);
    body.closeSubpath();
    return body;
}

void drawHijacking(QPainter &p)
{
    p.translate(-1.5, 1.5);
    const QPainterPath body = carBody();
    halo(p, body, 3.0);
    fillOutlined(p, body,
                 vertical(QColor(0x5d, 0x96, 0xe6), QColor(0x1f, 0x55, 0xb0),
                          12, 25),
                 QColor(0x12, 0x30, 0x66), 1.1);

    // Side windows.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xcf, 0xe6, 0xff));
    p.drawPath(
        polygonPath({{9.3, 18}, {11.6, 14.2}, {14.7, 14.2}, {14.7, 18}}));
    p.drawPath(polygonPath({{16.2, 18}, {16.2, 14.2}, {19, 14.2}, {21.3, 18}}));

    // Wheels.
    for (double x : {8.5, 21.0}) {
        p.setPen(QPen(QColor(0x1a, 0x1a, 0x1a), 1.0));
        p.setBrush(QColor(0x2b, 0x2b, 0x2b));
        p.drawEllipse(QPointF(x, 25), 3.3, 3.3);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xc8, 0xc8, 0xc8));
        p.drawEllipse(QPointF(x, 25), 1.3, 1.3);
    }
    p.resetTransform();

    // Red arrow: the car is being driven away.
    QPainterPath shaft;
    shaft.moveTo(17.5, 11.5);
    shaft.quadTo(20, 7.5, 24.5, 7);
    const QPainterPath arrow = strokedArrow(
        shaft, 3.0, arrowHead(QPointF(29.8, 4.6), QPointF(1, -0.5), 6.5, 8));
    halo(p, arrow, 2.6);
    fillOutlined(p, arrow, QColor(0xe0, 0x1b, 0x1b), QColor(0x7a, 0x08, 0x08),
                 1.0);
}

void drawKill(QPainter &p)
{
    roundBadge(p, QColor(0x20, 0x20, 0x20), QColor(0xee, 0xee, 0xee));
    QPainterPath cross;
    cross.addRect(QRectF(14.3, 5.5, 3.4, 21));
    QPainterPath beam;
    beam.addRect(QRectF(9.5, 10, 13, 3.4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x15, 0x15, 0x15));
    p.drawPath(cross.united(beam));
}

// Checkpoint post: a shield in the service colour with a lower band,
// carrying a sentry booth and a striped barrier.
void drawPost(QPainter &p, const QColor &field, const QColor &band)
{
    const QPainterPath shield = shieldPath();
    halo(p, shield, 2.6);
    p.setPen(Qt::NoPen);
    p.setBrush(field);
    p.drawPath(shield);

    p.save();
    p.setClipPath(shield);
    p.setBrush(band);
    p.drawRect(QRectF(0, 23.5, kSize, 9));
    p.restore();

    p.setPen(QPen(QColor(0x15, 0x15, 0x15), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shield);

    const QColor ink(0x1c, 0x1c, 0x1c);
    // Sentry booth: white box, dark flat roof, large window.
    p.setPen(QPen(ink, 1.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 11, 8, 11));
    p.setBrush(QColor(0x2a, 0x2a, 0x2a));
    p.drawRect(QRectF(5.3, 8.6, 10.4, 2.4));
    p.setBrush(QColor(0x8e, 0xc6, 0xf0));
    p.drawRect(QRectF(8, 12.8, 4.9, 4.2));

    // Barrier post and red-and-white striped arm.
    p.setBrush(QColor(0xe6, 0xe6, 0xe6));
    p.drawRect(QRectF(17.3, 13.5, 2.2, 8.5));
    const QRectF arm(18.5, 13.2, 8.8, 3.2);
    p.setBrush(Qt::white);
    p.drawRect(arm);
    p.save();
    p.setClipRect(arm);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd8, 0x1c, 0x1c));
    for (double x = 18.5; x < arm.right(); x += 4.4)
        p.drawRect(QRectF(x, arm.top(), 2.2, arm.height()));
    p.restore();
    p.setPen(QPen(ink, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(arm);

    // Ground line.
    p.setPen(roundPen(ink, 1.2));
    p.drawLine(QPointF(5.5, 22), QPointF(26.5, 22));
}

void drawPostMob(QPainter &p)
{
    drawPost(p, QColor(0x1f, 0x5c, 0xc4), QColor(0xff, 0xff, 0xff));
}

void drawPostDps(QPainter &p)
{
    drawPost(p, QColor(0x22, 0x9a, 0x3c), QColor(0xff, 0xd8, 0x20));
}

void drawPostPps(QPainter &p)
{
    drawPost(p, QColor(0xf2, 0x8c, 0x0a), QColor(0x1a, 0x2f, 0x7a));
}

void drawPostOmon(QPainter &p)
{
    drawPost(p, QColor(0x3a, 0x40, 0x4a), QColor(0xd8, 0x1c, 0x1c));
}

void drawCentre(QPainter &p)
{
    const QColor red(0xd3, 0x1f, 0x1f);
    const double radii[] = {14.2, 11, 7.8, 4.6};
    for (int i = 0; i < 4; ++i) {
        p.setPen(i == 0 ? QPen(QColor(0x6a, 0x0a, 0x0a), 1.2) : Qt::NoPen);
        p.setBrush(i % 2 == 0 ? red : QColor(Qt::white));
        p.drawEllipse(QPointF(16, 16), radii[i], radii[i]);
    }
    p.setBrush(QColor(0x20, 0x20, 0x20));
    p.drawEllipse(QPointF(16, 16), 2.0, 2.0);
}

void drawHouse(QPainter &p)
{
    const QColor ink(0x3a, 0x22, 0x12);
    const QPainterPath roof = polygonPath({{2.5, 16}, {16, 3.5}, {29.5, 16}});
    QPainterPath walls;
    walls.addRect(QRectF(6.5, 14, 19, 15));
    halo(p, roof.united(walls), 3.0);

    // Chimney, walls, roof.
    p.setPen(QPen(ink, 1.0));
    p.setBrush(QColor(0x9a, 0x4a, 0x2a));
    p.drawRect(QRectF(20.5, 5, 3.5, 7));
    fillOutlined(p, walls, QColor(0xf5, 0xe6, 0xc8), ink, 1.1);
    fillOutlined(p, roof,
                 vertical(QColor(0xe8, 0x4a, 0x2e), QColor(0xb0, 0x24, 0x14),
                          3.5, 16),
                 ink, 1.2);

    // Door and window.
    p.setPen(QPen(ink, 0.9));
    p.setBrush(QColor(0x8a, 0x55, 0x2a));
    p.drawRect(QRectF(9.5, 19.5, 5, 9.5));
    p.setBrush(QColor(0x9f, 0xd3, 0xff));
    p.drawRect(QRectF(17.5, 18.5, 5.5, 5));
    p.drawLine(QPointF(20.25, 18.5), QPointF(20.25, 23.5));
    p.drawLine(QPointF(17.5, 21), QPointF(23, 21));
}

// Unit flag: a red swallow-tailed pennant on a pole.
void drawSubUnit(QPainter &p)
{
    QPainterPath flag;
    flag.moveTo(9, 4.5);
    flag.cubicTo(14, 2.5, 20, 6.5, 29, 4.5);
    flag.lineTo(23.5, 11);
    flag.lineTo(29, 17.5);
    flag.cubicTo(20, 19.5, 14, 15.5, 9, 17.5);
    flag.closeSubpath();

    QPainterPath pole;
    pole.addRoundedRect(QRectF(6.3, 3, 2.8, 26), 1, 1);
    halo(p, flag, 3.0);
    halo(p, pole, 3.0);

    fillOutlined(p, flag,
                 vertical(QColor(0xe8, 0x34, 0x2a), QColor(0xb0, 0x12, 0x0e),
                          3, 18),
                 QColor(0x6a, 0x08, 0x05), 1.1);

    fillOutlined(p, pole, QColor(0x6b, 0x55, 0x40), QColor(0x2a, 0x1e, 0x12),
                 1.0);
    p.setPen(QPen(QColor(0x5a, 0x45, 0x00), 0.9));
    p.setBrush(QColor(0xf2, 0xc2, 0x2a));
    p.drawEllipse(QPointF(7.7, 3), 2.2, 2.2);
    // Foot of the pole.
    p.setPen(QPen(QColor(0x2a, 0x1e, 0x12), 1.0));
    p.setBrush(QColor(0x6b, 0x55, 0x40));
    p.drawRoundedRect(QRectF(3.5, 27.2, 8.5, 2.6), 1, 1);
}

void drawPoliceStation(QPainter &p)
{
    const QColor ink(0x14, 0x25, 0x4a);
    QPainterPath building;
    building.addRect(QRectF(4.5, 12, 23, 17));
    const QPainterPath roof =
        polygonPath({{2.5, 12.5}, {16, 3}, {29.5, 12.5}});
    halo(p, building.united(roof), 3.0);

    fillOutlined(p, building,
                 vertical(QColor(0xf4, 0xf6, 0xfa), QColor(0xc9, 0xd1, 0xdd),
                          12, 29),
                 ink, 1.1);
    fillOutlined(p, roof,
                 vertical(QColor(0x3f, 0x6f, 0xd0), QColor(0x1d, 0x40, 0x94),
                          3, 12.5),
                 ink, 1.1);

    // Blue shield with a gold star on the facade.
    QPainterPath shield = shieldPath();
    QTransform t;
    t.translate(16, 13.2);
    t.scale(0.52, 0.5);
    t.translate(-16, -2);
    shield = t.map(shield);
    fillOutlined(p, shield, QColor(0x1f, 0x4a, 0xa8), ink, 1.0);
    fillOutlined(p, starPath(16, 19.6, 4.6, 1.9), QColor(0xff, 0xd2, 0x2a),
                 QColor(0x8a, 0x62, 0x00), 0.6);

    // Steps.
    p.setPen(QPen(ink, 1.0));
    p.setBrush(QColor(0x9a, 0xa6, 0xb8));
    p.drawRect(QRectF(3, 27.5, 26, 2));
}

void drawStreetCamera(QPainter &p)
{
    const QColor ink(0x22, 0x2a, 0x33);

    // Wall bracket.
    QPainterPath arm;
    arm.moveTo(18, 17);
    arm.lineTo(21, 24);
    arm.lineTo(27, 24);
    p.setPen(roundPen(QColor(255, 255, 255, 220), 5.0));
    p.drawPath(arm);
    p.setPen(roundPen(ink, 2.4));
    p.drawPath(arm);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(26.5, 18.5, 3.5, 11), 1, 1);
    halo(p, plate, 2.6);
    fillOutlined(p, plate, QColor(0x8a, 0x94, 0xa0), ink, 1.0);

    // Camera housing, tilted down towards the street.
    p.translate(14, 12.5);
    p.rotate(22);
    QPainterPath housing;
    housing.addRoundedRect(QRectF(-10, -4.8, 19, 9.6), 2, 2);
    QPainterPath hood;
    hood.addRoundedRect(QRectF(-13, -6.2, 21, 2.6), 1, 1);
    QPainterPath lens;
    lens.addRoundedRect(QRectF(-13.2, -3.4, 3.6, 6.8), 1, 1);
    halo(p, housing.united(hood).united(lens), 3.0);

    fillOutlined(p, housing,
                 vertical(QColor(0xf2, 0xf4, 0xf7), QColor(0xb4, 0xbc, 0xc7),
                          -4.8, 4.8),
                 ink, 1.1);
    fillOutlined(p, hood, QColor(0x55, 0x60, 0x6e), ink, 1.0);
    fillOutlined(p, lens, QColor(0x1c, 0x24, 0x30), ink, 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6f, 0xb6, 0xff));
    p.drawEllipse(QPointF(-12.2, 0), 0.9, 1.6);
    // Recording light.
    p.setBrush(QColor(0xe8, 0x1c, 0x1c));
    p.drawEllipse(QPointF(5, 1), 1.5, 1.5);
}

void drawPharmacy(QPainter &p)
{
    p.setPen(QPen(QColor(0x1c, 0x8a, 0x3a), 2.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(2.5, 2.5, 27, 27), 5, 5);
    fillOutlined(p, plusPath(16, 16, 10, 7, 0.8),
                 vertical(QColor(0x3f, 0xc2, 0x5a), QColor(0x1a, 0x8c, 0x35)),
                 QColor(0x0f, 0x5c, 0x22), 1.0);
}

void drawHospital(QPainter &p)
{
    roundBadge(p, QColor(0xc8, 0x14, 0x14));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x1b, 0x1b));
    p.drawPath(plusPath(16, 16, 10, 7, 0.5));
}

void drawShoppingCentre(QPainter &p)
{
    roundBadge(p, QColor(0x7a, 0x2e, 0xa8));
    const QColor ink(0x4a, 0x16, 0x6c);

    // Basket.
    const QPainterPath basket = polygonPath(
        {{9.5, 10}, {25.5, 10}, {23, 18.5}, {11.5, 18.5}});
    fillOutlined(p, basket, QColor(0xd9, 0xbd, 0xef), ink, 1.2);
    p.setPen(QPen(ink, 0.8));
    p.drawLine(QPointF(15, 10), QPointF(15.7, 18.5));
    p.drawLine(QPointF(20, 10), QPointF(19.3, 18.5));
    p.drawLine(QPointF(10.7, 14.2), QPointF(24.3, 14.2));

    // Handle and frame.
    QPainterPath frame;
    frame.moveTo(5, 7.5);
    frame.lineTo(8, 7.5);
    frame.lineTo(11.5, 18.5);
    frame.lineTo(10.5, 21.5);
    frame.lineTo(23.5, 21.5);
    p.setPen(roundPen(ink, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawPath(frame);

    // Wheels.
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(12.5, 24.5), 1.9, 1.9);
    p.drawEllipse(QPointF(21.5, 24.5), 1.9, 1.9);
}

// ---------------------------------------------------------------------------
// File name -> drawing function
// ---------------------------------------------------------------------------

using DrawFn = void (*)(QPainter &);

struct Picture {
    const char *file;  // relative to the output folder
    DrawFn draw;
};

const Picture kPictures[] = {
    // Toolbar and action icons.
    {"plugin/resources/icon/add.png", drawAdd},
    {"plugin/resources/icon/delete.png", drawDelete},
    {"plugin/resources/icon/vybor.png", drawPickList},
    {"plugin/resources/icon/save.png", drawSave},
    {"plugin/resources/icon/undo.png", drawUndo},
    {"plugin/resources/icon/redo.png", drawRedo},
    {"plugin/resources/icon/redactor_on.png", drawEditor},
    {"plugin/resources/icon/reload.png", drawReload},
    // Tree branch markers.
    {"plugin/resources/pic/branch-closed.png", drawBranchClosed},
    {"plugin/resources/pic/branch-open.png", drawBranchOpen},
    // Map icons.
    {"core/icons/pictures/Events.png", drawEvent},
    {"core/icons/pictures/Hot Situation.png", drawHotSituation},
    {"core/icons/pictures/Hijacking.png", drawHijacking},
    {"core/icons/pictures/Kill.png", drawKill},
    {"core/icons/pictures/Post-MOB.png", drawPostMob},
    {"core/icons/pictures/Post-DPS.png", drawPostDps},
    {"core/icons/pictures/Post-PPS.png", drawPostPps},
    {"core/icons/pictures/Post-OMON.png", drawPostOmon},
    {"core/icons/pictures/Centr.png", drawCentre},
    {"core/icons/pictures/House.png", drawHouse},
    {"core/icons/pictures/Sub-unit.png", drawSubUnit},
    {"core/icons/pictures/Glass.png", drawPoliceStation},
    {"core/icons/pictures/street-video.png", drawStreetCamera},
    {"core/icons/pictures/pharmacy.png", drawPharmacy},
    {"core/icons/pictures/hospital.png", drawHospital},
    {"core/icons/pictures/tk.png", drawShoppingCentre},
};

QImage render(DrawFn draw)
{
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    draw(painter);
    painter.end();
    return image;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <source root>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    int failures = 0;
    for (const Picture &pic : kPictures) {
        const QString path = out.filePath(QString::fromUtf8(pic.file));
        if (!QDir().mkpath(QFileInfo(path).absolutePath())
            || !render(pic.draw).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
            continue;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return failures == 0 ? 0 : 1;
}
