// The main tree built from the server's replies, its ticks and clicks, and the
// requests and replies that change routes: saving and the check mode.
#include "testsupport/MapScene.h"
#include "testsupport/PanelText.h"

#include "panel/PanMain.h"

#include <QAction>
#include <QCheckBox>
#include <QTabWidget>
#include <QTest>

#include <ctime>

using namespace TreeBodies;

class tst_Panel : public QObject
{
    Q_OBJECT

private slots:
    // Times are shown in local time: Berlin is UTC+1, +2 in summer.
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); tzset(); }
    void init() { panel = std::make_unique<EditingPanel>(); }
    void cleanup() { panel.reset(); }

    void treeBuilding_data();
    void treeBuilding();
    void routeItemsAndTicks();
    void reloadRestoresTicksOnce();
    void editorAndExpandButtons();
    void clickShowsProperties_data();
    void clickShowsProperties();
    void badReplies_data();
    void badReplies();
    void saveAndAcknowledgement();
    void checkModeReply_data();
    void checkModeReply();
    void setCheckMode_data();
    void setCheckMode();

private:
    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }
    QString ticks(const QList<QList<int>> &paths) const
    {
        return PanelText::ticks(panel->plugin->model(), paths);
    }
    // The column-1 texts of routes 10, 20, 30, 40 and 50 of the nested routes.
    QStringList modes() const
    {
        return PanelText::modes(panel->plugin->model(), {{0}, {0, 0}, {0, 0, 0}, {1, 0}, {1, 1}});
    }

    std::unique_ptr<EditingPanel> panel;
};

// Only nodes with type bit 0 are kept; a node carries the bits of all it keeps.
// A route's sections follow its node's own child nodes.
void tst_Panel::treeBuilding_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("tree");

    const auto chain = [](uint parent, uint child, uint grandchild) {
        return ruleTree({node(1, "P", parent, {node(2, "C", child, {node(3, "G", grandchild)})})});
    };
    QTest::newRow("kept by a grandchild") << chain(2, 2, 1) << "P:3(C:3(G:1))";
    QTest::newRow("child dropped") << chain(1, 2, 2) << "P:1";
    QTest::newRow("nothing has bit 0") << chain(2, 4, 4) << "";
    QTest::newRow("sections after child nodes")
        << ruleTree({withRoute(node(4, "R", 3, {node(5, "Sub", 1)}),
                               route(4, {section(2, "North"), section(9, "Yard")}))})
        << "R:3(Sub:1 North:3 Yard:3)";
}

void tst_Panel::treeBuilding()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, tree);

    panel->reply("Get_tree_rulecheck", body);
    QCOMPARE(PanelText::tree(panel->plugin->model()->invisibleRootItem()), tree);
}

// Section items carry their records and their route's node; column 1 is the
// route's. A tick runs down to the children, never up; "select all" ticks the
// top rows. A change on a section item redraws its route by the route's tick;
// one in column 1 is no tick.
void tst_Panel::routeItemsAndTicks()
{
    MapScene::load(*panel);
    OperativeCheck *plugin = panel->plugin.get();
    const RouteRecord *record = itemRoute(item({0}));
    QCOMPARE(record->maxSectionId, 3);
    QCOMPARE(itemSection(item({0, 1})), record->sections.at(1));
    QCOMPARE(itemRoute(item({0, 1})), nullptr);
    QCOMPARE(item({0, 1})->data(ItemRole::NodeId).toInt(), 1);
    QVERIFY(!item({0, 1})->isCheckable() && !item({0, 1})->isEditable());
    QCOMPARE(PanelText::modes(plugin->model(), {{0}, {0, 0}, {2}}),
             QStringList({"Check off", "", ""}));

    const QList<QList<int>> rows{{0}, {1}, {2}, {2, 0}, {2, 2}, {2, 2, 0}};
    plugin->panMain()->selectAllBox()->setChecked(true);
    QCOMPARE(ticks(rows), QString("222222"));
    plugin->panMain()->selectAllBox()->setChecked(false);
    QCOMPARE(ticks(rows), QString("000000"));
    item({2})->setCheckState(Qt::Checked);
    item({2, 2})->setCheckState(Qt::Unchecked);
    QCOMPARE(ticks(rows), QString("002200"));
    QCOMPARE(plugin->mainView()->currentIndex(), item({2, 2})->index());

    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(panel->host.sectionList()->primitives.size(), 4);
    panel->host.mapCalls.clear();
    item({0, 1})->setText("renamed");
    QCOMPARE(panel->host.sectionList()->primitives.size(), 4);
    plugin->model()->item(0, 1)->setText("Check on 00:00:00 01.01.70");
    QCOMPARE(PanelText::mapCalls(panel->host.mapCalls), QStringList{"refresh"});
    QCOMPARE(plugin->mainView()->currentIndex(), item({0, 1})->index());
}

