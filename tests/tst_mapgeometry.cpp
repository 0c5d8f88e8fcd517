#include "graphobj/GraphObCircle.h"
#include "graphobj/GraphObIconText.h"
#include "graphobj/GraphObLine.h"
#include "graphobj/GraphObPolygone.h"
#include "graphobj/GraphObjectFactory.h"
#include "geo/MapGeometry.h"

#include <MapQt.h>

#include <QtTest>

#include <limits>
#include <memory>

using namespace MapGeometry;

namespace {

using Points = QList<QPoint>;
using Primitives = QList<MapQt::MapPrimitive *>;

constexpr int Big = std::numeric_limits<int>::max();
constexpr int Small = std::numeric_limits<int>::min();
const Points five{{0, 0}, {1000, 0}, {2000, 500}, {3000, 0}, {4000, 1000}};
const Points three{{0, 0}, {10, 0}, {20, 0}};

Points tracePoints(const MapQt::MapPrimitive *primitive)
{
    const auto *trace = static_cast<const MapQt::MapTrace *>(primitive);
    Points result;
    for (int i = 0; i < trace->count; ++i)
        result << QPoint(trace->points[i].x, trace->points[i].y);
    return result;
}

// Points 0, 4, 8, 12 and 16 of a 17-point circle.
Points quarters(const Points &all)
{
    return all.size() == 17 ? Points{all[0], all[4], all[8], all[12], all[16]} : all;
}

std::unique_ptr<GraphObject> makeObject(int type, const Points &points,
                                        const QVariantMap &properties = {})
{
    return std::unique_ptr<GraphObject>(CreateGraphObject({7, type, "obj", points, properties}));
}

const GraphObLineBase *lineBase(const std::unique_ptr<GraphObject> &object)
{
    return qobject_cast<const GraphObLineBase *>(object.get());
}

// Kind, vertices, mode, shape drawn, brush colour (invalid: not checked).
struct Drawing { int type; Points vertices; int mode; Points shape = {}; QColor brush = {}; };
// A pending move (last -1: an insertion after first) and the preview shown.
struct Preview { int type, first, last; QPoint point; Points shown; Points vertices = five; };
// Map hits on an object and the vertices found (-1: none).
struct Hits { int type; QList<MapHit> hits; int first, second; bool attach = true; };
// An edit and the vertices after it.
struct Edit { int type; QString operation; QList<int> args; Points vertices; };

MapHit hit(int key, int position, QPoint a, QPoint b = QPoint())
{
    return MapHit{{0, key, 0, position, a.x(), a.y(), b.x(), b.y()}};
}

} // namespace

Q_DECLARE_METATYPE(Hits)
Q_DECLARE_METATYPE(Drawing)
Q_DECLARE_METATYPE(Preview)
Q_DECLARE_METATYPE(Edit)

class tst_MapGeometry : public QObject
{
    Q_OBJECT

private slots:
    void metricFrame_data()
    {
        QTest::addColumn<QPoint>("origin");
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QPointF>("metres");

        QTest::newRow("east at 60 degrees is halved")
            << QPoint(0, 600000000) << QPoint(8983, 600000000) << QPointF(49.99915, 0);
        QTest::newRow("cosine of the point's own latitude")
            << QPoint(0, 0) << QPoint(8983, 600000000) << QPointF(49.99917, 6679172.589);
        QTest::newRow("west and south are negative")
            << QPoint(1000, 1000) << QPoint(0, 0) << QPointF(-11.13195, -11.13195);
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

        QTest::newRow("three on a meridian: the straight join adds nothing")
            << Points{{0, 0}, {0, 1000}, {0, 3000}}
            << Points{{898, 0}, {898, 3000}, {-898, 3000}, {-898, 0}, {898, 0}};
        QTest::newRow("left turn: mitred corners on both sides")
            << Points{{0, 0}, {9000, 0}, {9000, 9000}}
            << Points{{0, -898}, {9898, -898}, {9898, 9000}, {8102, 9000}, {8102, 898},
                      {0, 898}, {0, -898}};
        // The inner side of the short hairpin runs back over itself: the loop goes.
        QTest::newRow("hairpin with a short return leg: loop cut off")
            << Points{{0, 0}, {9000, 0}, {9000, 450}, {4500, 450}}
            << Points{{0, -898}, {9898, -898}, {9898, 1348}, {4500, 1348}, {4500, 898},
                      {0, -898}};
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
    }

