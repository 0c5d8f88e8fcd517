// Loading trees from server replies, the save request and its acknowledgement.
#include "support/FakeHost.h"
#include "support/PanelDriver.h"
#include "support/TreeBodies.h"

#include "panel/PanProperties.h"
#include "routecheck/ItemRoles.h"
#include "shell/OperativeCheck.h"

#include <QAction>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <QUndoStack>

using namespace TreeBodies;

class tst_ServerExchange : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void routeTreeFiltering_data();
    void routeTreeFiltering();
    void routeTreeItems();
    void routeTreeReplacesOldTree();
    void layerTreeRestoresCheckMarksOnce();
    void layerTreeAloneKeepsShownRoutes();
    void ignoredReplies_data();
    void ignoredReplies();
    void truncatedRouteTree();
    void hugeNodeCount();
    void saveWithNothingChangedSendsNothing();
    void saveBytes_data();
    void saveBytes();
    void saveAcknowledgement();

private:
    void reply(const QByteArray &command, const QByteArray &body);
    QStandardItem *item(const QList<int> &path) const;
    QStringList texts(QStandardItem *parent) const;

    FakeHost *host = nullptr;
    OperativeCheck *plugin = nullptr;
};

void tst_ServerExchange::init()
{
    host = new FakeHost;
    plugin = new OperativeCheck;
    plugin->SetHost(host);
    plugin->BindMap(0, 1);
}

void tst_ServerExchange::cleanup()
{
    delete plugin;
    plugin = nullptr;
    delete host;
    host = nullptr;
}

void tst_ServerExchange::reply(const QByteArray &command, const QByteArray &body)
{
    PanelDriver::deliver(plugin, command, body);
}

QStandardItem *tst_ServerExchange::item(const QList<int> &path) const
{
    QStandardItem *current = plugin->model->invisibleRootItem();
    for (int row : path) {
        current = current ? current->child(row) : nullptr;
    }
    return current;
}

QStringList tst_ServerExchange::texts(QStandardItem *parent) const
{
    QStringList result;
    for (int row = 0; parent && row < parent->rowCount(); ++row)
        result << parent->child(row)->text();
    return result;
}

// Each row: one top-level node with one child; which survive and with which masks.
void tst_ServerExchange::routeTreeFiltering_data()
{
    QTest::addColumn<uint>("parentBits");
    QTest::addColumn<uint>("childBits");
    QTest::addColumn<QStringList>("topLevel");
    QTest::addColumn<uint>("parentMask");
    QTest::addColumn<QStringList>("children");

    QTest::newRow("both kept") << 1u << 1u << QStringList{"P"} << 1u << QStringList{"C"};
    QTest::newRow("parent kept by child") << 2u << 1u << QStringList{"P"} << 3u << QStringList{"C"};
    QTest::newRow("child dropped") << 1u << 2u << QStringList{"P"} << 1u << QStringList();
    QTest::newRow("nothing has bit 0") << 2u << 4u << QStringList() << 0u << QStringList();
    QTest::newRow("all zero") << 0u << 0u << QStringList() << 0u << QStringList();
    QTest::newRow("high bits carried") << 0x80000000u << 5u << QStringList{"P"} << 0x80000005u
                                       << QStringList{"C"};
}

void tst_ServerExchange::routeTreeFiltering()
{
    QFETCH(uint, parentBits);
    QFETCH(uint, childBits);
    QFETCH(QStringList, topLevel);
    QFETCH(uint, parentMask);
    QFETCH(QStringList, children);

    reply("Get_tree_rulecheck", ruleTree({node(1, "P", parentBits, {node(2, "C", childBits)})}));

    QCOMPARE(texts(plugin->model->invisibleRootItem()), topLevel);
    if (!topLevel.isEmpty()) {
        QCOMPARE(item({0})->data(ItemRole::TypeMask).toUInt(), parentMask);
        QCOMPARE(texts(item({0})), children);
        if (!children.isEmpty())
            QCOMPARE(item({0, 0})->data(ItemRole::TypeMask).toUInt(), childBits);
    }
}

