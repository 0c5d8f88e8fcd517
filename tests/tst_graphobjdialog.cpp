// The layer tree dialog: the plug-in's store of graphic objects and the
// chooser of a section's objects.
#include "support/FakeHost.h"
#include "support/MapPainter.h"
#include "support/TreeBodies.h"

#include "dialogs/DialogSelectGraphObj.h"
#include "graphobj/GraphObject.h"
#include "routecheck/ItemRoles.h"
#include "shell/OperativeCheck.h"

#include <MapQt.h>

#include <QDialogButtonBox>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

#include <functional>
#include <memory>

using namespace TreeBodies;

namespace {

Node layer(qint32 id, const QString &name, quint32 bits, const QList<GraphObData> &objects,
           const QList<Node> &children = {})
{
    Node n = node(id, name, bits, children);
    n.objects = objects;
    return n;
}

const QList<QPoint> Square{{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}};

GraphObData polygon(qint32 id, const QString &name, const QColor &brush = QColor(Qt::red))
{
    return object(id, 3, name, Square, {{"Brush", brush}, {"Color", QColor(Qt::black)}});
}

// Zones (Sub (Post 7), Gate 5, Yard 9), Roads (Lane 12): child layers come
// before a layer's own objects.
QByteArray baseTree()
{
    return layerTree(
        {layer(10, "Zones", 1, {polygon(5, "Gate"), object(9, 4, "Yard", {{500, 500}})},
               {layer(11, "Sub", 1, {object(7, 1, "Post", {{100, 100}})})}),
         layer(20, "Roads", 1, {object(12, 2, "Lane", {{0, 0}, {2000, 0}})})});
}

// Object 5 stands in two layers.
QByteArray duplicateTree()
{
    return layerTree({layer(10, "Zones", 1, {polygon(5, "Gate"), polygon(9, "Yard")}),
                      layer(20, "Roads", 1, {polygon(5, "Gate again"), polygon(12, "Lane")})});
}

void walk(QStandardItem *parent, const std::function<void(QStandardItem *, int)> &visit,
          int depth = 0)
{
    for (int row = 0; parent && row < parent->rowCount(); ++row) {
        QStandardItem *child = parent->child(row);
        visit(child, depth);
        walk(child, visit, depth + 1);
    }
}

QString label(const GraphObject *object)
{
    return object ? QString("%1#%2").arg(object->name).arg(object->id) : QString("null");
}

// Pre-order: a layer by its name, an object by name#id, indented by depth.
QStringList dump(QStandardItemModel *model)
{
    QStringList lines;
    walk(model->invisibleRootItem(), [&lines](QStandardItem *item, int depth) {
        const GraphObject *object = itemGraphObject(item);
        lines << QString(depth, ' ') + (object ? label(object) : item->text());
    });
    return lines;
}

QStringList checkStates(QStandardItemModel *model)
{
    QStringList lines;
    walk(model->invisibleRootItem(), [&lines](QStandardItem *item, int) {
        lines << QString("%1:%2").arg(item->text()).arg(int(item->checkState()));
    });
    return lines;
}

QStringList checkedTexts(QStandardItemModel *model)
{
    QStringList lines;
    walk(model->invisibleRootItem(), [&lines](QStandardItem *item, int) {
        if (item->checkState() != Qt::Unchecked)
            lines << item->text();
    });
    return lines;
}

QStandardItem *findItem(QStandardItemModel *model, const QString &text)
{
    QStandardItem *found = nullptr;
    walk(model->invisibleRootItem(), [&found, &text](QStandardItem *item, int) {
        if (!found && item->text() == text)
            found = item;
    });
    return found;
}

// "+Name" ticks, "-Name" unticks, "~Name" half-ticks, as the view writes it.
bool applyTicks(QStandardItemModel *model, const QStringList &ticks)
{
    for (const QString &tick : ticks) {
        QStandardItem *item = findItem(model, tick.mid(1));
        if (!item)
            return false;
        const Qt::CheckState state = tick.startsWith('+') ? Qt::Checked
            : tick.startsWith('~')                        ? Qt::PartiallyChecked
                                                          : Qt::Unchecked;
        model->setData(item->index(), state, Qt::CheckStateRole);
    }
    return true;
}

void load(DialogSelectGraphObj &dialog, const QByteArray &body)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    dialog.loadTree(in);
}

