// The panel on the host's map: its layer, the sections' shapes in their live
// states, and moving the map to what is picked in the main tree.
#include "testsupport/MapScene.h"
#include "testsupport/PanelText.h"

#include "panel/BindToMapModel.h"

#include <QtMath>

#include <cmath>

namespace {

const QList<int> BeatPath{0}, NorthPath{0, 0}, PostPath{2, 0, 0}, BarePath{2, 1}, GroupPath{2, 2};

// The scene's shapes as drawn; the brushes are tinted by hand with the bitwise
// rules (red: r|192 g&31 b&31 a|127, green: r&31 g|192 b&31 a|127).
const auto shape = [](const char *brush) {
    return "polygon 4 pen 0,0,255,255/3 brush " + QString(brush);
};
const QString Gate = shape("10,200,30,100"), GateRed = shape("202,8,30,127");
const QString Yard = shape("255,255,255,255"), YardGreen = shape("31,255,31,255");
const QString Dock = shape("32,63,160,128"), DockGreen = shape("0,255,0,255"), Post = "car Post";

} // namespace

using States = QList<RouteMessages::SectionState>;
Q_DECLARE_METATYPE(States)

class tst_MapBinding : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        panel = std::make_unique<EditingPanel>();
        MapScene::load(*panel);
    }
    void cleanup() { panel.reset(); }

    void bindLayer_data(); void bindLayer();
    void noMap();
    void scaleForRect_data(); void scaleForRect();
    void sectionStates_data(); void sectionStates();
    void showOnMap_data(); void showOnMap();

private:
    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }

    std::unique_ptr<EditingPanel> panel;
};

// Layer 99 is made, two groups of one list, when the map has none, else taken
// as it is: sections go to its second group's first list. One binding only.
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
void tst_MapBinding::noMap()
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

// The scale is a quarter of the corners' great-circle distance in metres, here
// by the haversine form, and 1 below four metres.
void tst_MapBinding::scaleForRect_data()
{
    QTest::addColumn<QLine>("corners"); // x longitude, y latitude, 1e-7 degree

    QTest::newRow("one degree of latitude") << QLine(0, 0, 0, 10000000);
    QTest::newRow("one degree of longitude at 60N") << QLine(0, 600000000, 10000000, 600000000);
    QTest::newRow("across the date line") << QLine(1795000000, 100000000, -1795000000, 100000000);
    QTest::newRow("antipodes on the equator") << QLine(0, 0, 1800000000, 0);
    QTest::newRow("just under four metres") << QLine(0, 0, 0, 350);
    // There sin²a + cos²a rounds above 1: acos must not see it.
    QTest::newRow("same point, cosine rounds above 1") << QLine(0, 240000784, 0, 240000784);
}

void tst_MapBinding::scaleForRect()
{
    QFETCH(QLine, corners);

    const int x1 = corners.x1(), y1 = corners.y1(), x2 = corners.x2(), y2 = corners.y2();
    const double unit = M_PI / 180.0 / 1e7;
    const double h = std::pow(std::sin((double(y2) - y1) * unit / 2), 2)
        + std::cos(y1 * unit) * std::cos(y2 * unit)
            * std::pow(std::sin((double(x2) - x1) * unit / 2), 2);
    const double metres = 2 * 6378140.0 * std::asin(std::min(1.0, std::sqrt(h)));
    const double distance = BindToMapModel::distanceMetres(x1, y1, x2, y2);
    QVERIFY2(std::abs(distance - metres) < 0.01, qPrintable(QString::number(distance, 'f', 4)));
    QCOMPARE(BindToMapModel::scaleForRect(x1, y1, x2, y2), qMax(1, int(0.25 * metres)));
}

