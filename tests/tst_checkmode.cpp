// Checking routes on the map, live section states and the check-mode switch.
#include "testsupport/FakeHost.h"
#include "testsupport/MapPainter.h"
#include "testsupport/PanelDriver.h"
#include "testsupport/TreeBuilders.h"

#include "panel/PanProperties.h"
#include "records/ItemRoles.h"
#include "shell/OperativeCheck.h"

#include <MapQt.h>

#include <QAction>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPainter>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <QUndoStack>

#include <algorithm>
#include <ctime>
#include <memory>

using namespace TreeBodies;

namespace {

using States = QList<RouteMessages::SectionState>;

QString rgba(const QColor &c)
{
    return QString("%1,%2,%3,%4").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

// What the host would draw: each primitive's kind, point count and colours.
QStringList describe(const MapQt::PrimitiveList *list)
{
    QStringList result;
    for (const MapQt::MapPrimitive *p : list->primitives) {
        if (const auto *car = dynamic_cast<const MapQt::MapCar *>(p)) {
            result << "car " + car->text;
            continue;
        }
        const auto *trace = dynamic_cast<const MapQt::MapTrace *>(p);
        QString text = trace ? QString(p->kind == 2 ? "polygon %1" : "trace %1").arg(trace->count)
                             : QString("kind %1").arg(p->kind);
        if (p->pen)
            text += QString(" pen %1/%2").arg(rgba(p->pen->color())).arg(p->pen->width());
        if (p->brush)
            text += " brush " + rgba(p->brush->color());
        result << text;
    }
    return result;
}

// The five objects of route 1 and the one of route 2, as drawn; the brushes
// are tinted by hand with the bitwise rules (red: r|192 g&31 b&31 a|127,
// green: r&31 g|192 b&31 a|127).
const QString Gate = "polygon 5 pen 0,0,255,255/3 brush 10,200,30,100";
const QString GateRed = "polygon 5 pen 0,0,255,255/3 brush 202,8,30,127";
const QString GateGreen = "polygon 5 pen 0,0,255,255/3 brush 10,200,30,127";
const QString Yard = "polygon 17 pen 0,0,0,255/3 brush 255,255,255,255";
const QString YardRed = "polygon 17 pen 0,0,0,255/3 brush 255,31,31,255";
const QString YardGreen = "polygon 17 pen 0,0,0,255/3 brush 31,255,31,255";
const QString Dock = "polygon 4 pen 255,0,0,255/3 brush 32,63,160,128";
const QString DockRed = "polygon 4 pen 255,0,0,255/3 brush 224,31,0,255";
const QString DockGreen = "polygon 4 pen 255,0,0,255/3 brush 0,255,0,255";
const QString Lane = "trace 5 pen 0,128,0,255/3";
const QString Post = "car Post";
const QString Field = "polygon 5 pen 255,255,0,255/3 brush 0,0,0,0";
const QStringList OwnColours{Gate, Yard, Dock, Lane, Post};

Node layer(qint32 id, const QString &name, const QList<GraphObData> &objects)
{
    Node n = node(id, name, 1);
    n.objects = objects;
    return n;
}

QVariantMap colours(const QColor &pen, const QColor &brush)
{
    return {{"Color", pen}, {"Brush", brush}};
}

QByteArray layers()
{
    return layerTree(
        {layer(10, "Zones",
               {object(5, 3, "Gate", {{1000, 1000}, {9000, 1000}, {9000, 9000}, {1000, 9000}},
                       colours(QColor(0, 0, 255), QColor(10, 200, 30, 100))),
                object(6, 4, "Yard", {{50000, 50000}},
                       {{"Color", QColor(0, 0, 0)}, {"Brush", QColor(255, 255, 255)},
                        {"Diameter", 100}})}),
         layer(11, "Works",
               {object(7, 3, "Dock", {{20000, 0}, {30000, 0}, {25000, 8000}},
                       colours(QColor(255, 0, 0), QColor(32, 63, 160, 128))),
                object(8, 2, "Lane", {{0, 20000}, {10000, 20000}},
                       {{"Color", QColor(0, 128, 0)}, {"Width", 20}}),
                object(9, 1, "Post", {{40000, 1000}})}),
         layer(12, "Fields",
               {object(10, 3, "Field",
                       {{60000, 60000}, {70000, 60000}, {70000, 70000}, {60000, 70000}},
                       colours(QColor(255, 255, 0), QColor(0, 0, 0, 0)))})});
}

// Route 1 on row 0: three sections, the last naming its objects out of tree
// order. Route 2 on row 1 reuses section id 1.
QByteArray routes()
{
    return ruleTree({withRoute(node(1, "Beat", 1), route(1, {section(1, "North", {5}),
                                                             section(2, "South", {6}),
                                                             section(3, "Depot", {9, 8, 7})})),
                     withRoute(node(2, "Spare", 1), route(2, {section(1, "Field", {10})}))});
}

// Route 10 on node Group holds 20, which holds 30; routes 40 and 50 (with a
// section) sit below a node without a route.
QByteArray nestedRoutes(int checkOn = 0, int timeType = 1, uint checkTime = 0)
{
    QSharedPointer<RouteRecord> outer = route(10);
    outer->checkOn = checkOn;
    outer->checkTimeType = timeType;
    outer->checkTime = checkTime;
    return ruleTree(
        {withRoute(node(1, "Group", 1,
                        {withRoute(node(2, "Child", 1,
                                        {withRoute(node(3, "Grandchild", 1), route(30))}),
                                   route(20))}),
                   outer),
         node(4, "Folder", 1, {withRoute(node(5, "Inner", 1), route(40)),
                               withRoute(node(6, "Inner 2", 1), route(50, {section(1, "S")}))})});
}

QByteArray checkModeReplyBody(quint32 checkTime, const QList<int> &ids)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << checkTime << ids;
    return body;
}

// Whether pixel is paint laid over background, give or take rounding.
bool laidOver(const QColor &pixel, const QColor &background, const QColor &paint)
{
    QImage image(1, 1, QImage::Format_ARGB32);
    image.fill(background);
    QPainter(&image).fillRect(image.rect(), paint);
    const QColor want = image.pixelColor(0, 0);
    return qAbs(pixel.red() - want.red()) <= 1 && qAbs(pixel.green() - want.green()) <= 1
        && qAbs(pixel.blue() - want.blue()) <= 1 && qAbs(pixel.alpha() - want.alpha()) <= 1;
}

} // namespace