QString rgba(const QColor &c)
{
    return QString("%1,%2,%3,%4").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

QStringList brushes(const MapQt::PrimitiveList *list)
{
    QStringList result;
    for (const MapQt::MapPrimitive *primitive : list->primitives)
        result << (primitive->brush ? rgba(primitive->brush->color()) : QString("no brush"));
    return result;
}

} // namespace

class tst_GraphObjDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void construction();
    void loadTree_data();
    void loadTree();
    void emptyBeforeFirstTree();
    void showForSection_data();
    void showForSection();
    void tickPropagation_data();
    void tickPropagation();
    void checkedGraphObjects_data();
    void checkedGraphObjects();
    void findGraphObjects_data();
    void findGraphObjects();
    void reloadReplacesObjects_data();
    void reloadReplacesObjects();
    void reloadWhileRouteShown();

private:
    std::unique_ptr<DialogSelectGraphObj> dialog;
};

void tst_GraphObjDialog::init()
{
    dialog = std::make_unique<DialogSelectGraphObj>();
}

void tst_GraphObjDialog::cleanup()
{
    dialog.reset();
}

void tst_GraphObjDialog::construction()
{
    QCOMPARE(dialog->windowTitle(), QString("List graphic objects"));
    QCOMPARE(dialog->objectName(), QString("DialogSelectGraphObj"));
    QCOMPARE(dialog->parentWidget(), nullptr);
    QVERIFY(!dialog->isModal());
    auto *buttons = dialog->findChild<QDialogButtonBox *>();
    QVERIFY(buttons);
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(static_cast<SupportTreeLayers *>(dialog.get())->typeFilter, 1u);
}

void tst_GraphObjDialog::loadTree_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("layers and objects")
        << baseTree()
        << QStringList{"Zones", " Sub", "  Post#7", " Gate#5", " Yard#9", "Roads", " Lane#12"};
    QTest::newRow("types 0 and 5 make no item, stream stays aligned")
        << layerTree({layer(10, "Zones", 1,
                            {object(1, 0, "Abstract", Square), object(2, 5, "Cone", Square),
                             polygon(5, "Gate"), object(3, 5, "Cone 2", {{1, 1}})}),
                      layer(20, "Next", 1, {object(7, 1, "Post", {{1, 1}})})})
        << QStringList{"Zones", " Gate#5", "Next", " Post#7"};
    QTest::newRow("types 6 and -1 make no item")
        << layerTree({layer(10, "Zones", 1,
                            {object(1, 6, "Six", Square), object(2, -1, "Minus", Square),
                             polygon(5, "Gate")})})
        << QStringList{"Zones", " Gate#5"};
    QTest::newRow("layer without bit 0 dropped")
        << layerTree({layer(10, "Hidden", 2, {polygon(5, "Gate")}),
                      layer(20, "Kept", 3, {polygon(9, "Yard")})})
        << QStringList{"Kept", " Yard#9"};
    QTest::newRow("child with bit 0 keeps its parent")
        << layerTree({layer(10, "Parent", 2, {polygon(5, "Gate")},
                            {layer(11, "Child", 1, {polygon(9, "Yard")})})})
        << QStringList{"Parent", " Child", "  Yard#9", " Gate#5"};
    QTest::newRow("dropped child, kept parent")
        << layerTree({layer(10, "Parent", 1, {polygon(5, "Gate")},
                            {layer(11, "Child", 0, {polygon(9, "Yard")})})})
        << QStringList{"Parent", " Gate#5"};
    QTest::newRow("empty layer kept") << layerTree({layer(10, "Empty", 1, {})})
                                      << QStringList{"Empty"};
    QTest::newRow("empty tree") << layerTree({}) << QStringList();
}