    void drawOnLayer_data()
    {
        QTest::addColumn<Drawing>("c");
        const Points tri{{0, 0}, {1000, 0}, {1000, 1000}};
        const Points ring = tri + Points{{0, 0}};
        QTest::newRow("polygon mode 1: own colours")
            << Drawing{3, tri, 1, ring, {10, 200, 30, 100}};
        QTest::newRow("polygon mode 2: red tint") << Drawing{3, tri, 2, ring, {202, 8, 30, 127}};
        // Diameter 51 is radius 25 m; at 60 degrees a metre east is twice the units.
        QTest::newRow("circle mode 3: green tint round the first vertex")
            << Drawing{4, {{0, 600000000}, {9, 9}}, 3,
                       {{4491, 600000000}, {0, 600002245}, {-4491, 600000000}, {0, 599997754},
                        {4491, 600000000}},
                       {10, 200, 30, 127}};
        QTest::newRow("line: corridor of its width")
            << Drawing{2, {{0, 0}, {1000, 0}}, 3,
                       {{0, -898}, {1000, -898}, {1000, 898}, {0, 898}, {0, -898}}, {}};
        QTest::newRow("line with one vertex: shown without points") << Drawing{2, {{0, 0}}, 1};
        QTest::newRow("polygon without vertex: shown as it was")
            << Drawing{3, {}, 1, {}, Qt::cyan};
        QTest::newRow("icon") << Drawing{1, tri, 2};
    }

    void drawOnLayer()
    {
        QFETCH(Drawing, c);
        const QVariantMap properties{{"Color", QColor(1, 2, 3)}, {"Width", 20}, {"Diameter", 51},
                                     {"Brush", QColor(10, 200, 30, 100)}};
        const auto object = makeObject(c.type, c.vertices,
                                       c.vertices.isEmpty() ? QVariantMap() : properties);
        // Drawn twice into a list the caller shares: one copy, after the others.
        MapQt::MapTrace other;
        Primitives list{&other};
        object->DrawOnLayer(&list, 1);
        object->DrawOnLayer(&list, c.mode);
        QCOMPARE(list.size(), 2);
        const MapQt::MapPrimitive *drawn = list.last();
        if (c.type != 1)
            QCOMPARE(quarters(tracePoints(drawn)), c.shape);
        if (c.type != 1 && !c.vertices.isEmpty())
            QCOMPARE(qMakePair(drawn->pen->color(), drawn->pen->width()),
                     qMakePair(QColor(1, 2, 3), 3));
        if (c.brush.isValid())
            QCOMPARE(drawn->brush->color().rgba(), c.brush.rgba());
        object->DrawOnLayer(&list, 0);
        object->DrawOnLayer(&list, 0);
        QCOMPARE(list, Primitives{&other});
    }

    void extendBounds_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<Points>("vertices");
        QTest::addColumn<QList<int>>("bounds"); // minX, minY, maxX, maxY; from an empty start