// Connecting and "Get" ask for both trees. The new route tree replaces the old
// one and keeps the ticks until the layer tree is there to draw them, once; a
// layer reply alone keeps the routes shown.
void tst_Panel::reloadRestoresTicksOnce()
{
    const QList<QList<int>> rows{{0}, {1}, {2, 0}};
    const MapQt::PrimitiveList *shapes = panel->host.sectionList();
    MapScene::load(*panel);
    item({1})->setCheckState(Qt::Checked);
    panel->reply("Get_tree_graphobj", MapScene::layers());
    QCOMPARE(shapes->primitives.size(), 1);
    panel->click({1});

    panel->host.notifier.connectToServer();
    panel->plugin->panMain()->getAction()->trigger();
    const QList<QByteArray> pair{"Get_tree_rulecheck", "Get_tree_graphobj"};
    QCOMPARE(panel->host.commands(), pair + pair);
    panel->reply("Get_tree_rulecheck", MapScene::routes());
    QCOMPARE(panel->plugin->model()->rowCount(), 3);
    QCOMPARE(ticks(rows), QString("000"));
    QVERIFY(shapes->primitives.isEmpty() && !panel->plugin->currentMainIndex().isValid());
    panel->reply("Get_tree_graphobj", MapScene::layers());
    QCOMPARE(ticks(rows), QString("020"));
    QCOMPARE(shapes->primitives.size(), 1);

    // Forgotten: a second layer reply after the operator unticks changes nothing.
    item({1})->setCheckState(Qt::Unchecked);
    panel->reply("Get_tree_graphobj", MapScene::layers());
    QCOMPARE(ticks(rows), QString("000"));
    QVERIFY(shapes->primitives.isEmpty());
}

// The editor button shows and hides the property panel. The expand button
// expands all when no top row is open, else collapses all; its icon tells which.
void tst_Panel::editorAndExpandButtons()
{
    OperativeCheck *plugin = panel->plugin.get();
    QTabWidget tabs;
    tabs.addTab(plugin->CreateWidget(nullptr, &tabs), "map");
    tabs.show();
    QAction *editor = plugin->panMain()->editorAction();
    QVERIFY(editor->isChecked() && plugin->panProperties()->isVisible());
    editor->trigger();
    QVERIFY(!plugin->panProperties()->isVisible() && plugin->mainView()->isVisible());
    editor->trigger();
    QVERIFY(plugin->panProperties()->isVisible());

    const auto image = [](const QIcon &icon) { return icon.pixmap(32, 32).toImage(); };
    QAction *button = plugin->panMain()->expandAction();
    QTreeView *view = plugin->mainView();
    MapScene::load(*panel);
    button->trigger();
    QVERIFY(view->isExpanded(item({0})->index()) && view->isExpanded(item({2, 2})->index()));
    QCOMPARE(image(button->icon()), image(QIcon(":/Pic/resources/branch-open.png")));
    view->setCurrentIndex(item({2, 0})->index());
    button->trigger();
    QVERIFY(!view->isExpanded(item({2})->index()) && !view->currentIndex().isValid());
    QCOMPARE(image(button->icon()), image(QIcon(":/Pic/resources/branch-closed.png")));
    // Only top-level rows decide, the first one too.
    view->expand(item({2, 2})->index());
    button->trigger();
    QVERIFY(view->isExpanded(item({0})->index()));
    view->collapseAll();
    view->expand(item({0})->index());
    button->trigger();
    QVERIFY(!view->isExpanded(item({0})->index()));
}

// The table shows the clicked row (any column: its first); bit 1 of the type
// mask allows editing. A click on the row on show keeps the value held for an
// edit, a click elsewhere drops it.
void tst_Panel::clickShowsProperties_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("rows");

    QTest::newRow("route with bit 1") << QList<int>{0} << 0 << true << 2;
    QTest::newRow("route, column 1") << QList<int>{0} << 1 << true << 2;
    QTest::newRow("section of it") << QList<int>{0, 1} << 0 << true << 11;
    QTest::newRow("route without bit 1") << QList<int>{1} << 0 << false << 2;
    QTest::newRow("node, mask 3 from its children") << QList<int>{2} << 0 << true << 0;
}