void tst_GraphObjDialog::loadTree()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, items);

    load(*dialog, body);

    QCOMPARE(dump(dialog->model), items);
    walk(dialog->model->invisibleRootItem(), [](QStandardItem *item, int) {
        QVERIFY(item->isCheckable());
        QCOMPARE(item->checkState(), Qt::Unchecked);
        QVERIFY(!item->isEditable());
        if (itemGraphObject(item)) {
            QCOMPARE(item->rowCount(), 0);
            QCOMPARE(item->data(ItemRole::NodeId), item->parent()->data(ItemRole::NodeId));
        }
    });
}

void tst_GraphObjDialog::emptyBeforeFirstTree()
{
    QList<int> ids{4};
    QString names("kept ");
    dialog->checkedGraphObjects(ids, names);
    QVERIFY(ids.isEmpty());
    QCOMPARE(names, QString("kept "));

    QList<GraphObject *> found;
    dialog->findGraphObjects({5, 9}, found);
    QVERIFY(found.isEmpty());

    dialog->showForSection({5});
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->model->rowCount(), 0);
}

// Everything is ticked first, so the call must also untick.
void tst_GraphObjDialog::showForSection_data()
{
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<QStringList>("checked");

    QTest::newRow("ids 5 and 9") << QList<int>{5, 9} << QStringList{"Gate", "Yard"};
    QTest::newRow("order of ids does not matter") << QList<int>{9, 5}
                                                  << QStringList{"Gate", "Yard"};
    QTest::newRow("object in a sub layer") << QList<int>{7} << QStringList{"Post"};
    QTest::newRow("unknown id ignored") << QList<int>{42, 5} << QStringList{"Gate"};
    QTest::newRow("layer node ids are no object ids") << QList<int>{10, 11, 20}
                                                      << QStringList();
    QTest::newRow("empty list unticks all") << QList<int>() << QStringList();
}

void tst_GraphObjDialog::showForSection()
{
    QFETCH(QList<int>, ids);
    QFETCH(QStringList, checked);

    load(*dialog, baseTree());
    QVERIFY(applyTicks(dialog->model, {"+Zones", "+Roads"}));
    QCOMPARE(checkedTexts(dialog->model).size(), 7);

    dialog->showForSection(ids);

    QCOMPARE(checkedTexts(dialog->model), checked);
    QVERIFY(dialog->isVisible());

    // Shown again while open: same window, marks set afresh.
    QVERIFY(applyTicks(dialog->model, {"+Roads"}));
    dialog->showForSection(ids);
    QCOMPARE(checkedTexts(dialog->model), checked);
    QVERIFY(dialog->isVisible());

    // The marks still run down the tree afterwards.
    QVERIFY(applyTicks(dialog->model, {"+Sub"}));
    QCOMPARE(findItem(dialog->model, "Post")->checkState(), Qt::Checked);
}

void tst_GraphObjDialog::tickPropagation_data()
{
    QTest::addColumn<QStringList>("ticks");
    QTest::addColumn<QStringList>("states");

    QTest::newRow("ticking a layer ticks all below")
        << QStringList{"+Zones"}
        << QStringList{"Zones:2", "Sub:2", "Post:2", "Gate:2", "Yard:2", "Roads:0", "Lane:0"};
    QTest::newRow("unticking one leaves the layer ticked")
        << QStringList{"+Zones", "-Gate"}
        << QStringList{"Zones:2", "Sub:2", "Post:2", "Gate:0", "Yard:2", "Roads:0", "Lane:0"};
    QTest::newRow("unticking a sub layer leaves the layer ticked")
        << QStringList{"+Zones", "-Sub"}
        << QStringList{"Zones:2", "Sub:0", "Post:0", "Gate:2", "Yard:2", "Roads:0", "Lane:0"};
    QTest::newRow("ticking a sub layer stays below it")
        << QStringList{"+Sub"}
        << QStringList{"Zones:0", "Sub:2", "Post:2", "Gate:0", "Yard:0", "Roads:0", "Lane:0"};
    QTest::newRow("ticking every object leaves the layer unticked")
        << QStringList{"+Post", "+Gate", "+Yard"}
        << QStringList{"Zones:0", "Sub:0", "Post:2", "Gate:2", "Yard:2", "Roads:0", "Lane:0"};
    QTest::newRow("unticking the layer unticks all below")
        << QStringList{"+Zones", "-Gate", "-Zones"}
        << QStringList{"Zones:0", "Sub:0", "Post:0", "Gate:0", "Yard:0", "Roads:0", "Lane:0"};
    QTest::newRow("half tick runs down")
        << QStringList{"~Zones"}
        << QStringList{"Zones:1", "Sub:1", "Post:1", "Gate:1", "Yard:1", "Roads:0", "Lane:0"};
}

