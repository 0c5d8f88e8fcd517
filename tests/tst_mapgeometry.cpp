#include "graphobj/GraphObCircle.h"
#include "graphobj/GraphObIconText.h"
#include "graphobj/GraphObLine.h"
#include "graphobj/GraphObPolygone.h"
#include "graphobj/IconTable.h"
#include "graphobj/MapGeometry.h"

#include <MapQt.h>

#include <QtTest>

#include <limits>
#include <memory>

using namespace MapGeometry;

namespace {

using Points = QList<QPoint>;

// Five vertices for the line and polygon editing cases.
const Points five{{0, 0}, {1000, 0}, {2000, 500}, {3000, 0}, {4000, 1000}};

Points tracePoints(const MapQt::MapTrace *trace)
{
    Points result;
    for (int i = 0; i < trace->count; ++i)
        result << QPoint(trace->points[i].x, trace->points[i].y);
    return result;
}

std::unique_ptr<GraphObject> makeObject(int type, const Points &points,
                                        const QVariantMap &properties = QVariantMap())
{
    GraphObData record;
    record.type = type;
    record.id = 7;
    record.name = QStringLiteral("obj");
    record.points = points;
    record.properties = properties;
    return std::unique_ptr<GraphObject>(CreateGraphObject(record));
}

// The primitives of an object by the names used in the tables below.
const MapQt::MapPrimitive *primitive(const GraphObject *object, const QString &name)
{
    if (name == QLatin1String("vertex"))
        return object->primitiveVertexTrace();
    if (auto *icon = qobject_cast<const GraphObIconText *>(object))
        return name == QLatin1String("car") ? icon->primitiveCar() : nullptr;
    if (auto *base = qobject_cast<const GraphObLineBase *>(object)) {
        if (name == QLatin1String("line"))
            return base->primitiveLineTrace();
        if (name == QLatin1String("preview"))
            return base->primitivePreviewTrace();
    }
    if (auto *line = qobject_cast<const GraphObLine *>(object))
        return name == QLatin1String("outline") ? line->primitiveOutlineTrace() : nullptr;
    if (auto *polygon = qobject_cast<const GraphObPolygone *>(object))
        return name == QLatin1String("polygon") ? polygon->primitivePolygon() : nullptr;
    if (auto *circle = qobject_cast<const GraphObCircle *>(object)) {
        if (name == QLatin1String("fill"))
            return circle->primitiveFillPolygon();
        if (name == QLatin1String("outline"))
            return circle->primitiveOutlineTrace();
    }
    return nullptr;
}

const char *displayName(int type)
{
    switch (type) {
    case 1:
        return "car";
    case 2:
        return "outline";
    case 3:
        return "polygon";
    default:
        return "fill";
    }
}

const MapQt::MapTrace *trace(const GraphObject *object, const QString &name)
{
    return static_cast<const MapQt::MapTrace *>(primitive(object, name));
}

MapHit hit(int key, int position, QPoint a, QPoint b = QPoint())
{
    return MapHit{{0, key, 0, position, a.x(), a.y(), b.x(), b.y()}};
}

} // namespace

Q_DECLARE_METATYPE(QList<MapHit>)

class tst_MapGeometry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void metricFrame_data();
    void metricFrame();
    void fromMetric_data();
    void fromMetric();
    void circle_data();
    void circle();
    void corridor_data();
    void corridor();
    void appendTrimmed_data();
    void appendTrimmed();
    void tint_data();
    void tint();
    void drawOnLayerList_data();
    void drawOnLayerList();
    void drawOnLayerShape_data();
    void drawOnLayerShape();
    void extendBounds_data();
    void extendBounds();
    void attachEditPrimitives_data();
    void attachEditPrimitives();
    void rebuildPrimitives_data();
    void rebuildPrimitives();
    void normalizeIndex_data();
    void normalizeIndex();
    void previewMove_data();
    void previewMove();
    void previewArrayGrowth();
    void editVertices_data();
    void editVertices();
    void commitEmptiesPreview_data();
    void commitEmptiesPreview();
    void circleMoveRebuildsOutline();
    void findHitPoints_data();
    void findHitPoints();
    void badDataStaysInRange_data();
    void badDataStaysInRange();
};

void tst_MapGeometry::initTestCase()
{
    Q_INIT_RESOURCE(operativecheck);
    GraphObject::InitTypeNames();
    InitIconTable();
}

void tst_MapGeometry::metricFrame_data()
{
    QTest::addColumn<QPoint>("origin");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QPointF>("metres");

    QTest::newRow("origin itself") << QPoint(5, 5) << QPoint(5, 5) << QPointF(0, 0);
    QTest::newRow("898 units north are 10 m") << QPoint(0, 0) << QPoint(0, 898)
                                              << QPointF(0, 9.99649);
    QTest::newRow("east at the equator") << QPoint(0, 0) << QPoint(8983, 0)
                                         << QPointF(99.99830, 0);
    QTest::newRow("east at 60 degrees is halved")
        << QPoint(0, 600000000) << QPoint(8983, 600000000) << QPointF(49.99915, 0);
    QTest::newRow("cosine of the point's own latitude")
        << QPoint(0, 0) << QPoint(8983, 600000000) << QPointF(49.99917, 6679172.589);
    QTest::newRow("west and south are negative") << QPoint(1000, 1000) << QPoint(0, 0)
                                                 << QPointF(-11.13195, -11.13195);
}