Q_DECLARE_METATYPE(States)

class tst_CheckMode : public QObject
{
    Q_OBJECT

private slots:
    // Times are shown in local time: Berlin is UTC+1, +2 in summer.
    void initTestCase() { qputenv("TZ", "Europe/Berlin"); tzset(); }
    void init() { start(true); }
    // The plug-in clears its shapes out of the host's list on the way out.
    void cleanup() { plugin.reset(); host.reset(); }

    void sectionStates_data();
    void sectionStates();
    void uncheckingErases();
    void noMap();
    void checkModeReply_data();
    void checkModeReply();
    void setCheckMode_data();
    void setCheckMode();

private:
    void start(bool bind)
    {
        cleanup();
        host = std::make_unique<FakeHost>();
        plugin = std::make_unique<OperativeCheck>();
        plugin->SetHost(host.get());
        if (bind)
            plugin->BindMap(0, 1);
    }
    void reply(const QByteArray &command, const QByteArray &body)
    {
        PanelDriver::deliver(plugin.get(), command, body);
    }
    void loadTrees()
    {
        reply("Get_tree_rulecheck", routes());
        reply("Get_tree_graphobj", layers());
    }
    QStandardItem *item(const QList<int> &path) const
    {
        return PanelDriver::itemAt(plugin->model(), path);
    }
    // The column-1 text beside each row, empty where the row has no such cell.
    QStringList modeTexts(const QList<QList<int>> &paths) const
    {
        QStringList result;
        for (const QList<int> &path : paths)
            result << item(path)->index().siblingAtColumn(1).data().toString();
        return result;
    }
    // The section states of route 1, then of route 2.
    QList<int> states() const
    {
        QList<int> result;
        for (int row : {0, 1}) {
            for (const SectionRecord *section : itemRoute(item({row}))->sections)
                result << section->state;
        }
        return result;
    }

    std::unique_ptr<FakeHost> host;
    std::unique_ptr<OperativeCheck> plugin;
};