        QTest::newRow("icon: first vertex only") << 1 << Points{{5, 6}, {100, 100}}
                                                 << QList<int>{5, 6, 5, 6};
        QTest::newRow("polygon: every vertex") << 3 << Points{{5, 6}, {-7, 60}, {30, -1}}
                                               << QList<int>{-7, -1, 30, 60};
        QTest::newRow("line: corridor of the default width 50")
            << 2 << Points{{0, 0}, {1000, 0}} << QList<int>{0, -2246, 1000, 2246};
        QTest::newRow("circle at 60 degrees is wider")
            << 4 << Points{{0, 600000000}} << QList<int>{-4491, 599997754, 4491, 600002245};
        QTest::newRow("circle without vertex: unchanged") << 4 << Points()
                                                          << QList<int>{Big, Big, Small, Small};
    }

    void extendBounds()
    {
        QFETCH(int, type);
        QFETCH(Points, vertices);
        QFETCH(QList<int>, bounds);
        QList<int> got{Big, Big, Small, Small};
        makeObject(type, vertices)->ExtendBounds(got[0], got[1], got[2], got[3]);
        QCOMPARE(got, bounds);
    }

    void attachEditPrimitives_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<Points>("vertices");
        QTest::addColumn<Points>("marks");

        const Points two{{5, 6}, {7, 8}};
        const Points marks = two + Points{{0, 0}};
        QTest::newRow("line: vertices and a (0,0) end") << 2 << two << marks;
        QTest::newRow("polygon: closed and a (0,0) end")
            << 3 << two << Points{{5, 6}, {7, 8}, {5, 6}, {0, 0}};
        QTest::newRow("polygon without vertex: nothing") << 3 << Points() << Points();
        QTest::newRow("icon") << 1 << two << marks;
        QTest::newRow("circle") << 4 << two << marks;
    }

    void attachEditPrimitives()
    {
        QFETCH(int, type);
        QFETCH(Points, vertices);
        QFETCH(Points, marks);
        const auto object = makeObject(type, vertices);
        MapQt::MapTrace stale;
        Primitives list{&stale};
        object->AttachEditPrimitives(&list);
        QCOMPARE(object->editList(), &list);
        QCOMPARE(list.size(), lineBase(object) ? 3 : 2); // kind's primitives, marks last
        QCOMPARE(list.last(), object->primitiveVertexTrace());
        QCOMPARE(tracePoints(object->primitiveVertexTrace()), marks);
        if (const GraphObLineBase *base = lineBase(object)) {
            // The line shows the marks' array without the (0,0) end.
            QCOMPARE(base->primitiveLineTrace()->points, object->primitiveVertexTrace()->points);
            QCOMPARE(base->primitiveLineTrace()->count, qMax(0, marks.size() - 1));
        }
        if (auto *icon = qobject_cast<GraphObIconText *>(object.get())) {
            QCOMPARE(icon->primitiveCar()->text, QStringLiteral("obj"));
            QVERIFY(!icon->primitiveCar()->visible); // two vertices: not a single place
        }
    }

    void normalizePolygonIndex_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("normal");

        QTest::newRow("12 is 2") << 5 << 12 << 2;
        QTest::newRow("below -n keeps wrapping") << 5 << -7 << 3;
        QTest::newRow("far below stays inside") << 5 << Small << 2;
        QTest::newRow("without vertex: none") << 0 << 3 << -1;
    }

    void normalizePolygonIndex()
    {
        QFETCH(int, count);
        QFETCH(int, index);
        QFETCH(int, normal);
        const auto object = makeObject(3, five.mid(0, count));
        QCOMPARE(static_cast<GraphObLineBase *>(object.get())->NormalizeIndex(index), normal);
    }

    void previewMove_data()
    {
        QTest::addColumn<Preview>("c");
        const QPoint o(10, 20);
        const QPoint p(77, 88);
        auto moved = [&](int i) { return five[i] + o; };
        QTest::newRow("line run 0..2: no vertex before 0")
            << Preview{2, 0, 2, o, {moved(0), moved(1), moved(2), five[3]}};
        QTest::newRow("polygon run 3..1 wraps past the end")
            << Preview{3, 3, 1, o, {five[2], moved(3), moved(4), moved(0), moved(1), five[2]}};
        QTest::newRow("line run at its end: no vertex after")
            << Preview{2, 4, 4, o, {five[3], moved(4)}};
        QTest::newRow("polygon whole ring")
            << Preview{3, 0, 4, o,
                       {five[4], moved(0), moved(1), moved(2), moved(3), moved(4), five[0]}};
        QTest::newRow("line insertion after 1") << Preview{2, 1, -1, p, {five[1], p, five[2]}};
        QTest::newRow("line insertion after the last clamps")
            << Preview{2, 4, -1, p, {five[4], p, five[4]}};
        QTest::newRow("first below 0: nothing") << Preview{2, -1, 2, o, {}};
        QTest::newRow("point (0,0): nothing") << Preview{3, 0, 2, QPoint(), {}};
        QTest::newRow("without vertex: nothing") << Preview{2, 0, -1, p, {}, {}};
        QTest::newRow("line run backwards: nothing") << Preview{2, 3, 1, o, {}};
        QTest::newRow("run past the vertices: nothing") << Preview{3, 2, 9, o, {}};
    }

    void previewMove()
    {
        QFETCH(Preview, c);
        const auto object = makeObject(c.type, c.vertices);
        object->PreviewMove(c.first, c.last, c.point);
        QCOMPARE(tracePoints(lineBase(object)->primitivePreviewTrace()), c.shown);
        QCOMPARE(object->points, c.vertices);
    }

    // A new array only when the shown count is too small, so that a replaced
    // one never keeps the old address.
    void previewArrayGrowth()
    {
        const auto object = makeObject(2, five);
        const MapQt::MapTrace *trace = lineBase(object)->primitivePreviewTrace();
        object->PreviewMove(1, -1, QPoint(1, 1)); // needs 3
        const MapQt::MapPoint *first = trace->points;
        object->PreviewMove(2, -1, QPoint(1, 1)); // needs 3, count 3: kept
        QCOMPARE(trace->points, first);
        object->PreviewMove(0, 2, QPoint(1, 1)); // needs 5 > 3: replaced, shows 4
        QVERIFY(trace->points != first);
        QCOMPARE(trace->count, 4);
    }

    void editVertices_data()
    {
        QTest::addColumn<Edit>("c");
        QTest::newRow("remove the middle") << Edit{2, "remove", {1}, {{0, 0}, {20, 0}}};
        QTest::newRow("remove out of range") << Edit{3, "remove", {7}, three};
        QTest::newRow("insert at n appends")
            << Edit{3, "insert", {3, 5, 5}, {{0, 0}, {10, 0}, {20, 0}, {5, 5}}};
        QTest::newRow("insert past n: ignored") << Edit{2, "insert", {4, 5, 5}, three};
        QTest::newRow("icon insert moves it") << Edit{1, "insert", {2, 5, 5}, {{5, 5}}};
        QTest::newRow("move one vertex")
            << Edit{2, "move", {1, -1, 1, 2}, {{0, 0}, {11, 2}, {20, 0}}};
        QTest::newRow("move a polygon run that wraps")
            << Edit{3, "move", {2, 0, 1, 2}, {{1, 2}, {10, 0}, {21, 2}}};
        QTest::newRow("move a vertex out of range: unchanged")
            << Edit{3, "move", {5, -1, 1, 2}, three};
        QTest::newRow("icon moves by the offset from its first vertex")
            << Edit{1, "move", {2, 1, 1, 2}, {{1, 2}}};
        QTest::newRow("circle moves and redraws its outline")
            << Edit{4, "move", {0, 0, 1000, 0}, {{1000, 0}}};
    }

    void editVertices()
    {
        QFETCH(Edit, c);
        const auto object = makeObject(c.type, three);
        object->PreviewMove(0, 1, QPoint(3, 3));
        const QList<int> &a = c.args;
        if (c.operation == QLatin1String("remove"))
            object->RemovePoint(a[0]);
        else if (c.operation == QLatin1String("insert"))
            object->InsertPoint(a[0], QPoint(a[1], a[2]));
        else
            object->MovePoints(a[0], a[1], QPoint(a[2], a[3]));
        QCOMPARE(object->points, c.vertices);
        // Every commit, even one that changes nothing, rebuilds the marks and
        // empties the preview.
        Points marks = c.vertices;
        if (c.type == 3)
            marks << c.vertices.first();
        marks << QPoint();
        QCOMPARE(tracePoints(object->primitiveVertexTrace()), marks);
        if (lineBase(object))
            QCOMPARE(lineBase(object)->primitivePreviewTrace()->count, 0);
        if (auto *circle = qobject_cast<GraphObCircle *>(object.get()))
            QCOMPARE(quarters(tracePoints(circle->primitiveOutlineTrace())),
                     (Points{{3245, 0}, {1000, 2245}, {-1245, 0}, {1000, -2245}, {3245, 0}}));
    }

    void findHitPoints_data()
    {
        QTest::addColumn<Hits>("c");
        // Lists: line kinds preview 0, line 1, vertex 2; icon car 0 or circle outline 0, vertex 1.
        const MapHit vertex3 = hit(5, 2, five[3]);
        QTest::newRow("never attached") << Hits{2, {vertex3}, -1, -1, false};
        QTest::newRow("vertex hit") << Hits{2, {vertex3}, 3, 3};
        QTest::newRow("other key") << Hits{2, {hit(6, 2, five[3])}, -1, -1};
        QTest::newRow("later record matches")
            << Hits{3, {hit(5, 2, {1, 1}), hit(5, 2, five[4])}, 4, 4};
        QTest::newRow("polygon closing segment") << Hits{3, {hit(5, 1, five[4], five[0])}, 4, 0};
        QTest::newRow("vertex hit wins over an earlier segment hit")
            << Hits{2, {hit(5, 1, five[1], five[2]), hit(5, 2, five[0])}, 0, 0};
        QTest::newRow("segment end that is no vertex")
            << Hits{2, {hit(5, 1, five[1], {3, 3})}, -1, -1};
        QTest::newRow("icon vertex") << Hits{1, {hit(5, 1, five[0])}, 0, 0};
        QTest::newRow("circle vertex") << Hits{4, {hit(5, 1, five[0])}, 0, 0};
        QTest::newRow("icon has no segments") << Hits{1, {hit(5, 0, five[0])}, -1, -1};
    }

    void findHitPoints()
    {
        QFETCH(Hits, c);
        const auto object = makeObject(c.type, c.type == 2 || c.type == 3 ? five : five.mid(0, 1));
        Primitives list;
        if (c.attach)
            object->AttachEditPrimitives(&list);
        int a = 99;
        int b = 99;
        QCOMPARE(object->FindHitPoints(c.hits, a, b, 5), c.first >= 0);
        QCOMPARE(qMakePair(a, b), qMakePair(c.first, c.second));
    }

    // Sizes and places far out of range give odd shapes, never undefined numbers.
    void badDataStaysInRange_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<Points>("vertices");
        QTest::addColumn<int>("size");

        QTest::newRow("huge line width") << 2 << Points{{0, 0}, {1000, 0}, {0, 10}} << Big;
        QTest::newRow("line at the pole")
            << 2 << Points{{0, 900000000}, {5, 900000000}, {9, 0}} << 50;
        QTest::newRow("doubled vertices") << 2 << Points{{5, 5}, {5, 5}, {5, 5}} << 50;
        QTest::newRow("huge circle at the pole") << 4 << Points{{Big, 900000000}} << Big;
        QTest::newRow("negative circle") << 4 << Points{{-Big, -Big}} << -Big;
    }

    void badDataStaysInRange()
    {
        QFETCH(int, type);
        QFETCH(Points, vertices);
        QFETCH(int, size);
        const auto object = makeObject(type, vertices, {{type == 2 ? "Width" : "Diameter", size}});
        Primitives list;
        object->AttachEditPrimitives(&list);
        object->DrawOnLayer(&list, 1);
        int bounds[4] = {0, 0, 0, 0};
        object->ExtendBounds(bounds[0], bounds[1], bounds[2], bounds[3]);
        object->MovePoints(0, 0, QPoint(Big, Big));
        object->PreviewMove(0, 0, QPoint(Big, Big));
        object->DrawOnLayer(&list, 1);
        const Points shape = tracePoints(list.last());
        QVERIFY(!shape.isEmpty());
        QCOMPARE(shape.first(), shape.last());
        QCOMPARE(object->primitiveVertexTrace()->count, vertices.size() + 1);
    }
};

QTEST_MAIN(tst_MapGeometry)
#include "tst_mapgeometry.moc"
