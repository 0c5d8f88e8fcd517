// The graphic objects: their primitives, hits, extent and property table; and
// the choosers of a section's graphic objects (the plug-in's store of them too)
// and of a route's tracked objects.
#include "testsupport/PanelText.h"
#include "testsupport/TreeBuilders.h"

#include "dialogs/DialogListObjects.h"
#include "dialogs/DialogSelectGraphObj.h"
#include "graphobj/GraphObject.h"
#include "graphobj/GraphObjectFactory.h"
#include "graphobj/IconTable.h"
#include "records/ItemRoles.h"

#include <MapQt.h>
#include <TreeObjCheckable.h>

#include <QDialogButtonBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
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
const Points Five{{0, 0}, {1000, 0}, {2000, 500}, {3000, 0}, {4000, 1000}};

std::unique_ptr<GraphObject> make(int type, const Points &points, const QVariantMap &properties)
{
    return std::unique_ptr<GraphObject>(CreateGraphObject({17, type, "obj", points, properties}));
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
const QString Base = "Zones:%1(Sub:%2(Post:%3) Gate:%4 Yard:%5) Roads:%6(Lane:%7)";
// Column A 1 (Car 11, Car 12 (Trailer 121)), Column B 2 (Car 21): groups that
// are tracked objects themselves; Depot (Car 31): a plain group.
const QString Units = "Column A:%1(Car 11:%2 Car 12:%3(Trailer 121:%4)) Column B:%5(Car 21:%6) "
                      "Depot:%7(Car 31:%8)";

// Every object item as "name=node id/type mask", in tree order.
QString objectRoles(const QAbstractItemModel *model, const QModelIndex &parent = QModelIndex())
{
    QString text;
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (index.data(ItemRole::GraphObject).toLongLong() != 0)
            text += QStringLiteral("%1=%2/%3 ").arg(index.data().toString(),
                                                     index.data(ItemRole::NodeId).toString(),
                                                     index.data(ItemRole::TypeMask).toString());
        text += objectRoles(model, index);
    }
    return text;
}

// A tree as shown, with each item's check state filled in.
QString fill(QString tree, const QString &states)
{
    for (const QChar state : states)
        tree = tree.arg(state);
    return tree;
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

// Rows of the tables below.
struct Drawing { int type; Points vertices; QString steps, edit, drawn; QList<int> bounds; };
struct Hits { int type; QList<MapHit> hits; int first, second; };
struct Edit { int type; QVariantMap given; int row; QVariant value; QVariantMap stored;
              QString table, drawn; };
// units: the tracked objects' dialog, closed with that button; 0: the layer tree.
struct Ticks { int units; QList<int> listed; QStringList ticks; QString tree; QList<int> ids; };

} // namespace