void tst_MapGeometry::metricFrame()
{
    QFETCH(QPoint, origin);
    QFETCH(QPoint, point);
    QFETCH(QPointF, metres);
    const QPointF got = toMetric(origin, point);
    const QString text = QStringLiteral("(%1, %2)").arg(got.x(), 0, 'f', 5).arg(got.y(), 0, 'f', 5);
    QVERIFY2(qAbs(got.x() - metres.x()) < 1e-2 && qAbs(got.y() - metres.y()) < 1e-2,
             qPrintable(text));
}

void tst_MapGeometry::fromMetric_data()
{
    QTest::addColumn<QPoint>("origin");
    QTest::addColumn<QPointF>("metres");
    QTest::addColumn<QPoint>("point");

    QTest::newRow("10 m north") << QPoint(0, 0) << QPointF(0, 10) << QPoint(0, 898);
    QTest::newRow("10 m east") << QPoint(0, 0) << QPointF(10, 0) << QPoint(898, 0);
    QTest::newRow("10 m east at 60 degrees is twice the units")
        << QPoint(0, 600000000) << QPointF(10, 0) << QPoint(1797, 600000000);
    QTest::newRow("relative to the origin") << QPoint(-500, 300) << QPointF(-10, -10)
                                            << QPoint(-1398, -598);
    // A round trip through the frame gives the point back.
    const QPoint far(371234567, 557500000);
    QTest::newRow("round trip at 55.75 degrees")
        << QPoint(371200000, 557480000) << toMetric(QPoint(371200000, 557480000), far) << far;
}

void tst_MapGeometry::fromMetric()
{
    QFETCH(QPoint, origin);
    QFETCH(QPointF, metres);
    QFETCH(QPoint, point);
    QCOMPARE(MapGeometry::fromMetric(origin, metres), point);
}

void tst_MapGeometry::circle_data()
{
    QTest::addColumn<QPoint>("centre");
    QTest::addColumn<int>("diameter");
    QTest::addColumn<Points>("quarters"); // points 0, 4, 8, 12 and 16

    const Points fifty{{2245, 0}, {0, 2245}, {-2245, 0}, {0, -2245}, {2245, 0}};
    QTest::newRow("diameter 50 at the origin") << QPoint(0, 0) << 50 << fifty;
    QTest::newRow("diameter 51 is the same circle") << QPoint(0, 0) << 51 << fifty;
    QTest::newRow("diameter 120 has radius 60 m")
        << QPoint(0, 0) << 120 << Points{{5389, 0}, {0, 5389}, {-5389, 0}, {0, -5389}, {5389, 0}};
    QTest::newRow("east radius doubles at 60 degrees")
        << QPoint(0, 600000000) << 50
        << Points{{4491, 600000000}, {0, 600002245}, {-4491, 600000000}, {0, 599997754},
                  {4491, 600000000}};
    QTest::newRow("centre shifted east") << QPoint(1000, 0) << 50
                                         << Points{{3245, 0}, {1000, 2245}, {-1245, 0},
                                                   {1000, -2245}, {3245, 0}};
}

void tst_MapGeometry::circle()
{
    QFETCH(QPoint, centre);
    QFETCH(int, diameter);
    QFETCH(Points, quarters);
    MapQt::MapTrace trace; // without an array: MakeCircle gives it one
    MakeCircle(centre.x(), centre.y(), diameter, &trace);
    QCOMPARE(trace.count, 17);
    const Points all = tracePoints(&trace);
    QCOMPARE((Points{all[0], all[4], all[8], all[12], all[16]}), quarters);
    for (int i = 0; i < 16; ++i) {
        for (int j = i + 1; j < 16; ++j)
            QVERIFY(all[i] != all[j]);
    }
}

