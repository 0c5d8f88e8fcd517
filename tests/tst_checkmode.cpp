// Checking routes on the map, live section states and the check-mode switch.
#include "support/FakeHost.h"
#include "support/PanelDriver.h"
#include "support/MapPainter.h"
#include "support/TreeBodies.h"

#include "panel/PanProperties.h"
#include "routecheck/ItemRoles.h"
#include "shell/OperativeCheck.h"

#include <MapQt.h>

#include <QAction>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <QUndoStack>

#include <ctime>

using namespace TreeBodies;

namespace {

using States = QList<RouteMessages::SectionState>;

// Sets the process time zone for one test and puts the old one back.
class ZoneGuard
{
public:
    explicit ZoneGuard(const QByteArray &zone)
        : m_had(qEnvironmentVariableIsSet("TZ"))
        , m_old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ZoneGuard()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    bool m_had;
    QByteArray m_old;
};

QString rgba(const QColor &c)
{
    return QString("%1,%2,%3,%4").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

// What the host would draw for one primitive: kind, point count and colours.
QString describe(const MapQt::MapPrimitive *primitive)
{
    if (!primitive)
        return QStringLiteral("null");
    const QString pen = primitive->pen
        ? QString(" pen %1/%2").arg(rgba(primitive->pen->color())).arg(primitive->pen->width())
        : QString();
    const QString brush = primitive->brush
        ? QString(" brush %1").arg(rgba(primitive->brush->color()))
        : QString();
    switch (primitive->kind) {
    case 1:
        return QString("trace %1").arg(static_cast<const MapQt::MapTrace *>(primitive)->count)
            + pen;
    case 2:
        return QString("polygon %1").arg(static_cast<const MapQt::MapTrace *>(primitive)->count)
            + pen + brush;
    case 5:
        return "car " + static_cast<const MapQt::MapCar *>(primitive)->text;
    default:
        return QString("kind %1").arg(primitive->kind);
    }
}

QStringList describe(const MapQt::PrimitiveList *list)
{
    QStringList result;
    if (!list)
        return {QStringLiteral("no list")};
    for (const MapQt::MapPrimitive *primitive : list->primitives)
        result << describe(primitive);
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

QByteArray checkModeReplyBody(quint32 checkTime, const QList<int> &ids)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << checkTime << quint32(ids.size());
    for (int id : ids)
        out << qint32(id);
    return body;
}

QByteArray checkModeRequestBody(qint32 mode, const QList<int> &ids)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << mode << quint32(ids.size());
    for (int id : ids)
        out << qint32(id);
    return body;
}

// A body built by hand, for ids and states the reply writer would not send.
QByteArray rawStates(const QList<qint32> &ints)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    for (qint32 value : ints)
        out << value;
    return body;
}

QColor over(const QColor &background, const QColor &paint)
{
    QImage image(1, 1, QImage::Format_ARGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.fillRect(image.rect(), paint);
    painter.end();
    return image.pixelColor(0, 0);
}

bool closeTo(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) <= 1 && qAbs(a.green() - b.green()) <= 1
        && qAbs(a.blue() - b.blue()) <= 1 && qAbs(a.alpha() - b.alpha()) <= 1;
}

} // namespace

Q_DECLARE_METATYPE(States)

class tst_CheckMode : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void checkingDrawsStateColours_data();
    void checkingDrawsStateColours();
    void uncheckingErases_data();
    void uncheckingErases();
    void statesForUnshownRouteAreStored_data();
    void statesForUnshownRouteAreStored();
    void statesForCheckedRoute_data();
    void statesForCheckedRoute();
    void noMap_data();
    void noMap();
    void paintedColours_data();
    void paintedColours();

    void checkModeReply_data();
    void checkModeReply();
    void checkModeReplyNesting_data();
    void checkModeReplyNesting();
    void setCheckModeRequest_data();
    void setCheckModeRequest();
    void setCheckModeSendsNothing_data();
    void setCheckModeSendsNothing();
    void setCheckModeSavesPendingEditsFirst();

private:
    void start(bool withMap, bool bind);
    void reply(const QByteArray &command, const QByteArray &body);
    void loadTrees();
    QStandardItem *item(const QList<int> &path) const;
    QStringList modeTexts(const QList<QList<int>> &paths) const;
    QList<int> states(int routeRow) const;
    QAction *menuAction(const QString &text) const;
    void select(const QList<int> &path);

    FakeHost *host = nullptr;
    OperativeCheck *plugin = nullptr;
};

