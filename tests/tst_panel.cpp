// The main tree built from the server's replies, its ticks and clicks, and the
// requests and replies that change routes: saving and the check mode. The panel
// on the host's map: its layer, the sections' shapes in their live states, and
// moving the map to what is picked in the main tree.
#include "testsupport/MapScene.h"
#include "testsupport/PanelText.h"

#include "panel/PanMain.h"

#include <QAction>
#include <QCheckBox>
#include <QTest>

#include <ctime>

using namespace TreeBodies;

namespace {

const QList<int> BeatPath{0}, NorthPath{0, 0}, PostPath{2, 0, 0}, BarePath{2, 1}, GroupPath{2, 2};

// The scene's shapes as drawn; the brushes are tinted by hand with the bitwise
// rules (red: r|192 g&31 b&31 a|127, green: r&31 g|192 b&31 a|127).
const auto shape = [](const char *brush) {
    return "polygon 4 pen 0,0,255,255/3 brush " + QString(brush);
};
const QString Gate = shape("10,200,30,100"), GateRed = shape("202,8,30,127");
const QString Yard = shape("255,255,255,255");
const QString Dock = shape("32,63,160,128"), DockGreen = shape("0,255,0,255"), Post = "car Post";

QString rgba(const QColor &c)
{
    return QString("%1,%2,%3,%4").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

// Each primitive as the host draws it: "polygon N" or "trace N" (N points) with
// "pen R,G,B,A/W" and "brush R,G,B,A" where set, or "car <caption>".
QStringList drawn(const MapQt::PrimitiveList *list)
{
    QStringList result;
    for (const MapQt::MapPrimitive *p : list->primitives) {
        if (p->kind == 5) {
            result << "car " + static_cast<const MapQt::MapCar *>(p)->text;
            continue;
        }
        QString text = QString("%1 %2").arg(p->kind == 2 ? "polygon" : "trace")
                           .arg(static_cast<const MapQt::MapTrace *>(p)->count);
        if (p->pen)
            text += QString(" pen %1/%2").arg(rgba(p->pen->color())).arg(p->pen->width());
        result << text + (p->brush ? " brush " + rgba(p->brush->color()) : QString());
    }
    return result;
}

// Beat's tick; the reply's route and states; then the states of Beat's
// sections and Spare's, and the shapes drawn.
struct States { int tick; qint32 routeId; QList<RouteMessages::SectionState> reported;
                QList<int> states; QStringList drawn; };
// The row; Beat shown before; a double click (on column 1) or a menu entry
// (empty: the menu closed); the map calls; the ticks of Beat, Spare, Point,
// Bare, Group and Leaf and the number of shapes after.
struct Show { QList<int> path; bool shown; QString action; QStringList calls; QString after; };

// A reply and the tree after it, which was "A:1(S:1)", with the map refreshes.
struct Reply { QByteArray command, body; QString tree; int refreshes; };
// A click on the row at path in column; the table enabled, its rows.
struct Click { QList<int> path; int column; bool enabled; int rows; };
// Route 10 loaded with check on, time type and time; a Set_check_mode reply's
// time and ids; the texts of routes 10, 20, 30, 40 and 50 after.
struct ModeReply { QList<uint> loaded; uint time; QList<int> ids; QStringList texts; };
// The menu entry on the row at path (empty path: nothing selected), with an edit
// pending; what is sent.
struct ModeRequest { QString action; QList<int> path; bool pendingEdit;
                     QByteArray commands, body; };

} // namespace

Q_DECLARE_METATYPE(Reply)
Q_DECLARE_METATYPE(Click)
Q_DECLARE_METATYPE(ModeReply)
Q_DECLARE_METATYPE(ModeRequest)
Q_DECLARE_METATYPE(States)
Q_DECLARE_METATYPE(Show)

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
        QTest::newRow("kept by a grandchild, sibling dropped") << Reply{tree,
            ruleTree({node(1, "P", 2, {node(2, "C", 2, {node(3, "G", 1)}), node(4, "D", 2)})}),
            "P:3(C:3(G:1))", 1};
        QTest::newRow("sections after child nodes") << Reply{tree,
            ruleTree({withRoute(node(4, "R", 3, {node(5, "Sub", 1)}),
                                route(4, {section(2, "North"), section(9, "Yard")}))}),
            "R:3(Sub:1 North:3 Yard:3)", 1};
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

