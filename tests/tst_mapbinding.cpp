// The panel on the host's map: its layer, the sections' shapes in their live
// states, and moving the map to what is picked in the main tree.
#include "testsupport/MapScene.h"
#include "testsupport/PanelText.h"

#include "panel/BindToMapModel.h"

#include <QtMath>

#include <cmath>

using namespace TreeBodies;

namespace {

const QList<int> BeatPath{0}, NorthPath{0, 0}, PointPath{2, 0}, PostPath{2, 0, 0}, BarePath{2, 1},
    GroupPath{2, 2};

using States = QList<RouteMessages::SectionState>;

// The scene's shapes as drawn; the brushes are tinted by hand with the bitwise
// rules (red: r|192 g&31 b&31 a|127, green: r&31 g|192 b&31 a|127).
QString shape(const char *brush)
{
    return QString("polygon 4 pen 0,0,255,255/3 brush %1").arg(brush);
}
const QString Gate = shape("10,200,30,100"), GateRed = shape("202,8,30,127"),
              GateGreen = shape("10,200,30,127");
const QString Yard = shape("255,255,255,255"), YardRed = shape("255,31,31,255");
const QString Dock = shape("32,63,160,128"), DockGreen = shape("0,255,0,255");
const QString Post = "car Post";
const QStringList OwnColours{Gate, Yard, Dock, Post};

} // namespace

Q_DECLARE_METATYPE(States)

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
    void sectionStates_data();
    void sectionStates();
    void showOnMap_data();
    void showOnMap();

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

// One states reply while route Beat has the given tick. Shown, a redrawn
// section's shapes leave their place and go to the end of the list; not fully
// ticked, the states are kept and drawn once it is, and erased when unticked.
void tst_MapBinding::sectionStates_data()
{
    QTest::addColumn<int>("tick");
    QTest::addColumn<qint32>("routeId");
    QTest::addColumn<States>("reported");
    QTest::addColumn<QList<int>>("states"); // of Beat's sections, then Spare's
    QTest::addColumn<QStringList>("drawn");

    const int on = Qt::Checked, off = Qt::Unchecked;
    QTest::newRow("unticked: kept by section, not reply order")
        << off << 1 << States{{3, 2}, {1, 1}} << QList<int>{1, 0, 2, 0}
        << QStringList{GateRed, Yard, DockGreen, Post};
    QTest::newRow("partially ticked: kept")
        << int(Qt::PartiallyChecked) << 1 << States{{1, 2}, {2, 1}} << QList<int>{2, 1, 0, 0}
        << QStringList{GateGreen, YardRed, Dock, Post};
    QTest::newRow("unticked, states 3, -1 and max: own colours")
        << off << 1 << States{{1, 3}, {2, -1}, {3, 0x7fffffff}}
        << QList<int>{3, -1, 0x7fffffff, 0} << OwnColours;
    QTest::newRow("shown: in reply order, unknown sections skipped")
        << on << 1 << States{{99, 1}, {3, 2}, {1, 1}, {4, 1}} << QList<int>{1, 0, 2, 0}
        << QStringList{Yard, DockGreen, Post, GateRed};
    QTest::newRow("shown: other route stored, not drawn")
        << on << 2 << States{{1, 1}} << QList<int>{0, 0, 0, 1} << OwnColours;
}

void tst_MapBinding::sectionStates()
{
    QFETCH(int, tick);
    QFETCH(qint32, routeId);
    QFETCH(States, reported);
    QFETCH(QList<int>, states);
    QFETCH(QStringList, drawn);

    panel = std::make_unique<EditingPanel>();
    MapScene::load(*panel);
    item(BeatPath)->setCheckState(Qt::CheckState(tick));
    panel->host.mapCalls.clear();

    panel->reply("Every_sections_state", RouteMessages::sectionsStateBody(routeId, reported));

    QList<int> stored;
    for (int row : {0, 1}) {
        for (const SectionRecord *section : itemRoute(item({row}))->sections)
            stored << section->state;
    }
    QCOMPARE(stored, states);
    QCOMPARE(PanelText::mapCalls(panel->host.mapCalls), QStringList{"refresh"});
    const MapQt::PrimitiveList *shapes = panel->host.sectionList();
    QCOMPARE(PanelText::primitives(shapes), tick == Qt::Checked ? drawn : QStringList());
    item(BeatPath)->setCheckState(Qt::Checked);
    QCOMPARE(PanelText::primitives(shapes), drawn);
    item(BeatPath)->setCheckState(Qt::Unchecked);
    QVERIFY(shapes->primitives.isEmpty());
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

QTEST_MAIN(tst_MapBinding)
#include "tst_mapbinding.moc"
