// Loading trees from server replies, the save request and its acknowledgement.
#include "testsupport/FakeHost.h"
#include "testsupport/PanelDriver.h"
#include "testsupport/TreeBuilders.h"

#include "panel/PanProperties.h"
#include "records/ItemRoles.h"
#include "shell/OperativeCheck.h"

#include <QAction>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <QUndoStack>

#include <memory>

using namespace TreeBodies;

class tst_ServerExchange : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        host = std::make_unique<FakeHost>();
        plugin = std::make_unique<OperativeCheck>();
        plugin->SetHost(host.get());
        plugin->BindMap(0, 1);
    }
    void cleanup() { plugin.reset(); host.reset(); }

    void routeTreeFiltering_data();
    void routeTreeFiltering();
    void routeTreeItems();
    void routeTreeReplacesOldTree();
    void layerTreeRestoresCheckMarksOnce();
    void ignoredReplies_data();
    void ignoredReplies();
    void cutAndHugeRouteTrees();
    void saveAndAcknowledgement();

private:
    void reply(const QByteArray &command, const QByteArray &body)
    {
        PanelDriver::deliver(plugin.get(), command, body);
    }
    QStandardItem *item(const QList<int> &path) const
    {
        return PanelDriver::itemAt(plugin->model(), path);
    }
    // The rows under path as "text:type mask", each with its rows in brackets.
    QString dump(const QList<int> &path) const
    {
        QStringList rows;
        for (int row = 0; row < item(path)->rowCount(); ++row) {
            const QString below = dump(QList<int>(path) << row);
            rows << QString("%1:%2").arg(item(path)->child(row)->text())
                        .arg(item(path)->child(row)->data(ItemRole::TypeMask).toUInt())
                    + (below.isEmpty() ? QString() : "(" + below + ")");
        }
        return rows.join(' ');
    }

    std::unique_ptr<FakeHost> host;
    std::unique_ptr<OperativeCheck> plugin;
};

// Only nodes with type bit 0 are kept; a node carries the bits of all it keeps.
void tst_ServerExchange::routeTreeFiltering_data()
{
    QTest::addColumn<uint>("parentBits");
    QTest::addColumn<uint>("childBits");
    QTest::addColumn<uint>("grandchildBits");
    QTest::addColumn<QString>("tree");

    QTest::newRow("all kept") << 1u << 1u << 1u << "P:1(C:1(G:1))";
    QTest::newRow("kept by a grandchild") << 2u << 2u << 1u << "P:3(C:3(G:1))";
    QTest::newRow("child dropped") << 1u << 2u << 2u << "P:1";
    QTest::newRow("nothing has bit 0") << 2u << 4u << 4u << "";
    QTest::newRow("high bits carried") << 0x80000000u << 5u << 1u << "P:2147483653(C:5(G:1))";
}

void tst_ServerExchange::routeTreeFiltering()
{
    QFETCH(uint, parentBits);
    QFETCH(uint, childBits);
    QFETCH(uint, grandchildBits);
    QFETCH(QString, tree);

    reply("Get_tree_rulecheck", ruleTree({node(1, "P", parentBits,
                                               {node(2, "C", childBits,
                                                     {node(3, "G", grandchildBits)})})}));
    QCOMPARE(dump({}), tree);
}

// A route's sections follow its node's own child nodes and belong to its node.
void tst_ServerExchange::routeTreeItems()
{
    Node routeNode = withRoute(node(4, "Beat 4", 3, {node(5, "Sub", 1)}),
                               route(4, {section(2, "North gate", {7}), section(9, "Yard")}));
    reply("Get_tree_rulecheck", ruleTree({node(1, "Group", 0, {routeNode, node(6, "Plain", 1)})}));

    QVERIFY(item({0})->isCheckable() && !item({0})->isEditable());
    QCOMPARE(dump({0, 0}), QString("Sub:1 North gate:3 Yard:3"));
    const RouteRecord *record = itemRoute(item({0, 0}));
    QCOMPARE(record->maxSectionId, 9);
    QStandardItem *sectionItem = item({0, 0, 1});
    QCOMPARE(itemSection(sectionItem), record->sections.at(0));
    QCOMPARE(itemRoute(sectionItem), nullptr);
    QCOMPARE(sectionItem->data(ItemRole::NodeId).toInt(), 4);
    QVERIFY(!sectionItem->isCheckable() && !sectionItem->isEditable());
    // Column 1 only on the route's row.
    QCOMPARE(item({0})->child(0, 1)->text(), QString("Check off"));
    QCOMPARE(item({0})->child(1, 1), nullptr);
    QCOMPARE(plugin->model()->item(0, 1), nullptr);
}

