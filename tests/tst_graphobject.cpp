// The graphic objects (what they put in the host's primitive lists, how they
// find a hit vertex, their extent, their property table) and the two choosers
// of a route's parts: the layer tree, which is also the plug-in's store of
// graphic objects, and the tracked objects.
#include "testsupport/FakeHost.h"
#include "testsupport/TreeBuilders.h"

#include "dialogs/DialogListObjects.h"
#include "dialogs/DialogSelectGraphObj.h"
#include "graphobj/GraphObject.h"
#include "graphobj/GraphObjectFactory.h"
#include "graphobj/IconTable.h"

#include <MapQt.h>
#include <TreeObjCheckable.h>

#include <QDialogButtonBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTranslator>
#include <QTreeView>
#include <QtTest>

#include <algorithm>
#include <limits>
#include <memory>

using namespace TreeBodies;

namespace {

using Points = QList<QPoint>;
using Primitives = QList<MapQt::MapPrimitive *>;

constexpr int Big = std::numeric_limits<int>::max();
constexpr int Small = std::numeric_limits<int>::min();
const Points Three{{0, 0}, {10, 0}, {20, 0}};

std::unique_ptr<GraphObject> make(int type, const Points &points, const QVariantMap &properties)
{
    return std::unique_ptr<GraphObject>(CreateGraphObject({17, type, "obj", points, properties}));
}

// A primitive as the host draws it: a trace's points (a 17-point circle by
// every fourth), with pen and brush when painted; a car's caption, place and picture.
QString describe(const MapQt::MapPrimitive *p, bool painted = true)
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
    if (painted && p->pen)
        text += " pen " + p->pen->color().name(QColor::HexArgb);
    return text + (painted && p->brush ? " brush " + p->brush->color().name(QColor::HexArgb) : "");
}

QString describe(const Primitives &list, bool painted)
{
    QStringList result;
    for (const MapQt::MapPrimitive *p : list)
        result << describe(p, painted);
    return result.join(" | ");
}

MapHit hit(int key, int position, QPoint a, QPoint b = QPoint())
{
    return MapHit{{0, key, 0, position, a.x(), a.y(), b.x(), b.y()}};
}

GraphObData polygon(qint32 id, const QString &name)
{
    return object(id, 3, name, {{0, 0}, {1000, 0}, {1000, 1000}});
}

// Zones (Sub (Post 7), Gate 5, Yard 9), Roads (Lane 12): child layers come
// before a layer's own objects.
const QByteArray BaseTree = layerTree(
    {layer(10, "Zones", 1, {polygon(5, "Gate"), object(9, 4, "Yard", {{500, 500}})},
           {layer(11, "Sub", 1, {object(7, 1, "Post", {{100, 100}})})}),
     layer(20, "Roads", 1, {object(12, 2, "Lane", {{0, 0}, {2000, 0}})})});
// A tree as shown with each item's check state filled in.
QString fill(QString tree, const QString &states)
{
    for (const QChar state : states)
        tree = tree.arg(state);
    return tree;
}
QString base(const QString &states)
{
    return fill("Zones:%1(Sub:%2(Post:%3) Gate:%4 Yard:%5) Roads:%6(Lane:%7)", states);
}
// Column A 1 (Car 11, Car 12 (Trailer 121)), Column B 2 (Car 21): groups that
// are tracked objects themselves; Depot (Car 31): a plain group.
QString unitTree(const QString &states)
{
    return fill("Column A:%1(Car 11:%2 Car 12:%3(Trailer 121:%4)) Column B:%5(Car 21:%6) "
                "Depot:%7(Car 31:%8)", states);
}

// "+Name" ticks, "-Name" unticks, "~Name" half-ticks, as a click in a view writes it.
void tick(QAbstractItemModel *model, const QString &tick)
{
    const QModelIndexList hits = model->match(model->index(0, 0), Qt::DisplayRole, tick.mid(1), 1,
                                              Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY2(!hits.isEmpty(), qPrintable(tick));
    model->setData(hits.first(), tick[0] == '+' ? Qt::Checked
                                 : tick[0] == '~' ? Qt::PartiallyChecked : Qt::Unchecked,
                   Qt::CheckStateRole);
}

// Each item of a dialog's tree as "name:check state", its children in brackets.
QString shown(const QAbstractItemModel *model, const QModelIndex &parent = QModelIndex())
{
    QStringList rows;
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        const QString children = shown(model, index);
        rows << QString("%1:%2").arg(index.data().toString())
                        .arg(index.data(Qt::CheckStateRole).toInt())
                    + (children.isEmpty() ? QString() : "(" + children + ")");
    }
    return rows.join(' ');
}

} // namespace

