// The main tree's context menu, "Show on map" and moving the map to a route or section.
#include "testsupport/EditingPanel.h"

#include "panel/BindToMapModel.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

using namespace TreeBodies;

namespace {

const QList<int> AreaPath{0};
const QList<int> SpanPath{0, 0};  // route 5: West (object 7) and East (object 8)
const QList<int> EastPath{0, 0, 1};
const QList<int> PointPath{0, 1}; // route 6: Post (icon 9)
const QList<int> PostPath{0, 1, 0};
const QList<int> BarePath{0, 2};  // route 10: no objects, and ids that match nothing
const QList<int> GroupPath{0, 3}; // no routes below
const QList<int> LeafPath{0, 3, 0};
const QList<int> TwinPath{1};     // route 40: shares object 7 with route 5
const QList<int> TwinSectionPath{1, 0};

} // namespace

class tst_ShowOnMap : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { panel.reset(); }

    void showing_data();
    void showing();
    void sharedObjectStaysOnShownRoute_data();
    void sharedObjectStaysOnShownRoute();

private:
    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }
    // Right-clicks the row; returns the menu's entries ("--" a separator, " [x]" ticked),
    // none when no menu popped up; picks the entry with text pick, or closes the menu.
    QStringList rightClick(const QList<int> &path, const QString &pick);
    // The map calls made: "scale N", "center X,Y" or "refresh", each on map 1.
    QStringList mapCalls() const;
    QList<QList<int>> checkedRows() const;
    int primitives() const { return panel->host.sectionList()->primitives.size(); }

    std::unique_ptr<EditingPanel> panel;
    OperativeCheck *plugin = nullptr;
};

void tst_ShowOnMap::init()
{
    panel = std::make_unique<EditingPanel>();
    plugin = panel->plugin.get();
    const Node span = withRoute(node(5, "Span", 3),
                                route(5, {section(1, "West", {7}), section(2, "East", {8})}));
    const Node point = withRoute(node(6, "Point", 3), route(6, {section(1, "Post", {9})}));
    const Node bare = withRoute(node(10, "Bare", 3),
                                route(10, {section(1, "Nothing"), section(2, "Ghost", {99})}));
    const Node group = node(20, "Group", 3, {node(21, "Leaf", 3)});
    const Node twin = withRoute(node(40, "Twin", 3), route(40, {section(1, "Shared", {7})}));
    panel->reply("Get_tree_rulecheck",
                 ruleTree({node(1, "Area", 3, {span, point, bare, group}), twin}));
    Node marks = node(100, "Marks", 1);
    marks.objects = {object(7, 3, "West", {{100, 50}, {180, 51}, {140, 50}}),
                     object(8, 3, "East", {{220, 50}, {300, 50}, {260, 51}}),
                     object(9, 1, "Post", {{1000, 2000}})};
    panel->reply("Get_tree_graphobj", layerTree({marks}));
    panel->host.mapCalls.clear();
}

QStringList tst_ShowOnMap::rightClick(const QList<int> &path, const QString &pick)
{
    // Making a row current selects it, as the press of a right click does.
    plugin->mainView()->setCurrentIndex(item(path)->index());
    QStringList entries;
    QMenu *menu = plugin->contextMenu();
    // The menu runs its own loop; it is read and closed from inside that loop.
    const QMetaObject::Connection opened = connect(menu, &QMenu::aboutToShow, this, [&] {
        QTimer::singleShot(0, this, [&] {
            QAction *chosen = nullptr;
            for (QAction *action : menu->actions()) {
                entries << (action->isSeparator() ? QStringLiteral("--")
                            : action->text() + (action->isChecked() ? " [x]" : ""));
                if (!pick.isEmpty() && action->text() == pick)
                    chosen = action;
            }
            if (QApplication::activePopupWidget() != menu)
                entries.clear();
            if (chosen) {
                menu->setActiveAction(chosen);
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                menu->hide();
            }
        });
    });
    plugin->onContextMenuRequested(QPoint(4, 4));
    disconnect(opened);
    return entries;
}

QStringList tst_ShowOnMap::mapCalls() const
{
    QStringList texts;
    for (const MapCall &call : panel->host.mapCalls) {
        texts << (call.kind == MapCall::Scale ? QStringLiteral("scale %1").arg(call.a)
                  : call.kind == MapCall::Center
                      ? QStringLiteral("center %1,%2").arg(call.a).arg(call.b)
                      : QStringLiteral("refresh"));
        if (call.mapId != 1)
            texts << QStringLiteral("on map %1").arg(call.mapId);
    }
    return texts;
}

QList<QList<int>> tst_ShowOnMap::checkedRows() const
{
    QList<QList<int>> checked;
    for (const QList<int> &path : {SpanPath, PointPath, BarePath, GroupPath, LeafPath, TwinPath}) {
        if (item(path)->checkState() == Qt::Checked)
            checked << path;
    }
    return checked;
}