void tst_MapGeometry::corridor_data()
{
    QTest::addColumn<Points>("vertices");
    QTest::addColumn<int>("width");
    QTest::addColumn<Points>("outline");

    QTest::newRow("no vertex") << Points() << 20 << Points();
    QTest::newRow("one vertex") << Points{{5, 5}} << 20 << Points();
    // 10 m is 898.3 units of latitude.
    QTest::newRow("two vertices eastward, width 20")
        << Points{{0, 0}, {1000, 0}} << 20
        << Points{{0, -898}, {1000, -898}, {1000, 898}, {0, 898}, {0, -898}};
    QTest::newRow("two vertices northward: right is east")
        << Points{{0, 0}, {0, 1000}} << 20
        << Points{{898, 0}, {898, 1000}, {-898, 1000}, {-898, 0}, {898, 0}};
    QTest::newRow("three on a meridian: the straight join adds nothing")
        << Points{{0, 0}, {0, 1000}, {0, 3000}} << 20
        << Points{{898, 0}, {898, 3000}, {-898, 3000}, {-898, 0}, {898, 0}};
    QTest::newRow("left turn: mitred corners on both sides")
        << Points{{0, 0}, {9000, 0}, {9000, 9000}} << 20
        << Points{{0, -898}, {9898, -898}, {9898, 9000}, {8102, 9000}, {8102, 898}, {0, 898},
                  {0, -898}};
    // The inner side of the short hairpin runs back over itself; the edge to
    // its last point crosses the return leg at (4500, 898) and the loop goes.
    QTest::newRow("hairpin with a short return leg: loop cut off")
        << Points{{0, 0}, {9000, 0}, {9000, 450}, {4500, 450}} << 20
        << Points{{0, -898}, {9898, -898}, {9898, 1348}, {4500, 1348}, {4500, 898}, {0, -898}};
}

void tst_MapGeometry::corridor()
{
    QFETCH(Points, vertices);
    QFETCH(int, width);
    QFETCH(Points, outline);
    const Points got = BuildCorridor(vertices, width);
    QCOMPARE(got, outline);
    if (!got.isEmpty())
        QCOMPARE(got.first(), got.last());
}

void tst_MapGeometry::appendTrimmed_data()
{
    QTest::addColumn<Points>("outline");
    QTest::addColumn<QPoint>("origin");
    QTest::addColumn<QPoint>("point"); // in units, turned into metres of origin's frame
    QTest::addColumn<Points>("result");

    const Points hook{{0, 0}, {9000, 0}, {9000, 900}, {4500, 900}};
    QTest::newRow("fewer than three points: appended")
        << Points{{0, 0}, {9000, 0}} << QPoint(0, 0) << QPoint(4500, -900)
        << Points{{0, 0}, {9000, 0}, {4500, -900}};
    QTest::newRow("no crossing: appended")
        << Points{{0, 0}, {9000, 0}, {9000, 900}} << QPoint(0, 0) << QPoint(-1000, 450)
        << Points{{0, 0}, {9000, 0}, {9000, 900}, {-1000, 450}};
    QTest::newRow("crossing the first edge: cut, point left out")
        << Points{{0, 0}, {9000, 0}, {9000, 900}} << QPoint(0, 0) << QPoint(4500, -900)
        << Points{{0, 0}, {6750, 0}};
    QTest::newRow("cut back to the crossing") << hook << QPoint(0, 0) << QPoint(4500, -900)
                                              << Points{{0, 0}, {4500, 0}};
    QTest::newRow("same in another frame") << hook << QPoint(9000, 900) << QPoint(4500, -900)
                                           << Points{{0, 0}, {4500, 0}};
    QTest::newRow("newest crossed edge wins")
        << Points{{0, 0}, {9000, 0}, {9000, 900}, {0, 900}, {0, 1800}} << QPoint(0, 0)
        << QPoint(18000, -900) << Points{{0, 0}, {9000, 0}, {9000, 900}, {6000, 900}};
}

void tst_MapGeometry::appendTrimmed()
{
    QFETCH(Points, outline);
    QFETCH(QPoint, origin);
    QFETCH(QPoint, point);
    QFETCH(Points, result);
    AppendTrimmed(outline, toMetric(origin, point), origin);
    QCOMPARE(outline, result);
}

void tst_MapGeometry::tint_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QColor>("tinted");

    const QColor brush(10, 200, 30, 100);
    QTest::newRow("mode 1: own colour") << 1 << brush << brush;
    QTest::newRow("mode 2: red tint") << 2 << brush << QColor(202, 8, 30, 127);
    QTest::newRow("mode 3: green tint") << 3 << brush << QColor(10, 200, 30, 127);
    QTest::newRow("other modes draw like 1") << 9 << brush << brush;
    QTest::newRow("red tint keeps a high alpha") << 2 << QColor(255, 255, 255, 255)
                                                 << QColor(255, 31, 31, 255);
    QTest::newRow("green tint of black") << 3 << QColor(0, 0, 0, 0) << QColor(0, 192, 0, 127);
}

void tst_MapGeometry::tint()
{
    QFETCH(int, mode);
    QFETCH(QColor, color);
    QFETCH(QColor, tinted);
    QCOMPARE(TintColor(color, mode).rgba(), tinted.rgba());
}

void tst_MapGeometry::drawOnLayerList_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QList<int>>("modes");
    QTest::addColumn<bool>("shown");

    for (int type = 1; type <= 4; ++type) {
        const QByteArray kind = GraphObject::typeNames().value(type).toLatin1();
        QTest::newRow((kind + ": mode 0 removes").constData()) << type << QList<int>{1, 0}
                                                                << false;
        QTest::newRow((kind + ": twice mode 1 keeps one copy").constData())
            << type << QList<int>{1, 1} << true;
        QTest::newRow((kind + ": tint then erase").constData()) << type << QList<int>{2, 0}
                                                                 << false;
        QTest::newRow((kind + ": erase when absent").constData()) << type << QList<int>{0}
                                                                   << false;
    }
}