// States are kept by section whatever Beat's tick; shown, a redrawn section's
// shapes go to the end of the list, else they are drawn once Beat is ticked.
void tst_MapBinding::sectionStates_data()
{
    QTest::addColumn<int>("tick");
    QTest::addColumn<qint32>("routeId");
    QTest::addColumn<States>("reported");
    QTest::addColumn<QList<int>>("states"); // of Beat's sections, then Spare's
    QTest::addColumn<QStringList>("drawn");

    const QStringList own{Gate, Yard, Dock, Post};
    QTest::newRow("unticked: by section, not reply order")
        << int(Qt::Unchecked) << 1 << States{{3, 2}, {1, 1}} << QList<int>{1, 0, 2, 0}
        << QStringList{GateRed, Yard, DockGreen, Post};
    QTest::newRow("partially ticked") << int(Qt::PartiallyChecked) << 1 << States{{2, 2}}
                                      << QList<int>{0, 2, 0, 0}
                                      << QStringList{Gate, YardGreen, Dock, Post};
    QTest::newRow("unticked, states 3, -1 and max: own colours")
        << int(Qt::Unchecked) << 1 << States{{1, 3}, {2, -1}, {3, 0x7fffffff}}
        << QList<int>{3, -1, 0x7fffffff, 0} << own;
    QTest::newRow("shown: in reply order, unknown sections skipped")
        << int(Qt::Checked) << 1 << States{{99, 1}, {3, 2}, {1, 1}, {4, 1}}
        << QList<int>{1, 0, 2, 0} << QStringList{Yard, DockGreen, Post, GateRed};
    QTest::newRow("shown: other route kept, not drawn")
        << int(Qt::Checked) << 2 << States{{1, 1}} << QList<int>{0, 0, 0, 1} << own;
}

void tst_MapBinding::sectionStates()
{
    QFETCH(int, tick);
    QFETCH(qint32, routeId);
    QFETCH(States, reported);
    QFETCH(QList<int>, states);
    QFETCH(QStringList, drawn);

    item(BeatPath)->setCheckState(Qt::CheckState(tick));
    panel->host.mapCalls.clear();

    panel->reply("Every_sections_state", RouteMessages::sectionsStateBody(routeId, reported));

    QCOMPARE(PanelText::sectionStates(panel->plugin->model(), {{0}, {1}}), states);
    QCOMPARE(PanelText::mapCalls(panel->host.mapCalls), QStringList{"refresh"});
    const MapQt::PrimitiveList *shapes = panel->host.sectionList();
    QCOMPARE(PanelText::primitives(shapes), tick == Qt::Checked ? drawn : QStringList());
    item(BeatPath)->setCheckState(Qt::Checked);
    QCOMPARE(PanelText::primitives(shapes), drawn);
}

// A double click or "Show on map" ticks the route and moves the map over its objects.
void tst_MapBinding::showOnMap_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<bool>("shown"); // the route Beat, before
    QTest::addColumn<QString>("action"); // a double click, or a menu entry; empty: menu closed
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("after"); // ticks of Beat, Spare, Point, Bare, Group, Leaf; shapes

    const QString dbl = "double click";
    const QStringList beatCalls{
        QString("scale %1").arg(BindToMapModel::scaleForRect(0, 0, 3000, 900)), "center 1500,450",
        "refresh"};
    QTest::newRow("route over its sections") << BeatPath << false << dbl << beatCalls
                                             << "200000 4";
    QTest::newRow("section of one polygon")
        << NorthPath << false << dbl
        << QStringList{QString("scale %1").arg(BindToMapModel::scaleForRect(0, 0, 900, 900)),
                       "center 450,450", "refresh"}
        << "200000 4";
    QTest::newRow("section of one icon: centre only")
        << PostPath << false << dbl << QStringList{"center 3000,0", "refresh"} << "002000 1";
    QTest::newRow("route without objects or with unknown ones: map kept, route shown")
        << BarePath << false << dbl << QStringList{"refresh"} << "000200 0";
    QTest::newRow("column 1 of a route: nothing")
        << BeatPath << false << "double click on column 1" << QStringList() << "000000 0";
    QTest::newRow("node without routes: ticked, map kept")
        << GroupPath << false << dbl << QStringList() << "000022 0";
    QTest::newRow("menu: none on a section") << NorthPath << false << "" << QStringList()
                                             << "000000 0";
    QTest::newRow("menu: show on map when shown, erased")
        << BeatPath << true << "Show on map" << QStringList{"refresh"} << "000000 0";
}

void tst_MapBinding::showOnMap()
{
    QFETCH(QList<int>, path);
    QFETCH(bool, shown);
    QFETCH(QString, action);
    QFETCH(QStringList, calls);
    QFETCH(QString, after);

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
    }
    QCOMPARE(PanelText::mapCalls(panel->host.mapCalls), calls);
    QCOMPARE(PanelText::ticks(panel->plugin->model(), {{0}, {1}, {2, 0}, {2, 1}, {2, 2}, {2, 2, 0}})
                 + QString(" %1").arg(panel->host.sectionList()->primitives.size()),
             after);
}

QTEST_MAIN(tst_MapBinding)
#include "tst_mapbinding.moc"
