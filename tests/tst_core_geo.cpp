// Geometry on the drawing sphere and the vertex editing every drawing tool shares.
#include "geo/Corridor.h"
#include "geo/MapGeometry.h"
#include "geo/VertexEditing.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <random>

using namespace MapGeometry;
using VertexEditing::Outline;
using Points = QList<QPoint>;

namespace {

QTestData &row(const char *name)
{
    return QTest::newRow(name);
}

constexpr int Big = std::numeric_limits<int>::max();
constexpr int Small = std::numeric_limits<int>::min();
const Points five{{0, 0}, {1000, 0}, {2000, 500}, {3000, 0}, {4000, 1000}};
const Points three{{0, 0}, {10, 0}, {20, 0}};

// An edit: "remove" index, "insert" index x y, "move" first last dx dy.
struct Edit
{
    Outline outline;
    QString operation;
    QList<int> args;
    Points vertices;
};

// A pending edit (last -1: an insertion after first) and the preview shown.
struct Preview
{
    Outline outline;
    int first, last;
    QPoint point;
    Points shown;
    Points vertices = five;
};

// The corridor as it was built before its edges were indexed: every new edge
// tested against every older one. The indexed build must match it exactly.
namespace plain {

QPointF offset(const QPointF &d, double h)
{
    const double length = std::hypot(d.x(), d.y());
    if (!(length > 0.0) || !std::isfinite(length))
        return QPointF();
    return QPointF(d.y() / length * h, -d.x() / length * h);
}

QLineF offsetSegment(const QPointF &a, const QPointF &b, double h)
{
    const QPointF u = offset(b - a, h);
    return QLineF(a + u, b + u);
}

void append(Points &outline, QPointF p, const QPoint &origin)
{
    for (int k = outline.size() - 2; k >= 1; --k) {
        const QLineF e(p, toMetric(origin, outline.last()));
        const QLineF edge(toMetric(origin, outline[k - 1]), toMetric(origin, outline[k]));
        QPointF crossing;
        if (e.intersects(edge, &crossing) == QLineF::BoundedIntersection) {
            outline.erase(outline.begin() + k, outline.end());
            p = crossing;
            k = outline.size() - 1; // start again from the new newest edge
        }
    }
    outline.append(fromMetric(origin, p));
}

void side(Points &outline, const Points &v, double h)
{
    const int n = v.size();
    append(outline, offset(toMetric(v[0], v[1]), h), v[0]);
    for (int i = 0; i + 2 < n; ++i) {
        const QPointF b = toMetric(v[i], v[i + 1]);
        QPointF join;
        if (offsetSegment(QPointF(), b, h).intersects(offsetSegment(b, toMetric(v[i], v[i + 2]), h),
                                                      &join) != QLineF::NoIntersection)
            append(outline, join, v[i]);
    }
    const QPoint &o = v[n - 3];
    append(outline, offsetSegment(toMetric(o, v[n - 2]), toMetric(o, v[n - 1]), h).p2(), o);
}

Points corridor(const Points &v, int width)
{
    Points outline;
    const double h = width / 2.0;
    if (v.size() == 2) {
        const QPointF b = toMetric(v[0], v[1]);
        const QPointF u = offset(b, h);
        for (const QPointF &p : {u, b + u, b - u, -u})
            append(outline, p, v[0]);
    } else {
        side(outline, v, h);
        side(outline, Points(v.rbegin(), v.rend()), h);
    }
    if (outline.first() != outline.last())
        outline.append(outline.first());
    return outline;
}

} // namespace plain

// A line of 2 to count vertices from start, each by a move drawn from moves:
// w wander, z zigzag, h hairpin (turn almost straight back), r reverse onto the
// vertex before, p the same point again, s a spike far out and straight back.
Points randomLine(std::mt19937 &random, QPoint start, int count, int step, double turn,
                  const QString &moves)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int n = 2 + int(unit(random) * (count - 1));
    Points line{start};
    double heading = unit(random) * 2 * Pi;
    while (line.size() < n) {
        const QChar move = moves[int(unit(random) * moves.size())];
        if (move == 'p' || (move == 'r' && line.size() > 1)) {
            line.append(line[line.size() - (move == 'p' ? 1 : 2)]);
            heading += move == 'r' ? Pi : 0.0;
            continue;
        }
        heading += move == 'h' ? Pi + (unit(random) - 0.5) * 0.2
            : move == 'z'      ? (line.size() % 2 ? 2.5 : -2.5)
                               : (unit(random) - 0.5) * 2 * turn;
        const double length = (0.1 + unit(random)) * step * (move == 's' ? 40 : 1);
        line.append(shifted(line.last(), QPoint(truncToInt(std::cos(heading) * length),
                                                truncToInt(std::sin(heading) * length))));
        if (move == 's')
            line.append(line[line.size() - 2]);
    }
    return line;
}

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Preview)
Q_DECLARE_METATYPE(Outline)
Q_DECLARE_METATYPE(DrawMode)

