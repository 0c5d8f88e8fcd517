// The graphic objects: what they put in the host's primitive lists, how they
// find a hit vertex, their extent and their property table.
#include "graphobj/GraphObLineBase.h"
#include "graphobj/GraphObjectFactory.h"
#include "graphobj/IconTable.h"

#include <MapQt.h>

#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

using Points = QList<QPoint>;
using Primitives = QList<MapQt::MapPrimitive *>;

constexpr int Big = std::numeric_limits<int>::max();
constexpr int Small = std::numeric_limits<int>::min();
const Points Three{{0, 0}, {10, 0}, {20, 0}};
const QString Red = " pen #ffff0000/3", Blue = " pen #ff0000ff/3", Green = " pen #ff00ff00/3";
const QString Cyan = "#ff00ffff";

std::unique_ptr<GraphObject> make(int type, const Points &points, const QVariantMap &properties)
{
    return std::unique_ptr<GraphObject>(CreateGraphObject({17, type, "obj", points, properties}));
}

// A primitive as the host draws it: a trace's points (a 17-point circle by
// every fourth), pen and brush; a car's caption, place and picture.
QString describe(const MapQt::MapPrimitive *p)
{
    if (p->kind == 5) {
        const auto *car = static_cast<const MapQt::MapCar *>(p);
        return QString("car %1 at %2,%3").arg(car->text).arg(car->x).arg(car->y)
               + (car->visible ? "" : " hidden") + (car->pixmap.isNull() ? "" : " pictured");
    }
    const auto *trace = static_cast<const MapQt::MapTrace *>(p);
    QString text = p->kind == 2 ? "polygon" : "trace";
    for (int i = 0; i < trace->count; i += trace->count == 17 ? 4 : 1)
        text += QString(" %1,%2").arg(trace->points[i].x).arg(trace->points[i].y);
    if (p->pen)
        text += QString(" pen %1/%2").arg(p->pen->color().name(QColor::HexArgb)).arg(p->pen->width());
    return text + (p->brush ? " brush " + p->brush->color().name(QColor::HexArgb) : "");
}

QStringList describe(const Primitives &list)
{
    QStringList result;
    for (const MapQt::MapPrimitive *p : list)
        result << describe(p);
    return result;
}

QVariantList values(const QStandardItemModel &model)
{
    QVariantList result;
    for (int row = 0; row < model.rowCount(); ++row)
        result << model.index(row, 1).data(Qt::EditRole);
    return result;
}

MapHit hit(int key, int position, QPoint a, QPoint b = QPoint())
{
    return MapHit{{0, key, 0, position, a.x(), a.y(), b.x(), b.y()}};
}

} // namespace

Q_DECLARE_METATYPE(QList<MapHit>)