void tst_MapGeometry::drawOnLayerList()
{
    QFETCH(int, type);
    QFETCH(QList<int>, modes);
    QFETCH(bool, shown);
    const auto object = makeObject(type, Points{{0, 0}, {1000, 0}, {1000, 1000}});
    MapQt::MapTrace other;
    QList<MapQt::MapPrimitive *> list{&other};
    for (int mode : modes)
        object->DrawOnLayer(&list, mode);
    const MapQt::MapPrimitive *shape = primitive(object.get(), displayName(type));
    QCOMPARE(list.size(), shown ? 2 : 1);
    QCOMPARE(list.first(), &other);
    if (shown)
        QCOMPARE(list.last(), shape);
}

void tst_MapGeometry::drawOnLayerShape_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<Points>("vertices");
    QTest::addColumn<int>("mode");
    QTest::addColumn<Points>("shape");
    QTest::addColumn<QColor>("brush");

    const Points tri{{0, 0}, {1000, 0}, {1000, 1000}};
    const Points ring{{0, 0}, {1000, 0}, {1000, 1000}, {0, 0}};
    QTest::newRow("polygon mode 1") << 3 << tri << 1 << ring << QColor(10, 200, 30, 100);
    QTest::newRow("polygon mode 2") << 3 << tri << 2 << ring << QColor(202, 8, 30, 127);
    QTest::newRow("polygon mode 3") << 3 << tri << 3 << ring << QColor(10, 200, 30, 127);
    QTest::newRow("circle mode 2: first vertex only")
        << 4 << Points{{0, 0}, {9, 9}} << 2
        << Points{{2245, 0}, {0, 2245}, {-2245, 0}, {0, -2245}, {2245, 0}}
        << QColor(202, 8, 30, 127);
    QTest::newRow("line: corridor of its width")
        << 2 << Points{{0, 0}, {1000, 0}} << 3
        << Points{{0, -898}, {1000, -898}, {1000, 898}, {0, 898}, {0, -898}} << QColor();
    QTest::newRow("line with one vertex: shown without points")
        << 2 << Points{{0, 0}} << 1 << Points() << QColor();
    QTest::newRow("polygon without vertex: appended as it was") << 3 << Points() << 1 << Points()
                                                            << QColor(0, 255, 255);
}

void tst_MapGeometry::drawOnLayerShape()
{
    QFETCH(int, type);
    QFETCH(Points, vertices);
    QFETCH(int, mode);
    QFETCH(Points, shape);
    QFETCH(QColor, brush);
    const QVariantMap colours{{QStringLiteral("Color"), QColor(1, 2, 3)},
                              {QStringLiteral("Brush"), QColor(10, 200, 30, 100)},
                              {QStringLiteral("Width"), 20}};
    const auto object = makeObject(type, vertices, vertices.isEmpty() ? QVariantMap() : colours);
    QList<MapQt::MapPrimitive *> list;
    object->DrawOnLayer(&list, mode);
    QCOMPARE(list.size(), 1);
    const auto *drawn = static_cast<const MapQt::MapTrace *>(list.first());
    Points got = tracePoints(drawn);
    if (type == 4) {
        QCOMPARE(got.size(), 17);
        got = Points{got[0], got[4], got[8], got[12], got[16]};
    }
    QCOMPARE(got, shape);
    if (!vertices.isEmpty()) {
        QCOMPARE(drawn->pen->color(), QColor(1, 2, 3));
        QCOMPARE(drawn->pen->width(), 3);
    }
    if (brush.isValid()) {
        QVERIFY(drawn->brush);
        QCOMPARE(drawn->brush->color().rgba(), brush.rgba());
        QCOMPARE(drawn->brush->style(), Qt::SolidPattern);
    }
}

void tst_MapGeometry::extendBounds_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<Points>("vertices");
    QTest::addColumn<QRect>("start"); // invalid: the caller's empty start
    QTest::addColumn<QList<int>>("bounds"); // minX, minY, maxX, maxY

    const int hi = std::numeric_limits<int>::max();
    const int lo = std::numeric_limits<int>::min();
    const QList<int> empty{hi, hi, lo, lo};
    QTest::newRow("icon: first vertex only") << 1 << Points{{5, 6}, {100, 100}} << QRect()
                                             << QList<int>{5, 6, 5, 6};
    QTest::newRow("icon without vertex: unchanged") << 1 << Points() << QRect() << empty;
    QTest::newRow("polygon: every vertex") << 3 << Points{{5, 6}, {-7, 60}, {30, -1}} << QRect()
                                           << QList<int>{-7, -1, 30, 60};
    QTest::newRow("line: corridor of the default width 50")
        << 2 << Points{{0, 0}, {1000, 0}} << QRect() << QList<int>{0, -2246, 1000, 2246};
    QTest::newRow("line with one vertex: unchanged") << 2 << Points{{0, 0}} << QRect() << empty;
    QTest::newRow("circle at the origin") << 4 << Points{{0, 0}} << QRect()
                                          << QList<int>{-2245, -2245, 2245, 2245};
    QTest::newRow("circle at 60 degrees is wider")
        << 4 << Points{{0, 600000000}} << QRect()
        << QList<int>{-4491, 599997754, 4491, 600002245};
    QTest::newRow("circle without vertex: unchanged") << 4 << Points() << QRect() << empty;
    QTest::newRow("only lowers minima and raises maxima")
        << 3 << Points{{5, 6}} << QRect(QPoint(0, 0), QPoint(10, 10)) << QList<int>{0, 0, 10, 10};
}

