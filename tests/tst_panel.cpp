// The main tree built from the server's replies, its ticks and clicks, and the
// requests and replies that change routes: saving and the check mode.
#include "testsupport/MapScene.h"
#include "testsupport/PanelText.h"

#include "panel/PanMain.h"

#include <QAction>
#include <QCheckBox>
#include <QTest>

#include <ctime>

using namespace TreeBodies;

namespace {

// A reply and the tree after it, which was "A:1(S:1)", with the map refreshes.
struct Reply { QByteArray command, body; QString tree; int refreshes; };
// A click on the row at path in column; the table enabled, its rows.
struct Click { QList<int> path; int column; bool enabled; int rows; };
// Route 10 loaded with check on, time type and time; a Set_check_mode reply's
// time and ids; the texts of routes 10, 20, 30, 40 and 50 after.
struct ModeReply { QList<uint> loaded; uint time; QList<int> ids; QStringList texts; };
// The menu entry on the row at path (empty entry: the slot called without an
// action; empty path: nothing selected), with an edit pending; what is sent.
struct ModeRequest { QString action; QList<int> path; bool pendingEdit; QByteArray commands, body; };

} // namespace

Q_DECLARE_METATYPE(Reply)
Q_DECLARE_METATYPE(Click)
Q_DECLARE_METATYPE(ModeReply)
Q_DECLARE_METATYPE(ModeRequest)

class tst_Panel : public QObject
{
    Q_OBJECT

    std::unique_ptr<EditingPanel> panel;

    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }
    QString ticks(const QList<QList<int>> &paths) const
    {
        return PanelText::ticks(panel->plugin->model(), paths);
    }
    // The modes of routes 10, 20, 30, 40 and 50.
    QStringList modes() const
    {
        return PanelText::modes(panel->plugin->model(), {{0}, {0, 0}, {0, 0, 0}, {1, 0}, {1, 1}});
    }