class tst_CoreGeo : public QObject
{
    Q_OBJECT

private slots:
    void metricFrame_data()
    {
        QTest::addColumn<QPoint>("origin");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QPointF>("metres");

        row("cosine of the point's own latitude") << QPoint(0, 0) << QPoint(8983, 600000000)
            << QPointF(49.99917, 6679172.589);
        row("west and south are negative") << QPoint(1000, 1000) << QPoint(0, 0)
            << QPointF(-11.13195, -11.13195);
    }

    // Into the metric frame and back gives the point again.
    void metricFrame()
    {
        QFETCH(QPoint, origin);
        QFETCH(QPoint, point);
        QFETCH(QPointF, metres);
        const QPointF got = toMetric(origin, point);
        QVERIFY2(qAbs(got.x() - metres.x()) < 1e-2 && qAbs(got.y() - metres.y()) < 1e-2,
                 qPrintable(QString("(%1, %2)").arg(got.x(), 0, 'f', 5).arg(got.y(), 0, 'f', 5)));
        QCOMPARE(fromMetric(origin, got), point);
    }

    void corridor_data()
    {
        QTest::addColumn<Points>("vertices");
        QTest::addColumn<Points>("outline"); // width 20: 10 m is 898.3 units of latitude

        row("one vertex: none") << Points{{0, 0}} << Points();
        row("one segment: a rectangle") << Points{{0, 0}, {0, 1000}}
            << Points{{898, 0}, {898, 1000}, {-898, 1000}, {-898, 0}, {898, 0}};
        row("left turn: mitred corners on both sides")
            << Points{{0, 0}, {9000, 0}, {9000, 9000}}
            << Points{{0, -898}, {9898, -898}, {9898, 9000}, {8102, 9000}, {8102, 898},
                      {0, 898}, {0, -898}};
        // The inner side of the short hairpin runs back over itself: the loop goes.
        row("hairpin with a short return leg: loop cut off")
            << Points{{0, 0}, {9000, 0}, {9000, 450}, {4500, 450}}
            << Points{{0, -898}, {9898, -898}, {9898, 1348}, {4500, 1348}, {4500, 898}, {0, -898}};
    }

    void corridor()
    {
        QFETCH(Points, vertices);
        QFETCH(Points, outline);
        QCOMPARE(BuildCorridor(vertices, 20), outline);
    }

    // A point whose edge crosses older edges cuts the outline back to the newest
    // one it crosses, and the crossing takes its place.
    void appendTrimmed()
    {
        Points outline{{0, 0}, {9000, 0}, {9000, 900}, {0, 900}, {0, 1800}};
        const QPoint origin(9000, 900); // a frame away from the outline's first point
        AppendTrimmed(outline, toMetric(origin, QPoint(18000, -900)), origin);
        QCOMPARE(outline, (Points{{0, 0}, {9000, 0}, {9000, 900}, {6000, 900}}));
        // The first edge counts too.
        AppendTrimmed(outline, toMetric(origin, QPoint(3000, -900)), origin);
        QCOMPARE(outline, (Points{{0, 0}, {4500, 0}}));
    }