void tst_Panel::clickShowsProperties()
{
    QFETCH(QList<int>, path);
    QFETCH(int, column);
    QFETCH(bool, enabled);
    QFETCH(int, rows);

    MapScene::load(*panel);
    OperativeCheck *plugin = panel->plugin.get();
    QStandardItemModel *properties = plugin->panProperties()->propertyModel();
    plugin->onMainItemClicked(item({0})->index());
    plugin->onPropertyItemClicked(properties->index(0, 1));
    plugin->onMainItemClicked(item(path)->index().siblingAtColumn(column));

    QCOMPARE(plugin->panProperties()->isEnabled(), enabled);
    QCOMPARE(properties->rowCount(), rows);
    QCOMPARE(plugin->currentMainIndex(), item(path)->index());
    QCOMPARE(plugin->valueBeforeEdit(), path == QList<int>{0} ? QVariant("EveryDay") : QVariant());
}

// Replies the panel cannot use leave it as it was, but for a states reply's
// redraw; a tree whose node count runs past its body keeps what is there.
void tst_Panel::badReplies_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("tree"); // and the first row's mode
    QTest::addColumn<int>("refreshes");

    QByteArray huge;
    QDataStream out(&huge, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << qint32(0x7fffffff) << qint32(1) << QString("Only") << qint32(1) << qint32(0) << false;
    const QString kept = "A:1(S:1) Check off";
    QTest::newRow("unknown command") << QByteArray("Get_everything") << QByteArray("\0\0\0\1", 4)
                                     << kept << 0;
    QTest::newRow("case differs") << QByteArray("get_tree_rulecheck") << QByteArray() << kept << 0;
    QTest::newRow("states, empty body, named up to a zero byte")
        << QByteArray("Every_sections_state\0Get_tree_rulecheck", 39) << QByteArray() << kept << 1;
    QTest::newRow("tree, node count past the body") << QByteArray("Get_tree_rulecheck") << huge
                                                    << "Only:1 " << 1;
}

void tst_Panel::badReplies()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, body);
    QFETCH(QString, tree);
    QFETCH(int, refreshes);

    panel->reply("Get_tree_rulecheck",
                 ruleTree({withRoute(node(1, "A", 1), route(1, {section(1, "S")}))}));
    const int before = panel->host.refreshCount();

    panel->reply(command, body);

    QCOMPARE(PanelText::tree(panel->plugin->model()->invisibleRootItem()) + " "
                 + PanelText::modes(panel->plugin->model(), {{0}}).first(),
             tree);
    if (const RouteRecord *record = itemRoute(item({0})))
        QVERIFY(record->checkOn == 0 && record->sections.first()->state == 0);
    QCOMPARE(panel->host.refreshCount(), before + refreshes);
    QVERIFY(panel->host.requests.isEmpty());
}