private slots:
    // Times are shown in local time: Berlin is UTC+1, +2 in summer.
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); tzset(); }
    void init()
    {
        panel = std::make_unique<EditingPanel>();
        MapScene::load(*panel);
    }
    void cleanup() { panel.reset(); }

    // Nodes with type bit 0 are kept, with the bits of all they keep; sections
    // follow child nodes. Replies the panel cannot use leave the tree as it was.
    void replies_data()
    {
        QTest::addColumn<Reply>("c");
        const QByteArray tree = "Get_tree_rulecheck";
        QByteArray huge = ruleTree({node(1, "Only", 1)});
        huge.replace(0, 4, QByteArray::fromHex("7fffffff"));
        QTest::newRow("kept by a grandchild, sibling dropped") << Reply{tree,
            ruleTree({node(1, "P", 2, {node(2, "C", 2, {node(3, "G", 1)}), node(4, "D", 2)})}),
            "P:3(C:3(G:1))", 1};
        QTest::newRow("sections after child nodes") << Reply{tree,
            ruleTree({withRoute(node(4, "R", 3, {node(5, "Sub", 1)}),
                                route(4, {section(2, "North"), section(9, "Yard")}))}),
            "R:3(Sub:1 North:3 Yard:3)", 1};
        QTest::newRow("node count past the body") << Reply{tree, huge, "Only:1", 1};
        QTest::newRow("unknown command")
            << Reply{"Get_everything", QByteArray("\0\0\0\1", 4), "A:1(S:1)", 0};
        QTest::newRow("states, empty body, named up to a zero byte")
            << Reply{QByteArray("Every_sections_state\0Get_tree_rulecheck", 39), {}, "A:1(S:1)",
                     1};
    }

    void replies()
    {
        QFETCH(Reply, c);
        panel->reply("Get_tree_rulecheck",
                     ruleTree({withRoute(node(1, "A", 1), route(1, {section(1, "S")}))}));
        panel->host.mapCalls.clear();
        panel->reply(c.command, c.body);
        QCOMPARE(PanelText::tree(panel->plugin->model()->invisibleRootItem()), c.tree);
        QCOMPARE(PanelText::mapCalls(panel->host.mapCalls).count("refresh"), c.refreshes);
    }

    // Section items carry their records and their route's node; column 1 is the
    // route's. A tick runs down, never up; a section's change is judged by its route.
    void routeItemsAndTicks()
    {
        OperativeCheck *plugin = panel->plugin.get();
        QCOMPARE(itemSection(item({0, 1})), itemRoute(item({0}))->sections.at(1));
        QCOMPARE(item({0, 1})->data(ItemRole::NodeId).toInt(), 1);
        QVERIFY(!item({0, 1})->isCheckable() && !itemRoute(item({0, 1})));
        QCOMPARE(PanelText::modes(plugin->model(), {{0}, {0, 0}, {2}}),
                 QStringList({"Check off", "", ""}));

        const QList<QList<int>> rows{{0}, {1}, {2}, {2, 0}, {2, 2}, {2, 2, 0}};
        plugin->panMain()->selectAllBox()->setChecked(true);
        QCOMPARE(ticks(rows), QString("222222"));
        item({2, 2})->setCheckState(Qt::Unchecked);
        QCOMPARE(ticks(rows), QString("222200"));
        QCOMPARE(plugin->mainView()->currentIndex(), item({2, 2})->index());
        item({0, 1})->setText("renamed");
        QCOMPARE(panel->host.sectionList()->primitives.size(), 5);
    }

    // Connecting and "Get" ask for both trees; the new route tree keeps the ticks
    // until the layer tree is there to draw them, once.
    void reloadRestoresTicksOnce()
    {
        const QList<QList<int>> rows{{0}, {1}, {2, 0}};
        const MapQt::PrimitiveList *shapes = panel->host.sectionList();
        item({1})->setCheckState(Qt::Checked);
        panel->reply("Get_tree_graphobj", MapScene::layers());
        QCOMPARE(shapes->primitives.size(), 1);
        panel->click({1});

        panel->host.notifier.connectToServer();
        panel->plugin->panMain()->getAction()->trigger();
        const QList<QByteArray> pair{"Get_tree_rulecheck", "Get_tree_graphobj"};
        QCOMPARE(panel->host.commands(), pair + pair);
        panel->reply("Get_tree_rulecheck", MapScene::routes());
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

    // The editor button hides and shows the properties. The expand button
    // expands all unless a top row is open; its icon tells which.
    void editorAndExpandButtons()
    {
        OperativeCheck *plugin = panel->plugin.get();
        QAction *editor = plugin->panMain()->editorAction();
        editor->trigger();
        QVERIFY(plugin->panProperties()->isHidden() && !plugin->mainView()->isHidden());
        editor->trigger();
        QVERIFY(!plugin->panProperties()->isHidden());

        const auto image = [](const QIcon &icon) { return icon.pixmap(32, 32).toImage(); };
        QAction *button = plugin->panMain()->expandAction();
        QTreeView *view = plugin->mainView();
        button->trigger();
        QVERIFY(view->isExpanded(item({2, 2})->index()));
        view->setCurrentIndex(item({2, 0})->index());
        QCOMPARE(image(button->icon()), image(QIcon(":/Pic/resources/branch-open.png")));
        view->collapse(item({1})->index());
        view->collapse(item({2})->index());
        button->trigger(); // the first row alone was open
        QVERIFY(!view->isExpanded(item({0})->index()) && !view->currentIndex().isValid());
        QCOMPARE(image(button->icon()), image(QIcon(":/Pic/resources/branch-closed.png")));
        view->expand(item({2, 2})->index());
        button->trigger(); // only top-level rows decide
        QVERIFY(view->isExpanded(item({0})->index()));
    }

    // A click shows the row (from any column); type bit 1 allows editing. The
    // value held for an edit survives a click on the row on show only.
    void clickShowsProperties_data()
    {
        QTest::addColumn<Click>("c");
        QTest::newRow("route with bit 1") << Click{{0}, 0, true, 2};
        QTest::newRow("route, column 1") << Click{{0}, 1, true, 2};
        QTest::newRow("section of it") << Click{{0, 1}, 0, true, 11};
        QTest::newRow("route without bit 1") << Click{{1}, 0, false, 2};
        QTest::newRow("node, mask 3 from its children") << Click{{2}, 0, true, 0};
    }

    void clickShowsProperties()
    {
        QFETCH(Click, c);
        OperativeCheck *plugin = panel->plugin.get();
        QStandardItemModel *properties = plugin->panProperties()->propertyModel();
        plugin->onMainItemClicked(item({0})->index());
        plugin->onPropertyItemClicked(properties->index(0, 1));
        plugin->onMainItemClicked(item(c.path)->index().siblingAtColumn(c.column));

        QCOMPARE(plugin->panProperties()->isEnabled(), c.enabled);
        QCOMPARE(properties->rowCount(), c.rows);
        QCOMPARE(plugin->currentMainIndex(), item(c.path)->index());
        QCOMPARE(plugin->valueBeforeEdit(),
                 c.path == QList<int>{0} ? QVariant("EveryDay") : QVariant());
    }

    // New and never saved routes go under their node's id, which leaves the
    // deleted ids; changed ones go with lead 0. The acknowledgement marks all saved.
    void saveAndAcknowledgement()
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
                && itemEditState(item({2})) == EditState::Unchanged
                && panel->plugin->deletedRouteIds().isEmpty());
    }

    // Of a route and a route inside it both named, only the outer one is switched.
    void checkModeReply_data()
    {
        QTest::addColumn<ModeReply>("c");
        const QString off = "Check off", on = "Check on 06:20:00 24.01.65";
        QTest::newRow("inner named route of a named one kept; time past 2^31; node ids no route"
                      " ids; unnamed route 10 keeps its mode, type 4's own text, 2 counting as on")
            << ModeReply{{2, 4, 1400000000}, 3000000000u, {20, 30, 40, 6, 99},
                         {"Plan Perehvat 18:53:20 13.05.14", on, off, on, off}};
        QTest::newRow("time 0 switches off, time kept")
            << ModeReply{{1, 4, 1400000000}, 0u, {10, 50}, {off, off, off, off, off}};
    }

    void checkModeReply()
    {
        QFETCH(ModeReply, c);
        panel->reply("Get_tree_rulecheck",
                     MapScene::nestedRoutes(int(c.loaded[0]), int(c.loaded[1]), c.loaded[2]));
        // "Save" starts enabled; an acknowledged save turns it off.
        panel->reply("Fix_routes", QByteArray());
        // A reply is laid out as a request, its time in place of the mode.
        panel->reply("Set_check_mode", RouteMessages::checkModeRequest(qint32(c.time), c.ids));

        QCOMPARE(modes(), c.texts);
        QCOMPARE(itemRoute(item({0}))->checkTime, c.loaded[2]); // kept when switched off
        QVERIFY(!panel->plugin->panProperties()->saveAction()->isEnabled());
    }

    // The request names the routes at and below the row, each before its children.
    void setCheckMode_data()
    {
        QTest::addColumn<ModeRequest>("c");
        QTest::newRow("on: group, depth first") << ModeRequest{"Set check on", {0}, false,
            "Set_check_mode", RouteMessages::checkModeRequest(1, {10, 20, 30})};
        QTest::newRow("off: node without route, edits saved first")
            << ModeRequest{"Set check off", {1}, true, "Fix_routes Set_check_mode",
                           RouteMessages::checkModeRequest(0, {40, 50})};
        QTest::newRow("nothing selected, pending edit not saved")
            << ModeRequest{"Set check on", {}, true, {}, {}};
        QTest::newRow("called without an action") << ModeRequest{{}, {0}, false, {}, {}};
    }

    void setCheckMode()
    {
        QFETCH(ModeRequest, c);
        OperativeCheck *plugin = panel->plugin.get();
        panel->reply("Get_tree_rulecheck", MapScene::nestedRoutes());
        if (c.pendingEdit)
            plugin->setItemEditState(EditState::Changed, item({0, 0}));

        if (c.path.isEmpty())
            plugin->contextMenu()->actions().last()->trigger();
        else
            MapScene::rightClick(*panel, c.path, c.action);
        if (c.action.isEmpty())
            plugin->onSetCheckMode();

        QCOMPARE(panel->host.commands().join(' '), c.commands);
        QCOMPARE(c.body.isEmpty() ? c.body : panel->host.requests.last().body.toHex(),
                 c.body.toHex());
        for (const SentRequest &request : qAsConst(panel->host.requests))
            QVERIFY(request.server == "OperCheck_Server1" && request.sender == plugin);
        QCOMPARE(modes().filter("Check off").size(), 5); // until the server answers
    }
};

QTEST_MAIN(tst_Panel)
#include "tst_panel.moc"