// One states reply while route 1 has the given tick. Shown, a redrawn section's
// shapes leave their place and go to the end of the list; not fully ticked, the
// states are kept and drawn once it is.
void tst_CheckMode::sectionStates_data()
{
    QTest::addColumn<int>("tick");
    QTest::addColumn<qint32>("routeId");
    QTest::addColumn<States>("reported");
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<QStringList>("drawn");

    const int on = Qt::Checked, off = Qt::Unchecked;
    const QList<int> zeros{0, 0, 0, 0};
    QTest::newRow("unticked: kept by section, not reply order")
        << off << 1 << States{{3, 2}, {1, 1}} << QList<int>{1, 0, 2, 0}
        << QStringList{GateRed, Yard, DockGreen, Lane, Post};
    QTest::newRow("partially ticked: kept")
        << int(Qt::PartiallyChecked) << 1 << States{{1, 2}, {2, 1}, {3, 1}}
        << QList<int>{2, 1, 1, 0} << QStringList{GateGreen, YardRed, DockRed, Lane, Post};
    QTest::newRow("unticked, states 3, -1 and max: own colours")
        << off << 1 << States{{1, 3}, {2, -1}, {3, 0x7fffffff}}
        << QList<int>{3, -1, 0x7fffffff, 0} << OwnColours;
    QTest::newRow("shown: one section recoloured") << on << 1 << States{{2, 1}}
                                                   << QList<int>{0, 1, 0, 0}
                                                   << QStringList{Gate, Dock, Lane, Post, YardRed};
    QTest::newRow("shown: two sections, in reply order")
        << on << 1 << States{{3, 2}, {1, 1}} << QList<int>{1, 0, 2, 0}
        << QStringList{Yard, DockGreen, Lane, Post, GateRed};
    QTest::newRow("shown: state 0 still redraws") << on << 1 << States{{1, 0}} << zeros
                                                  << QStringList{Yard, Dock, Lane, Post, Gate};
    QTest::newRow("shown: repeated section, last state wins")
        << on << 1 << States{{1, 1}, {1, 2}} << QList<int>{2, 0, 0, 0}
        << QStringList{Yard, Dock, Lane, Post, GateGreen};
    QTest::newRow("shown: unknown sections skipped")
        << on << 1 << States{{99, 1}, {2, 2}, {4, 1}} << QList<int>{0, 2, 0, 0}
        << QStringList{Gate, Dock, Lane, Post, YardGreen};
    QTest::newRow("shown: route not in tree skipped") << on << 77 << States{{1, 1}, {2, 2}}
                                                      << zeros << OwnColours;
    QTest::newRow("shown: other route stored, not drawn") << on << 2 << States{{1, 1}}
                                                          << QList<int>{0, 0, 0, 1} << OwnColours;
}

void tst_CheckMode::sectionStates()
{
    QFETCH(int, tick);
    QFETCH(qint32, routeId);
    QFETCH(States, reported);
    QFETCH(QList<int>, states);
    QFETCH(QStringList, drawn);

    loadTrees();
    item({0})->setCheckState(Qt::CheckState(tick));
    const int calls = host->mapCalls.size();

    reply("Every_sections_state", RouteMessages::sectionsStateBody(routeId, reported));

    QCOMPARE(this->states(), states);
    QCOMPARE(host->mapCalls.size(), calls + 1);
    QCOMPARE(host->mapCalls.last().kind, MapCall::Refresh);
    QCOMPARE(host->mapCalls.last().mapId, 1);
    QVERIFY(host->requests.isEmpty());
    if (tick != Qt::Checked) {
        QCOMPARE(describe(host->sectionList()), QStringList());
        item({0})->setCheckState(Qt::Checked);
        QCOMPARE(host->mapCalls.size(), calls + 2);
    }
    QCOMPARE(describe(host->sectionList()), drawn);
}