class tst_GraphObject : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(operativecheck);
        GraphObject::InitTypeNames();
        InitIconTable();
    }

    void create_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("recordName");
        QTest::addColumn<QString>("name"); // empty: no object

        QTest::newRow("0 Abstract: none") << 0 << "" << "";
        QTest::newRow("1 icon") << 1 << "" << "[New IconText 17]";
        QTest::newRow("2 line") << 2 << "" << "[New Line 17]";
        QTest::newRow("3 polygon") << 3 << "" << "[New Polygone 17]";
        QTest::newRow("4 circle") << 4 << "" << "[New Circle 17]";
        QTest::newRow("5 Cone: none") << 5 << "" << "";
        QTest::newRow("a space is a name") << 2 << " " << " ";
    }

    // An unnamed object is named after its kind and id.
    void create()
    {
        QFETCH(int, type);
        QFETCH(QString, recordName);
        QFETCH(QString, name);
        const std::unique_ptr<GraphObject> object(
            CreateGraphObject({17, type, recordName, {{0, 0}}, {}}));
        QCOMPARE(object ? object->name : QString(), name);
        QCOMPARE(object ? object->type : 0, object ? type : 0);
    }

    void primitives_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<Points>("vertices");
        QTest::addColumn<QString>("steps"); // remove i; insert i x,y; move i j x,y; preview i j x,y; draw mode
        QTest::addColumn<QStringList>("edit");  // the editing list afterwards
        QTest::addColumn<QStringList>("drawn"); // on the layer, after another's primitive
        QTest::addColumn<QList<int>>("bounds"); // min x, min y, max x, max y; none: not checked

        const QString pen = " pen #ff010203/3", own = " brush #640ac81e";
        const QString line = "trace 0,0 10,0 20,0" + Blue, marks = "trace 0,0 10,0 20,0 0,0" + Red;
        const QString ring = "trace 0,0 10,0 20,0 0,0" + Blue;
        const QString ringMarks = "trace 0,0 10,0 20,0 0,0 0,0" + Red;
        const QString circle60 = " 4491,600000000 0,600002245 -4491,600000000 0,599997754 4491,600000000";
        QTest::newRow("line: preview, line, marks ending at (0,0); a corridor")
            << 2 << Three << "draw 3" << QStringList{"trace" + Green, line, marks}
            << QStringList{"trace 0,-898 20,-898 20,898 0,898 0,-898" + pen}
            << QList<int>{0, -898, 20, 898};
        QTest::newRow("line preview: no vertex before the first") << 2 << Three << "preview 0 1 1,1"
            << QStringList{"trace 1,1 11,1 20,0" + Green, line, marks} << QStringList() << QList<int>();
        QTest::newRow("line: a removal rebuilds and ends the preview") << 2 << Three
            << "preview 0 1 1,1;remove 1" << QStringList{"trace" + Green, "trace 0,0 20,0" + Blue,
                                                        "trace 0,0 20,0 0,0" + Red}
            << QStringList() << QList<int>();
        QTest::newRow("polygon: closed, own colours, every vertex bounds") << 3 << Three << "draw 1"
            << QStringList{"trace" + Green, ring, ringMarks}
            << QStringList{"polygon 0,0 10,0 20,0 0,0" + pen + own} << QList<int>{0, 0, 20, 0};
        QTest::newRow("polygon preview wraps; drawn again, red tint") << 3 << Three
            << "preview 2 0 1,1;draw 1;draw 2"
            << QStringList{"trace 10,0 21,1 1,1 10,0" + Green, ring, ringMarks}
            << QStringList{"polygon 0,0 10,0 20,0 0,0" + pen + " brush #7fca081e"} << QList<int>();
        QTest::newRow("polygon: a run wraps, an insertion at the end; mode 0 takes it off")
            << 3 << Three << "move 2 0 1,2;insert 3 5,5;draw 1;draw 0"
            << QStringList{"trace" + Green, "trace 1,2 10,0 21,2 5,5 1,2" + Blue,
                           "trace 1,2 10,0 21,2 5,5 1,2 0,0" + Red}
            << QStringList() << QList<int>{1, 0, 21, 5};
        QTest::newRow("polygon without vertex: nothing but its colours") << 3 << Points() << "draw 1"
            << QStringList{"trace" + Green, "trace" + Blue, "trace" + Red}
            << QStringList{"polygon" + pen + own} << QList<int>{Big, Big, Small, Small};
        QTest::newRow("icon of two vertices: no single place, bounds of the first")
            << 1 << Points{{5, 6}, {9, 9}} << "draw 2"
            << QStringList{"car obj at 0,0 hidden", "trace 5,6 9,9 0,0" + Red}
            << QStringList{"car obj at 0,0 hidden"} << QList<int>{5, 6, 5, 6};
        QTest::newRow("icon: an insertion moves it") << 1 << Points{{0, 0}} << "insert 2 5,5;draw 1"
            << QStringList{"car obj at 5,5", "trace 5,5 0,0" + Red}
            << QStringList{"car obj at 5,5"} << QList<int>{5, 5, 5, 5};
        // Diameter 51 is radius 25 m; at 60 degrees a metre east is twice the units.
        QTest::newRow("circle at 60 degrees: green tint round the first vertex, wider")
            << 4 << Points{{0, 600000000}, {9, 9}} << "draw 3"
            << QStringList{"trace" + circle60 + Blue, "trace 0,600000000 9,9 0,0" + Red}
            << QStringList{"polygon" + circle60 + pen + " brush #7f0ac81e"}
            << QList<int>{-4491, 599997754, 4491, 600002245};
        QTest::newRow("circle: a move redraws the outline") << 4 << Points{{0, 0}} << "move 0 0 1000,0"
            << QStringList{"trace 3245,0 1000,2245 -1245,0 1000,-2245 3245,0" + Blue,
                           "trace 1000,0 0,0" + Red}
            << QStringList() << QList<int>{-1245, -2245, 3245, 2245};
    }

    // The kind's editing primitives go into the caller's list and are rebuilt
    // after every edit; the drawn one goes once into a shared list. Deleted,
    // the object leaves both lists as they are.
    void primitives()
    {
        QFETCH(int, type);
        QFETCH(Points, vertices);
        QFETCH(QString, steps);
        QFETCH(QStringList, edit);
        QFETCH(QStringList, drawn);
        QFETCH(QList<int>, bounds);
        auto object = make(type, vertices, {{"Color", QColor(1, 2, 3)}, {"Width", 20},
                                            {"Diameter", 51}, {"Brush", QColor(10, 200, 30, 100)}});
        MapQt::MapTrace stale, other;
        Primitives list{&stale}, layer{&other};
        object->AttachEditPrimitives(&list);
        for (const QString &step : steps.split(';')) {
            const QStringList a = step.split(QRegularExpression("[ ,]"));
            const QPoint p(a.value(a.size() - 2).toInt(), a.last().toInt());
            if (a[0] == "remove")
                object->RemovePoint(a[1].toInt());
            else if (a[0] == "insert")
                object->InsertPoint(a[1].toInt(), p);
            else if (a[0] == "move")
                object->MovePoints(a[1].toInt(), a[2].toInt(), p);
            else if (a[0] == "preview")
                object->PreviewMove(a[1].toInt(), a[2].toInt(), p);
            else
                object->DrawOnLayer(&layer, a[1].toInt());
        }
        QCOMPARE(describe(list), edit);
        QCOMPARE(list.last(), object->primitiveVertexTrace());
        QCOMPARE(describe(layer.mid(1)), drawn);
        QCOMPARE(layer.first(), &other);
        QList<int> got{Big, Big, Small, Small};
        object->ExtendBounds(got[0], got[1], got[2], got[3]);
        if (!bounds.isEmpty())
            QCOMPARE(got, bounds);
        object.reset();
        QCOMPARE(list.size(), edit.size());
        QCOMPARE(layer.size(), drawn.size() + 1);
    }

    // A new preview array only when the shown count is too small, so that a
    // replaced one never keeps the old address.
    void previewArray()
    {
        const auto object = make(2, Three + Points{{30, 0}, {40, 0}}, {});
        const MapQt::MapTrace *trace =
            qobject_cast<GraphObLineBase *>(object.get())->primitivePreviewTrace();
        object->PreviewMove(1, -1, QPoint(1, 1)); // needs 3
        const MapQt::MapPoint *first = trace->points;
        object->PreviewMove(2, -1, QPoint(1, 1)); // needs 3, has 3: kept
        QCOMPARE(trace->points, first);
        object->PreviewMove(0, 2, QPoint(1, 1)); // needs 5: replaced, shows 4
        QVERIFY(trace->points != first);
        QCOMPARE(trace->count, 4);
    }

    void findHitPoints_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("attached");
        QTest::addColumn<QList<MapHit>>("hits"); // the object's key is 5
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");

        // Positions: line kinds preview 0, line 1, marks 2; icon car or circle outline 0, marks 1.
        const Points f{{0, 0}, {1000, 0}, {2000, 500}, {3000, 0}, {4000, 1000}};
        const auto row = [](const char *name, int type, const QList<MapHit> &hits, int first,
                            int second, bool attached = true) {
            QTest::newRow(name) << type << attached << hits << first << second;
        };
        row("never attached", 2, {hit(5, 2, f[3])}, -1, -1, false);
        row("vertex", 2, {hit(5, 2, f[3])}, 3, 3);
        row("other key", 2, {hit(6, 2, f[3])}, -1, -1);
        row("a later record matches", 3, {hit(5, 2, {1, 1}), hit(5, 2, f[4])}, 4, 4);
        row("polygon closing segment", 3, {hit(5, 1, f[4], f[0])}, 4, 0);
        row("a vertex wins over an earlier segment", 2, {hit(5, 1, f[1], f[2]), hit(5, 2, f[0])}, 0, 0);
        row("segment end that is no vertex", 2, {hit(5, 1, f[1], {3, 3})}, -1, -1);
        row("icon vertex", 1, {hit(5, 1, f[0])}, 0, 0);
        row("circle vertex", 4, {hit(5, 1, f[0])}, 0, 0);
        row("icon has no segments", 1, {hit(5, 0, f[0], f[0])}, -1, -1);
    }

    void findHitPoints()
    {
        QFETCH(int, type);
        QFETCH(bool, attached);
        QFETCH(QList<MapHit>, hits);
        QFETCH(int, first);
        QFETCH(int, second);
        const Points five{{0, 0}, {1000, 0}, {2000, 500}, {3000, 0}, {4000, 1000}};
        const auto object = make(type, type == 2 || type == 3 ? five : five.mid(0, 1), {});
        Primitives list;
        if (attached)
            object->AttachEditPrimitives(&list);
        int a = 99, b = 99;
        QCOMPARE(object->FindHitPoints(hits, a, b, 5), first >= 0);
        QCOMPARE(qMakePair(a, b), qMakePair(first, second));
    }

    void properties_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariantMap>("given");
        QTest::addColumn<int>("row"); // edited with value; -2: no edit
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariantList>("values"); // the table filled afresh
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QString>("drawn");

        const QVariant red = QColor(Qt::red), cyan = QColor(Qt::cyan), alpha = QColor(1, 2, 3, 4);
        const QString corridor = "trace 0,-2246 1000,-2246 1000,2246 0,2246 0,-2246";
        const QVariantMap kill{{"IconName", "Kill"}, {"Comment", "note"}};
        QTest::newRow("icon: picture in the table, the tree and on the map") << 1 << kill << -2
            << QVariant() << QVariantList{"obj", "Kill", "note"} << kill << "car obj at 0,0 pictured";
        QTest::newRow("icon name: the caption") << 1 << QVariantMap() << 0 << QVariant("Gate")
            << QVariantList{"Gate", {}, ""} << QVariantMap() << "car Gate at 0,0";
        QTest::newRow("icon picture") << 1 << QVariantMap() << 1 << QVariant("Hospital")
            << QVariantList{"obj", "Hospital", ""} << QVariantMap{{"IconName", "Hospital"}}
            << "car obj at 0,0 pictured";
        QTest::newRow("icon picture not in the table (case differs): a null text")
            << 1 << kill << 1 << QVariant("kill") << QVariantList{"obj", {}, "note"}
            << QVariantMap{{"IconName", QString()}, {"Comment", "note"}} << "car obj at 0,0";
        QTest::newRow("line defaults") << 2 << QVariantMap() << -2 << QVariant()
            << QVariantList{"obj", "50", cyan, ""} << QVariantMap() << corridor + " pen " + Cyan + "/3";
        QTest::newRow("line from texts that do not convert")
            << 2 << QVariantMap{{"Width", "wide"}, {"Color", "no colour"}} << -2 << QVariant()
            << QVariantList{"obj", "0", QColor(), ""}
            << QVariantMap{{"Width", "wide"}, {"Color", "no colour"}}
            << "trace 0,0 1000,0 1000,0 0,0 pen #ff000000/3";
        QTest::newRow("line width") << 2 << QVariantMap() << 1 << QVariant("40")
            << QVariantList{"obj", "40", cyan, ""} << QVariantMap{{"Width", "40"}}
            << "trace 0,-1797 1000,-1797 1000,1797 0,1797 0,-1797 pen " + Cyan + "/3";
        QTest::newRow("line colour as text") << 2 << QVariantMap() << 2 << QVariant("red")
            << QVariantList{"obj", "50", red, ""} << QVariantMap{{"Color", "red"}} << corridor + Red;
        QTest::newRow("line comment; a row past the table ignored") << 2 << QVariantMap() << 4
            << QVariant("c") << QVariantList{"obj", "50", cyan, ""} << QVariantMap()
            << corridor + " pen " + Cyan + "/3";
        QTest::newRow("polygon brush keeps alpha") << 3 << QVariantMap{{"Color", "#ff8000"}} << 2
            << alpha << QVariantList{"obj", QColor(255, 128, 0), alpha, ""}
            << QVariantMap{{"Color", "#ff8000"}, {"Brush", alpha}}
            << "polygon 0,0 0,0 pen #ffff8000/3 brush #04010203";
        QTest::newRow("circle diameter") << 4 << QVariantMap{{"Brush", red}} << 1 << QVariant(120)
            << QVariantList{"obj", "120", cyan, red, ""}
            << QVariantMap{{"Brush", red}, {"Diameter", 120}}
            << "polygon 5389,0 0,5389 -5389,0 0,-5389 5389,0 pen " + Cyan + "/3 brush #ffff0000";
        QTest::newRow("circle comment, an invalid index ignored") << 4 << QVariantMap() << -1
            << QVariant("c") << QVariantList{"obj", "50", cyan, cyan, ""} << QVariantMap()
            << "polygon 2245,0 0,2245 -2245,0 0,-2245 2245,0 pen " + Cyan + "/3 brush " + Cyan;
    }

    // Rows as the kind's schema lists them: fixed labels, editable values,
    // colours with a swatch and an editor of their own kind, the icon with the
    // table's list. An edit changes its row, its stored value and the drawing.
    void properties()
    {
        QFETCH(int, type);
        QFETCH(QVariantMap, given);
        QFETCH(int, row);
        QFETCH(QVariant, value);
        QFETCH(QVariantList, values);
        QFETCH(QVariantMap, stored);
        QFETCH(QString, drawn);
        static const QHash<int, QStringList> labels{
            {1, {"Name", "Icon", "Comment"}}, {2, {"Name", "Width", "Color", "Comment"}},
            {3, {"Name", "Color", "Brush", "Comment"}},
            {4, {"Name", "Diameter, m", "Color", "Brush", "Comment"}}};
        const auto object = make(type, type == 2 ? Points{{0, 0}, {1000, 0}} : Points{{0, 0}}, given);
        Primitives edit, layer;
        object->AttachEditPrimitives(&edit);
        QStandardItemModel rows(6, 2); // an index past the kind's rows is still valid
        if (row > -2)
            object->SetProperty(row < 0 ? QModelIndex() : rows.index(row, 1), value);
        QCOMPARE(object->properties, stored);
        QCOMPARE(object->properties.value("IconName").toString().isNull(),
                 stored.value("IconName").toString().isNull());
        object->DrawOnLayer(&layer, 1);
        QCOMPARE(describe(layer.last()), drawn);
        if (type == 4) // the editing outline follows the diameter
            QCOMPARE(describe(edit.first()).section(" pen", 0, 0),
                     describe(layer.last()).section(" pen", 0, 0).replace("polygon", "trace"));

        QStandardItemModel model(7, 3), otherModel; // leftovers of a previous table
        QTableView view, other;
        view.setModel(&model);
        other.setModel(&otherModel);
        object->SetupPropertyView(&view);
        make(type, {}, {})->SetupPropertyView(&other);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("Value"));
        QCOMPARE(::values(model), values);
        for (int r = 0; r < model.rowCount(); ++r) {
            QCOMPARE(model.index(r, 0).data().toString(), labels[type].value(r));
            QCOMPARE(model.flags(model.index(r, 0)) & Qt::ItemIsEditable, Qt::NoItemFlags);
            QVERIFY(model.index(r, 1).flags() & Qt::ItemIsEditable);
            const bool colour = values[r].userType() == QMetaType::QColor;
            if (colour)
                QCOMPARE(model.index(r, 1).data(Qt::DecorationRole), values[r]);
            QAbstractItemDelegate *delegate = view.itemDelegateForRow(r);
            QCOMPARE(QString(delegate ? delegate->metaObject()->className() : ""),
                     colour ? "ColorDialogDelegate" : r == 1 && type == 1 ? "CmbBoxDelegateOnMapIcon" : "");
            QCOMPARE(other.itemDelegateForRow(r), delegate); // shared by the kind's tables
            QVERIFY(!delegate || delegate != view.itemDelegateForRow(r - 1)); // colour, brush
        }
        QCOMPARE(model.rowCount(), labels[type].size());
        QStandardItem item("old");
        object->FillTreeItem(&item);
        QCOMPARE(item.text(), values[0].toString());
        const QImage picture = iconTable().value(values[1].toString()).toImage();
        QCOMPARE(item.icon().isNull(), type != 1 || picture.isNull());
        if (type == 1 && !picture.isNull()) {
            QCOMPARE(qvariant_cast<QPixmap>(model.index(1, 1).data(Qt::DecorationRole)).toImage(),
                     picture);
            QCOMPARE(item.icon().pixmap(picture.size()).toImage(), picture);
        }
    }
};

QTEST_MAIN(tst_GraphObject)
#include "tst_graphobject.moc"
