// The two choosers of a route's parts: the layer tree dialog, which is also
// the plug-in's store of graphic objects, and the tracked objects dialog.
#include "testsupport/FakeHost.h"
#include "testsupport/TreeBuilders.h"

#include "dialogs/DialogListObjects.h"
#include "dialogs/DialogSelectGraphObj.h"
#include "graphobj/GraphObject.h"

#include <TreeObjCheckable.h>

#include <QDialogButtonBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include <algorithm>
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

// Pre-order, indented by depth: a layer by its name, an object by name#id,
// then "+" ticked, "~" half ticked.
QStringList dump(const QStandardItem *parent, int depth = 0)
{
    QStringList lines;
    for (int row = 0; row < parent->rowCount(); ++row) {
        const QStandardItem *item = parent->child(row);
        const GraphObject *object = itemGraphObject(item);
        lines << QString(depth, ' ')
                     + (object ? QString("%1#%2").arg(object->name).arg(object->id) : item->text())
                     + QStringList{"", "~", "+"}.value(item->checkState());
        lines << dump(item, depth + 1);
    }
    return lines;
}

// The base tree's lines with a mark each: "+", "~" or " ".
QStringList baseItems(const QString &marks)
{
    const QStringList items{"Zones", " Sub", "  Post#7", " Gate#5", " Yard#9", "Roads", " Lane#12"};
    QStringList result;
    for (int i = 0; i < items.size(); ++i)
        result << items[i] + QString(marks[i]).trimmed();
    return result;
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

// Each shown object as "name:check state", its children in brackets.
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

QList<int> sorted(QList<int> ids)
{
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

class tst_Dialogs : public QObject
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
        return sorted(ids);
    }

private slots:
    // Units: Column A 1 (Car 11, Car 12 (Trailer 121)), Column B 2 (Car 21):
    // groups that are tracked objects themselves; Depot (Car 31): a plain group.
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

    void loadTree_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("items");

        QTest::newRow("layers and objects") << BaseTree << baseItems("       ");
        QTest::newRow("types 0 and 5 make no item, the stream stays aligned")
            << layerTree({layer(10, "Zones", 1, {object(1, 0, "Abstract", {{1, 1}}),
                                                 object(2, 5, "Cone", {{1, 1}}), polygon(5, "Gate")}),
                          layer(20, "Next", 1, {object(7, 1, "Post", {{1, 1}})})})
            << QStringList{"Zones", " Gate#5", "Next", " Post#7"};
        QTest::newRow("layer without bit 0 dropped")
            << layerTree({layer(10, "Hidden", 2, {polygon(5, "Gate")}),
                          layer(20, "Kept", 3, {polygon(9, "Yard")})})
            << QStringList{"Kept", " Yard#9"};
        QTest::newRow("child with bit 0 keeps its parent")
            << layerTree({layer(10, "Parent", 2, {polygon(5, "Gate")},
                                {layer(11, "Child", 1, {polygon(9, "Yard")})})})
            << QStringList{"Parent", " Child", "  Yard#9", " Gate#5"};
    }

    // Each tree replaces the one before, ticks included; every item is a
    // check box, an object's carries its layer's node id.
    void loadTree()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, items);
        load(BaseTree);
        layers->showForSection({5, 12});
        load(body);
        QCOMPARE(dump(layers->model()->invisibleRootItem()), items);
        const QModelIndexList all = layers->model()->match(layers->model()->index(0, 0),
            Qt::DisplayRole, "*", -1, Qt::MatchWildcard | Qt::MatchRecursive);
        QCOMPARE(all.size(), items.size());
        for (const QModelIndex &index : all) {
            const QStandardItem *item = layers->model()->itemFromIndex(index);
            QVERIFY(item->isCheckable() && !item->isEditable());
            if (itemGraphObject(item))
                QCOMPARE(item->data(ItemRole::NodeId), item->parent()->data(ItemRole::NodeId));
        }
    }

    void layerTicks_data()
    {
        QTest::addColumn<QList<int>>("section"); // shown for these first; none: not shown
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QList<int>>("ids");

        QTest::newRow("shown: the listed objects, earlier ticks undone")
            << QList<int>{9, 5} << QStringList() << "   ++  " << QList<int>{5, 9};
        QTest::newRow("shown: object in a sub layer, unknown id ignored")
            << QList<int>{7, 42} << QStringList() << "  +    " << QList<int>{7};
        QTest::newRow("shown: layer node ids are no object ids")
            << QList<int>{10, 11, 20} << QStringList() << "       " << QList<int>();
        QTest::newRow("shown, then the operator's tick runs down")
            << QList<int>{9} << QStringList{"+Sub"} << " ++ +  " << QList<int>{7, 9};
        QTest::newRow("a ticked layer ticks all below, gives its objects, not itself")
            << QList<int>() << QStringList{"+Zones"} << "+++++  " << QList<int>{7, 5, 9};
        QTest::newRow("unticking one leaves the layer ticked")
            << QList<int>() << QStringList{"+Zones", "-Gate"} << "+++ +  " << QList<int>{7, 9};
        QTest::newRow("every object ticked leaves the layer unticked")
            << QList<int>() << QStringList{"+Post", "+Gate", "+Yard"} << "  +++  "
            << QList<int>{7, 5, 9};
        QTest::newRow("a half tick runs down, half ticked left out")
            << QList<int>() << QStringList{"+Lane", "~Zones"} << "~~~~~ +" << QList<int>{12};
        QTest::newRow("tree order, not tick order")
            << QList<int>() << QStringList{"+Lane", "+Yard", "+Gate"} << "   ++ +"
            << QList<int>{5, 9, 12};
    }

    // Shown for a section (twice: while open too), exactly its objects are
    // ticked. An operator's mark runs down, never up; the fully ticked
    // objects are the section's: ids replaced, names appended.
    void layerTicks()
    {
        QFETCH(QList<int>, section);
        QFETCH(QStringList, ticks);
        QFETCH(QString, marks);
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
        QCOMPARE(dump(layers->model()->invisibleRootItem()), baseItems(marks));
        QList<int> gotIds{77, 5};
        QString names("Old "), expected("Old ");
        layers->checkedGraphObjects(gotIds, names);
        QCOMPARE(gotIds, ids);
        const QHash<int, QString> name{{5, "Gate"}, {7, "Post"}, {9, "Yard"}, {12, "Lane"}};
        for (int id : qAsConst(ids))
            expected += name[id] + ' ';
        QCOMPARE(names, expected);
    }

    void findGraphObjects_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QList<int>>("ids"); // looked up after 12
        QTest::addColumn<QStringList>("found");

        QTest::newRow("tree order, not id order")
            << BaseTree << QList<int>{9, 5, 7} << QStringList{"Lane", "Post", "Gate", "Yard"};
        QTest::newRow("same id in two layers: both")
            << layerTree({layer(10, "Zones", 1, {polygon(5, "Gate")}),
                          layer(20, "Roads", 1, {polygon(5, "Gate again"), polygon(12, "Lane")})})
            << QList<int>{5} << QStringList{"Lane", "Gate", "Gate again"};
        QTest::newRow("id listed twice: each object once")
            << BaseTree << QList<int>{5, 5} << QStringList{"Lane", "Gate"};
    }

    // Found objects are appended.
    void findGraphObjects()
    {
        QFETCH(QByteArray, body);
        QFETCH(QList<int>, ids);
        QFETCH(QStringList, found);
        load(body);
        QList<GraphObject *> objects;
        layers->findGraphObjects({12}, objects);
        layers->findGraphObjects(ids, objects);
        QStringList names;
        for (const GraphObject *object : qAsConst(objects))
            names << object->name;
        QCOMPARE(names, found);
    }

    void unitTicks_data()
    {
        QTest::addColumn<QList<int>>("objects"); // the route's
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QString>("tree"); // empty: not checked
        QTest::addColumn<QList<int>>("checked");

        QTest::newRow("listed ones ticked, nested and top level")
            << QList<int>{2, 121, 11} << QStringList()
            << "Column A:0(Car 11:2 Car 12:0(Trailer 121:2)) Column B:2(Car 21:0) Depot:0(Car 31:0)"
            << QList<int>{2, 11, 121};
        QTest::newRow("unknown ids ignored") << QList<int>{99, 21, -1} << QStringList() << ""
                                             << QList<int>{21};
        QTest::newRow("all listed: the plain group stays unticked")
            << QList<int>{1, 2, 11, 12, 21, 121, 31} << QStringList()
            << "Column A:2(Car 11:2 Car 12:2(Trailer 121:2)) Column B:2(Car 21:2) Depot:0(Car 31:2)"
            << QList<int>{1, 2, 11, 12, 21, 31, 121};
        QTest::newRow("a ticked group ticks all below")
            << QList<int>() << QStringList{"+Column A"} << "" << QList<int>{1, 11, 12, 121};
        QTest::newRow("a ticked plain group ticks its objects")
            << QList<int>() << QStringList{"+Depot"} << "" << QList<int>{31};
        QTest::newRow("an unticked child leaves the group")
            << QList<int>() << QStringList{"+Column A", "-Car 12"} << "" << QList<int>{1, 11};
        QTest::newRow("an unticked group unticks all below, not others")
            << QList<int>{11, 21} << QStringList{"+Column A", "-Column A"} << "" << QList<int>{21};
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
        if (!tree.isEmpty())
            QCOMPARE(shown(unitModel()), tree);
        QCOMPARE(checkedUnits(), sorted(QList<int>{-7} + checked));
        QCOMPARE(routeObjects, objects);
        QVERIFY(!host->objects.item(0)->isCheckable());
    }

    // The widget keeps its own copy: the host may drop its model.
    void unitsFromAnotherModel()
    {
        QList<int> first{11}, second{12, 31};
        units->showForRoute(&host->objects, &first);
        auto other = std::make_unique<FakeHost>();
        other->addTrackedObject(31, "Car 31", other->addTrackedObject(30, "Patrol"));
        other->addTrackedObject(12, "Car 12");
        units->showForRoute(&other->objects, &second);
        other.reset();
        QCOMPARE(shown(unitModel()), QString("Patrol:0(Car 31:2) Car 12:2"));
    }

    void unitButtons_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("result");

        QTest::newRow("Ok accepts") << int(QDialogButtonBox::Ok) << int(QDialog::Accepted);
        QTest::newRow("Cancel rejects") << int(QDialogButtonBox::Cancel) << int(QDialog::Rejected);
    }

    // What the operator ticked is still there to be read after the close.
    void unitButtons()
    {
        QFETCH(int, button);
        QFETCH(int, result);
        QList<int> objects{11};
        units->showForRoute(&host->objects, &objects);
        tick(unitModel(), "+Car 21");
        QTest::mouseClick(units->findChild<QDialogButtonBox *>()->button(
                              QDialogButtonBox::StandardButton(button)), Qt::LeftButton);
        QCOMPARE(units->result(), result);
        QVERIFY(!units->isVisible());
        QCOMPARE(checkedUnits(), QList<int>({-7, 11, 21}));
    }
};

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