void tst_ServerExchange::routeTreeItems()
{
    Node routeNode = withRoute(node(4, "Beat 4", 3, {node(5, "Sub", 1)}),
                               route(4, {section(2, "North gate", {7}), section(9, "Yard")}));
    Node plain = node(6, "Plain", 1);
    reply("Get_tree_rulecheck", ruleTree({node(1, "Group", 0, {routeNode, plain})}));

    QStandardItem *group = item({0});
    QVERIFY(group);
    QCOMPARE(group->data(ItemRole::NodeId).toInt(), 1);
    QCOMPARE(group->data(ItemRole::TypeMask).toUInt(), 3u);
    QVERIFY(group->isCheckable());
    QVERIFY(!group->isEditable());
    QCOMPARE(texts(group), QStringList({"Beat 4", "Plain"}));

    // Sections follow the node's own child nodes.
    QStandardItem *routeItem = item({0, 0});
    QCOMPARE(texts(routeItem), QStringList({"Sub", "North gate", "Yard"}));
    RouteRecord *record = itemRoute(routeItem);
    QVERIFY(record);
    QCOMPARE(record->id, 4);
    QCOMPARE(record->maxSectionId, 9);
    QCOMPARE(record->sections.size(), 2);

    QStandardItem *sectionItem = item({0, 0, 1});
    QCOMPARE(itemSection(sectionItem), record->sections.at(0));
    QCOMPARE(itemRoute(sectionItem), nullptr);
    QCOMPARE(sectionItem->data(ItemRole::NodeId).toInt(), 4);
    QCOMPARE(sectionItem->data(ItemRole::TypeMask).toUInt(), 3u);
    QVERIFY(!sectionItem->isCheckable());
    QVERIFY(!sectionItem->isEditable());

    // Column 1 only on the route's row.
    QCOMPARE(group->child(0, 1)->text(), QString("Check off"));
    QCOMPARE(group->child(1, 1), nullptr);
    QCOMPARE(plugin->model->item(0, 1), nullptr);
    QCOMPARE(itemRoute(item({0, 1})), nullptr);

    // Shown collapsed, with the closed-branch icon.
    QVERIFY(!plugin->mainView->isExpanded(group->index()));
    QCOMPARE(plugin->model->headerData(0, Qt::Horizontal).toString(),
             QString("Graphic layers/rules"));
    QCOMPARE(plugin->model->headerData(1, Qt::Horizontal).toString(), QString("Check Mode"));
}

void tst_ServerExchange::routeTreeReplacesOldTree()
{
    reply("Get_tree_rulecheck", ruleTree({withRoute(node(1, "Old", 1), route(1))}));
    plugin->setItemEditState(EditState::Changed, item({0}));
    QCOMPARE(plugin->undoStack->count(), 0);
    reply("Get_tree_rulecheck", ruleTree({node(2, "New A", 1), node(3, "New B", 1)}));
    QCOMPARE(texts(plugin->model->invisibleRootItem()), QStringList({"New A", "New B"}));
    QVERIFY(!plugin->currentMainIndex.isValid());
    QCOMPARE(plugin->model->columnCount(), 2);
}

void tst_ServerExchange::layerTreeRestoresCheckMarksOnce()
{
    const QByteArray tree = ruleTree({withRoute(node(1, "A", 1), route(1)),
                                      withRoute(node(2, "B", 1), route(2)),
                                      withRoute(node(3, "C", 1), route(3))});
    reply("Get_tree_rulecheck", tree);
    item({1})->setCheckState(Qt::Checked);

    plugin->onGetClicked();
    QCOMPARE(host->commands(), QList<QByteArray>({"Get_tree_rulecheck", "Get_tree_graphobj"}));
    reply("Get_tree_rulecheck", tree);
    QCOMPARE(item({1})->checkState(), Qt::Unchecked);
    reply("Get_tree_graphobj", layerTree({}));
    QCOMPARE(item({0})->checkState(), Qt::Unchecked);
    QCOMPARE(item({1})->checkState(), Qt::Checked);
    QCOMPARE(item({2})->checkState(), Qt::Unchecked);

    // Forgotten: a second layer reply after the operator unticks changes nothing.
    item({1})->setCheckState(Qt::Unchecked);
    reply("Get_tree_graphobj", layerTree({}));
    QCOMPARE(item({1})->checkState(), Qt::Unchecked);
    QVERIFY(plugin->checkedKeys.isEmpty());
}

void tst_ServerExchange::layerTreeAloneKeepsShownRoutes()
{
    const QVariantMap red{{"Brush", QColor(Qt::red)}};
    const QByteArray layers = layerTree(
        {[&] { Node n = node(10, "Layer", 1); n.objects = {object(7, 3, "Yard",
                  {{0, 0}, {1000, 0}, {0, 1000}}, red)}; return n; }()});
    reply("Get_tree_rulecheck", ruleTree({withRoute(node(1, "A", 1),
                                                    route(1, {section(1, "S", {7})}))}));
    reply("Get_tree_graphobj", layers);
    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(host->sectionList()->primitives.size(), 1);

    reply("Get_tree_graphobj", layers);
    QCOMPARE(host->sectionList()->primitives.size(), 1);
    QCOMPARE(host->sectionList()->primitives.first()->kind, quint8(2));
}

void tst_ServerExchange::ignoredReplies_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("unknown command") << QByteArray("Get_everything") << QByteArray("\0\0\0\1", 4);
    QTest::newRow("case differs") << QByteArray("get_tree_rulecheck") << QByteArray();
    QTest::newRow("empty command") << QByteArray() << QByteArray();
    QTest::newRow("check mode, empty body") << QByteArray("Set_check_mode") << QByteArray();
    QTest::newRow("check mode, 3 bytes") << QByteArray("Set_check_mode") << QByteArray("\0\0\1", 3);
    QTest::newRow("states, empty body") << QByteArray("Every_sections_state") << QByteArray();
    QTest::newRow("states, unknown route")
        << QByteArray("Every_sections_state")
        << RouteMessages::sectionsStateBody(99, {{1, 2}, {2, 1}});
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

    QCOMPARE(texts(plugin->model->invisibleRootItem()), QStringList({"A"}));
    QCOMPARE(itemRoute(item({0})), record);
    QCOMPARE(record->checkOn, 0);
    QCOMPARE(record->sections.first()->state, 0);
    QCOMPARE(item({0})->parent() ? QString() : plugin->model->item(0, 1)->text(),
             QString("Check off"));
    const bool statesReply = command == "Every_sections_state";
    QCOMPARE(host->refreshCount(), refreshes + (statesReply ? 1 : 0));
    QVERIFY(host->requests.isEmpty());
}