void tst_ServerExchange::routeTreeReplacesOldTree()
{
    reply("Get_tree_rulecheck", ruleTree({withRoute(node(1, "Old", 1), route(1))}));
    plugin->setItemEditState(EditState::Changed, item({0}));
    plugin->onMainItemClicked(item({0})->index());
    reply("Get_tree_rulecheck", ruleTree({node(2, "New A", 1), node(3, "New B", 1)}));
    QCOMPARE(dump({}), QString("New A:1 New B:1"));
    QVERIFY(!plugin->currentMainIndex().isValid());
    QCOMPARE(plugin->model()->columnCount(), 2);
}

// A reload keeps the ticks until the layer tree is there to draw them, once;
// a layer reply alone keeps the routes shown.
void tst_ServerExchange::layerTreeRestoresCheckMarksOnce()
{
    const QByteArray tree =
        ruleTree({withRoute(node(1, "A", 1), route(1)),
                  withRoute(node(2, "B", 1), route(2, {section(1, "S", {7})})),
                  withRoute(node(3, "C", 1), route(3))});
    Node marks = node(10, "Layer", 1);
    marks.objects = {object(7, 3, "Yard", {{0, 0}, {1000, 0}, {0, 1000}},
                            {{"Brush", QColor(Qt::red)}})};
    const QByteArray layers = layerTree({marks});
    reply("Get_tree_rulecheck", tree);
    reply("Get_tree_graphobj", layers);
    item({1})->setCheckState(Qt::Checked);
    reply("Get_tree_graphobj", layers);
    QCOMPARE(host->sectionList()->primitives.size(), 1);

    plugin->onGetClicked();
    QCOMPARE(host->commands(), QList<QByteArray>({"Get_tree_rulecheck", "Get_tree_graphobj"}));
    reply("Get_tree_rulecheck", tree);
    QCOMPARE(item({1})->checkState(), Qt::Unchecked);
    reply("Get_tree_graphobj", layers);
    QCOMPARE(item({0})->checkState(), Qt::Unchecked);
    QCOMPARE(item({1})->checkState(), Qt::Checked);
    QCOMPARE(item({2})->checkState(), Qt::Unchecked);
    QCOMPARE(host->sectionList()->primitives.size(), 1);
    QCOMPARE(host->sectionList()->primitives.first()->kind, quint8(2));

    // Forgotten: a second layer reply after the operator unticks changes nothing.
    item({1})->setCheckState(Qt::Unchecked);
    reply("Get_tree_graphobj", layers);
    QCOMPARE(item({1})->checkState(), Qt::Unchecked);
    QVERIFY(host->sectionList()->primitives.isEmpty());
    QVERIFY(plugin->checkedKeys().isEmpty());
}

void tst_ServerExchange::ignoredReplies_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("unknown command") << QByteArray("Get_everything") << QByteArray("\0\0\0\1", 4);
    QTest::newRow("case differs") << QByteArray("get_tree_rulecheck") << QByteArray();
    QTest::newRow("check mode, 3 bytes") << QByteArray("Set_check_mode") << QByteArray("\0\0\1", 3);
    QTest::newRow("states, empty body") << QByteArray("Every_sections_state") << QByteArray();
}