// Route 2 stays shown while route 1 goes and comes back with its states. In
// the painted layer the circle is opaque and the polygon is laid over the map
// background with its alpha.
void tst_CheckMode::uncheckingErases()
{
    const QRect area(0, 0, 100000, 100000);
    const QSize size(400, 400);
    const QPoint yardCentre(200, 200), gateCentre(20, 380), empty(320, 40);
    const QColor background = MapPainter(area, size).image().pixelColor(empty);
    const auto painted = [&](const QPoint &at) {
        MapPainter painter(area, size);
        painter.paint(*host->GetLayers(1));
        return painter.image().pixelColor(at);
    };

    loadTrees();
    reply("Every_sections_state", RouteMessages::sectionsStateBody(1, {{1, 1}, {2, 2}}));
    item({1})->setCheckState(Qt::Checked);
    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(painted(yardCentre), QColor(31, 255, 31));
    QVERIFY2(laidOver(painted(gateCentre), background, QColor(202, 8, 30, 127)),
             qPrintable(rgba(painted(gateCentre))));
    QCOMPARE(painted(empty), background);
    const int refreshes = host->refreshCount();

    item({0})->setCheckState(Qt::Unchecked);

    QCOMPARE(describe(host->sectionList()), QStringList{Field});
    QCOMPARE(host->refreshCount(), refreshes + 1);
    QCOMPARE(painted(yardCentre), background);
    QCOMPARE(painted(gateCentre), background);
    QCOMPARE(states(), QList<int>({1, 2, 0, 0}));
    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(describe(host->sectionList()),
             QStringList({Field, GateRed, YardGreen, Dock, Lane, Post}));
}

// Before the map is bound nothing is drawn; the states kept show once it is.
void tst_CheckMode::noMap()
{
    start(false);
    loadTrees();

    item({0})->setCheckState(Qt::Checked);
    reply("Every_sections_state", RouteMessages::sectionsStateBody(1, {{1, 1}, {2, 2}}));
    item({1})->setCheckState(Qt::Checked);
    item({1})->setCheckState(Qt::Unchecked);

    QCOMPARE(states(), QList<int>({1, 2, 0, 0}));
    QCOMPARE(host->sectionList(), nullptr);
    QVERIFY(host->mapCalls.isEmpty());

    item({0})->setCheckState(Qt::Unchecked);
    plugin->BindMap(0, 1);
    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(describe(host->sectionList()), QStringList({GateRed, YardGreen, Dock, Lane, Post}));
}

// The nested routes start off but for route 10, loaded with the given mode.
// Of a route and a route inside it both named, only the outer one is switched.
void tst_CheckMode::checkModeReply_data()
{
    QTest::addColumn<int>("checkOn");
    QTest::addColumn<int>("timeType");
    QTest::addColumn<uint>("checkTime");
    QTest::addColumn<uint>("replyTime");
    QTest::addColumn<QList<int>>("replyIds");
    QTest::addColumn<QStringList>("texts"); // of routes 10, 20, 30, 40, 50
    QTest::addColumn<int>("checkOnAfter");
    QTest::addColumn<uint>("checkTimeAfter");

    const QString off = "Check off", on = "Check on 04:40:00 14.07.17";
    QTest::newRow("type 4 has its own text; group and child named: only the group")
        << 1 << 4 << 1400000000u << 1500000000u << QList<int>{10, 20, 40}
        << QStringList{"Plan Perehvat 04:40:00 14.07.17", off, off, on, off} << 1 << 1500000000u;
    QTest::newRow("child named after grandchild") << 0 << 1 << 0u << 1500000000u
                                                  << QList<int>{30, 20}
                                                  << QStringList{off, on, off, off, off} << 0 << 0u;
    QTest::newRow("time 0 switches off, time kept")
        << 1 << 4 << 1400000000u << 0u << QList<int>{10, 50}
        << QStringList{off, off, off, off, off} << 0 << 1400000000u;
    QTest::newRow("time past 2^31 is unsigned")
        << 0 << 1 << 0u << 3000000000u << QList<int>{10}
        << QStringList{"Check on 06:20:00 24.01.65", off, off, off, off} << 1 << 3000000000u;
    QTest::newRow("unnamed route keeps its loaded mode; 2 counts as on")
        << 2 << 4 << 0u << 1700000000u << QList<int>{50}
        << QStringList{"Plan Perehvat 01:00:00 01.01.70", off, off, off,
                       "Check on 23:13:20 14.11.23"}
        << 2 << 0u;
    QTest::newRow("node ids and others are no route ids")
        << 0 << 1 << 5u << 1500000000u << QList<int>{1, 2, 3, 4, 5, 6, 99, -1}
        << QStringList{off, off, off, off, off} << 0 << 5u;
}

