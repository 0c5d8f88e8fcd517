// The main tree built from the server's replies, its ticks and clicks, and the
// save request with its acknowledgement.
#include "testsupport/MapScene.h"
#include "testsupport/PanelText.h"

#include "panel/PanMain.h"

#include <QAction>
#include <QCheckBox>
#include <QTabWidget>
#include <QTest>

using namespace TreeBodies;

class tst_Panel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        panel = std::make_unique<EditingPanel>();
        plugin = panel->plugin.get();
    }
    void cleanup() { panel.reset(); }

    void treeBuilding_data();
    void treeBuilding();
    void routeItems();
    void ticksRunDown();
    void reloadRestoresTicksOnce();
    void editorAndExpandButtons();
    void clickShowsProperties_data();
    void clickShowsProperties();
    void clickAndSelect();
    void badReplies_data();
    void badReplies();
    void saveAndAcknowledgement();

private:
    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }
    QString dump() const { return PanelText::tree(plugin->model()->invisibleRootItem()); }
    QString ticks(const QList<QList<int>> &paths) const
    {
        return PanelText::ticks(plugin->model(), paths);
    }

    std::unique_ptr<EditingPanel> panel;
    OperativeCheck *plugin = nullptr;
};

// Only nodes with type bit 0 are kept; a node carries the bits of all it keeps.
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
    QTest::newRow("high bits carried") << chain(0x80000000u, 5, 1) << "P:2147483653(C:5(G:1))";
    QTest::newRow("sections after the route node's own children")
        << ruleTree({withRoute(node(4, "R", 3, {node(5, "Sub", 1)}),
                               route(4, {section(2, "North"), section(9, "Yard")}))})
        << "R:3(Sub:1 North:3 Yard:3)";
}

void tst_Panel::treeBuilding()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, tree);

    panel->reply("Get_tree_rulecheck", body);
    QCOMPARE(dump(), tree);
}

// A route's section items carry its records and its node; column 1 is the route's.
void tst_Panel::routeItems()
{
    MapScene::load(*panel);
    const RouteRecord *record = itemRoute(item({0}));
    QCOMPARE(record->maxSectionId, 3);
    QStandardItem *sectionItem = item({0, 1});
    QCOMPARE(itemSection(sectionItem), record->sections.at(1));
    QCOMPARE(itemRoute(sectionItem), nullptr);
    QCOMPARE(sectionItem->data(ItemRole::NodeId).toInt(), 1);
    QVERIFY(!sectionItem->isCheckable() && !sectionItem->isEditable());
    QVERIFY(item({0})->isCheckable() && !item({0})->isEditable());
    QCOMPARE(plugin->model()->item(0, 1)->text(), QString("Check off"));
    QCOMPARE(item({0})->child(0, 1), nullptr);
    QCOMPARE(plugin->model()->item(2, 1), nullptr);
}

// A tick runs down to the children, never up; "select all" ticks the top rows.
// A change on a section item redraws its route by the route's tick; one in
// column 1 is no tick.
void tst_Panel::ticksRunDown()
{
    MapScene::load(*panel);
    const QList<QList<int>> rows{{0}, {1}, {2}, {2, 0}, {2, 2}, {2, 2, 0}};
    plugin->panMain()->selectAllBox()->setChecked(true);
    QCOMPARE(ticks(rows), QString("222222"));
    plugin->panMain()->selectAllBox()->setChecked(false);
    QCOMPARE(ticks(rows), QString("000000"));
    item({2})->setCheckState(Qt::Checked);
    QCOMPARE(ticks(rows), QString("002222"));
    item({2, 2})->setCheckState(Qt::Unchecked);
    QCOMPARE(ticks(rows), QString("002200"));
    QCOMPARE(plugin->mainView()->currentIndex(), item({2, 2})->index());

    item({0})->setCheckState(Qt::Checked);
    const MapQt::PrimitiveList *shapes = panel->host.sectionList();
    QCOMPARE(shapes->primitives.size(), 4);
    const int refreshes = panel->host.refreshCount();
    item({0, 1})->setText("renamed");
    QCOMPARE(shapes->primitives.size(), 4);
    QCOMPARE(panel->host.refreshCount(), refreshes + 1);
    plugin->model()->item(0, 1)->setText("Check on 00:00:00 01.01.70");
    QCOMPARE(panel->host.refreshCount(), refreshes + 1);
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
    plugin->panMain()->getAction()->trigger();
    const QList<QByteArray> pair{"Get_tree_rulecheck", "Get_tree_graphobj"};
    QCOMPARE(panel->host.commands(), pair + pair);
    panel->reply("Get_tree_rulecheck", MapScene::routes());
    QCOMPARE(plugin->model()->rowCount(), 3);
    QCOMPARE(ticks(rows), QString("000"));
    QVERIFY(shapes->primitives.isEmpty());
    QVERIFY(!plugin->currentMainIndex().isValid());
    QCOMPARE(plugin->model()->columnCount(), 2);
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
    QTabWidget tabs;
    tabs.addTab(plugin->CreateWidget(nullptr, &tabs), "map");
    tabs.show();
    QAction *editor = plugin->panMain()->editorAction();
    QVERIFY(editor->isChecked() && plugin->panProperties()->isVisible());
    editor->trigger();
    QVERIFY(!plugin->panProperties()->isVisible() && plugin->mainView()->isVisible());
    editor->trigger();
    QVERIFY(plugin->panProperties()->isVisible());

    const auto icon = [](const QIcon &icon) { return icon.pixmap(32, 32).toImage(); };
    const QImage closed = icon(QIcon(":/Pic/resources/branch-closed.png"));
    QAction *button = plugin->panMain()->expandAction();
    QTreeView *view = plugin->mainView();
    MapScene::load(*panel);
    QVERIFY(!view->isExpanded(item({0})->index()));
    button->trigger();
    QVERIFY(view->isExpanded(item({0})->index()) && view->isExpanded(item({2, 2})->index()));
    QCOMPARE(icon(button->icon()), icon(QIcon(":/Pic/resources/branch-open.png")));
    view->setCurrentIndex(item({2, 0})->index());
    button->trigger();
    QVERIFY(!view->isExpanded(item({0})->index()) && !view->currentIndex().isValid());
    QCOMPARE(icon(button->icon()), closed);
    // Only top-level rows decide.
    view->expand(item({2, 2})->index());
    button->trigger();
    QVERIFY(view->isExpanded(item({0})->index()));
}

