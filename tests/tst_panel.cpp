// The main tree built from the server's replies, its ticks and clicks, and the
// requests and replies that change routes: saving and the check mode. The panel
// on the host's map: its layer, the sections' shapes in their live states, and
// moving the map to what is picked in the main tree.
#include "testsupport/EditingPanel.h"
#include "testsupport/PanelProbe.h"
#include "testsupport/PanelText.h"

#include "panel/PanMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <ctime>

using namespace TreeBodies;

namespace {

const QList<int> BeatPath{0}, NorthPath{0, 0}, PostPath{2, 0, 0}, BarePath{2, 1}, GroupPath{2, 2};

// The scene's shapes as drawn; the brushes are tinted by hand with the bitwise
// rules (red: r|192 g&31 b&31 a|127, green: r&31 g|192 b&31 a|127).
const auto shape = [](int x, const char *brush) {
    return QString("polygon %1,0 %2,0 %1,900 %1,0 pen #ff0000ff/3 brush #%3").arg(x).arg(x + 900)
        .arg(brush);
};
const QString Gate = shape(0, "640ac81e"), GateRed = shape(0, "7fca081e");
const QString Yard = shape(1000, "ffffffff"), Dock = shape(2000, "80203fa0");
const QString DockGreen = shape(2000, "ff00ff00"), Post = "car Post at 3000,0";
const QString Disc = "car  at 3000,0 pictured #1eff1e"; // under a passed icon, half transparent

QStringList drawn(const MapQt::PrimitiveList *list)
{
    QStringList result;
    for (const MapQt::MapPrimitive *p : list->primitives)
        result << PanelText::primitive(p);
    return result;
}

// Layer Zones: polygons Gate (5), Yard (6), Dock (7) and Field (10), each 900
// units wide and high at x 0, 1000, 2000 and 4000 on y 0, and icon Post (9) at
// 3000,0. Routes: Beat (route 1, row 0) with sections North {5}, South {6} and
// Depot {9, 7}; Spare (route 2, row 1, read-only) with Field {10}; and below
// Area (row 2, type bits 0), Point (route 4) with Post {9}, Bare (route 5) with
// Nothing {} and Ghost {99}, and Group holding Leaf, neither with a route.
QByteArray layers(int fieldX = 4000)
{
    const auto polygon = [](qint32 id, const char *name, int x, const QColor &brush) {
        return object(id, 3, name, {{x, 0}, {x + 900, 0}, {x, 900}},
                      {{"Color", QColor(Qt::blue)}, {"Brush", brush}});
    };
    Node zones = node(100, "Zones", 1);
    zones.objects = {polygon(5, "Gate", 0, QColor(10, 200, 30, 100)),
                     polygon(6, "Yard", 1000, Qt::white),
                     polygon(7, "Dock", 2000, QColor(32, 63, 160, 128)),
                     object(9, 1, "Post", {{3000, 0}}), polygon(10, "Field", fieldX, Qt::yellow)};
    return layerTree({zones});
}

QByteArray routes()
{
    const Node beat = withRoute(node(1, "Beat", 3), route(1, {section(1, "North", {5}),
                                                              section(2, "South", {6}),
                                                              section(3, "Depot", {9, 7})}));
    const Node spare = withRoute(node(2, "Spare", 1), route(2, {section(1, "Field", {10})}));
    const Node point = withRoute(node(4, "Point", 3), route(4, {section(1, "Post", {9})}));
    const Node bare = withRoute(node(5, "Bare", 3),
                                route(5, {section(1, "Nothing"), section(2, "Ghost", {99})}));
    const Node group = node(6, "Group", 3, {node(7, "Leaf", 3)});
    return ruleTree({beat, spare, node(3, "Area", 0, {point, bare, group})});
}

// Route 10 on node Group (row 0) holds 20, which holds 30; routes 40 and 50
// (with a section) sit below Folder (row 1), a node without a route. Route 10
// comes with the given check mode.
QByteArray nestedRoutes(int checkOn = 0, int timeType = 1, uint checkTime = 0)
{
    QSharedPointer<RouteRecord> outer = route(10);
    outer->checkOn = checkOn;
    outer->checkTimeType = timeType;
    outer->checkTime = checkTime;
    const Node child = withRoute(node(2, "Child", 1, {withRoute(node(3, "Grandchild", 1),
                                                                route(30))}),
                                 route(20));
    return ruleTree({withRoute(node(1, "Group", 1, {child}), outer),
                     node(4, "Folder", 1, {withRoute(node(5, "Inner", 1), route(40)),
                                           withRoute(node(6, "Inner 2", 1),
                                                     route(50, {section(1, "S")}))})});
}

// Right-clicks the row at path and answers the menu from inside its loop: the
// entries it showed ("--" a separator, " [x]" ticked; none when no menu popped
// up), then a Return on the entry pick, or the menu closed.
QStringList rightClick(EditingPanel &panel, const QList<int> &path, const QString &pick)
{
    OperativeCheck *plugin = panel.plugin.get();
    // Making a row current selects it, as the press of a right click does.
    plugin->mainView()->setCurrentIndex(panel.item(path)->index());
    QStringList entries;
    QMenu *menu = plugin->contextMenu();
    const QMetaObject::Connection opened = QObject::connect(menu, &QMenu::aboutToShow, plugin, [&] {
        QTimer::singleShot(0, plugin, [&] {
            QAction *chosen = nullptr;
            for (QAction *action : menu->actions()) {
                entries << (action->isSeparator() ? QStringLiteral("--")
                            : action->text() + (action->isChecked() ? " [x]" : ""));
                if (!pick.isEmpty() && action->text() == pick)
                    chosen = action;
            }
            if (QApplication::activePopupWidget() != menu)
                entries.clear();
            menu->setActiveAction(chosen);
            if (chosen)
                QTest::keyClick(menu, Qt::Key_Return);
            menu->hide();
        });
    });
    plugin->onContextMenuRequested(QPoint(4, 4));
    QObject::disconnect(opened);
    return entries;
}

// Beat's tick; the reply's route and states; then the states of Beat's
// sections and Spare's, and the shapes drawn.
struct States { int tick; qint32 routeId; QList<RouteMessages::SectionState> reported;
                QList<int> states; QStringList drawn; };
// The row; Beat shown before; a double click or a menu entry
// (empty: the menu closed); the map calls; the ticks of Beat, Spare, Point,
// Bare, Group and Leaf and the number of shapes after.
struct Show { QList<int> path; bool shown; QString action; QStringList calls; QString after; };

// A reply and the tree after it, which was "A:1(S:1)", with the map refreshes.
struct Reply { QByteArray command, body; QString tree; int refreshes; };
// Route 10 loaded with check on, time type and time; a Set_check_mode reply's
// time and ids; the texts of routes 10, 20, 30, 40 and 50 after.
struct ModeReply { QList<uint> loaded; uint time; QList<int> ids; QStringList texts; };
// The menu entry on the row at path (empty path: nothing selected), with an edit
// pending; what is sent.
struct ModeRequest { QString action; QList<int> path; bool pendingEdit;
                     QByteArray commands, body;
                     QMessageBox::StandardButton answer = QMessageBox::NoButton; };

} // namespace