void tst_MapGeometry::extendBounds()
{
    QFETCH(int, type);
    QFETCH(Points, vertices);
    QFETCH(QRect, start);
    QFETCH(QList<int>, bounds);
    int minX = std::numeric_limits<int>::max();
    int minY = minX;
    int maxX = std::numeric_limits<int>::min();
    int maxY = maxX;
    if (start.isValid()) {
        minX = start.left();
        minY = start.top();
        maxX = start.right();
        maxY = start.bottom();
    }
    makeObject(type, vertices)->ExtendBounds(minX, minY, maxX, maxY);
    QCOMPARE((QList<int>{minX, minY, maxX, maxY}), bounds);
}

void tst_MapGeometry::attachEditPrimitives_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("icon") << 1 << QStringList{"car", "vertex"};
    QTest::newRow("line") << 2 << QStringList{"preview", "line", "vertex"};
    QTest::newRow("polygon") << 3 << QStringList{"preview", "line", "vertex"};
    QTest::newRow("circle") << 4 << QStringList{"outline", "vertex"};
}

void tst_MapGeometry::attachEditPrimitives()
{
    QFETCH(int, type);
    QFETCH(QStringList, order);
    const auto object = makeObject(type, Points{{0, 0}});
    MapQt::MapTrace stale;
    QList<MapQt::MapPrimitive *> list{&stale};
    object->AttachEditPrimitives(&list);
    QCOMPARE(object->editList(), &list);
    QCOMPARE(list.size(), order.size());
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(list.at(i), primitive(object.get(), order.at(i)));
    // The vertex marks are built by the attach: the vertex and a (0, 0) end.
    QCOMPARE(tracePoints(object->primitiveVertexTrace()).size(), type == 3 ? 3 : 2);
}

void tst_MapGeometry::rebuildPrimitives_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<Points>("vertices");
    QTest::addColumn<Points>("marks");
    QTest::addColumn<int>("lineCount");

    const Points two{{5, 6}, {7, 8}};
    QTest::newRow("line: vertices and a (0,0) end") << 2 << two
                                                    << Points{{5, 6}, {7, 8}, {0, 0}} << 2;
    QTest::newRow("line without vertex") << 2 << Points() << Points{{0, 0}} << 0;
    QTest::newRow("polygon: closed and a (0,0) end")
        << 3 << two << Points{{5, 6}, {7, 8}, {5, 6}, {0, 0}} << 3;
    QTest::newRow("polygon without vertex: nothing") << 3 << Points() << Points() << 0;
    QTest::newRow("icon") << 1 << two << Points{{5, 6}, {7, 8}, {0, 0}} << -1;
    QTest::newRow("circle") << 4 << two << Points{{5, 6}, {7, 8}, {0, 0}} << -1;
}

void tst_MapGeometry::rebuildPrimitives()
{
    QFETCH(int, type);
    QFETCH(Points, vertices);
    QFETCH(Points, marks);
    QFETCH(int, lineCount);
    const auto object = makeObject(type, vertices);
    object->RebuildPrimitives();
    const MapQt::MapTrace *vertexTrace = object->primitiveVertexTrace();
    QCOMPARE(tracePoints(vertexTrace), marks);
    if (lineCount >= 0) {
        const MapQt::MapTrace *line = trace(object.get(), QStringLiteral("line"));
        QCOMPARE(line->count, lineCount);
        QCOMPARE(line->points, vertexTrace->points); // shared, not copied
        QCOMPARE(trace(object.get(), QStringLiteral("preview"))->count, 0);
    }
    if (auto *icon = qobject_cast<GraphObIconText *>(object.get())) {
        QCOMPARE(icon->primitiveCar()->text, QStringLiteral("obj"));
        QVERIFY(!icon->primitiveCar()->visible); // two vertices: not a single place
    }
}