Q_DECLARE_METATYPE(QList<MapHit>)

class tst_GraphObject : public QObject
{
    Q_OBJECT

    std::unique_ptr<DialogSelectGraphObj> layers;
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<DialogListObjects> units;

    void load(const QByteArray &body)
    {
        QDataStream in(body);
        in.setVersion(QDataStream::Qt_4_5);
        layers->loadTree(in);
    }
    QAbstractItemModel *unitModel() const
    {
        return units->treeWidget()->findChild<QTreeView *>()->model();
    }
    // What the units dialog gives, appended to what the caller's list holds.
    QList<int> checkedUnits() const
    {
        QList<int> ids{-7};
        units->treeWidget()->getCheckedObjs(&ids, QModelIndex());
        std::sort(ids.begin() + 1, ids.end());
        return ids;
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(operativecheck);
        GraphObject::InitTypeNames();
        InitIconTable();
    }

    void primitives_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<Points>("vertices");
        QTest::addColumn<QString>("steps"); // remove i, insert i x y, move i j x y, preview i j x y, draw mode
        QTest::addColumn<QString>("edit");  // the editing list afterwards, unpainted
        QTest::addColumn<QString>("drawn"); // on the layer, after another's primitive
        QTest::addColumn<QList<int>>("bounds"); // min x, min y, max x, max y