void tst_Panel::clickShowsProperties_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("rows");

    QTest::newRow("route with bit 1") << QList<int>{0} << true << 2;
    QTest::newRow("section of it") << QList<int>{0, 0} << true << 11;
    QTest::newRow("route without bit 1") << QList<int>{1} << false << 2;
    QTest::newRow("node, mask 3 from its children") << QList<int>{2} << true << 0;
}

void tst_Panel::clickShowsProperties()
{
    QFETCH(QList<int>, path);
    QFETCH(bool, enabled);
    QFETCH(int, rows);

    MapScene::load(*panel);
    plugin->onMainItemClicked(item(path)->index());
    QCOMPARE(plugin->panProperties()->isEnabled(), enabled);
    QCOMPARE(plugin->panProperties()->propertyModel()->rowCount(), rows);
    QCOMPARE(plugin->currentMainIndex(), item(path)->index());
}

// A click on the row already shown (in any column) keeps the value held for an
// edit; a click elsewhere drops it. Selecting the shown row again fills the
// properties afresh; an invalid index clears the selection, not the properties.
void tst_Panel::clickAndSelect()
{
    MapScene::load(*panel);
    QStandardItemModel *properties = plugin->panProperties()->propertyModel();
    plugin->onMainItemClicked(item({0})->index());
    plugin->onPropertyItemClicked(properties->index(0, 1));
    plugin->onMainItemClicked(item({0})->index().siblingAtColumn(1));
    QCOMPARE(plugin->valueBeforeEdit(), QVariant(QString("EveryDay")));

    QStandardItem *sectionItem = item({0, 1});
    plugin->onMainItemClicked(sectionItem->index());
    QVERIFY(!plugin->valueBeforeEdit().isValid());
    {
        const QSignalBlocker quiet(properties);
        properties->item(0, 1)->setText("scribble");
    }
    plugin->selectMainIndex(sectionItem->index());
    QCOMPARE(properties->item(0, 1)->text(), QString("South"));
    QCOMPARE(plugin->mainView()->currentIndex(), sectionItem->index());

    plugin->selectMainIndex(QModelIndex());
    QVERIFY(!plugin->mainView()->currentIndex().isValid());
    QVERIFY(!plugin->currentMainIndex().isValid());
    QCOMPARE(properties->rowCount(), 11);
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
    QTest::newRow("check mode, 3 bytes") << QByteArray("Set_check_mode") << QByteArray("\0\0\1", 3)
                                         << kept << 0;
    QTest::newRow("states, empty body") << QByteArray("Every_sections_state") << QByteArray()
                                        << kept << 1;
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

    QCOMPARE(dump() + " " + plugin->model()->index(0, 1).data().toString(), tree);
    if (const RouteRecord *record = itemRoute(item({0})))
        QVERIFY(record->checkOn == 0 && record->sections.first()->state == 0);
    QCOMPARE(panel->host.refreshCount(), before + refreshes);
    QVERIFY(panel->host.requests.isEmpty());
}

// New routes (or ones with a negative id, never saved) go under their node's
// id, which leaves the deleted ids; changed ones go with lead 0. The
// acknowledgement marks everything saved.
void tst_Panel::saveAndAcknowledgement()
{
    panel->reply("Get_tree_rulecheck",
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

    QCOMPARE(panel->host.commands(), QList<QByteArray>{"Fix_routes"});
    QCOMPARE(itemRoute(item({0, 0}))->id, 17);
    QCOMPARE(itemRoute(item({3}))->id, 22);
    QByteArray expected;
    QDataStream out(&expected, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    RouteMessages::writeSaveEntry(out, 17, *itemRoute(item({0, 0})));
    RouteMessages::writeSaveEntry(out, 0, *itemRoute(item({1})));
    RouteMessages::writeSaveEntry(out, 22, *itemRoute(item({3})));
    RouteMessages::writeSaveEnd(out, {33});
    QCOMPARE(panel->host.requests.first().body.toHex(), expected.toHex());

    panel->reply("Fix_routes", QByteArray());

    QCOMPARE(itemEditState(item({1})), int(EditState::Unchanged));
    QCOMPARE(itemEditState(item({2})), int(EditState::Deleted));
    QCOMPARE(itemEditState(item({3})), int(EditState::Unchanged));
    QVERIFY(plugin->deletedRouteIds().isEmpty());
    QCOMPARE(plugin->undoStack()->count(), 0);
}

QTEST_MAIN(tst_Panel)
#include "tst_panel.moc"