void tst_MapGeometry::normalizeIndex_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("normal");

    QTest::newRow("line: -1 clamps to 0") << 2 << 5 << -1 << 0;
    QTest::newRow("line: 5 clamps to 4") << 2 << 5 << 5 << 4;
    QTest::newRow("line: inside unchanged") << 2 << 5 << 3 << 3;
    QTest::newRow("line: far below") << 2 << 5 << std::numeric_limits<int>::min() << 0;
    QTest::newRow("polygon: -1 wraps to 4") << 3 << 5 << -1 << 4;
    QTest::newRow("polygon: 5 wraps to 0") << 3 << 5 << 5 << 0;
    QTest::newRow("polygon: -5 is 0") << 3 << 5 << -5 << 0;
    QTest::newRow("polygon: 12 is 2") << 3 << 5 << 12 << 2;
    QTest::newRow("polygon: below -n keeps wrapping") << 3 << 5 << -7 << 3;
    QTest::newRow("polygon: far below stays inside")
        << 3 << 5 << std::numeric_limits<int>::min() << 2;
    QTest::newRow("polygon without vertex: none") << 3 << 0 << 3 << -1;
}

void tst_MapGeometry::normalizeIndex()
{
    QFETCH(int, type);
    QFETCH(int, count);
    QFETCH(int, index);
    QFETCH(int, normal);
    const auto object = makeObject(type, five.mid(0, count));
    QCOMPARE(static_cast<GraphObLineBase *>(object.get())->NormalizeIndex(index), normal);
}

void tst_MapGeometry::previewMove_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<Points>("vertices");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<Points>("shown");

    const QPoint o(10, 20);
    const QPoint p(77, 88);
    auto moved = [&](int i) { return five[i] + o; };
    QTest::newRow("line run 0..2: no vertex before 0")
        << 2 << five << 0 << 2 << o << Points{moved(0), moved(1), moved(2), five[3]};
    QTest::newRow("polygon run 0..2: neighbours wrap")
        << 3 << five << 0 << 2 << o << Points{five[4], moved(0), moved(1), moved(2), five[3]};
    QTest::newRow("polygon run 3..1 wraps past the end")
        << 3 << five << 3 << 1 << o
        << Points{five[2], moved(3), moved(4), moved(0), moved(1), five[2]};
    QTest::newRow("line run at its end: no vertex after")
        << 2 << five << 4 << 4 << o << Points{five[3], moved(4)};
    QTest::newRow("polygon whole ring") << 3 << five << 0 << 4 << o
                                        << Points{five[4], moved(0), moved(1), moved(2),
                                                  moved(3), moved(4), five[0]};
    QTest::newRow("line insertion after 1") << 2 << five << 1 << -1 << p
                                            << Points{five[1], p, five[2]};
    QTest::newRow("polygon insertion after the last wraps")
        << 3 << five << 4 << -1 << p << Points{five[4], p, five[0]};
    QTest::newRow("line insertion after the last clamps")
        << 2 << five << 4 << -1 << p << Points{five[4], p, five[4]};
    QTest::newRow("first below 0: nothing") << 2 << five << -1 << 2 << o << Points();
    QTest::newRow("point (0,0): nothing") << 3 << five << 0 << 2 << QPoint() << Points();
    QTest::newRow("line without vertex: nothing") << 2 << Points() << 0 << -1 << p << Points();
    QTest::newRow("polygon without vertex: nothing") << 3 << Points() << 0 << 2 << o
                                                     << Points();
    QTest::newRow("line run backwards: nothing") << 2 << five << 3 << 1 << o << Points();
    QTest::newRow("run past the vertices: nothing") << 3 << five << 2 << 9 << o << Points();
}

void tst_MapGeometry::previewMove()
{
    QFETCH(int, type);
    QFETCH(Points, vertices);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QPoint, point);
    QFETCH(Points, shown);
    const auto object = makeObject(type, vertices);
    object->PreviewMove(first, last, point);
    QCOMPARE(tracePoints(trace(object.get(), QStringLiteral("preview"))), shown);
    QCOMPARE(object->points, vertices);
}

void tst_MapGeometry::previewArrayGrowth()
{
    const auto object = makeObject(2, five);
    const MapQt::MapTrace *preview = trace(object.get(), QStringLiteral("preview"));

    object->PreviewMove(1, -1, QPoint(1, 1)); // needs 3
    const MapQt::MapPoint *first = preview->points;
    QVERIFY(first);
    object->PreviewMove(2, -1, QPoint(1, 1)); // needs 3, count 3: kept
    QCOMPARE(preview->points, first);
    object->PreviewMove(0, 2, QPoint(1, 1)); // needs 5 > 3: replaced, shows 4
    const MapQt::MapPoint *second = preview->points;
    QVERIFY(second != first);
    QCOMPARE(preview->count, 4);
    object->PreviewMove(1, 2, QPoint(1, 1)); // needs 4, count 4: kept
    QCOMPARE(preview->points, second);
    object->PreviewMove(-1, 2, QPoint(1, 1)); // shows nothing, keeps the array
    QCOMPARE(preview->count, 0);
    QCOMPARE(preview->points, second);
    object->PreviewMove(1, -1, QPoint(1, 1)); // count 0 < 3: replaced
    QVERIFY(preview->points != second);
    QCOMPARE(preview->count, 3);
}