void tst_CheckMode::init()
{
    start(true, true);
}

void tst_CheckMode::cleanup()
{
    // The plug-in clears its shapes out of the host's list on the way out.
    delete plugin;
    plugin = nullptr;
    delete host;
    host = nullptr;
}

void tst_CheckMode::start(bool withMap, bool bind)
{
    cleanup();
    host = new FakeHost(withMap);
    plugin = new OperativeCheck;
    plugin->SetHost(host);
    if (bind)
        plugin->BindMap(0, 1);
}

void tst_CheckMode::reply(const QByteArray &command, const QByteArray &body)
{
    PanelDriver::deliver(plugin, command, body);
}

void tst_CheckMode::loadTrees()
{
    reply("Get_tree_rulecheck", routes());
    reply("Get_tree_graphobj", layers());
}

QStandardItem *tst_CheckMode::item(const QList<int> &path) const
{
    return PanelDriver::itemAt(plugin->model, path);
}

// The column-1 text beside each item, "none" where the row has no such cell.
QStringList tst_CheckMode::modeTexts(const QList<QList<int>> &paths) const
{
    QStringList result;
    for (const QList<int> &path : paths) {
        QStandardItem *cell = item(path);
        QStandardItem *container = cell && cell->parent() ? cell->parent()
                                                          : plugin->model->invisibleRootItem();
        QStandardItem *modeCell = cell ? container->child(cell->row(), 1) : nullptr;
        result << (modeCell ? modeCell->text() : QStringLiteral("none"));
    }
    return result;
}

QList<int> tst_CheckMode::states(int routeRow) const
{
    QList<int> result;
    if (const RouteRecord *record = itemRoute(item({routeRow}))) {
        for (const SectionRecord *section : record->sections)
            result << section->state;
    }
    return result;
}