    void corridorMatchesPlainTrim_data()
    {
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<int>("count");  // most vertices
        QTest::addColumn<int>("step");   // longest segment, coordinate units
        QTest::addColumn<double>("turn"); // widest turn of a wandering step
        QTest::addColumn<QString>("moves");
        QTest::addColumn<int>("maxWidth");

        const QPoint track(300000000, 550000000);
        row("wandering track") << track << 600 << 2000 << 0.6 << "wwwwwwwwwh" << 200;
        row("hairpins and reversals") << track << 120 << 2000 << 0.3 << "wwhhr" << 300;
        row("repeated points") << track << 120 << 1000 << 1.0 << "wwpp" << 100;
        row("zigzags") << track << 120 << 3000 << 0.2 << "zzzzw" << 400;
        row("long spikes") << track << 120 << 1000 << 0.5 << "wwwws" << 100;
        row("widths from 1 m to the int range") << track << 120 << 2000 << 0.8 << "wwhr" << Big;
        row("near the pole") << QPoint(0, 899950000) << 120 << 20000 << 0.8 << "wwhr" << 5000;
        row("across a big span of longitude")
            << QPoint(-1500000000, 200000000) << 120 << 60000000 << 0.6 << "wwwh" << 2000000;
    }

    // Many random lines of a kind, each with a random width.
    void corridorMatchesPlainTrim()
    {
        QFETCH(QPoint, start);
        QFETCH(int, count);
        QFETCH(int, step);
        QFETCH(double, turn);
        QFETCH(QString, moves);
        QFETCH(int, maxWidth);
        std::mt19937 random(count + step);
        for (int i = 0; i < 40; ++i) {
            const Points line = randomLine(random, start, count, step, turn, moves);
            const double share = std::uniform_real_distribution<double>(0.0, 1.0)(random);
            const int width = truncToInt(std::exp(share * std::log(double(maxWidth))));
            const Points want = plain::corridor(line, width);
            QVERIFY2(BuildCorridor(line, width) == want,
                     qPrintable(QString("line %1, width %2").arg(i).arg(width)));
        }
    }

    // Points 0, 4, 8, 12 and 16 of 17; 20 m is 1796.6 units of latitude, and
    // each coordinate is cut toward zero. At 60 degrees twice as wide.
    void circle()
    {
        const Points all = circlePoints(1000, 600000000, 40);
        QCOMPARE(all.size(), CirclePointCount);
        QCOMPARE((Points{all[0], all[4], all[8], all[12], all[16]}),
                 (Points{{4593, 600000000}, {1000, 600001796}, {-2593, 600000000},
                         {1000, 599998203}, {4593, 600000000}}));
    }

    void tint_data()
    {
        QTest::addColumn<DrawMode>("mode");
        QTest::addColumn<QColor>("tinted");

        row("own colours") << DrawMode::Own << QColor(10, 200, 40, 20);
        row("violated: red") << DrawMode::Violated << QColor(202, 8, 8, 127);
        row("passed: green") << DrawMode::Passed << QColor(10, 200, 8, 127);
    }

    void tint()
    {
        QFETCH(DrawMode, mode);
        QFETCH(QColor, tinted);
        QCOMPARE(TintColor(QColor(10, 200, 40, 20), mode), tinted);
    }

    void normalizeIndex_data()
    {
        QTest::addColumn<Outline>("outline");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("normal");

        row("ring: 12 of 5 is 2") << Outline::Closed << 5 << 12 << 2;
        row("ring: far below stays inside") << Outline::Closed << 5 << Small << 2;
        row("ring without vertex: none") << Outline::Closed << 0 << 3 << -1;
        row("line: past the end clamps") << Outline::Open << 5 << 9 << 4;
    }

    void normalizeIndex()
    {
        QFETCH(Outline, outline);
        QFETCH(int, count);
        QFETCH(int, index);
        QFETCH(int, normal);
        QCOMPARE(VertexEditing::normalizeIndex(count, index, outline), normal);
    }