void tst_GraphObjDialog::tickPropagation()
{
    QFETCH(QStringList, ticks);
    QFETCH(QStringList, states);

    load(*dialog, baseTree());
    QVERIFY(applyTicks(dialog->model, ticks));
    QCOMPARE(checkStates(dialog->model), states);
}

void tst_GraphObjDialog::checkedGraphObjects_data()
{
    QTest::addColumn<QStringList>("ticks");
    QTest::addColumn<QList<int>>("idsBefore");
    QTest::addColumn<QString>("namesBefore");
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<QString>("names");

    QTest::newRow("Gate and Yard in tree order")
        << QStringList{"+Yard", "+Gate"} << QList<int>() << QString() << QList<int>{5, 9}
        << QString("Gate Yard ");
    QTest::newRow("ticked layer gives its objects, not itself")
        << QStringList{"+Zones"} << QList<int>() << QString() << QList<int>{7, 5, 9}
        << QString("Post Gate Yard ");
    QTest::newRow("half ticked object left out")
        << QStringList{"+Yard", "~Gate"} << QList<int>() << QString() << QList<int>{9}
        << QString("Yard ");
    QTest::newRow("half ticked layer: nothing")
        << QStringList{"~Zones"} << QList<int>() << QString() << QList<int>() << QString();
    QTest::newRow("ids emptied, names appended")
        << QStringList{"+Lane"} << QList<int>{77, 5} << QString("Old ") << QList<int>{12}
        << QString("Old Lane ");
    QTest::newRow("nothing ticked") << QStringList() << QList<int>{1} << QString("x ")
                                    << QList<int>() << QString("x ");
}

void tst_GraphObjDialog::checkedGraphObjects()
{
    QFETCH(QStringList, ticks);
    QFETCH(QList<int>, idsBefore);
    QFETCH(QString, namesBefore);
    QFETCH(QList<int>, ids);
    QFETCH(QString, names);

    load(*dialog, baseTree());
    dialog->showForSection({});
    QVERIFY(applyTicks(dialog->model, ticks));

    QList<int> gotIds = idsBefore;
    QString gotNames = namesBefore;
    dialog->checkedGraphObjects(gotIds, gotNames);

    QCOMPARE(gotIds, ids);
    QCOMPARE(gotNames, names);
}

void tst_GraphObjDialog::findGraphObjects_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QList<int>>("foundBefore");
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<QStringList>("found");

    QTest::newRow("tree order, not id order")
        << baseTree() << QList<int>() << QList<int>{9, 5, 7}
        << QStringList{"Post#7", "Gate#5", "Yard#9"};
    QTest::newRow("same id twice in the tree: both")
        << duplicateTree() << QList<int>() << QList<int>{5}
        << QStringList{"Gate#5", "Gate again#5"};
    QTest::newRow("id listed twice: each object once")
        << baseTree() << QList<int>() << QList<int>{5, 5} << QStringList{"Gate#5"};
    QTest::newRow("unknown ids ignored")
        << baseTree() << QList<int>() << QList<int>{42, 12, -1, 0} << QStringList{"Lane#12"};
    QTest::newRow("layer node ids find nothing")
        << baseTree() << QList<int>() << QList<int>{10, 11, 20} << QStringList();
    QTest::newRow("no ids") << baseTree() << QList<int>() << QList<int>() << QStringList();
    QTest::newRow("appends to what the list holds")
        << duplicateTree() << QList<int>{12} << QList<int>{9, 5}
        << QStringList{"Lane#12", "Gate#5", "Yard#9", "Gate again#5"};
}