QAction *tst_CheckMode::menuAction(const QString &text) const
{
    const QList<QAction *> actions = plugin->contextMenu.actions();
    for (QAction *action : actions) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

void tst_CheckMode::select(const QList<int> &path)
{
    plugin->mainView->selectionModel()->select(
        item(path)->index(), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Each row: the states the server reported before the route was ticked.
void tst_CheckMode::checkingDrawsStateColours_data()
{
    QTest::addColumn<States>("reported");
    QTest::addColumn<QStringList>("drawn");

    QTest::newRow("never reported: own colours")
        << States() << QStringList{Gate, Yard, Dock, Lane, Post};
    QTest::newRow("state 0: own colours")
        << States{{1, 0}, {2, 0}, {3, 0}} << QStringList{Gate, Yard, Dock, Lane, Post};
    QTest::newRow("state 1: red tint")
        << States{{1, 1}, {2, 1}, {3, 1}} << QStringList{GateRed, YardRed, DockRed, Lane, Post};
    QTest::newRow("state 2: green tint")
        << States{{1, 2}, {2, 2}, {3, 2}}
        << QStringList{GateGreen, YardGreen, DockGreen, Lane, Post};
    QTest::newRow("each section its own state")
        << States{{1, 1}, {2, 2}, {3, 0}} << QStringList{GateRed, YardGreen, Dock, Lane, Post};
    QTest::newRow("states 3, -1 and max: own colours")
        << States{{1, 3}, {2, -1}, {3, 0x7fffffff}} << QStringList{Gate, Yard, Dock, Lane, Post};
}

void tst_CheckMode::checkingDrawsStateColours()
{
    QFETCH(States, reported);
    QFETCH(QStringList, drawn);

    loadTrees();
    if (!reported.isEmpty())
        reply("Every_sections_state", RouteMessages::sectionsStateBody(1, reported));
    QVERIFY(host->sectionList());
    QCOMPARE(describe(host->sectionList()), QStringList());
    const int refreshes = host->refreshCount();

    item({0})->setCheckState(Qt::Checked);

    QCOMPARE(describe(host->sectionList()), drawn);
    QCOMPARE(host->refreshCount(), refreshes + 1);
    QCOMPARE(host->mapCalls.last().kind, MapCall::Refresh);
    QCOMPARE(host->mapCalls.last().mapId, 1);
}

void tst_CheckMode::uncheckingErases_data()
{
    QTest::addColumn<bool>("otherChecked");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("only route shown") << false << QStringList();
    QTest::newRow("other route stays") << true << QStringList{Field};
}

void tst_CheckMode::uncheckingErases()
{
    QFETCH(bool, otherChecked);
    QFETCH(QStringList, left);

    loadTrees();
    reply("Every_sections_state", RouteMessages::sectionsStateBody(1, {{1, 1}, {2, 2}}));
    if (otherChecked)
        item({1})->setCheckState(Qt::Checked);
    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(host->sectionList()->primitives.size(), otherChecked ? 6 : 5);
    const int refreshes = host->refreshCount();

    item({0})->setCheckState(Qt::Unchecked);

    QCOMPARE(describe(host->sectionList()), left);
    QCOMPARE(host->refreshCount(), refreshes + 1);
    // The states stay for the next time the route is shown.
    QCOMPARE(states(0), QList<int>({1, 2, 0}));
    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(describe(host->sectionList()),
             left + QStringList({GateRed, YardGreen, Dock, Lane, Post}));
}

void tst_CheckMode::statesForUnshownRouteAreStored_data()
{
    QTest::addColumn<int>("checkState");

    QTest::newRow("route unchecked") << int(Qt::Unchecked);
    QTest::newRow("route partially checked") << int(Qt::PartiallyChecked);
}

void tst_CheckMode::statesForUnshownRouteAreStored()
{
    QFETCH(int, checkState);

    loadTrees();
    item({0})->setCheckState(Qt::CheckState(checkState));
    QCOMPARE(describe(host->sectionList()), QStringList());
    const int refreshes = host->refreshCount();

    reply("Every_sections_state", RouteMessages::sectionsStateBody(1, {{3, 2}, {1, 1}}));

    QCOMPARE(states(0), QList<int>({1, 0, 2}));
    QCOMPARE(states(1), QList<int>({0}));
    QCOMPARE(describe(host->sectionList()), QStringList());
    QCOMPARE(host->refreshCount(), refreshes + 1);

    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(describe(host->sectionList()),
             QStringList({GateRed, Yard, DockGreen, Lane, Post}));
    QCOMPARE(host->refreshCount(), refreshes + 2);
}

// Route 1 is shown in its own colours; each row is one states reply. A redrawn
// section's shapes leave their place and go to the end of the list.
void tst_CheckMode::statesForCheckedRoute_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("drawn");
    QTest::addColumn<QList<int>>("routeStates");
    QTest::addColumn<QList<int>>("otherStates");

    const QStringList unchanged{Gate, Yard, Dock, Lane, Post};
    const QList<int> zeros{0, 0, 0};

    QTest::newRow("one section recoloured")
        << RouteMessages::sectionsStateBody(1, {{2, 1}})
        << QStringList{Gate, Dock, Lane, Post, YardRed} << QList<int>{0, 1, 0} << QList<int>{0};
    QTest::newRow("two sections, in reply order")
        << RouteMessages::sectionsStateBody(1, {{3, 2}, {1, 1}})
        << QStringList{Yard, DockGreen, Lane, Post, GateRed} << QList<int>{1, 0, 2}
        << QList<int>{0};
    QTest::newRow("state 0 still redraws")
        << RouteMessages::sectionsStateBody(1, {{1, 0}})
        << QStringList{Yard, Dock, Lane, Post, Gate} << zeros << QList<int>{0};
    QTest::newRow("repeated section: last state wins")
        << RouteMessages::sectionsStateBody(1, {{1, 1}, {1, 2}})
        << QStringList{Yard, Dock, Lane, Post, GateGreen} << QList<int>{2, 0, 0}
        << QList<int>{0};
    QTest::newRow("section not in route skipped")
        << RouteMessages::sectionsStateBody(1, {{99, 1}}) << unchanged << zeros << QList<int>{0};
    QTest::newRow("unknown section among known ones")
        << RouteMessages::sectionsStateBody(1, {{99, 1}, {2, 2}, {4, 1}})
        << QStringList{Gate, Dock, Lane, Post, YardGreen} << QList<int>{0, 2, 0}
        << QList<int>{0};
    QTest::newRow("route not in tree skipped")
        << RouteMessages::sectionsStateBody(77, {{1, 1}, {2, 2}}) << unchanged << zeros
        << QList<int>{0};
    QTest::newRow("other route: stored, not drawn")
        << RouteMessages::sectionsStateBody(2, {{1, 1}}) << unchanged << zeros << QList<int>{1};
    QTest::newRow("first section id 0 ends the body")
        << RouteMessages::sectionsStateBody(1, {{0, 1}, {1, 2}}) << unchanged << zeros
        << QList<int>{0};
    QTest::newRow("negative first section id ends the body")
        << rawStates({1, -3, 1, 1, 2, 0}) << unchanged << zeros << QList<int>{0};
    QTest::newRow("no sections") << RouteMessages::sectionsStateBody(1, {}) << unchanged
                                 << zeros << QList<int>{0};
    QTest::newRow("route id only, body ends") << rawStates({1}) << unchanged << zeros
                                              << QList<int>{0};
}

void tst_CheckMode::statesForCheckedRoute()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, drawn);
    QFETCH(QList<int>, routeStates);
    QFETCH(QList<int>, otherStates);

    loadTrees();
    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(describe(host->sectionList()), QStringList({Gate, Yard, Dock, Lane, Post}));
    const int calls = host->mapCalls.size();

    reply("Every_sections_state", body);

    QCOMPARE(describe(host->sectionList()), drawn);
    QCOMPARE(states(0), routeStates);
    QCOMPARE(states(1), otherStates);
    QCOMPARE(host->mapCalls.size(), calls + 1);
    QCOMPARE(host->mapCalls.last().kind, MapCall::Refresh);
    QCOMPARE(host->mapCalls.last().mapId, 1);
    QVERIFY(host->requests.isEmpty());
}

