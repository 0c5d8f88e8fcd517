// Binding to the host's map: the plug-in's layer, the scale for a rectangle,
// and moving the map to a route or section picked in the main tree.
#include "testsupport/MapScene.h"
#include "testsupport/PanelText.h"

#include "panel/BindToMapModel.h"

#include <QtMath>

#include <cmath>

using namespace TreeBodies;

namespace {

const QList<int> BeatPath{0}, NorthPath{0, 0}, PointPath{2, 0}, PostPath{2, 0, 0}, BarePath{2, 1},
    GroupPath{2, 2};

} // namespace

class tst_MapBinding : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { panel.reset(); }

    void bindLayer_data();
    void bindLayer();
    void noMap_data();
    void noMap();
    void scaleForRect_data();
    void scaleForRect();
    void showOnMap_data();
    void showOnMap();
    void sharedObjectStaysOnShownRoute_data();
    void sharedObjectStaysOnShownRoute();

private:
    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }

    std::unique_ptr<EditingPanel> panel;
};

// Layer 99 is made with two groups of one empty visible list when the map has
// none, else taken as it is; sections go to the second group's first list.
// Only the first binding counts.
void tst_MapBinding::bindLayer_data()
{
    QTest::addColumn<QList<int>>("listsPerGroup"); // empty: no layer 99 yet
    QTest::addColumn<bool>("hasSectionList");

    QTest::newRow("no layer yet: made") << QList<int>{} << true;
    QTest::newRow("three groups: the second holds sections") << QList<int>{1, 3, 1} << true;
    QTest::newRow("second group without lists") << QList<int>{1, 0} << false;
    QTest::newRow("one group only") << QList<int>{1} << false;
}

void tst_MapBinding::bindLayer()
{
    QFETCH(QList<int>, listsPerGroup);
    QFETCH(bool, hasSectionList);

    FakeHost host; // the layer table is the host's: the plug-in goes first
    OperativeCheck plugin;
    MapQt::LayerTable *table = host.GetLayers(7);
    table->insert(5, new QList<MapQt::LayerGroup *>);
    if (!listsPerGroup.isEmpty())
        table->insert(99, new QList<MapQt::LayerGroup *>);
    QList<MapQt::PrimitiveList *> lists;
    for (int count : qAsConst(listsPerGroup)) {
        table->value(99)->append(new MapQt::LayerGroup{3, 4, {}});
        for (int i = 0; i < count; ++i)
            table->value(99)->last()->lists << new MapQt::PrimitiveList{{}, false, true};
        lists += table->value(99)->last()->lists;
    }
    QList<MapQt::LayerGroup *> *before = table->value(99);

    plugin.SetHost(&host);
    plugin.BindMap(0, 7);
    plugin.BindMap(0, 8);
    plugin.BindMap(1, 7);

    QCOMPARE(table->keys(), (QList<int>{5, 99}));
    QVERIFY(table->value(5)->isEmpty());
    QList<MapQt::LayerGroup *> *groups = table->value(99);
    QList<MapQt::PrimitiveList *> after;
    for (const MapQt::LayerGroup *group : qAsConst(*groups))
        after += group->lists;
    if (before)
        QVERIFY(groups == before && after == lists);
    else
        QVERIFY(groups->size() == 2 && after.size() == 2 && after[0] != after[1]);
    for (const MapQt::PrimitiveList *list : qAsConst(after))
        QVERIFY(list->visible == !before && list->editable == bool(before));
    QCOMPARE(plugin.sectionList(), hasSectionList ? groups->at(1)->lists.first() : nullptr);
    QVERIFY(!host.sectionList(8));
    QVERIFY(host.mapCalls.isEmpty());
}

// The panel works without a map: trees are taken in, routes ticked and picked.
void tst_MapBinding::noMap_data()
{
    QTest::addColumn<bool>("hostSet");

    QTest::newRow("host without a map model") << true;
    QTest::newRow("no host at all") << false;
}