void tst_GraphObjDialog::findGraphObjects()
{
    QFETCH(QByteArray, body);
    QFETCH(QList<int>, foundBefore);
    QFETCH(QList<int>, ids);
    QFETCH(QStringList, found);

    load(*dialog, body);
    QList<GraphObject *> objects;
    dialog->findGraphObjects(foundBefore, objects);
    dialog->findGraphObjects(ids, objects);

    QStringList labels;
    for (const GraphObject *object : qAsConst(objects))
        labels << label(object);
    QCOMPARE(labels, found);
}

// A second tree replaces the first: every object comes from the new tree.
void tst_GraphObjDialog::reloadReplacesObjects_data()
{
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("found");

    QTest::newRow("same tree again")
        << baseTree()
        << QStringList{"Zones", " Sub", "  Post#7", " Gate#5", " Yard#9", "Roads", " Lane#12"}
        << QStringList{"Post#7", "Gate#5", "Yard#9", "Lane#12"};
    QTest::newRow("same ids, new objects")
        << layerTree({layer(30, "Other", 1, {polygon(12, "Lane 2"), polygon(5, "Gate 2")})})
        << QStringList{"Other", " Lane 2#12", " Gate 2#5"}
        << QStringList{"Lane 2#12", "Gate 2#5"};
    QTest::newRow("empty tree") << layerTree({}) << QStringList() << QStringList();
}

void tst_GraphObjDialog::reloadReplacesObjects()
{
    QFETCH(QByteArray, second);
    QFETCH(QStringList, items);
    QFETCH(QStringList, found);

    load(*dialog, baseTree());
    dialog->showForSection({5, 12});

    load(*dialog, second);

    QCOMPARE(dump(dialog->model), items);
    QList<GraphObject *> objects;
    dialog->findGraphObjects({5, 7, 9, 12}, objects);
    QStringList labels;
    for (const GraphObject *object : qAsConst(objects))
        labels << label(object);
    QCOMPARE(labels, found);
    QList<int> ids;
    QString names;
    dialog->checkedGraphObjects(ids, names);
    QVERIFY(ids.isEmpty());
}

// The plug-in draws a checked route from the store; a new layer tree must
// leave nothing of the old objects in the host's list.
void tst_GraphObjDialog::reloadWhileRouteShown()
{
    auto host = std::make_unique<FakeHost>();
    auto plugin = std::make_unique<OperativeCheck>();
    plugin->SetHost(host.get());
    plugin->BindMap(0, 1);
    QByteArray command("Get_tree_rulecheck");
    QByteArray body = ruleTree(
        {withRoute(node(1, "Beat", 1), route(1, {section(1, "North", {5, 9})}))});
    plugin->OnServerReply(command, body);
    command = "Get_tree_graphobj";
    body = layerTree({layer(10, "Zones", 1, {polygon(5, "Gate", QColor(10, 200, 30, 100)),
                                             polygon(9, "Yard", QColor(0, 0, 0))})});
    plugin->OnServerReply(command, body);
    QStandardItem *routeItem = plugin->model->item(0, 0);
    routeItem->setCheckState(Qt::Checked);
    QCOMPARE(brushes(host->sectionList()), QStringList({"10,200,30,100", "0,0,0,255"}));

    command = "Get_tree_graphobj";
    body = layerTree({layer(10, "Zones", 1, {polygon(5, "Gate", QColor(255, 255, 255))})});
    plugin->OnServerReply(command, body);
    QCOMPARE(brushes(host->sectionList()), QStringList({"255,255,255,255"}));

    command = "Every_sections_state";
    body = RouteMessages::sectionsStateBody(1, {{1, 1}});
    plugin->OnServerReply(command, body);
    QCOMPARE(brushes(host->sectionList()), QStringList({"255,31,31,255"}));

    // The host paints every primitive in the list.
    MapPainter painter(QRect(0, 0, 2000, 2000), QSize(40, 40));
    painter.paint(*host->GetLayers(1));
    QCOMPARE(painter.image().pixelColor(10, 30), QColor(255, 31, 31));

    routeItem->setCheckState(Qt::Unchecked);
    QCOMPARE(brushes(host->sectionList()), QStringList());
    plugin.reset();
}

QTEST_MAIN(tst_GraphObjDialog)
#include "tst_graphobjdialog.moc"