void tst_CheckMode::noMap_data()
{
    QTest::addColumn<bool>("withMap");
    QTest::addColumn<QStringList>("drawnOnceBound");

    QTest::newRow("host without map") << false << QStringList{"no list"};
    QTest::newRow("map not bound yet")
        << true << QStringList{GateRed, YardGreen, Dock, Lane, Post};
}

void tst_CheckMode::noMap()
{
    QFETCH(bool, withMap);
    QFETCH(QStringList, drawnOnceBound);

    start(withMap, !withMap);
    loadTrees();

    item({0})->setCheckState(Qt::Checked);
    reply("Every_sections_state", RouteMessages::sectionsStateBody(1, {{1, 1}, {2, 2}}));
    item({1})->setCheckState(Qt::Checked);
    item({1})->setCheckState(Qt::Unchecked);

    QCOMPARE(states(0), QList<int>({1, 2, 0}));
    QCOMPARE(host->sectionList(), nullptr);
    QVERIFY(host->mapCalls.isEmpty());

    // States that arrived unbound show once a map is there.
    item({0})->setCheckState(Qt::Unchecked);
    plugin->BindMap(0, 1);
    item({0})->setCheckState(Qt::Checked);
    QCOMPARE(describe(host->sectionList()), drawnOnceBound);
}

// Pixels of the painted layer: the circle is opaque, the polygon is laid over
// the map background with its alpha.
void tst_CheckMode::paintedColours_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QColor>("yard");
    QTest::addColumn<QColor>("gate");

    QTest::newRow("state 0") << 0 << QColor(255, 255, 255) << QColor(10, 200, 30, 100);
    QTest::newRow("state 1") << 1 << QColor(255, 31, 31) << QColor(202, 8, 30, 127);
    QTest::newRow("state 2") << 2 << QColor(31, 255, 31) << QColor(10, 200, 30, 127);
}

void tst_CheckMode::paintedColours()
{
    QFETCH(int, state);
    QFETCH(QColor, yard);
    QFETCH(QColor, gate);

    const QRect area(0, 0, 100000, 100000);
    const QSize size(400, 400);
    const QPoint yardCentre(200, 200);
    const QPoint gateCentre(20, 380);
    const QPoint empty(320, 40);
    const QColor background = MapPainter(area, size).image().pixelColor(empty);

    loadTrees();
    reply("Every_sections_state", RouteMessages::sectionsStateBody(1, {{1, state}, {2, state}}));
    item({0})->setCheckState(Qt::Checked);

    MapPainter shown(area, size);
    shown.paint(*host->GetLayers(1));
    QCOMPARE(shown.image().pixelColor(yardCentre), yard);
    const QColor gatePixel = shown.image().pixelColor(gateCentre);
    QVERIFY2(closeTo(gatePixel, over(background, gate)), qPrintable(rgba(gatePixel)));
    QCOMPARE(shown.image().pixelColor(empty), background);

    item({0})->setCheckState(Qt::Unchecked);
    MapPainter erased(area, size);
    erased.paint(*host->GetLayers(1));
    QCOMPARE(erased.image().pixelColor(yardCentre), background);
    QCOMPARE(erased.image().pixelColor(gateCentre), background);
}

