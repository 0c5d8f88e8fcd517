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

} // namespace

Q_DECLARE_METATYPE(States)
Q_DECLARE_METATYPE(Show)

class tst_MapBinding : public QObject
{
    Q_OBJECT

    std::unique_ptr<EditingPanel> panel;

    QStandardItem *item(const QList<int> &path) const { return panel->item(path); }

private slots:
    void init()
    {
        panel = std::make_unique<EditingPanel>();
        MapScene::load(*panel);
    }
    void cleanup() { panel.reset(); }

    // Layer 99 is made, two groups of one list, when the map has none, else
    // taken as it is: sections go to its second group's first list. One binding only.
    void bindLayer_data()
    {
        QTest::addColumn<QList<int>>("listsPerGroup"); // empty: no layer 99 yet
        QTest::addColumn<bool>("hasSectionList");
        QTest::newRow("no layer yet: made") << QList<int>{} << true;
        QTest::newRow("three groups: the second holds sections") << QList<int>{1, 3, 1} << true;
        QTest::newRow("second group without lists") << QList<int>{1, 0} << false;
        QTest::newRow("one group only") << QList<int>{1} << false;
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

    // The scale is a quarter of the corners' great-circle distance in metres,
    // here by the haversine form, and 1 below four metres.
    void scaleForRect_data()
    {
        QTest::addColumn<QLine>("corners"); // x longitude, y latitude, 1e-7 degree
        QTest::newRow("one degree of latitude") << QLine(0, 0, 0, 10000000);
        QTest::newRow("one degree of longitude at 60N") << QLine(0, 600000000, 10000000, 600000000);
        QTest::newRow("across the date line")
            << QLine(1795000000, 100000000, -1795000000, 100000000);
        QTest::newRow("antipodes on the equator") << QLine(0, 0, 1800000000, 0);
        QTest::newRow("just under four metres") << QLine(0, 0, 0, 350);
        // There sin²a + cos²a rounds above 1: acos must not see it.
        QTest::newRow("same point, cosine rounds above 1") << QLine(0, 240000784, 0, 240000784);
    }

    void scaleForRect()
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
    void sectionStates_data()
    {
        QTest::addColumn<States>("c");
        const QStringList own{Gate, Yard, Dock, Post};
        QTest::newRow("unticked: by section, not reply order")
            << States{Qt::Unchecked, 1, {{3, 2}, {1, 1}}, {1, 0, 2, 0},
                      {GateRed, Yard, DockGreen, Post}};
        QTest::newRow("partially ticked") << States{Qt::PartiallyChecked, 1, {{2, 2}},
                                                    {0, 2, 0, 0}, {Gate, YardGreen, Dock, Post}};
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
        const auto scale = [](int x, int y) {
            return QString("scale %1").arg(BindToMapModel::scaleForRect(0, 0, x, y));
        };
        const auto row = [](const char *name, const Show &show) { QTest::newRow(name) << show; };
        row("route over its sections", {BeatPath, false, dbl,
            {scale(3000, 900), "center 1500,450", "refresh"}, "200000 4"});
        row("section of one polygon", {NorthPath, false, dbl,
            {scale(900, 900), "center 450,450", "refresh"}, "200000 4"});
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
        QCOMPARE(PanelText::ticks(panel->plugin->model(),
                                  {{0}, {1}, {2, 0}, {2, 1}, {2, 2}, {2, 2, 0}})
                     + QString(" %1").arg(panel->host.sectionList()->primitives.size()),
                 c.after);
    }
};

QTEST_MAIN(tst_MapBinding)
#include "tst_mapbinding.moc"