void tst_MapBinding::noMap()
{
    QFETCH(bool, hostSet);

    FakeHost host(false);
    OperativeCheck plugin;
    if (hostSet)
        plugin.SetHost(&host);
    plugin.BindMap(0, 7);
    plugin.onGetClicked();
    PanelDriver::deliver(&plugin, "Get_tree_rulecheck", MapScene::routes());
    PanelDriver::deliver(&plugin, "Get_tree_graphobj", MapScene::layers());
    plugin.model()->item(0)->setCheckState(Qt::Checked);
    plugin.onMainItemDblClicked(plugin.model()->index(0, 0));

    QCOMPARE(plugin.model()->rowCount(), 3);
    QVERIFY(!plugin.sectionList() && !host.sectionList(7));
    QVERIFY(host.mapCalls.isEmpty());
    QCOMPARE(host.requests.size(), hostSet ? 2 : 0);
}

// The scale is a quarter of the corners' great-circle distance in metres, and
// 1 below four metres.
void tst_MapBinding::scaleForRect_data()
{
    QTest::addColumn<QLine>("corners"); // x longitude, y latitude, 1e-7 degree
    QTest::addColumn<int>("roughScale"); // worked by hand, good to half a percent

    QTest::newRow("one degree of latitude") << QLine(0, 0, 0, 10000000) << 27830;
    QTest::newRow("one degree of longitude at 60N")
        << QLine(0, 600000000, 10000000, 600000000) << 13915;
    QTest::newRow("corners swapped, southern hemisphere")
        << QLine(-583000000, -346000000, -585000000, -345000000) << 5363;
    QTest::newRow("across the date line")
        << QLine(1795000000, 100000000, -1795000000, 100000000) << 27407;
    QTest::newRow("antipodes on the equator") << QLine(0, 0, 1800000000, 0) << 5009379;
    QTest::newRow("just under four metres") << QLine(0, 0, 0, 350) << 1;
    // There sin²a + cos²a rounds above 1: acos must not see it.
    QTest::newRow("same point, cosine rounds above 1") << QLine(0, 240000784, 0, 240000784) << 1;
}

void tst_MapBinding::scaleForRect()
{
    QFETCH(QLine, corners);
    QFETCH(int, roughScale);

    // The same sphere by the haversine form.
    const int x1 = corners.x1(), y1 = corners.y1(), x2 = corners.x2(), y2 = corners.y2();
    const double unit = M_PI / 180.0 / 1e7;
    const double h = std::pow(std::sin((double(y2) - y1) * unit / 2), 2)
        + std::cos(y1 * unit) * std::cos(y2 * unit)
            * std::pow(std::sin((double(x2) - x1) * unit / 2), 2);
    const double metres = 2 * 6378140.0 * std::asin(std::min(1.0, std::sqrt(h)));
    const double distance = BindToMapModel::distanceMetres(x1, y1, x2, y2);
    QVERIFY2(std::abs(distance - metres) < 0.01, qPrintable(QString::number(distance, 'f', 4)));
    const int scale = BindToMapModel::scaleForRect(x1, y1, x2, y2);
    QVERIFY2(qAbs(scale - qMax(1, int(0.25 * metres))) <= 1, qPrintable(QString::number(scale)));
    QVERIFY(qAbs(scale - roughScale) <= roughScale / 200);
}