        QCOMPARE(panel->host.commands().join(' '), c.commands);
        QCOMPARE(c.body.isEmpty() ? c.body : panel->host.requests.last().body.toHex(),
                 c.body.toHex());
        for (const SentRequest &request : qAsConst(panel->host.requests))
            QVERIFY(request.server == "OperCheck_Server1" && request.sender == plugin);
        QCOMPARE(modes().filter("Check off").size(), 5); // until the server answers
    }

    // Layer 99 is made, two groups of one list, when the map has none, else
    // taken as it is: sections go to its second group's first list. One binding only.
    void bindLayer_data()
    {
        QTest::addColumn<QList<int>>("listsPerGroup"); // empty: no layer 99 yet
        QTest::addColumn<bool>("hasSectionList");
        QTest::newRow("no layer yet: made") << QList<int>{} << true;
        QTest::newRow("three groups: the second holds sections") << QList<int>{1, 3, 1} << true;
        QTest::newRow("second group without lists") << QList<int>{1, 0} << false;
    }

    void bindLayer()
    {
        QFETCH(QList<int>, listsPerGroup);
        QFETCH(bool, hasSectionList);
        FakeHost host; // the layer table is the host's: the plug-in goes first
        OperativeCheck plugin;
        MapQt::LayerTable *table = host.GetLayers(7);
        table->insert(5, new QList<MapQt::LayerGroup *>);
        if (!listsPerGroup.isEmpty())
            table->insert(99, new QList<MapQt::LayerGroup *>);
        for (int count : qAsConst(listsPerGroup)) {
            table->value(99)->append(new MapQt::LayerGroup{3, 4, {}});
            for (int i = 0; i < count; ++i)
                table->value(99)->last()->lists << new MapQt::PrimitiveList{{}, false, true};
        }
        const QList<MapQt::LayerGroup *> *before = table->value(99);

        plugin.SetHost(&host);
        plugin.BindMap(0, 7);
        plugin.BindMap(0, 8);
        plugin.BindMap(1, 7);

        QCOMPARE(table->keys(), (QList<int>{5, 99}));
        const QList<MapQt::LayerGroup *> *groups = table->value(99);
        QVERIFY(table->value(5)->isEmpty() && (before ? groups == before : groups->size() == 2));
        for (int i = 0; i < groups->size(); ++i) {
            QCOMPARE(groups->at(i)->lists.size(), before ? listsPerGroup.at(i) : 1);
            for (const MapQt::PrimitiveList *list : groups->at(i)->lists)
                QVERIFY(list->visible == !before && list->editable == bool(before));
        }
        QCOMPARE(plugin.sectionList(), hasSectionList ? groups->at(1)->lists.first() : nullptr);
        QVERIFY(!host.sectionList(8) && host.mapCalls.isEmpty());
    }

    // Without a map the panel still takes its trees, ticks and picks.
    void noMap()
    {
        FakeHost host(false);
        OperativeCheck plugin;
        plugin.SetHost(&host);
        plugin.BindMap(0, 7);
        PanelDriver::deliver(&plugin, "Get_tree_rulecheck", MapScene::routes());
        PanelDriver::deliver(&plugin, "Get_tree_graphobj", MapScene::layers());
        plugin.model()->item(0)->setCheckState(Qt::Checked);
        plugin.onMainItemDblClicked(plugin.model()->index(0, 0));
        QVERIFY(!plugin.sectionList() && host.mapCalls.isEmpty());
    }

    // States are kept by section whatever Beat's tick; shown, a redrawn section's
    // shapes go to the end of the list, else they are drawn once Beat is ticked.
    void sectionStates_data()
    {
        QTest::addColumn<States>("c");
        const QStringList own{Gate, Yard, Dock, Post};
        QTest::newRow("unticked: by section, not reply order")
            << States{Qt::Unchecked, 1, {{3, 2}, {1, 1}}, {1, 0, 2, 0},
                      {GateRed, Yard, DockGreen, Post}};
        QTest::newRow("unticked, states 3, -1 and max: own colours")
            << States{Qt::Unchecked, 1, {{1, 3}, {2, -1}, {3, 0x7fffffff}},
                      {3, -1, 0x7fffffff, 0}, own};
        QTest::newRow("shown: in reply order, unknown sections skipped")
            << States{Qt::Checked, 1, {{99, 1}, {3, 2}, {1, 1}, {4, 1}}, {1, 0, 2, 0},
                      {Yard, DockGreen, Post, GateRed}};
        QTest::newRow("shown: other route kept, not drawn")
            << States{Qt::Checked, 2, {{1, 1}}, {0, 0, 0, 1}, own};
    }

    void sectionStates()
    {
        QFETCH(States, c);
        item(BeatPath)->setCheckState(Qt::CheckState(c.tick));
        panel->host.mapCalls.clear();

        panel->reply("Every_sections_state", RouteMessages::sectionsStateBody(c.routeId,
                                                                              c.reported));
        QList<int> states;
        for (int row : {0, 1}) {
            for (const SectionRecord *section : itemRoute(item({row}))->sections)
                states << section->state;
        }
        QCOMPARE(states, c.states);
        QCOMPARE(PanelText::mapCalls(panel->host.mapCalls), QStringList{"refresh"});
        const MapQt::PrimitiveList *shapes = panel->host.sectionList();
        QCOMPARE(drawn(shapes), c.tick == Qt::Checked ? c.drawn : QStringList());
        item(BeatPath)->setCheckState(Qt::Checked);
        QCOMPARE(drawn(shapes), c.drawn);
    }

    // A double click or "Show on map" ticks the route and moves the map over its objects.
    void showOnMap_data()
    {
        QTest::addColumn<Show>("c");
        const QString dbl = "double click";
        const auto row = [](const char *name, const Show &show) { QTest::newRow(name) << show; };
        row("route over its sections", {BeatPath, false, dbl,
            {"scale 8", "center 1500,450", "refresh"}, "200000 4"});
        row("section of one polygon", {NorthPath, false, dbl,
            {"scale 3", "center 450,450", "refresh"}, "200000 4"});
        row("section of one icon: centre only",
            {PostPath, false, dbl, {"center 3000,0", "refresh"}, "002000 1"});
        row("route without objects or with unknown ones: map kept, route shown",
            {BarePath, false, dbl, {"refresh"}, "000200 0"});
        row("column 1 of a route: nothing",
            {BeatPath, false, "double click on column 1", {}, "000000 0"});
        row("node without routes: ticked, map kept", {GroupPath, false, dbl, {}, "000022 0"});
        row("menu: none on a section", {NorthPath, false, "", {}, "000000 0"});
        row("menu: show on map when shown, erased",
            {BeatPath, true, "Show on map", {"refresh"}, "000000 0"});
    }

    void showOnMap()
    {
        QFETCH(Show, c);
        if (c.shown)
            item(BeatPath)->setCheckState(Qt::Checked);
        panel->host.mapCalls.clear();
        if (c.action.startsWith("double click")) {
            const int column = c.action.endsWith("column 1") ? 1 : 0;
            panel->plugin->onMainItemDblClicked(item(c.path)->index().siblingAtColumn(column));
        } else {
            // Only route and plain-node rows have a menu; "Show on map" is ticked on a shown row.
            const QStringList menu{c.shown ? "Show on map [x]" : "Show on map", "--",
                                   "Set check off", "Set check on"};
            QCOMPARE(MapScene::rightClick(*panel, c.path, c.action),
                     itemSection(item(c.path)) ? QStringList() : menu);
        }
        QCOMPARE(PanelText::mapCalls(panel->host.mapCalls), c.calls);
        QCOMPARE(ticks({{0}, {1}, {2, 0}, {2, 1}, {2, 2}, {2, 2, 0}})
                     + QString(" %1").arg(panel->host.sectionList()->primitives.size()),
                 c.after);
    }
};

QTEST_MAIN(tst_Panel)
#include "tst_panel.moc"