// Route 1 on row 0 starts with the loaded mode; the reply names routes.
void tst_CheckMode::checkModeReply_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<int>("checkOn");
    QTest::addColumn<int>("timeType");
    QTest::addColumn<uint>("checkTime");
    QTest::addColumn<uint>("replyTime");
    QTest::addColumn<QList<int>>("replyIds");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("checkOnAfter");
    QTest::addColumn<uint>("checkTimeAfter");

    const QString off = "Check off";
    for (const char *zone : {"UTC", "Europe/Berlin"}) {
        const bool utc = qstrcmp(zone, "UTC") == 0;
        const auto at = [utc](const char *utcText, const char *berlinText) {
            return QString::fromLatin1(utc ? utcText : berlinText);
        };
        const QString summer = at("02:40:00 14.07.17", "04:40:00 14.07.17");

        QTest::addRow("%s: switched on", zone)
            << QByteArray(zone) << 0 << 1 << 0u << 1500000000u << QList<int>{1}
            << QStringList{"Check on " + summer, off} << 1 << 1500000000u;
        QTest::addRow("%s: switched on, type 4", zone)
            << QByteArray(zone) << 0 << 4 << 0u << 1500000000u << QList<int>{1}
            << QStringList{"Plan Perehvat " + summer, off} << 1 << 1500000000u;
        QTest::addRow("%s: switched on again, new time", zone)
            << QByteArray(zone) << 1 << 2 << 1400000000u << 1500000000u << QList<int>{1, 2}
            << QStringList{"Check on " + summer, "Check on " + summer} << 1 << 1500000000u;
        QTest::addRow("%s: time 0 switches off, time kept", zone)
            << QByteArray(zone) << 1 << 1 << 1400000000u << 0u << QList<int>{1}
            << QStringList{off, off} << 0 << 1400000000u;
        QTest::addRow("%s: type 4 switched off", zone)
            << QByteArray(zone) << 1 << 4 << 1400000000u << 0u << QList<int>{1}
            << QStringList{off, off} << 0 << 1400000000u;
        QTest::addRow("%s: time past 2^31 is unsigned", zone)
            << QByteArray(zone) << 0 << 1 << 0u << 3000000000u << QList<int>{1}
            << QStringList{"Check on " + at("05:20:00 24.01.65", "06:20:00 24.01.65"), off}
            << 1 << 3000000000u;
        QTest::addRow("%s: local date differs from UTC", zone)
            << QByteArray(zone) << 0 << 1 << 0u << 1700004000u << QList<int>{1}
            << QStringList{"Check on " + at("23:20:00 14.11.23", "00:20:00 15.11.23"), off}
            << 1 << 1700004000u;
        QTest::addRow("%s: loaded on at the epoch, type 4", zone)
            << QByteArray(zone) << 1 << 4 << 0u << 1700000000u << QList<int>{2}
            << QStringList{"Plan Perehvat " + at("00:00:00 01.01.70", "01:00:00 01.01.70"),
                           "Check on " + at("22:13:20 14.11.23", "23:13:20 14.11.23")}
            << 1 << 0u;
        QTest::addRow("%s: loaded check on 2 counts as on", zone)
            << QByteArray(zone) << 2 << 1 << 1500000000u << 1u << QList<int>()
            << QStringList{"Check on " + summer, off} << 2 << 1500000000u;
        QTest::addRow("%s: reply names no route here", zone)
            << QByteArray(zone) << 0 << 1 << 5u << 1500000000u << QList<int>{99, -1}
            << QStringList{off, off} << 0 << 5u;
    }
}