// A double click, or "Show on map" from the context menu, ticks the route and
// moves the map over its objects, or over one section's.
void tst_MapBinding::showOnMap_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<bool>("shown"); // the route Beat, before
    QTest::addColumn<QString>("action"); // a double click, or a menu entry; empty: menu closed
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("ticks"); // of Beat, Spare, Point, Bare, Group and Leaf
    QTest::addColumn<int>("primitives");

    const QString dbl = "double click";
    const QStringList beatCalls{
        QString("scale %1").arg(BindToMapModel::scaleForRect(0, 0, 3000, 900)), "center 1500,450",
        "refresh"};
    QTest::newRow("route over its sections") << BeatPath << false << dbl << beatCalls << "200000"
                                             << 4;
    QTest::newRow("section of one polygon")
        << NorthPath << false << dbl
        << QStringList{QString("scale %1").arg(BindToMapModel::scaleForRect(0, 0, 900, 900)),
                       "center 450,450", "refresh"}
        << "200000" << 4;
    QTest::newRow("section of one icon: centre only")
        << PostPath << false << dbl << QStringList{"center 3000,0", "refresh"} << "002000" << 1;
    QTest::newRow("route without objects or with unknown ones: map kept, route shown")
        << BarePath << false << dbl << QStringList{"refresh"} << "000200" << 0;
    QTest::newRow("column 1 of a route: nothing")
        << BeatPath << false << "double click on column 1" << QStringList() << "000000" << 0;
    QTest::newRow("node without routes: ticked, map kept")
        << GroupPath << false << dbl << QStringList() << "000022" << 0;
    QTest::newRow("menu: none on a section") << NorthPath << false << "" << QStringList()
                                             << "000000" << 0;
    QTest::newRow("menu: node without routes, closed")
        << GroupPath << false << "" << QStringList() << "000000" << 0;
    QTest::newRow("menu: show on map, as a double click")
        << BeatPath << false << "Show on map" << beatCalls << "200000" << 4;
    QTest::newRow("menu: show on map when shown, erased")
        << BeatPath << true << "Show on map" << QStringList{"refresh"} << "000000" << 0;
}

void tst_MapBinding::showOnMap()
{
    QFETCH(QList<int>, path);
    QFETCH(bool, shown);
    QFETCH(QString, action);
    QFETCH(QStringList, calls);
    QFETCH(QString, ticks);
    QFETCH(int, primitives);

    panel = std::make_unique<EditingPanel>();
    MapScene::load(*panel);
    if (shown)
        item(BeatPath)->setCheckState(Qt::Checked);
    panel->host.mapCalls.clear();
    if (action.startsWith("double click")) {
        const int column = action.endsWith("column 1") ? 1 : 0;
        panel->plugin->onMainItemDblClicked(item(path)->index().siblingAtColumn(column));
    } else {
        // Only route and plain-node rows have a menu; "Show on map" is ticked on a shown row.
        const QStringList menu{shown ? "Show on map [x]" : "Show on map", "--", "Set check off",
                               "Set check on"};
        QCOMPARE(MapScene::rightClick(*panel, path, action),
                 itemSection(item(path)) ? QStringList() : menu);
        QVERIFY(!QApplication::activePopupWidget());
    }
    QCOMPARE(PanelText::mapCalls(panel->host.mapCalls), calls);
    QCOMPARE(PanelText::ticks(panel->plugin->model(),
                              {BeatPath, {1}, PointPath, BarePath, GroupPath, {2, 2, 0}}),
             ticks);
    QCOMPARE(panel->host.sectionList()->primitives.size(), primitives);
    QVERIFY(panel->host.requests.isEmpty());
}

// Object 9 marks sections of two routes; only route 1 is shown.
void tst_MapBinding::sharedObjectStaysOnShownRoute_data()
{
    QTest::addColumn<bool>("rename");

    QTest::newRow("hidden route's section renamed") << true;
    QTest::newRow("hidden route's section given other objects") << false;
}

void tst_MapBinding::sharedObjectStaysOnShownRoute()
{
    QFETCH(bool, rename);

    panel = std::make_unique<EditingPanel>();
    MapScene::load(*panel);
    item(BeatPath)->setCheckState(Qt::Checked);
    panel->click(PostPath);
    if (rename) {
        QVERIFY(panel->edit(Name, "Shared post"));
    } else {
        OperativeCheck *plugin = panel->plugin.get();
        plugin->onSelGObjClicked();
        plugin->graphObjDialog().model()->findItems("Gate", Qt::MatchExactly | Qt::MatchRecursive)
            .first()->setCheckState(Qt::Checked);
        plugin->onSelGObjAccepted();
        QCOMPARE(itemSection(item(PostPath))->graphObjectIds, QList<int>({5, 9}));
    }
    QCOMPARE(item(PointPath)->checkState(), Qt::Unchecked);
    QCOMPARE(panel->host.sectionList()->primitives.size(), 4);
}

QTEST_MAIN(tst_MapBinding)
#include "tst_mapbinding.moc"