// New routes (or never saved ones, with a negative id) go under their node's
// id, which leaves the deleted ids; changed ones go with lead 0. The
// acknowledgement marks everything saved.
void tst_Panel::saveAndAcknowledgement()
{
    panel->reply("Get_tree_rulecheck",
                 ruleTree({node(1, "Group", 1, {withRoute(node(17, "R", 1), route(-17))}),
                           withRoute(node(20, "Changed", 1), route(20)),
                           withRoute(node(22, "New", 1), route(5))}));
    item({1})->setData(EditState::Changed, ItemRole::EditState);
    item({2})->setData(EditState::New, ItemRole::EditState);
    panel->plugin->markRouteEditState(EditState::Deleted, 33, nullptr);
    panel->plugin->markRouteEditState(EditState::Deleted, 17, nullptr);

    panel->plugin->onSaveClicked();

    QVERIFY(itemRoute(item({0, 0}))->id == 17 && itemRoute(item({2}))->id == 22);
    QByteArray expected;
    QDataStream out(&expected, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    RouteMessages::writeSaveEntry(out, 17, *itemRoute(item({0, 0})));
    RouteMessages::writeSaveEntry(out, 0, *itemRoute(item({1})));
    RouteMessages::writeSaveEntry(out, 22, *itemRoute(item({2})));
    RouteMessages::writeSaveEnd(out, {33});
    QCOMPARE(panel->host.commands(), QList<QByteArray>{"Fix_routes"});
    QCOMPARE(panel->host.requests.first().body.toHex(), expected.toHex());

    panel->reply("Fix_routes", QByteArray());
    QVERIFY(itemEditState(item({1})) == EditState::Unchanged
            && itemEditState(item({2})) == EditState::Unchanged);
    QVERIFY(panel->plugin->deletedRouteIds().isEmpty());
}

// The nested routes start off but for route 10, loaded with the given mode.
// Of a route and a route inside it both named, only the outer one is switched.
void tst_Panel::checkModeReply_data()
{
    QTest::addColumn<QList<uint>>("loaded"); // route 10's check on, time type and time
    QTest::addColumn<uint>("replyTime");
    QTest::addColumn<QList<int>>("replyIds");
    QTest::addColumn<QStringList>("texts"); // of routes 10, 20, 30, 40, 50
    QTest::addColumn<QList<uint>>("after"); // route 10's check on and time

    const QString off = "Check off";
    QTest::newRow("type 4's own text, time past 2^31; group, not child; node ids no route ids")
        << QList<uint>{1, 4, 1400000000} << 3000000000u << QList<int>{10, 20, 40, 6, 99}
        << QStringList{"Plan Perehvat 06:20:00 24.01.65", off, off, "Check on 06:20:00 24.01.65",
                       off}
        << QList<uint>{1, 3000000000u};
    QTest::newRow("time 0 switches off, time kept")
        << QList<uint>{1, 4, 1400000000} << 0u << QList<int>{10, 50}
        << QStringList{off, off, off, off, off} << QList<uint>{0, 1400000000};
    QTest::newRow("unnamed route keeps its loaded mode; 2 counts as on")
        << QList<uint>{2, 4, 0} << 1700000000u << QList<int>{50}
        << QStringList{"Plan Perehvat 01:00:00 01.01.70", off, off, off,
                       "Check on 23:13:20 14.11.23"}
        << QList<uint>{2, 0};
}

void tst_Panel::checkModeReply()
{
    QFETCH(QList<uint>, loaded);
    QFETCH(uint, replyTime);
    QFETCH(QList<int>, replyIds);
    QFETCH(QStringList, texts);
    QFETCH(QList<uint>, after);

    panel->reply("Get_tree_rulecheck",
                 MapScene::nestedRoutes(int(loaded[0]), int(loaded[1]), loaded[2]));
    // "Save" starts enabled; an acknowledged save turns it off.
    panel->reply("Fix_routes", QByteArray());
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << replyTime << replyIds;

    panel->reply("Set_check_mode", body);

    QCOMPARE(modes(), texts);
    const RouteRecord *record = itemRoute(item({0}));
    QCOMPARE((QList<uint>{uint(record->checkOn), record->checkTime}), after);
    // A reply is no edit of the operator's.
    QVERIFY(!panel->plugin->panProperties()->saveAction()->isEnabled());
    QVERIFY(panel->plugin->undoStack()->count() == 0 && panel->host.requests.isEmpty());
}

// The request names the routes at and below the selected row, each before its
// children, after any pending edits; nothing changes before the server answers.
void tst_Panel::setCheckMode_data()
{
    QTest::addColumn<QString>("action"); // empty: the slot called without an action
    QTest::addColumn<QList<int>>("path"); // empty: nothing selected
    QTest::addColumn<bool>("pendingEdit");
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<QByteArray>("body");

    const QList<QByteArray> mode{"Set_check_mode"};
    QTest::newRow("on: group, depth first") << "Set check on" << QList<int>{0} << false << mode
                                            << RouteMessages::checkModeRequest(1, {10, 20, 30});
    QTest::newRow("off: node without route, edits saved first")
        << "Set check off" << QList<int>{1} << true << QList<QByteArray>{"Fix_routes"} + mode
        << RouteMessages::checkModeRequest(0, {40, 50});
    QTest::newRow("nothing selected, pending edit not saved")
        << "Set check on" << QList<int>() << true << QList<QByteArray>() << QByteArray();
    QTest::newRow("called without an action")
        << QString() << QList<int>{0} << false << QList<QByteArray>() << QByteArray();
}

void tst_Panel::setCheckMode()
{
    QFETCH(QString, action);
    QFETCH(QList<int>, path);
    QFETCH(bool, pendingEdit);
    QFETCH(QList<QByteArray>, commands);
    QFETCH(QByteArray, body);

    OperativeCheck *plugin = panel->plugin.get();
    panel->reply("Get_tree_rulecheck", MapScene::nestedRoutes());
    if (pendingEdit)
        plugin->setItemEditState(EditState::Changed, item({0, 0}));
    plugin->mainView()->selectionModel()->clearSelection();
    if (!path.isEmpty())
        plugin->mainView()->selectionModel()->select(
            item(path)->index(), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    if (action.isEmpty())
        plugin->onSetCheckMode();
    for (QAction *entry : plugin->contextMenu()->actions()) {
        if (!action.isEmpty() && entry->text() == action)
            entry->trigger();
    }

    QCOMPARE(panel->host.commands(), commands);
    QCOMPARE(commands.isEmpty() ? QByteArray() : panel->host.requests.last().body.toHex(),
             body.toHex());
    for (const SentRequest &request : qAsConst(panel->host.requests))
        QVERIFY(request.server == "OperCheck_Server1" && request.sender == plugin);
    QCOMPARE(modes().filter("Check off").size(), 5);
    QCOMPARE(plugin->undoStack()->count(), 0);
}

QTEST_MAIN(tst_Panel)
#include "tst_panel.moc"