void tst_ServerExchange::truncatedRouteTree()
{
    const QByteArray full = ruleTree({withRoute(node(1, "Route", 1),
                                                route(1, {section(1, "One"), section(2, "Two")})),
                                      node(2, "Next", 1)});
    for (int length = 0; length < full.size(); ++length) {
        reply("Get_tree_rulecheck", full.left(length));
        QVERIFY(plugin->model->rowCount() <= 2);
    }
    reply("Get_tree_rulecheck", full);
    QCOMPARE(texts(plugin->model->invisibleRootItem()), QStringList({"Route", "Next"}));
}

void tst_ServerExchange::hugeNodeCount()
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << qint32(0x7fffffff) << qint32(1) << QString("Only") << qint32(1) << qint32(0) << false;
    reply("Get_tree_rulecheck", body);
    QCOMPARE(texts(plugin->model->invisibleRootItem()), QStringList({"Only"}));
}

void tst_ServerExchange::saveWithNothingChangedSendsNothing()
{
    reply("Get_tree_rulecheck", ruleTree({withRoute(node(1, "A", 1), route(1))}));
    plugin->onSaveClicked();
    QVERIFY(host->requests.isEmpty());
}

static QByteArray int32(qint32 value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << value;
    return bytes;
}

static QByteArray routeBytes(const RouteRecord &route)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    RouteMessages::writeRoute(out, route);
    return bytes;
}

void tst_ServerExchange::saveBytes_data()
{
    QTest::addColumn<int>("routeId");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("lead");
    QTest::addColumn<int>("savedId");

    QTest::newRow("changed route: lead 0") << 5 << int(EditState::Changed) << 0 << 5;
    QTest::newRow("new route: lead node id") << 5 << int(EditState::New) << 17 << 17;
    QTest::newRow("negative id counts as new") << -17 << int(EditState::Unchanged) << 17 << 17;
}

void tst_ServerExchange::saveBytes()
{
    QFETCH(int, routeId);
    QFETCH(int, state);
    QFETCH(int, lead);
    QFETCH(int, savedId);

    reply("Get_tree_rulecheck",
          ruleTree({node(1, "Group", 1, {withRoute(node(17, "R", 1), route(routeId, {
                       section(1, "S", {3, 4}, 60, 120)}))}),
                    withRoute(node(20, "Untouched", 1), route(20))}));
    QStandardItem *routeItem = item({0, 0});
    routeItem->setData(state, ItemRole::EditState);
    plugin->deletedRouteIds.insert(33);

    plugin->onSaveClicked();

    QCOMPARE(host->requests.size(), 1);
    const SentRequest &request = host->requests.first();
    QCOMPARE(request.server, QByteArray("OperCheck_Server1"));
    QCOMPARE(request.command, QByteArray("Fix_routes"));
    const RouteRecord *record = itemRoute(routeItem);
    QCOMPARE(record->id, savedId);
    const QByteArray expected = int32(lead) + routeBytes(*record) + int32(-1) + int32(1)
        + int32(33);
    QCOMPARE(request.body.toHex(), expected.toHex());
}

void tst_ServerExchange::saveAcknowledgement()
{
    reply("Get_tree_rulecheck", ruleTree({withRoute(node(1, "A", 1), route(1)),
                                          withRoute(node(2, "B", 1), route(2)),
                                          withRoute(node(3, "C", 1), route(3))}));
    item({0})->setData(EditState::New, ItemRole::EditState);
    item({1})->setData(EditState::Changed, ItemRole::EditState);
    item({2})->setData(EditState::Deleted, ItemRole::EditState);
    plugin->deletedRouteIds = {3};
    plugin->undoStack->push(new QUndoCommand("edit"));
    plugin->panProperties->saveAction->setEnabled(true);

    reply("Fix_routes", QByteArray());

    QCOMPARE(itemEditState(item({0})), int(EditState::Unchanged));
    QCOMPARE(itemEditState(item({1})), int(EditState::Unchanged));
    QCOMPARE(itemEditState(item({2})), int(EditState::Deleted));
    QVERIFY(plugin->deletedRouteIds.isEmpty());
    QCOMPARE(plugin->undoStack->count(), 0);
    QVERIFY(!plugin->undoStack->canUndo());
    QVERIFY(!plugin->panProperties->saveAction->isEnabled());
}

QTEST_MAIN(tst_ServerExchange)
#include "tst_serverexchange.moc"