void tst_MapGeometry::editVertices_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QList<int>>("args");
    QTest::addColumn<Points>("vertices");

    const Points three{{0, 0}, {10, 0}, {20, 0}};
    const QList<int> offset{1, 2};
    QTest::newRow("remove the middle") << 2 << "remove" << QList<int>{1}
                                       << Points{{0, 0}, {20, 0}};
    QTest::newRow("remove out of range") << 2 << "remove" << QList<int>{7} << three;
    QTest::newRow("remove -1") << 3 << "remove" << QList<int>{-1} << three;
    QTest::newRow("insert at the front") << 2 << "insert" << QList<int>{0, 5, 5}
                                         << Points{{5, 5}, {0, 0}, {10, 0}, {20, 0}};
    QTest::newRow("insert at n appends") << 3 << "insert" << QList<int>{3, 5, 5}
                                         << Points{{0, 0}, {10, 0}, {20, 0}, {5, 5}};
    QTest::newRow("insert past n: ignored") << 2 << "insert" << QList<int>{4, 5, 5} << three;
    QTest::newRow("icon insert moves it") << 1 << "insert" << QList<int>{2, 5, 5}
                                          << Points{{5, 5}};
    QTest::newRow("circle insert moves it") << 4 << "insert" << QList<int>{0, 5, 5}
                                            << Points{{5, 5}};
    QTest::newRow("move one vertex") << 2 << "move" << QList<int>{1, -1} + offset
                                     << Points{{0, 0}, {11, 2}, {20, 0}};
    QTest::newRow("move a line run") << 2 << "move" << QList<int>{1, 2} + offset
                                     << Points{{0, 0}, {11, 2}, {21, 2}};
    QTest::newRow("move a polygon run that wraps") << 3 << "move" << QList<int>{2, 0} + offset
                                                   << Points{{1, 2}, {10, 0}, {21, 2}};
    QTest::newRow("line run backwards: unchanged") << 2 << "move" << QList<int>{2, 0} + offset
                                                   << three;
    QTest::newRow("move a vertex out of range: unchanged")
        << 3 << "move" << QList<int>{5, -1} + offset << three;
    QTest::newRow("icon moves by the offset from its first vertex")
        << 1 << "move" << QList<int>{2, 1} + offset << Points{{1, 2}};
}

void tst_MapGeometry::editVertices()
{
    QFETCH(int, type);
    QFETCH(QString, operation);
    QFETCH(QList<int>, args);
    QFETCH(Points, vertices);
    const auto object = makeObject(type, Points{{0, 0}, {10, 0}, {20, 0}});
    if (operation == QLatin1String("remove"))
        object->RemovePoint(args[0]);
    else if (operation == QLatin1String("insert"))
        object->InsertPoint(args[0], QPoint(args[1], args[2]));
    else
        object->MovePoints(args[0], args[1], QPoint(args[2], args[3]));
    QCOMPARE(object->points, vertices);
    // Every commit ends with a rebuild of the vertex marks.
    Points marks = vertices;
    if (type == 3 && !marks.isEmpty())
        marks << vertices.first();
    marks << QPoint();
    QCOMPARE(tracePoints(object->primitiveVertexTrace()), marks);
}

void tst_MapGeometry::commitEmptiesPreview_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("remove out of range still rebuilds") << "remove";
    QTest::newRow("insert out of range still rebuilds") << "insert";
    QTest::newRow("move backwards still rebuilds") << "move";
}

void tst_MapGeometry::commitEmptiesPreview()
{
    QFETCH(QString, operation);
    const auto object = makeObject(2, Points{{0, 0}, {10, 0}, {20, 0}});
    QList<MapQt::MapPrimitive *> list;
    object->AttachEditPrimitives(&list);
    object->PreviewMove(0, 1, QPoint(3, 3));
    QCOMPARE(trace(object.get(), QStringLiteral("preview"))->count, 3);
    const MapQt::MapPoint *marks = object->primitiveVertexTrace()->points;
    if (operation == QLatin1String("remove"))
        object->RemovePoint(7);
    else if (operation == QLatin1String("insert"))
        object->InsertPoint(9, QPoint(1, 1));
    else
        object->MovePoints(2, 0, QPoint(1, 1));
    QCOMPARE(object->points.size(), 3);
    QCOMPARE(trace(object.get(), QStringLiteral("preview"))->count, 0);
    QVERIFY(object->primitiveVertexTrace()->points != marks);
    QCOMPARE(trace(object.get(), QStringLiteral("line"))->points,
             object->primitiveVertexTrace()->points);
}