Q_DECLARE_METATYPE(Drawing)
Q_DECLARE_METATYPE(Hits)
Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Ticks)

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
        return ids.first() == -7 ? ids : QList<int>();
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(operativecheck);
        InitIconTable();
    }

    void primitives_data()
    {
        // Steps: remove i, insert i x y, move i j x y, preview i j x y, paint (colour
        // row 1 red), draw mode. Then the
        // editing list, unpainted; the drawing after another's primitive; the bounds.
        QTest::addColumn<Drawing>("c");
        const QString ring = " | trace 0,0 10,0 20,0 0,0 | trace 0,0 10,0 20,0 0,0 0,0";
        QTest::newRow("line: preview, line, marks ending at (0,0); a corridor of its width, tinted")
            << Drawing{2, Three, "draw 3", "trace | trace 0,0 10,0 20,0 | trace 0,0 10,0 20,0 0,0",
                       "trace 0,-898 20,-898 20,898 0,898 0,-898 pen #ff01c203/3",
                       {0, -898, 20, 898}};
        QTest::newRow("line: drawn, then a vertex moves: the corridor and bounds follow")
            << Drawing{2, Three, "draw 1;move 2 2 0 1000;draw 1",
                       "trace | trace 0,0 10,0 20,1000 | trace 0,0 10,0 20,1000 0,0",
                       "trace 0,-898 899,-898 918,991 -878,1009 -879,898 0,898 0,-898 pen "
                       "#ff010203/3", {-879, -898, 918, 1009}};
        // Nothing to draw it from: its shape keeps the colours the object came with.
        QTest::newRow("polygon without vertices, repainted before its first drawing")
            << Drawing{3, {}, "paint;draw 1", "trace | trace | trace",
                       "polygon pen #ff010203/3 brush #640ac81e", {Big, Big, Small, Small}};
        QTest::newRow("polygon: closed; its preview wraps; drawn once, tinted")
            << Drawing{3, Three, "preview 2 0 1 1;draw 1;draw 2", "trace 10,0 21,1 1,1 10,0" + ring,
                       "polygon 0,0 10,0 20,0 0,0 pen #ff010203/3 brush #7fca081e", {0, 0, 20, 0}};
        // Diameter 51 is radius 25 m; at 60 degrees a metre east is twice the units.
        const QString circle60 =
            "4491,600000000 0,600002245 -4491,600000000 0,599997754 4491,600000000";
        QTest::newRow("circle at 60 degrees: round the first vertex, wider")
            << Drawing{4, {{0, 600000000}, {9, 9}}, "draw 3",
                       "trace " + circle60 + " | trace 0,600000000 9,9 0,0",
                       "polygon " + circle60 + " pen #ff010203/3 brush #7f0ac81e",
                       {-4491, 599997754, 4491, 600002245}};
        QTest::newRow("circle: a move redraws the outline")
            << Drawing{4, {{0, 0}}, "move 0 0 1000 0",
                       "trace 3245,0 1000,2245 -1245,0 1000,-2245 3245,0 | trace 1000,0 0,0", "",
                       {-1245, -2245, 3245, 2245}};
    }

    // The kind's editing primitives go into the caller's list, vertex marks
    // last, and are rebuilt after every edit; the drawing goes once into a
    // shared list. Deleted, the object leaves both lists as they are.
    void primitives()
    {
        QFETCH(Drawing, c);
        auto object = make(c.type, c.vertices, {{"Color", QColor(1, 2, 3)}, {"Width", 20},
                                                {"Diameter", 51},
                                                {"Brush", QColor(10, 200, 30, 100)}});
        MapQt::MapTrace stale, other;
        Primitives list{&stale}, layer{&other};
        object->AttachEditPrimitives(&list);
        for (const QString &step : c.steps.split(';')) {
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
            else if (step == "paint")
                object->SetProperty(QStandardItemModel(2, 2).index(1, 1), QColor(Qt::red));
            else
                object->DrawOnLayer(&layer, a[0]);
        }
        QStringList parts;
        for (const MapQt::MapPrimitive *p : list)
            parts << PanelText::primitive(p, false);
        QCOMPARE(parts.join(" | "), c.edit);
        QCOMPARE(PanelText::primitive(layer.last()).repeated(layer.size() - 1), c.drawn);
        QList<int> got{Big, Big, Small, Small};
        object->ExtendBounds(got[0], got[1], got[2], got[3]);
        QCOMPARE(got, c.bounds);
        const int sizes = list.size() * 10 + layer.size();
        object.reset();
        QCOMPARE(list.size() * 10 + layer.size(), sizes);
    }

    void findHitPoints_data()
    {
        // Hits of the object's key 5. Positions: line kinds preview 0, line 1, marks 2;
        // icon car or circle outline 0, marks 1.
        QTest::addColumn<Hits>("c");
        QTest::newRow("vertex") << Hits{2, {hit(5, 2, Five[3])}, 3, 3};
        QTest::newRow("other key") << Hits{2, {hit(6, 2, Five[3])}, -1, -1};
        QTest::newRow("polygon closing segment") << Hits{3, {hit(5, 1, Five[4], Five[0])}, 4, 0};
        QTest::newRow("a vertex wins over an earlier segment")
            << Hits{2, {hit(5, 1, Five[1], Five[2]), hit(5, 2, Five[0])}, 0, 0};
    }

    void findHitPoints()
    {
        QFETCH(Hits, c);
        const auto object = make(c.type, Five, {});
        Primitives list;
        object->AttachEditPrimitives(&list);
        int a = 99, b = 99;
        QCOMPARE(object->FindHitPoints(c.hits, a, b, 5), c.first >= 0);
        QCOMPARE(qMakePair(a, b), qMakePair(c.first, c.second));
    }

    void properties_data()
    {
        // Made with given, row edited with value (-2: no edit); then the stored
        // properties, the table filled afresh (a colour by its name), the drawing.
        QTest::addColumn<Edit>("c");
        const QVariant red = QColor(Qt::red), alpha = QColor(1, 2, 3, 4);
        const QVariantMap kill{{"IconName", "Kill"}, {"Comment", "note"}};
        const auto row = [](const char *name, const Edit &edit) { QTest::newRow(name) << edit; };
        row("icon: its picture in the table, the tree and on the map", {1, kill, -2, {}, kill,
            "Name=obj Icon=Kill pictured Comment=note", "car obj at 0,0 hidden pictured"});
        row("icon name: the caption, shown", {1, {}, 0, "Gate", {}, "Name=Gate Icon= Comment=",
            "car Gate at 0,0"});
        row("icon picture not in the table (case differs): a null text", {1, kill, 1, "kill",
            {{"IconName", QString()}, {"Comment", "note"}}, "Name=obj Icon= Comment=note",
            "car obj at 0,0 hidden"});
        row("line width", {2, {}, 1, "40", {{"Width", "40"}},
            "Name=obj Width=40 Color=#ff00ffff Comment=",
            "trace 0,-1797 1000,-1797 1000,1797 0,1797 0,-1797 pen #ff00ffff/3"});
        row("polygon brush keeps alpha", {3, {{"Color", "#ff8000"}}, 2, alpha,
            {{"Color", "#ff8000"}, {"Brush", alpha}},
            "Name=obj Color=#ffff8000 Brush=#04010203 Comment=",
            "polygon 0,0 1000,0 0,0 pen #ffff8000/3 brush #04010203"});
        row("circle diameter", {4, {{"Brush", red}}, 1, 120, {{"Brush", red}, {"Diameter", 120}},
            "Name=obj Diameter, m=120 Color=#ff00ffff Brush=#ffff0000 Comment=",
            "polygon 5389,0 0,5389 -5389,0 0,-5389 5389,0 pen #ff00ffff/3 brush #ffff0000"});
    }

    // Rows as the kind's schema lists them: fixed labels, editable values,
    // colours with a swatch and an editor of their own kind, the icon with the
    // table's list. An edit changes its row, its stored value and the drawing.
    void properties()
    {
        QFETCH(Edit, c);
        const auto object = make(c.type, {{0, 0}, {1000, 0}}, c.given);
        Primitives edit, layer;
        object->AttachEditPrimitives(&edit);
        QStandardItemModel rows(6, 2); // an index past the kind's rows is still valid
        object->DrawOnLayer(&layer, 1); // what is drawn before the edit must not stay
        const bool trace = layer.last()->kind == 1 || layer.last()->kind == 2;
        const auto *before = trace ? static_cast<MapQt::MapTrace *>(layer.last())->points : nullptr;
        if (c.row > -2)
            object->SetProperty(c.row < 0 ? QModelIndex() : rows.index(c.row, 1), c.value);
        QCOMPARE(object->properties, c.stored);
        QCOMPARE(object->properties.value("IconName").toString().isNull(),
                 c.stored.value("IconName").toString().isNull());
        object->DrawOnLayer(&layer, 1);
        QCOMPARE(PanelText::primitive(layer.last()), c.drawn);
        // A circle refills its one array; a line or polygon gets a new one per drawing.
        if (before)
            QCOMPARE(static_cast<MapQt::MapTrace *>(layer.last())->points == before, c.type == 4);
        if (c.type == 4) // the editing outline follows the diameter
            QCOMPARE(PanelText::primitive(edit.first(), false),
                     c.drawn.section(" pen", 0, 0).mid(7).prepend("trace"));

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
                     colour ? "ColorDialogDelegate"
                            : r == 1 && c.type == 1 ? "CmbBoxDelegateOnMapIcon" : "");
            QVERIFY(!delegate || delegate != view.itemDelegateForRow(r - 1)); // colour, brush
        }
        QCOMPARE(cells.join(' '), c.table);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("Value"));
    }

    // An unnamed object is named after its kind and id; types 0 and 5 make none.
    void names()
    {
        QStringList names;
        for (int type : {0, 1, 2, 3, 4, 5, 2}) {
            const std::unique_ptr<GraphObject> object(
                CreateGraphObject({17, type, names.size() == 6 ? " " : "", {}, {}}));
            names << (object ? object->name : "none");
        }
        QCOMPARE(names, QStringList({"none", "[New IconText 17]", "[New Line 17]",
                                     "[New Polygone 17]", "[New Circle 17]", "none", " "}));
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

    // Each tree replaces the one before, ticks included. Objects of types 0
    // and 5 make no item, a layer without bit 0 none either.
    void loadTree()
    {
        load(BaseTree);
        QCOMPARE(PanelText::tree(layers->model()), fill(Base, "0000000"));
        // An object carries its own layer's id and type bits.
        QCOMPARE(objectRoles(layers->model()), QString("Post=11/1 Gate=10/1 Yard=10/1 Lane=20/1 "));
        layers->showForSection({5, 12});
        load(layerTree({layer(10, "Hidden", 2, {polygon(5, "Gate")}),
                        layer(20, "Zones", 3, {object(1, 0, "Abstract", {{1, 1}}),
                                               object(2, 5, "Cone", {{1, 1}}), polygon(5, "Gate")}),
                        layer(30, "Next", 1, {object(7, 1, "Post", {{1, 1}})})}));
        QCOMPARE(PanelText::tree(layers->model()), QString("Zones:0(Gate:0) Next:0(Post:0)"));
        QCOMPARE(objectRoles(layers->model()), QString("Gate=20/3 Post=30/1 "));
    }

    void ticks_data()
    {
        // Layers: shown for the listed ids (twice: while open too), if any; units:
        // shown for another route with an operator's tick, then for the listed.
        QTest::addColumn<Ticks>("c");
        QTest::newRow("layers shown: the listed objects, in a sub layer too; unknown ids ignored")
            << Ticks{0, {9, 7, 42}, {}, fill(Base, "0020200"), {7, 9}};
        QTest::newRow("layers: a tick runs down, never up; a half tick too, and does not count")
            << Ticks{0, {}, {"+Zones", "-Gate", "~Roads"}, fill(Base, "2220211"), {7, 9}};
        QTest::newRow("units: listed ones ticked, nested and top level; unknown ids ignored; Ok")
            << Ticks{QDialogButtonBox::Ok, {2, 121, 11, 99, -1}, {}, fill(Units, "02022000"),
                     {2, 11, 121}};
        QTest::newRow("units all listed: the plain group stays unticked; Cancel")
            << Ticks{QDialogButtonBox::Cancel, {1, 2, 11, 12, 21, 121, 31}, {},
                     fill(Units, "22222202"), {1, 2, 11, 12, 21, 31, 121}};
        QTest::newRow("units: ticks and unticks run down, never up; Ok")
            << Ticks{QDialogButtonBox::Ok, {21}, {"+Column A", "-Car 12", "+Column B", "-Column B"},
                     fill(Units, "22000000"), {1, 11}};
    }

    // Exactly the listed objects start ticked; an operator's mark runs down,
    // never up. The fully ticked are chosen: graphic objects' ids replaced and
    // names appended, tracked objects' ids appended. The host's model and the
    // route's list are only read.
    void ticks()
    {
        QFETCH(Ticks, c);
        QList<int> other{12}, listed = c.listed;
        QAbstractItemModel *model = c.units ? unitModel() : layers->model();
        if (c.units) {
            units->showForRoute(&host->objects, &other);
            tick(unitModel(), "+Column B");
            units->showForRoute(&host->objects, &listed);
        } else {
            load(BaseTree);
            for (int shows = listed.isEmpty() ? 0 : 2; shows > 0; --shows) {
                tick(model, "+Zones");
                tick(model, "+Roads");
                layers->showForSection(listed);
            }
        }
        QCOMPARE(c.units ? units->isVisible() : layers->isVisible(), !listed.isEmpty() || c.units);
        for (const QString &each : qAsConst(c.ticks))
            tick(model, each);
        QCOMPARE(PanelText::tree(model), c.tree);
        QList<int> ids{77, 5};
        QString names("Old ");
        if (c.units)
            ids = checkedUnits().mid(1);
        else
            layers->checkedGraphObjects(ids, names);
        QCOMPARE(ids, c.ids);
        QCOMPARE(names, "Old " + QString(c.units || c.ids.isEmpty() ? "" : "Post Yard "));
        QCOMPARE(listed, c.listed);
        QVERIFY(!host->objects.item(0)->isCheckable());
        if (!c.units)
            return;
        // Ok accepts, Cancel rejects; what was ticked is still there after either.
        const auto button = QDialogButtonBox::StandardButton(c.units);
        QTest::mouseClick(units->findChild<QDialogButtonBox *>()->button(button), Qt::LeftButton);
        QCOMPARE(units->result(), button == QDialogButtonBox::Ok ? QDialog::Accepted
                                                                 : QDialog::Rejected);
        QCOMPARE(units->isVisible(), false);
        QCOMPARE(checkedUnits().mid(1), c.ids);
    }
};

QTEST_MAIN(tst_GraphObject)
#include "tst_graphobject.moc"