void tst_CheckMode::checkModeReply()
{
    QFETCH(int, checkOn);
    QFETCH(int, timeType);
    QFETCH(uint, checkTime);
    QFETCH(uint, replyTime);
    QFETCH(QList<int>, replyIds);
    QFETCH(QStringList, texts);
    QFETCH(int, checkOnAfter);
    QFETCH(uint, checkTimeAfter);

    reply("Get_tree_rulecheck", nestedRoutes(checkOn, timeType, checkTime));
    // "Save" starts enabled; an acknowledged save turns it off.
    reply("Fix_routes", QByteArray());

    reply("Set_check_mode", checkModeReplyBody(replyTime, replyIds));

    QCOMPARE(modeTexts({{0}, {0, 0}, {0, 0, 0}, {1, 0}, {1, 1}}), texts);
    QCOMPARE(modeTexts({{1}}), QStringList{QString()});
    const RouteRecord *record = itemRoute(item({0}));
    QCOMPARE(record->checkOn, checkOnAfter);
    QCOMPARE(record->checkTime, checkTimeAfter);
    QCOMPARE(record->checkTimeType, timeType);
    QCOMPARE(itemRoute(item({1, 1}))->checkOn, int(texts.last() != "Check off"));
    // A reply is no edit of the operator's.
    QCOMPARE(itemEditState(item({0})), int(EditState::Unchanged));
    QCOMPARE(itemEditState(item({1, 1})), int(EditState::Unchanged));
    QVERIFY(!plugin->panProperties()->saveAction()->isEnabled());
    QCOMPARE(plugin->undoStack()->count(), 0);
    QVERIFY(host->requests.isEmpty());
}

// The request names the routes at and below the selected row, each before its
// children; nothing changes before the server answers.
void tst_CheckMode::setCheckMode_data()
{
    QTest::addColumn<QString>("action"); // empty: the slot called without an action
    QTest::addColumn<QList<int>>("path"); // empty: nothing selected
    QTest::addColumn<bool>("pendingEdit");
    QTest::addColumn<QByteArray>("body"); // empty: nothing sent

    QTest::newRow("on: group, depth first") << "Set check on" << QList<int>{0} << false
                                            << RouteMessages::checkModeRequest(1, {10, 20, 30});
    QTest::newRow("off: node without route, edits saved first")
        << "Set check off" << QList<int>{1} << true << RouteMessages::checkModeRequest(0, {40, 50});
    QTest::newRow("on: section row sends empty list") << "Set check on" << QList<int>{1, 1, 0}
                                                      << false
                                                      << RouteMessages::checkModeRequest(1, {});
    QTest::newRow("nothing selected, pending edit not saved")
        << "Set check on" << QList<int>() << true << QByteArray();
    QTest::newRow("called without an action") << QString() << QList<int>{0} << false
                                              << QByteArray();
}

void tst_CheckMode::setCheckMode()
{
    QFETCH(QString, action);
    QFETCH(QList<int>, path);
    QFETCH(bool, pendingEdit);
    QFETCH(QByteArray, body);

    reply("Get_tree_rulecheck", nestedRoutes());
    if (pendingEdit)
        plugin->setItemEditState(EditState::Changed, item({0, 0}));
    plugin->mainView()->selectionModel()->clearSelection();
    if (!path.isEmpty())
        plugin->mainView()->selectionModel()->select(
            item(path)->index(), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    if (action.isEmpty()) {
        plugin->onSetCheckMode();
    } else {
        const QList<QAction *> actions = plugin->contextMenu()->actions();
        const auto found = std::find_if(actions.begin(), actions.end(),
                                        [&](QAction *a) { return a->text() == action; });
        QVERIFY(found != actions.end());
        (*found)->trigger();
    }

    QList<QByteArray> commands;
    if (!body.isEmpty())
        commands = pendingEdit ? QList<QByteArray>{"Fix_routes", "Set_check_mode"}
                               : QList<QByteArray>{"Set_check_mode"};
    QCOMPARE(host->commands(), commands);
    if (body.isEmpty())
        return;
    const SentRequest &request = host->requests.last();
    QCOMPARE(request.server, QByteArray("OperCheck_Server1"));
    QCOMPARE(request.sender, static_cast<PluginInterface *>(plugin.get()));
    QCOMPARE(request.body.toHex(), body.toHex());
    QCOMPARE(modeTexts({{0}, {0, 0}, {0, 0, 0}, {1, 0}, {1, 1}}),
             QStringList({"Check off", "Check off", "Check off", "Check off", "Check off"}));
    QCOMPARE(plugin->undoStack()->count(), 0);
}

QTEST_MAIN(tst_CheckMode)
#include "tst_checkmode.moc"