void tst_ServerExchange::ignoredReplies()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, body);

    reply("Get_tree_rulecheck", ruleTree({withRoute(node(1, "A", 1),
                                                    route(1, {section(1, "S")}))}));
    RouteRecord *record = itemRoute(item({0}));
    const int refreshes = host->refreshCount();

    reply(command, body);

    QCOMPARE(dump({}), QString("A:1(S:1)"));
    QCOMPARE(itemRoute(item({0})), record);
    QCOMPARE(record->checkOn, 0);
    QCOMPARE(record->sections.first()->state, 0);
    QCOMPARE(plugin->model()->item(0, 1)->text(), QString("Check off"));
    // A states reply redraws, whatever it held.
    QCOMPARE(host->refreshCount(), refreshes + (command == "Every_sections_state" ? 1 : 0));
    QVERIFY(host->requests.isEmpty());
}

// Any cut of a tree body loads no more than is there; a node count far beyond
// the body costs nothing.
void tst_ServerExchange::cutAndHugeRouteTrees()
{
    const QByteArray full = ruleTree({withRoute(node(1, "Route", 1),
                                                route(1, {section(1, "One"), section(2, "Two")})),
                                      node(2, "Next", 1)});
    for (int length = 0; length < full.size(); ++length) {
        reply("Get_tree_rulecheck", full.left(length));
        QVERIFY(plugin->model()->rowCount() <= 2);
    }
    reply("Get_tree_rulecheck", full);
    QCOMPARE(dump({}), QString("Route:1(One:1 Two:1) Next:1"));

    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << qint32(0x7fffffff) << qint32(1) << QString("Only") << qint32(1) << qint32(0) << false;
    reply("Get_tree_rulecheck", body);
    QCOMPARE(dump({}), QString("Only:1"));
}

// New routes (or ones with a negative id, never saved) go under their node's
// id, which leaves the deleted ids; changed ones go with lead 0. The
// acknowledgement marks everything saved.
void tst_ServerExchange::saveAndAcknowledgement()
{
    reply("Get_tree_rulecheck",
          ruleTree({node(1, "Group", 1, {withRoute(node(17, "R", 1),
                                                   route(-17, {section(1, "S", {3, 4})}))}),
                    withRoute(node(20, "Changed", 1), route(20)),
                    withRoute(node(21, "Deleted", 1), route(21)),
                    withRoute(node(22, "New", 1), route(5))}));
    item({1})->setData(EditState::Changed, ItemRole::EditState);
    item({2})->setData(EditState::Deleted, ItemRole::EditState);
    item({3})->setData(EditState::New, ItemRole::EditState);
    plugin->markRouteEditState(EditState::Deleted, 33, nullptr);
    plugin->markRouteEditState(EditState::Deleted, 17, nullptr);
    plugin->undoStack()->push(new QUndoCommand("edit"));

    plugin->onSaveClicked();

    QCOMPARE(host->commands(), QList<QByteArray>{"Fix_routes"});
    QCOMPARE(host->requests.first().server, QByteArray("OperCheck_Server1"));
    QCOMPARE(itemRoute(item({0, 0}))->id, 17);
    QCOMPARE(itemRoute(item({3}))->id, 22);
    QByteArray expected;
    QDataStream out(&expected, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    RouteMessages::writeSaveEntry(out, 17, *itemRoute(item({0, 0})));
    RouteMessages::writeSaveEntry(out, 0, *itemRoute(item({1})));
    RouteMessages::writeSaveEntry(out, 22, *itemRoute(item({3})));
    RouteMessages::writeSaveEnd(out, {33});
    QCOMPARE(host->requests.first().body.toHex(), expected.toHex());

    reply("Fix_routes", QByteArray());

    QCOMPARE(itemEditState(item({1})), int(EditState::Unchanged));
    QCOMPARE(itemEditState(item({2})), int(EditState::Deleted));
    QCOMPARE(itemEditState(item({3})), int(EditState::Unchanged));
    QVERIFY(plugin->deletedRouteIds().isEmpty());
    QCOMPARE(plugin->undoStack()->count(), 0);
}

QTEST_MAIN(tst_ServerExchange)
#include "tst_serverexchange.moc"