Q_DECLARE_METATYPE(Reply)
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
        QString texts;
        for (const QList<int> &path : paths)
            texts += QString::number(item(path)->checkState());
        return texts;
    }
    // The texts beside routes 10, 20, 30, 40 and 50.
    QStringList modes() const
    {
        QStringList texts;
        for (const QList<int> &path : QList<QList<int>>{{0}, {0, 0}, {0, 0, 0}, {1, 0}, {1, 1}})
            texts << item(path)->index().siblingAtColumn(1).data().toString();
        return texts;
    }

private slots:
    // Times are shown in local time: Berlin is UTC+1, +2 in summer.
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); tzset(); }
    void init()
    {
        panel = std::make_unique<EditingPanel>();
        panel->reply("Get_tree_rulecheck", routes()); // both trees, as for a reload
        panel->reply("Get_tree_graphobj", layers());
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
        QCOMPARE(PanelText::tree(panel->plugin->model(), ItemRole::TypeMask), c.tree);
        QCOMPARE(PanelText::mapCalls(panel->host.mapCalls).count("refresh"), c.refreshes);
    }

    // A tick, on a box or by "Select all", runs down, never up, is drawn and leaves the row
    // made current on show. A section has no box; its change leaves the drawing.
    void ticks()
    {
        OperativeCheck *plugin = panel->plugin.get();
        QTreeView *view = plugin->mainView();
        view->window()->show();
        view->expandAll();
        view->setCurrentIndex(item(NorthPath)->index()); // as keys move it
        const QStringList table = panel->tableTexts();
        const QList<QList<int>> rows{{0}, {1}, {2}, {2, 0}, {2, 2}, {2, 2, 0}};
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          plugin->checkBoxRect(item(GroupPath)->index()).center());
        QCOMPARE(ticks(rows), QString("000022"));
        plugin->panMain()->selectAllBox()->setChecked(true);
        QCOMPARE(ticks(rows), QString("222222"));
        QVERIFY(view->currentIndex() == item(NorthPath)->index()
                && plugin->currentMainIndex() == view->currentIndex());
        QCOMPARE(panel->tableTexts(), table);
        QVERIFY(!item({0, 1})->isCheckable());
        item({0, 1})->setText("renamed");
        QCOMPARE(panel->host.sectionList()->primitives.size(), 5);
    }

    // A loaded tree's columns fit the rows the expanded tree shows the view's
    // sizing: a long name there widens column 0, one further down does not.
    void columnsFitExpandedTree_data()
    {
        QTest::addColumn<int>("precision");
        QTest::addColumn<int>("longAt"); // the route whose second section has a long name
        QTest::newRow("long name among the measured rows") << 20 << 1;
        QTest::newRow("long name below them") << 20 << 35;
        QTest::newRow("every row measured") << -1 << 35;
        QTest::newRow("only the rows on show") << 0 << 1;
    }

    void columnsFitExpandedTree()
    {
        QFETCH(int, precision);
        QFETCH(int, longAt);
        QList<Node> groups;
        for (int g = 0; g < 10; ++g) {
            QList<Node> routes;
            for (int r = g * 4; r < g * 4 + 4; ++r) {
                const QString name = r == longAt ? "A section with a long, long name" : "S";
                routes << withRoute(node(100 + r, "R", 1),
                                    route(100 + r, {section(1, "S"), section(2, name),
                                                    section(3, "S")}));
            }
            groups << node(g + 1, "G", 1, routes);
        }
        QTreeView *view = panel->plugin->mainView();
        view->header()->setResizeContentsPrecision(precision);
        panel->reply("Get_tree_rulecheck", ruleTree(groups));
        const int width = view->columnWidth(0); // column 1 stretches to the view's edge
        QVERIFY(!view->isExpanded(item({0})->index()));
        view->expandAll();
        view->resizeColumnToContents(0);
        QCOMPARE(width, view->columnWidth(0));
    }

    // Connecting and "Get" ask for both trees; the new route tree keeps the ticks
    // until the layer tree is there to draw them.
    void reloadRestoresTicks()
    {
        const QList<QList<int>> rows{{0}, {1}, {2, 0}};
        const MapQt::PrimitiveList *shapes = panel->host.sectionList();
        item({1})->setCheckState(Qt::Checked);
        panel->reply("Get_tree_graphobj", layers());
        QCOMPARE(shapes->primitives.size(), 1);
        panel->click({1});

        panel->host.notifier.connectToServer();
        panel->plugin->panMain()->getAction()->trigger();
        const QList<QByteArray> pair{"Get_tree_rulecheck", "Get_tree_graphobj"};
        QCOMPARE(panel->host.commands(), pair + pair);
        panel->reply("Get_tree_rulecheck", routes());
        QCOMPARE(ticks(rows), QString("000"));
        QVERIFY(shapes->primitives.isEmpty() && !panel->plugin->currentMainIndex().isValid());
        panel->reply("Get_tree_graphobj", layers());
        QCOMPARE(ticks(rows), QString("020"));
        QCOMPARE(shapes->primitives.size(), 1);
        // A new layer tree brings new objects: the drawing is theirs.
        panel->reply("Get_tree_graphobj", layers(5000));
        QVERIFY(drawn(shapes).value(0).startsWith("polygon 5000,0 "));
    }

    // A tree nested deeper than the cap keeps its first levels and drops the rest.
    void depthCap_data()
    {
        QTest::addColumn<int>("levels");
        QTest::addColumn<int>("kept");
        QTest::newRow("at the cap") << SupportTreeLayers::MaxTreeDepth
                                    << SupportTreeLayers::MaxTreeDepth;
        QTest::newRow("one past it") << SupportTreeLayers::MaxTreeDepth + 1
                                     << SupportTreeLayers::MaxTreeDepth;
    }

    void depthCap()
    {
        QFETCH(int, levels);
        QFETCH(int, kept);
        Node chain = node(levels, "deepest", 1);
        for (int level = levels - 1; level > 0; --level)
            chain = node(level, "n", 1, {chain});
        panel->reply("Get_tree_rulecheck", ruleTree({chain}));
        int depth = 0;
        for (QStandardItem *at = panel->plugin->model()->item(0); at; at = at->child(0))
            ++depth;
        QCOMPARE(depth, kept);
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
                     nestedRoutes(int(c.loaded[0]), int(c.loaded[1]), c.loaded[2]));
        // "Save" starts enabled; an acknowledged save turns it off.
        panel->reply("Fix_routes", QByteArray());
        // The view keeps what the operator set up.
        QTreeView *view = panel->plugin->mainView();
        view->expandAll();
        view->header()->resizeSection(0, 150);
        view->setCurrentIndex(item({0})->index());
        const auto viewState = [&] {
            QCoreApplication::processEvents();
            return QString("width %1, current %2, expanded %3")
                .arg(view->header()->sectionSize(0))
                .arg(view->currentIndex() == item({0})->index())
                .arg(view->isExpanded(view->currentIndex()));
        };
        const QString before = viewState();
        // A reply is laid out as a request, its time in place of the mode.
        panel->reply("Set_check_mode", RouteMessages::checkModeRequest(qint32(c.time), c.ids));

        QCOMPARE(viewState(), before);
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
                           RouteMessages::checkModeRequest(0, {40, 50}), QMessageBox::Save};
        QTest::newRow("off, edits discarded: reloaded, then switched")
            << ModeRequest{"Set check off", {1}, true,
                           "Get_tree_rulecheck Get_tree_graphobj Set_check_mode",
                           RouteMessages::checkModeRequest(0, {40, 50}), QMessageBox::Discard};
        QTest::newRow("off, cancelled: nothing sent")
            << ModeRequest{"Set check off", {1}, true, {}, {}, QMessageBox::Cancel};
        QTest::newRow("nothing selected, pending edit not saved")
            << ModeRequest{"Set check on", {}, true, {}, {}};
    }

    void setCheckMode()
    {
        QFETCH(ModeRequest, c);
        OperativeCheck *plugin = panel->plugin.get();
        panel->reply("Get_tree_rulecheck", nestedRoutes());
        if (c.pendingEdit)
            plugin->setItemEditState(EditState::Changed, item({0, 0}));
        if (c.answer != QMessageBox::NoButton)
            PanelProbe::answerWhenAsked(plugin, c.answer);

        if (c.path.isEmpty()) {
            for (QAction *action : plugin->contextMenu()->actions()) {
                if (action->text() == c.action)
                    action->trigger();
            }
        } else
            rightClick(*panel, c.path, c.action);

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
        QTest::newRow("no layer yet: made") << QList<int>{};
        QTest::newRow("three groups: the second holds sections") << QList<int>{1, 3, 1};
    }

    void bindLayer()
    {
        QFETCH(QList<int>, listsPerGroup);
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
        QCOMPARE(plugin.sectionList(), groups->at(1)->lists.first());
        QVERIFY(!host.sectionList(8) && host.mapCalls.isEmpty());
    }

    // States are kept by section whatever Beat's tick; shown, a redrawn section's
    // shapes go to the end of the list, else they are drawn once Beat is ticked.
    void sectionStates_data()
    {
        QTest::addColumn<States>("c");
        const QStringList own{Gate, Yard, Dock, Post};
        QTest::newRow("unticked: by section, not reply order")
            << States{Qt::Unchecked, 1, {{3, 2}, {1, 1}}, {1, 0, 2, 0},
                      {GateRed, Yard, DockGreen, Disc, Post}};
        QTest::newRow("unticked, states 3, -1 and max: own colours")
            << States{Qt::Unchecked, 1, {{1, 3}, {2, -1}, {3, 0x7fffffff}},
                      {3, -1, 0x7fffffff, 0}, own};
        QTest::newRow("shown: in reply order, unknown sections skipped")
            << States{Qt::Checked, 1, {{99, 1}, {3, 2}, {1, 1}, {4, 1}}, {1, 0, 2, 0},
                      {Yard, DockGreen, Disc, Post, GateRed}};
        QTest::newRow("shown: other route kept, not drawn")
            << States{Qt::Checked, 2, {{1, 1}}, {0, 0, 0, 1}, own};
    }

    void sectionStates()
    {
        QFETCH(States, c);
        item(BeatPath)->setCheckState(Qt::CheckState(c.tick));
        panel->host.mapCalls.clear();

        const QByteArray body = RouteMessages::sectionsStateBody(c.routeId, c.reported);
        const auto states = [this] {
            QList<int> states;
            for (int row : {0, 1}) {
                for (const SectionRecord *section : itemRoute(item({row}))->sections)
                    states << section->state;
            }
            return states;
        };
        // The same reply after a reload reaches the new tree's routes.
        panel->reply("Every_sections_state", body);
        panel->reply("Get_tree_rulecheck", routes());
        item(BeatPath)->setCheckState(Qt::CheckState(c.tick));
        panel->host.mapCalls.clear();
        panel->reply("Every_sections_state", body);
        QCOMPARE(states(), c.states);
        QCOMPARE(PanelText::mapCalls(panel->host.mapCalls), QStringList{"refresh"});
        const MapQt::PrimitiveList *shapes = panel->host.sectionList();
        QCOMPARE(drawn(shapes), c.tick == Qt::Checked ? c.drawn : QStringList());
        item(BeatPath)->setCheckState(Qt::Checked);
        QCOMPARE(drawn(shapes), c.drawn);
    }

    // Moved to the other map, shown routes and the legend leave the old map's layer,
    // then are drawn on the new one, the legend at the shapes' north-west corner.
    void mapMove()
    {
        item(BeatPath)->setCheckState(Qt::Checked);
        QTabWidget tabs;
        for (const char *name : {"City", "Region"}) { // a page for each tab, as the host adds it
            tabs.addTab(new QWidget, name);
            panel->plugin->CreateWidget(nullptr, &tabs)->setParent(&tabs);
        }
        tabs.setCurrentIndex(1);
        panel->host.mapCalls.clear();
        const MapQt::PrimitiveList *was = panel->plugin->legendList();
        panel->plugin->OnTabActivated(2);
        QVERIFY(panel->host.sectionList(1)->primitives.isEmpty() && was->primitives.isEmpty());
        QCOMPARE(drawn(panel->host.sectionList(2)), QStringList({Gate, Yard, Dock, Post}));
        QCOMPARE(drawn(panel->plugin->legendList()), QStringList("car  at 0,900 pictured #000000"));
        QCOMPARE(PanelText::mapCalls(panel->host.mapCalls).join(' '), "refresh refresh on map 2");
    }

    // A double click or "Show on map" ticks the route and moves the map over its objects.
    void showOnMap_data()
    {
        QTest::addColumn<Show>("c");
        const QString dbl = "double click";
        const auto row = [](const char *name, const Show &show) { QTest::newRow(name) << show; };
        row("route over its sections", {BeatPath, false, dbl,
            {"scale 8", "center 1500,450", "refresh"}, "200000 4"});
        row("section of one icon: centre only",
            {PostPath, false, dbl, {"center 3000,0", "refresh"}, "002000 1"});
        row("route without objects or with unknown ones: map kept, route shown",
            {BarePath, false, dbl, {"refresh"}, "000200 0"});
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
        if (c.action == "double click") {
            panel->plugin->onMainItemDblClicked(item(c.path)->index());
        } else {
            // Only route and plain-node rows have a menu; "Show on map" is ticked on a shown row.
            const QStringList menu{c.shown ? "Show on map [x]" : "Show on map", "--",
                                   "Set check off", "Set check on", "--", "New group…",
                                   "New route…", "Rename…"};
            QCOMPARE(rightClick(*panel, c.path, c.action),
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