        const QString line = " | trace 0,0 10,0 20,0 | trace 0,0 10,0 20,0 0,0";
        const QString ring = " | trace 0,0 10,0 20,0 0,0 | trace 0,0 10,0 20,0 0,0 0,0";
        const QString paint = " pen #ff010203 brush #640ac81e";
        const QList<int> lineBounds{0, 0, 20, 0};
        const auto row = [](const char *name, int type, const Points &vertices, const char *steps,
                            const QString &edit, const QString &drawn, const QList<int> &bounds) {
            QTest::newRow(name) << type << vertices << steps << edit << drawn << bounds;
        };
        row("line: preview, line, marks ending at (0,0); a corridor of its width", 2, Three,
            "draw 3", "trace" + line, "trace 0,-898 20,-898 20,898 0,898 0,-898 pen #ff010203",
            {0, -898, 20, 898});
        row("line preview: no vertex before the first", 2, Three, "preview 0 1 1 1",
            "trace 1,1 11,1 20,0" + line, "", {0, -898, 20, 898});
        row("line: a removal rebuilds and ends the preview", 2, Three, "preview 0 1 1 1;remove 1",
            "trace | trace 0,0 20,0 | trace 0,0 20,0 0,0", "", {0, -898, 20, 898});
        row("polygon: closed, drawn once", 3, Three, "draw 1;draw 1", "trace" + ring,
            "polygon 0,0 10,0 20,0 0,0" + paint, lineBounds);
        row("polygon preview wraps; the drawing tinted", 3, Three, "preview 2 0 1 1;draw 2",
            "trace 10,0 21,1 1,1 10,0" + ring,
            "polygon 0,0 10,0 20,0 0,0 pen #ff010203 brush #7fca081e", lineBounds);
        row("polygon: a run wraps, an insertion at the end; mode 0 takes the drawing off", 3,
            Three, "move 2 0 1 2;insert 3 5 5;draw 1;draw 0",
            "trace | trace 1,2 10,0 21,2 5,5 1,2 | trace 1,2 10,0 21,2 5,5 1,2 0,0", "",
            {1, 0, 21, 5});
        row("polygon without vertex: nothing but its colours", 3, {}, "draw 1",
            "trace | trace | trace", "polygon" + paint, {Big, Big, Small, Small});
        row("icon of two vertices: no single place, bounds of the first", 1, {{5, 6}, {9, 9}},
            "draw 2", "car obj at 0,0 hidden | trace 5,6 9,9 0,0", "car obj at 0,0 hidden",
            {5, 6, 5, 6});
        row("icon: an insertion moves it", 1, {{0, 0}}, "insert 2 5 5;draw 1",
            "car obj at 5,5 | trace 5,5 0,0", "car obj at 5,5", {5, 5, 5, 5});
        // Diameter 51 is radius 25 m; at 60 degrees a metre east is twice the units.
        const QString circle60 = "4491,600000000 0,600002245 -4491,600000000 0,599997754 4491,600000000";
        row("circle at 60 degrees: round the first vertex, wider", 4, {{0, 600000000}, {9, 9}},
            "draw 3", "trace " + circle60 + " | trace 0,600000000 9,9 0,0",
            "polygon " + circle60 + " pen #ff010203 brush #7f0ac81e",
            {-4491, 599997754, 4491, 600002245});
        row("circle: a move redraws the outline", 4, {{0, 0}}, "move 0 0 1000 0",
            "trace 3245,0 1000,2245 -1245,0 1000,-2245 3245,0 | trace 1000,0 0,0", "",
            {-1245, -2245, 3245, 2245});
    }

    // The kind's editing primitives go into the caller's list, vertex marks
    // last, and are rebuilt after every edit; the drawing goes once into a
    // shared list. Deleted, the object leaves both lists as they are.
    void primitives()
    {
        QFETCH(int, type);
        QFETCH(Points, vertices);
        QFETCH(QString, steps);
        QFETCH(QString, edit);
        QFETCH(QString, drawn);
        QFETCH(QList<int>, bounds);
        auto object = make(type, vertices, {{"Color", QColor(1, 2, 3)}, {"Width", 20},
                                            {"Diameter", 51}, {"Brush", QColor(10, 200, 30, 100)}});
        MapQt::MapTrace stale, other;
        Primitives list{&stale}, layer{&other};
        object->AttachEditPrimitives(&list);
        for (const QString &step : steps.split(';')) {
            QList<int> a;
            for (const QString &number : step.split(' ').mid(1))
                a << number.toInt();
            if (step.startsWith("remove"))
                object->RemovePoint(a[0]);
            else if (step.startsWith("insert"))
                object->InsertPoint(a[0], QPoint(a[1], a[2]));
            else if (step.startsWith("move"))
                object->MovePoints(a[0], a[1], QPoint(a[2], a[3]));
            else if (step.startsWith("preview"))
                object->PreviewMove(a[0], a[1], QPoint(a[2], a[3]));
            else
                object->DrawOnLayer(&layer, a[0]);
        }
        QCOMPARE(describe(list, false), edit);
        QCOMPARE(list.last(), object->primitiveVertexTrace());
        QCOMPARE(describe(layer.mid(1), true), drawn);
        QList<int> got{Big, Big, Small, Small};
        object->ExtendBounds(got[0], got[1], got[2], got[3]);
        QCOMPARE(got, bounds);
        const int sizes = list.size() * 10 + layer.size();
        object.reset();
        QCOMPARE(list.size() * 10 + layer.size(), sizes);
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
        row("polygon closing segment", 3, {hit(5, 1, f[4], f[0])}, 4, 0);
        row("a vertex wins over an earlier segment", 2, {hit(5, 1, f[1], f[2]), hit(5, 2, f[0])},
            0, 0);
        row("segment end that is no vertex", 2, {hit(5, 1, f[1], {3, 3})}, -1, -1);
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
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QString>("table"); // filled afresh; a colour by its name
        QTest::addColumn<QString>("drawn");

        const QVariant red = QColor(Qt::red), alpha = QColor(1, 2, 3, 4);
        const QVariantMap kill{{"IconName", "Kill"}, {"Comment", "note"}};
        const QString line = "Name=obj Width=50 Color=#ff00ffff Comment=";
        const QString corridor = "trace 0,-2246 1000,-2246 1000,2246 0,2246 0,-2246 pen ";
        const QString circle = "polygon 2245,0 0,2245 -2245,0 0,-2245 2245,0 pen #ff00ffff brush ";
        const auto row = [](const char *name, int type, const QVariantMap &given, int edited,
                            const QVariant &value, const QVariantMap &stored, const QString &table,
                            const QString &drawn) {
            QTest::newRow(name) << type << given << edited << value << stored << table << drawn;
        };
        row("icon: its picture in the table, the tree and on the map", 1, kill, -2, {}, kill,
            "Name=obj Icon=Kill pictured Comment=note", "car obj at 0,0 hidden pictured");
        row("icon name: the caption, shown", 1, {}, 0, "Gate", {}, "Name=Gate Icon= Comment=",
            "car Gate at 0,0");
        row("icon picture", 1, {}, 1, "Hospital", {{"IconName", "Hospital"}},
            "Name=obj Icon=Hospital pictured Comment=", "car obj at 0,0 hidden pictured");
        row("icon picture not in the table (case differs): a null text", 1, kill, 1, "kill",
            {{"IconName", QString()}, {"Comment", "note"}}, "Name=obj Icon= Comment=note",
            "car obj at 0,0 hidden");
        row("line width", 2, {}, 1, "40", {{"Width", "40"}},
            "Name=obj Width=40 Color=#ff00ffff Comment=",
            "trace 0,-1797 1000,-1797 1000,1797 0,1797 0,-1797 pen #ff00ffff");
        row("line colour as text", 2, {}, 2, "red", {{"Color", "red"}},
            "Name=obj Width=50 Color=#ffff0000 Comment=", corridor + "#ffff0000");
        row("line: a row past the table ignored", 2, {}, 4, "c", {}, line, corridor + "#ff00ffff");
        row("polygon brush keeps alpha", 3, {{"Color", "#ff8000"}}, 2, alpha,
            {{"Color", "#ff8000"}, {"Brush", alpha}},
            "Name=obj Color=#ffff8000 Brush=#04010203 Comment=",
            "polygon 0,0 1000,0 0,0 pen #ffff8000 brush #04010203");
        row("circle diameter", 4, {{"Brush", red}}, 1, 120, {{"Brush", red}, {"Diameter", 120}},
            "Name=obj Diameter, m=120 Color=#ff00ffff Brush=#ffff0000 Comment=",
            "polygon 5389,0 0,5389 -5389,0 0,-5389 5389,0 pen #ff00ffff brush #ffff0000");
        row("circle comment", 4, {}, 4, "c", {{"Comment", "c"}},
            "Name=obj Diameter, m=50 Color=#ff00ffff Brush=#ff00ffff Comment=c", circle + "#ff00ffff");
        row("an invalid index ignored", 4, {}, -1, "c", {},
            "Name=obj Diameter, m=50 Color=#ff00ffff Brush=#ff00ffff Comment=", circle + "#ff00ffff");
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
        QFETCH(QVariantMap, stored);
        QFETCH(QString, table);
        QFETCH(QString, drawn);
        const auto object = make(type, {{0, 0}, {1000, 0}}, given);
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
            QCOMPARE(describe(edit.first(), false), drawn.section(" pen", 0, 0).mid(7).prepend("trace"));

        QStandardItemModel model(7, 3); // leftovers of a previous table
        QTableView view;
        view.setModel(&model);
        object->SetupPropertyView(&view);
        QStringList cells;
        for (int r = 0; r < model.rowCount(); ++r) {
            const QModelIndex cell = model.index(r, 1);
            const QVariant shown = cell.data(Qt::EditRole);
            const bool colour = shown.userType() == QMetaType::QColor;
            cells << model.index(r, 0).data().toString() + "="
                         + (colour ? shown.value<QColor>().name(QColor::HexArgb) : shown.toString())
                         + (!colour && cell.data(Qt::DecorationRole).isValid() ? " pictured" : "");
            QCOMPARE(model.flags(model.index(r, 0)) & Qt::ItemIsEditable, Qt::NoItemFlags);
            QVERIFY(cell.flags() & Qt::ItemIsEditable);
            if (colour)
                QCOMPARE(cell.data(Qt::DecorationRole), shown);
            QAbstractItemDelegate *delegate = view.itemDelegateForRow(r);
            QCOMPARE(QString(delegate ? delegate->metaObject()->className() : ""),
                     colour ? "ColorDialogDelegate" : r == 1 && type == 1 ? "CmbBoxDelegateOnMapIcon" : "");
            QVERIFY(!delegate || delegate != view.itemDelegateForRow(r - 1)); // colour, brush
        }
        QCOMPARE(cells.join(' '), table);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("Value"));
        QStandardItem item("old");
        object->FillTreeItem(&item);
        QCOMPARE(item.text() + (item.icon().isNull() ? "" : " pictured"),
                 object->name + (table.contains("pictured") ? " pictured" : ""));
    }

    // An unnamed object is named after its kind and id, in the objects'
    // translation context like its labels; icon names are looked up in the
    // icon's, the icon table filled afresh each time. Types 0 and 5 make none.
    void namesAndTexts()
    {
        struct : QTranslator {
            bool isEmpty() const override { return false; }
            QString translate(const char *context, const char *text, const char *, int) const override
            {
                return QHash<QString, QString>{{"GraphObject/[New %0 %1]", "<Neu %0 %1>"},
                                               {"GraphObject/Line", "Linie"},
                                               {"GraphObject/Width", "Breite"},
                                               {"GraphObIconText/House", "Haus"}}
                    .value(QString("%1/%2").arg(context, text));
            }
        } translator;
        QStringList names;
        for (int type : {0, 1, 2, 3, 4, 5, 2, 2}) {
            if (names.size() == 7) {
                QCoreApplication::installTranslator(&translator);
                GraphObject::InitTypeNames();
                InitIconTable();
            }
            const std::unique_ptr<GraphObject> object(
                CreateGraphObject({17, type, names.size() == 6 ? " " : "", {}, {}}));
            names << (object ? object->name : "none");
        }
        QStandardItemModel model;
        make(2, {}, {})->FillProperties(&model);
        const QStringList icons = iconTable().keys();
        QCoreApplication::removeTranslator(&translator);
        GraphObject::InitTypeNames();
        InitIconTable();
        QCOMPARE(names, QStringList({"none", "[New IconText 17]", "[New Line 17]",
                                     "[New Polygone 17]", "[New Circle 17]", "none", " ",
                                     "<Neu Linie 17>"}));
        QCOMPARE(model.index(1, 0).data().toString(), QString("Breite"));
        QVERIFY(icons.contains("Haus") && !iconTable().contains("Haus"));
    }

    void init()
    {
        layers = std::make_unique<DialogSelectGraphObj>();
        host = std::make_unique<FakeHost>();
        QStandardItem *columnA = host->addTrackedObject(1, "Column A");
        host->addTrackedObject(11, "Car 11", columnA);
        host->addTrackedObject(121, "Trailer 121", host->addTrackedObject(12, "Car 12", columnA));
        host->addTrackedObject(21, "Car 21", host->addTrackedObject(2, "Column B"));
        auto *depot = new QStandardItem("Depot");
        host->objects.appendRow(depot);
        host->addTrackedObject(31, "Car 31", depot);
        units = std::make_unique<DialogListObjects>();
    }
    void cleanup()
    {
        units.reset();
        host.reset();
        layers.reset();
    }

    // Each tree replaces the one before, ticks included. Objects of types 0
    // and 5 make no item, a layer without bit 0 none either.
    void loadTree()
    {
        load(BaseTree);
        QCOMPARE(shown(layers->model()), base("0000000"));
        layers->showForSection({5, 12});
        load(layerTree({layer(10, "Hidden", 2, {polygon(5, "Gate")}),
                        layer(20, "Zones", 3, {object(1, 0, "Abstract", {{1, 1}}),
                                               object(2, 5, "Cone", {{1, 1}}), polygon(5, "Gate")}),
                        layer(30, "Next", 1, {object(7, 1, "Post", {{1, 1}})})}));
        QCOMPARE(shown(layers->model()), QString("Zones:0(Gate:0) Next:0(Post:0)"));
    }

    void layerTicks_data()
    {
        QTest::addColumn<QList<int>>("section"); // shown for these first; none: not shown
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QList<int>>("ids");

        QTest::newRow("shown: the listed objects, one in a sub layer; unknown ids ignored")
            << QList<int>{9, 7, 42} << QStringList() << base("0020200")
            << QList<int>{7, 9};
        QTest::newRow("shown: layer node ids are no object ids") << QList<int>{10, 11, 20}
            << QStringList() << base("0000000") << QList<int>();
        QTest::newRow("shown, then the operator's tick runs down") << QList<int>{9}
            << QStringList{"+Sub"} << base("0220200") << QList<int>{7, 9};
        QTest::newRow("a tick runs down, never up; a half tick too, and does not count")
            << QList<int>() << QStringList{"+Zones", "-Gate", "~Roads"}
            << base("2220211") << QList<int>{7, 9};
    }

    // Shown for a section (twice: while open too), exactly its objects are
    // ticked. An operator's mark runs down, never up; the fully ticked
    // objects are the section's: ids replaced, names appended.
    void layerTicks()
    {
        QFETCH(QList<int>, section);
        QFETCH(QStringList, ticks);
        QFETCH(QString, tree);
        QFETCH(QList<int>, ids);
        load(BaseTree);
        for (int shows = section.isEmpty() ? 0 : 2; shows > 0; --shows) {
            tick(layers->model(), "+Zones");
            tick(layers->model(), "+Roads");
            layers->showForSection(section);
            QVERIFY(layers->isVisible());
        }
        for (const QString &each : ticks)
            tick(layers->model(), each);
        QCOMPARE(shown(layers->model()), tree);
        QList<int> gotIds{77, 5};
        QString names("Old ");
        layers->checkedGraphObjects(gotIds, names);
        QCOMPARE(gotIds, ids);
        QCOMPARE(names, "Old " + QString(ids.isEmpty() ? "" : "Post Yard "));
    }

    // Found objects are appended in tree order, each once; an id may stand in two layers.
    void findGraphObjects()
    {
        load(layerTree({layer(10, "Zones", 1, {polygon(5, "Gate"), polygon(9, "Yard")}),
                        layer(20, "Roads", 1, {polygon(5, "Gate again"), polygon(12, "Lane")})}));
        QList<GraphObject *> objects;
        layers->findGraphObjects({12}, objects);
        layers->findGraphObjects({9, 5, 5}, objects);
        QStringList names;
        for (const GraphObject *object : qAsConst(objects))
            names << object->name;
        QCOMPARE(names, QStringList({"Lane", "Gate", "Yard", "Gate again"}));
    }

    void unitTicks_data()
    {
        QTest::addColumn<QList<int>>("objects"); // the route's
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QList<int>>("checked");

        QTest::newRow("listed ones ticked, nested and top level; unknown ids ignored")
            << QList<int>{2, 121, 11, 99, -1} << QStringList() << unitTree("02022000")
            << QList<int>{2, 11, 121};
        QTest::newRow("all listed: the plain group stays unticked")
            << QList<int>{1, 2, 11, 12, 21, 121, 31} << QStringList() << unitTree("22222202")
            << QList<int>{1, 2, 11, 12, 21, 31, 121};
        QTest::newRow("ticks and unticks run down, never up") << QList<int>{21}
            << QStringList{"+Column A", "-Car 12", "+Column B", "-Column B"} << unitTree("22000000")
            << QList<int>{1, 11};
    }

    // Open for another route with an operator's tick, the dialog shows this
    // one afresh; the route's list and the host's model are only read.
    void unitTicks()
    {
        QFETCH(QList<int>, objects);
        QFETCH(QStringList, ticks);
        QFETCH(QString, tree);
        QFETCH(QList<int>, checked);
        QList<int> other{12}, routeObjects = objects;
        units->showForRoute(&host->objects, &other);
        tick(unitModel(), "+Column B");
        units->showForRoute(&host->objects, &routeObjects);
        QVERIFY(units->isVisible());
        for (const QString &each : qAsConst(ticks))
            tick(unitModel(), each);
        QCOMPARE(shown(unitModel()), tree);
        QCOMPARE(checkedUnits(), QList<int>{-7} + checked);
        QCOMPARE(routeObjects, objects);
        QVERIFY(!host->objects.item(0)->isCheckable());
    }

    // Ok accepts, Cancel rejects; what the operator ticked is still there to
    // be read after either.
    void unitButtons()
    {
        QList<int> objects{11};
        for (auto button : {QDialogButtonBox::Ok, QDialogButtonBox::Cancel}) {
            units->showForRoute(&host->objects, &objects);
            tick(unitModel(), "+Car 21");
            QTest::mouseClick(units->findChild<QDialogButtonBox *>()->button(button), Qt::LeftButton);
            QCOMPARE(units->result(), button == QDialogButtonBox::Ok ? QDialog::Accepted
                                                                     : QDialog::Rejected);
            QVERIFY(!units->isVisible());
            QCOMPARE(checkedUnits(), QList<int>({-7, 11, 21}));
        }
    }
};

QTEST_MAIN(tst_GraphObject)
#include "tst_graphobject.moc"
