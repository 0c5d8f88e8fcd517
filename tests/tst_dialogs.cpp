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
// before a layer's own objects. As shown, with each item's check state.
const QByteArray BaseTree = layerTree(
    {layer(10, "Zones", 1, {polygon(5, "Gate"), object(9, 4, "Yard", {{500, 500}})},
           {layer(11, "Sub", 1, {object(7, 1, "Post", {{100, 100}})})}),
     layer(20, "Roads", 1, {object(12, 2, "Lane", {{0, 0}, {2000, 0}})})});
QString base(const QString &states)
{
    QString tree = "Zones:%1(Sub:%2(Post:%3) Gate:%4 Yard:%5) Roads:%6(Lane:%7)";
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
        std::sort(ids.begin() + 1, ids.end());
        return ids;
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
        QTest::addColumn<QString>("tree");

        QTest::newRow("layers and objects") << BaseTree << base("0000000");
        QTest::newRow("types 0 and 5 make no item, the stream stays aligned")
            << layerTree({layer(10, "Zones", 1, {object(1, 0, "Abstract", {{1, 1}}),
                                                 object(2, 5, "Cone", {{1, 1}}), polygon(5, "Gate")}),
                          layer(20, "Next", 1, {object(7, 1, "Post", {{1, 1}})})})
            << "Zones:0(Gate:0) Next:0(Post:0)";
        QTest::newRow("layer without bit 0 dropped")
            << layerTree({layer(10, "Hidden", 2, {polygon(5, "Gate")}),
                          layer(20, "Kept", 3, {polygon(9, "Yard")})})
            << "Kept:0(Yard:0)";
        QTest::newRow("child with bit 0 keeps its parent")
            << layerTree({layer(10, "Parent", 2, {polygon(5, "Gate")},
                                {layer(11, "Child", 1, {polygon(9, "Yard")})})})
            << "Parent:0(Child:0(Yard:0) Gate:0)";
    }

    // Each tree replaces the one before, ticks included.
    void loadTree()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, tree);
        load(BaseTree);
        layers->showForSection({5, 12});
        load(body);
        QCOMPARE(shown(layers->model()), tree);
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
            << QList<int>{2, 121, 11, 99, -1} << QStringList()
            << "Column A:0(Car 11:2 Car 12:0(Trailer 121:2)) Column B:2(Car 21:0) Depot:0(Car 31:0)"
            << QList<int>{2, 11, 121};
        QTest::newRow("all listed: the plain group stays unticked")
            << QList<int>{1, 2, 11, 12, 21, 121, 31} << QStringList()
            << "Column A:2(Car 11:2 Car 12:2(Trailer 121:2)) Column B:2(Car 21:2) Depot:0(Car 31:2)"
            << QList<int>{1, 2, 11, 12, 21, 31, 121};
        QTest::newRow("a tick runs down, an untick of a child leaves the group")
            << QList<int>() << QStringList{"+Column A", "-Car 12"}
            << "Column A:2(Car 11:2 Car 12:0(Trailer 121:0)) Column B:0(Car 21:0) Depot:0(Car 31:0)"
            << QList<int>{1, 11};
        QTest::newRow("an untick of a group runs down, to listed ones too")
            << QList<int>{11, 21} << QStringList{"+Column A", "-Column A"}
            << "Column A:0(Car 11:0 Car 12:0(Trailer 121:0)) Column B:0(Car 21:2) Depot:0(Car 31:0)"
            << QList<int>{21};
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

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