void tst_CheckMode::checkModeReply()
{
    QFETCH(QByteArray, zone);
    QFETCH(int, checkOn);
    QFETCH(int, timeType);
    QFETCH(uint, checkTime);
    QFETCH(uint, replyTime);
    QFETCH(QList<int>, replyIds);
    QFETCH(QStringList, texts);
    QFETCH(int, checkOnAfter);
    QFETCH(uint, checkTimeAfter);

    const ZoneGuard guard(zone);
    QSharedPointer<RouteRecord> first = route(1, {section(1, "S", {5})});
    first->checkOn = checkOn;
    first->checkTimeType = timeType;
    first->checkTime = checkTime;
    reply("Get_tree_rulecheck",
          ruleTree({withRoute(node(1, "A", 1), first), withRoute(node(2, "B", 1), route(2))}));

    // "Save" starts enabled; an acknowledged save turns it off.
    reply("Fix_routes", QByteArray());
    QVERIFY(!plugin->panProperties->saveAction->isEnabled());

    reply("Set_check_mode", checkModeReplyBody(replyTime, replyIds));

    QCOMPARE(modeTexts({{0}, {1}}), texts);
    const RouteRecord *record = itemRoute(item({0}));
    QCOMPARE(record->checkOn, checkOnAfter);
    QCOMPARE(record->checkTime, checkTimeAfter);
    QCOMPARE(record->checkTimeType, timeType);
    // A reply is no edit of the operator's.
    QCOMPARE(itemEditState(item({0})), int(EditState::Unchanged));
    QCOMPARE(itemEditState(item({1})), int(EditState::Unchanged));
    QVERIFY(!plugin->panProperties->saveAction->isEnabled());
    QCOMPARE(plugin->undoStack->count(), 0);
    QVERIFY(host->requests.isEmpty());
}

// Route 10 on node Group holds 20, which holds 30; routes 40 and 50 sit below
// a node without a route.
void tst_CheckMode::checkModeReplyNesting_data()
{
    QTest::addColumn<QList<int>>("replyIds");
    QTest::addColumn<QList<int>>("checkOn");

    QTest::newRow("group and child named: only the group") << QList<int>{10, 20}
                                                          << QList<int>{1, 0, 0, 0, 0};
    QTest::newRow("child named after grandchild") << QList<int>{30, 20}
                                                  << QList<int>{0, 1, 0, 0, 0};
    QTest::newRow("grandchild alone") << QList<int>{30} << QList<int>{0, 0, 1, 0, 0};
    QTest::newRow("below a node without route") << QList<int>{50, 40}
                                                << QList<int>{0, 0, 0, 1, 1};
    QTest::newRow("all named") << QList<int>{10, 20, 30, 40, 50} << QList<int>{1, 0, 0, 1, 1};
    QTest::newRow("node ids are not route ids") << QList<int>{1, 2, 3, 4, 5, 6}
                                                << QList<int>{0, 0, 0, 0, 0};
}

void tst_CheckMode::checkModeReplyNesting()
{
    QFETCH(QList<int>, replyIds);
    QFETCH(QList<int>, checkOn);

    const ZoneGuard guard("UTC");
    reply("Get_tree_rulecheck",
          ruleTree({withRoute(node(1, "Group", 1,
                                   {withRoute(node(2, "Child", 1,
                                                   {withRoute(node(3, "Grandchild", 1),
                                                              route(30))}),
                                              route(20))}),
                              route(10)),
                    node(4, "Folder", 1, {withRoute(node(5, "Inner", 1), route(40)),
                                          withRoute(node(6, "Inner 2", 1), route(50))})}));
    const QList<QList<int>> paths{{0}, {0, 0}, {0, 0, 0}, {1, 0}, {1, 1}};

    reply("Set_check_mode", checkModeReplyBody(1500000000u, replyIds));

    QList<int> flags;
    QStringList expectedTexts;
    for (const QList<int> &path : paths) {
        const RouteRecord *record = itemRoute(item(path));
        QVERIFY(record);
        flags << record->checkOn;
        expectedTexts << (record->checkOn ? QStringLiteral("Check on 02:40:00 14.07.17")
                                          : QStringLiteral("Check off"));
    }
    QCOMPARE(flags, checkOn);
    QCOMPARE(modeTexts(paths), expectedTexts);
    QCOMPARE(modeTexts({{1}}), QStringList{"none"});
}