void tst_ShowOnMap::showing_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<bool>("shown");     // the route Span, before
    QTest::addColumn<QString>("action"); // a double click, or a menu entry; empty: menu closed
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QList<QList<int>>>("checked");
    QTest::addColumn<int>("primitives");
    QTest::addColumn<QByteArray>("request"); // "Set_check_mode"; empty: none

    auto row = [](const char *name, const QList<int> &path, bool shown, const char *action,
                  const QStringList &calls, const QList<QList<int>> &checked, int primitives,
                  const QByteArray &request = {}) {
        QTest::newRow(name) << path << shown << QString(action) << calls << checked
                            << primitives << request;
    };
    const char *dbl = "double click";
    const QString spanScale =
        QStringLiteral("scale %1").arg(BindToMapModel::scaleForRect(100, 50, 300, 51));
    row("route over two sections", SpanPath, false, dbl,
        {spanScale, "center 200,50", "refresh"}, {SpanPath}, 2);
    row("shown route: moved, not drawn again", SpanPath, true, dbl, {spanScale, "center 200,50"},
        {SpanPath}, 2);
    row("section of one polygon", EastPath, false, dbl,
        {QStringLiteral("scale %1").arg(BindToMapModel::scaleForRect(220, 50, 300, 51)),
         "center 260,50", "refresh"}, {SpanPath}, 2);
    row("section of one icon: centre only", PostPath, false, dbl,
        {"center 1000,2000", "refresh"}, {PointPath}, 1);
    row("route without objects or with unknown ones: map kept, route shown", BarePath, false,
        dbl, {"refresh"}, {BarePath}, 0);
    row("column 1 of a route: nothing", SpanPath, false, "double click on column 1", {}, {}, 0);
    row("node without routes: checked, map kept", GroupPath, false, dbl, {},
        {GroupPath, LeafPath}, 0);

    row("menu: none on a section", EastPath, false, "", {}, {}, 0);
    row("menu: node without routes, closed", GroupPath, false, "", {}, {}, 0);
    row("menu: shown route, closed", SpanPath, true, "", {}, {SpanPath}, 2);
    row("menu: show on map, as a double click", SpanPath, false, "Show on map",
        {spanScale, "center 200,50", "refresh"}, {SpanPath}, 2);
    row("menu: show on map when shown, erased", SpanPath, true, "Show on map", {"refresh"}, {},
        0);
    row("menu: check off on a route", PointPath, false, "Set check off", {}, {}, 0,
        RouteMessages::checkModeRequest(0, {6}));
    row("menu: check on below a node, depth first", AreaPath, false, "Set check on", {}, {}, 0,
        RouteMessages::checkModeRequest(1, {5, 6, 10}));
}

void tst_ShowOnMap::showing()
{
    QFETCH(QList<int>, path);
    QFETCH(bool, shown);
    QFETCH(QString, action);
    QFETCH(QStringList, calls);
    QFETCH(QList<QList<int>>, checked);
    QFETCH(int, primitives);
    QFETCH(QByteArray, request);

    if (shown)
        item(SpanPath)->setCheckState(Qt::Checked);
    const bool before = item(path)->checkState() == Qt::Checked;
    panel->host.mapCalls.clear();
    if (action.startsWith("double click")) {
        const int column = action.endsWith("column 1") ? 1 : 0;
        plugin->onMainItemDblClicked(item(path)->index().siblingAtColumn(column));
    } else {
        // Only route and plain-node rows have a menu; "Show on map" is ticked on a shown row.
        const QStringList menu{before ? "Show on map [x]" : "Show on map", "--", "Set check off",
                               "Set check on"};
        QCOMPARE(rightClick(path, action), itemSection(item(path)) ? QStringList() : menu);
        QVERIFY(!QApplication::activePopupWidget());
    }
    QCOMPARE(mapCalls(), calls);
    QCOMPARE(checkedRows(), checked);
    QCOMPARE(this->primitives(), primitives);
    QCOMPARE(panel->host.requests.size(), request.isEmpty() ? 0 : 1);
    if (!request.isEmpty()) {
        QCOMPARE(panel->host.requests.first().command, QByteArray("Set_check_mode"));
        QCOMPARE(panel->host.requests.first().body.toHex(), request.toHex());
    }
}

// Object 7 marks sections of two routes; only route 5 is shown.
void tst_ShowOnMap::sharedObjectStaysOnShownRoute_data()
{
    QTest::addColumn<bool>("rename");

    QTest::newRow("hidden route's section renamed") << true;
    QTest::newRow("hidden route's section given other objects") << false;
}

void tst_ShowOnMap::sharedObjectStaysOnShownRoute()
{
    QFETCH(bool, rename);

    item(SpanPath)->setCheckState(Qt::Checked);
    QCOMPARE(primitives(), 2);
    panel->click(TwinSectionPath);
    if (rename) {
        QVERIFY(panel->edit(Name, "Shared gate"));
    } else {
        plugin->onSelGObjClicked();
        plugin->graphObjDialog().model()->findItems("Post", Qt::MatchExactly | Qt::MatchRecursive)
            .first()->setCheckState(Qt::Checked);
        plugin->onSelGObjAccepted();
        QCOMPARE(itemSection(item(TwinSectionPath))->graphObjectIds, QList<int>({7, 9}));
    }
    QCOMPARE(item(TwinPath)->checkState(), Qt::Unchecked);
    QCOMPARE(primitives(), 2);
}

QTEST_MAIN(tst_ShowOnMap)
#include "tst_showonmap.moc"