    void preview_data()
    {
        QTest::addColumn<Preview>("c");
        const QPoint o(10, 20);
        const QPoint p(77, 88);
        const auto moved = [&](int i) { return five[i] + o; };
        row("line run 0..2: no vertex before 0")
            << Preview{Outline::Open, 0, 2, o, {moved(0), moved(1), moved(2), five[3]}};
        row("polygon run 3..1 wraps past the end")
            << Preview{Outline::Closed, 3, 1, o,
                       {five[2], moved(3), moved(4), moved(0), moved(1), five[2]}};
        row("line insertion after 1") << Preview{Outline::Open, 1, -1, p, {five[1], p, five[2]}};
        row("first below 0: nothing") << Preview{Outline::Open, -1, 2, o, {}};
        row("without vertex: nothing") << Preview{Outline::Open, 0, -1, p, {}, {}};
        row("run past the vertices: nothing") << Preview{Outline::Closed, 2, 9, o, {}};
        row("single point: nothing") << Preview{Outline::Single, 0, 0, o, {}};
    }

    void preview()
    {
        QFETCH(Preview, c);
        const VertexEditing::Preview shown =
            VertexEditing::preview(c.vertices, c.first, c.last, c.point, c.outline);
        QCOMPARE(shown.points, c.shown);
        QVERIFY(shown.room >= shown.points.size());
    }

    void edit_data()
    {
        QTest::addColumn<Edit>("c");
        row("remove the middle") << Edit{Outline::Open, "remove", {1}, {{0, 0}, {20, 0}}};
        row("remove out of range") << Edit{Outline::Closed, "remove", {7}, three};
        row("insert at n appends")
            << Edit{Outline::Closed, "insert", {3, 5, 5}, {{0, 0}, {10, 0}, {20, 0}, {5, 5}}};
        row("single point: insert moves it")
            << Edit{Outline::Single, "insert", {2, 5, 5}, {{5, 5}}};
        row("move one vertex")
            << Edit{Outline::Open, "move", {1, -1, 1, 2}, {{0, 0}, {11, 2}, {20, 0}}};
        row("move a polygon run that wraps")
            << Edit{Outline::Closed, "move", {2, 0, 1, 2}, {{1, 2}, {10, 0}, {21, 2}}};
        row("single point moves by the offset from its first vertex")
            << Edit{Outline::Single, "move", {2, 1, 1, 2}, {{1, 2}}};
        row("move near the int limit saturates")
            << Edit{Outline::Open, "move", {2, -1, Big, Big}, {{0, 0}, {10, 0}, {Big, Big}}};
    }

    void edit()
    {
        QFETCH(Edit, c);
        Points points = three;
        const QList<int> &a = c.args;
        if (c.operation == QLatin1String("remove"))
            VertexEditing::removePoint(points, a[0]);
        else if (c.operation == QLatin1String("insert"))
            VertexEditing::insertPoint(points, a[0], QPoint(a[1], a[2]), c.outline);
        else
            VertexEditing::movePoints(points, a[0], a[1], QPoint(a[2], a[3]), c.outline);
        QCOMPARE(points, c.vertices);
    }

    // Sizes and places far out of range give odd shapes, never undefined numbers.
    void badDataStaysInRange_data()
    {
        QTest::addColumn<Points>("vertices");
        QTest::addColumn<int>("size");

        QTest::newRow("huge line width") << Points{{0, 0}, {1000, 0}, {0, 10}} << Big;
        QTest::newRow("line at the pole") << Points{{0, 900000000}, {5, 900000000}, {9, 0}} << 50;
        QTest::newRow("doubled vertices") << Points{{5, 5}, {5, 5}, {5, 5}} << 50;
        QTest::newRow("huge circle at the pole") << Points{{Big, 900000000}} << Big;
        QTest::newRow("negative circle") << Points{{-Big, -Big}} << -Big;
    }

    void badDataStaysInRange()
    {
        QFETCH(Points, vertices);
        QFETCH(int, size);
        const Points shape = vertices.size() == 1
            ? circlePoints(vertices[0].x(), vertices[0].y(), size)
            : BuildCorridor(vertices, size);
        QVERIFY(!shape.isEmpty());
        QCOMPARE(shape.first(), shape.last());
    }
};

QTEST_GUILESS_MAIN(tst_CoreGeo)
#include "tst_core_geo.moc"