void tst_MapGeometry::circleMoveRebuildsOutline()
{
    const auto object = makeObject(4, Points{{0, 0}});
    QList<MapQt::MapPrimitive *> list;
    object->AttachEditPrimitives(&list);
    const MapQt::MapTrace *outline = trace(object.get(), QStringLiteral("outline"));
    QCOMPARE(outline->points[0].x, 2245);
    object->MovePoints(0, 0, QPoint(1000, 0));
    QCOMPARE(object->points, (Points{{1000, 0}}));
    const Points got = tracePoints(outline);
    QCOMPARE(got.size(), 17);
    QCOMPARE((Points{got[0], got[4], got[8], got[12]}),
             (Points{{3245, 0}, {1000, 2245}, {-1245, 0}, {1000, -2245}}));
}

void tst_MapGeometry::findHitPoints_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("attach");
    QTest::addColumn<QList<MapHit>>("hits");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");

    // Line kinds' list: preview 0, line 1, vertex 2; icon: car 0, vertex 1.
    QTest::newRow("never attached") << 2 << false << QList<MapHit>{hit(5, 2, five[1])} << false
                                    << -1 << -1;
    QTest::newRow("vertex hit") << 2 << true << QList<MapHit>{hit(5, 2, five[3])} << true << 3
                                << 3;
    QTest::newRow("other key") << 2 << true << QList<MapHit>{hit(6, 2, five[3])} << false << -1
                               << -1;
    QTest::newRow("later record matches")
        << 3 << true << QList<MapHit>{hit(5, 2, QPoint(1, 1)), hit(5, 2, five[4])} << true << 4
        << 4;
    QTest::newRow("segment hit") << 2 << true << QList<MapHit>{hit(5, 1, five[1], five[2])}
                                 << true << 1 << 2;
    QTest::newRow("polygon closing segment")
        << 3 << true << QList<MapHit>{hit(5, 1, five[4], five[0])} << true << 4 << 0;
    QTest::newRow("vertex hit wins over an earlier segment hit")
        << 2 << true << QList<MapHit>{hit(5, 1, five[1], five[2]), hit(5, 2, five[0])} << true
        << 0 << 0;
    QTest::newRow("segment end that is no vertex")
        << 2 << true << QList<MapHit>{hit(5, 1, five[1], QPoint(3, 3))} << false << -1 << -1;
    QTest::newRow("icon vertex hit") << 1 << true << QList<MapHit>{hit(5, 1, five[0])} << true
                                     << 0 << 0;
    QTest::newRow("icon has no segments") << 1 << true << QList<MapHit>{hit(5, 0, five[0])}
                                          << false << -1 << -1;
}

void tst_MapGeometry::findHitPoints()
{
    QFETCH(int, type);
    QFETCH(bool, attach);
    QFETCH(QList<MapHit>, hits);
    QFETCH(bool, found);
    QFETCH(int, first);
    QFETCH(int, second);
    const auto object = makeObject(type, type == 1 ? five.mid(0, 1) : five);
    QList<MapQt::MapPrimitive *> list;
    if (attach)
        object->AttachEditPrimitives(&list);
    int a = 99;
    int b = 99;
    QCOMPARE(object->FindHitPoints(hits, a, b, 5), found);
    QCOMPARE(a, first);
    QCOMPARE(b, second);
}

void tst_MapGeometry::badDataStaysInRange_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<Points>("vertices");
    QTest::addColumn<int>("size");

    const int big = std::numeric_limits<int>::max();
    QTest::newRow("huge line width") << 2 << Points{{0, 0}, {1000, 0}, {0, 10}} << big;
    QTest::newRow("line at the pole") << 2 << Points{{0, 900000000}, {5, 900000000}, {9, 0}}
                                      << 50;
    QTest::newRow("doubled vertices") << 2 << Points{{5, 5}, {5, 5}, {5, 5}} << 50;
    QTest::newRow("huge circle at the pole") << 4 << Points{{big, 900000000}} << big;
    QTest::newRow("negative circle") << 4 << Points{{-big, -big}} << -big;
}

void tst_MapGeometry::badDataStaysInRange()
{
    QFETCH(int, type);
    QFETCH(Points, vertices);
    QFETCH(int, size);
    const QString key = type == 2 ? QStringLiteral("Width") : QStringLiteral("Diameter");
    const auto object = makeObject(type, vertices, QVariantMap{{key, size}});
    QList<MapQt::MapPrimitive *> list;
    const QPoint far(std::numeric_limits<int>::max(), std::numeric_limits<int>::max());
    object->AttachEditPrimitives(&list);
    object->DrawOnLayer(&list, 1);
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    object->ExtendBounds(minX, minY, maxX, maxY);
    object->MovePoints(0, 0, far);
    object->PreviewMove(0, 0, far);
    object->DrawOnLayer(&list, 1);
    const Points shape = tracePoints(static_cast<const MapQt::MapTrace *>(list.last()));
    QVERIFY(!shape.isEmpty());
    QCOMPARE(shape.first(), shape.last());
    QCOMPARE(object->primitiveVertexTrace()->count, vertices.size() + 1);
}

QTEST_MAIN(tst_MapGeometry)
#include "tst_mapgeometry.moc"