// Group: A (route 21) holding A1 (31) holding A1a (41), and B (51); Empty; Lone (71).
void tst_CheckMode::setCheckModeRequest_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<qint32>("mode");
    QTest::addColumn<QList<int>>("ids");

    QTest::newRow("on: group, depth first") << "Set check on" << QList<int>{0} << 1
                                            << QList<int>{21, 31, 41, 51};
    QTest::newRow("off: group, depth first") << "Set check off" << QList<int>{0} << 0
                                             << QList<int>{21, 31, 41, 51};
    QTest::newRow("on: route first, then its children")
        << "Set check on" << QList<int>{0, 0} << 1 << QList<int>{21, 31, 41};
    QTest::newRow("off: inner route") << "Set check off" << QList<int>{0, 0, 0} << 0
                                      << QList<int>{31, 41};
    QTest::newRow("on: leaf route") << "Set check on" << QList<int>{0, 1} << 1
                                    << QList<int>{51};
    QTest::newRow("on: route with sections") << "Set check on" << QList<int>{2} << 1
                                             << QList<int>{71};
    QTest::newRow("on: node without routes sends empty list")
        << "Set check on" << QList<int>{1} << 1 << QList<int>();
    QTest::newRow("off: section row sends empty list")
        << "Set check off" << QList<int>{2, 1} << 0 << QList<int>();
}

void tst_CheckMode::setCheckModeRequest()
{
    QFETCH(QString, action);
    QFETCH(QList<int>, path);
    QFETCH(qint32, mode);
    QFETCH(QList<int>, ids);

    reply("Get_tree_rulecheck",
          ruleTree({node(1, "Group", 1,
                         {withRoute(node(2, "A", 1,
                                         {withRoute(node(3, "A1", 1,
                                                         {withRoute(node(4, "A1a", 1),
                                                                    route(41))}),
                                                    route(31))}),
                                    route(21, {section(1, "A section")})),
                          withRoute(node(5, "B", 1), route(51))}),
                    node(6, "Empty", 1),
                    withRoute(node(7, "Lone", 1),
                              route(71, {section(1, "Gate"), section(2, "Yard")}))}));
    const QList<QList<int>> routePaths{{0, 0}, {0, 0, 0}, {0, 0, 0, 0}, {0, 1}, {2}};
    const QStringList textsBefore = modeTexts(routePaths);
    QCOMPARE(textsBefore, QStringList({"Check off", "Check off", "Check off", "Check off",
                                       "Check off"}));
    QAction *trigger = menuAction(action);
    QVERIFY(trigger);

    select(path);
    trigger->trigger();

    QCOMPARE(host->requests.size(), 1);
    const SentRequest &request = host->requests.first();
    QCOMPARE(request.server, QByteArray("OperCheck_Server1"));
    QCOMPARE(request.command, QByteArray("Set_check_mode"));
    QCOMPARE(request.sender, static_cast<PluginInterface *>(plugin));
    QCOMPARE(request.body.toHex(), checkModeRequestBody(mode, ids).toHex());

    // Only the reply changes the tree.
    QCOMPARE(modeTexts(routePaths), textsBefore);
    for (const QList<int> &routePath : routePaths)
        QCOMPARE(itemRoute(item(routePath))->checkOn, 0);
    QCOMPARE(plugin->undoStack->count(), 0);
}

void tst_CheckMode::setCheckModeSendsNothing_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("selectRow");
    QTest::addColumn<bool>("pendingEdit");

    QTest::newRow("on, nothing selected") << "Set check on" << false << false;
    QTest::newRow("off, nothing selected") << "Set check off" << false << false;
    QTest::newRow("nothing selected, pending edit not saved") << "Set check on" << false << true;
    QTest::newRow("called without an action") << QString() << true << true;
}

void tst_CheckMode::setCheckModeSendsNothing()
{
    QFETCH(QString, action);
    QFETCH(bool, selectRow);
    QFETCH(bool, pendingEdit);

    loadTrees();
    if (pendingEdit)
        plugin->setItemEditState(EditState::Changed, item({0}));
    if (selectRow)
        select({0});
    else
        plugin->mainView->selectionModel()->clearSelection();

    if (action.isEmpty()) {
        plugin->onSetCheckMode();
    } else {
        QAction *trigger = menuAction(action);
        QVERIFY(trigger);
        trigger->trigger();
    }

    QVERIFY(host->requests.isEmpty());
}

void tst_CheckMode::setCheckModeSavesPendingEditsFirst()
{
    loadTrees();
    plugin->setItemEditState(EditState::Changed, item({1}));
    select({0});

    menuAction("Set check on")->trigger();

    QCOMPARE(host->commands(), QList<QByteArray>({"Fix_routes", "Set_check_mode"}));
    QCOMPARE(host->requests.last().body.toHex(), checkModeRequestBody(1, {1}).toHex());
}

QTEST_MAIN(tst_CheckMode)
#include "tst_checkmode.moc"
