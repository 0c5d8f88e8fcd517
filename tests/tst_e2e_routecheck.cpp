// The whole chain in one process: the host's window and server link, the
// plug-in's code driven through its own slots, and the route-check server on a
// temporary database. What the operator does must survive the server's restart.
#include <HostServices.h>
#include <HostWindow.h>
#include <MapCanvas.h>
#include <ObjectsModel.h>
#include <ServerConnection.h>

#include <LayerStore.h>
#include <RouteCheckServer.h>
#include <RuleStore.h>
#include <TrackedObjectStore.h>

#include "graphobj/GraphObData.h"
#include "panel/PanProperties.h"
#include "routecheck/ItemRoles.h"
#include "routecheck/RouteRecord.h"
#include "routecheck/SectionRecord.h"
#include "shell/OperativeCheck.h"

#include <DemoDistrict.h>
#include <TreeObjCheckable.h>

#include <QAction>
#include <QDateTime>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include "support/E2eClient.h"

#include <memory>

using E2e::nodeItem;
using E2e::waitFor;

namespace {

const QByteArray RuleTree("Get_tree_rulecheck");
const QByteArray LayerTree("Get_tree_graphobj");
const QByteArray FixRoutes("Fix_routes");
const QByteArray CheckMode("Set_check_mode");

// Property rows of a section, top to bottom.
enum Row { Name, MsgIn, MsgOut, Schedule, TimeIn, InAhead, InBehind, TimeOut, OutAhead,
           OutBehind, Delay };
// Property rows of a route.
enum RouteRow { TimeType, Objects };

// What the test database holds; ids as the server gave them.
struct Seed
{
    qint32 depot = 0;
    qint32 spare = 0;
    qint32 beat = 0;
    qint32 locked = 0;
    QMap<QString, qint32> objects; // graphic objects by name
    QMap<QString, qint32> units;
};

using E2e::Client;

// Everything a save carries of a section, in one line.
QString describe(const SectionRecord &s)
{
    QStringList ids;
    for (int id : s.graphObjectIds)
        ids << QString::number(id);
    return QStringLiteral("%1|%2|[%3]|in %4 out %5|msg %6 %7|tol %8,%9,%10,%11")
        .arg(s.id)
        .arg(s.name, ids.join(','))
        .arg(s.checkTimeIn)
        .arg(s.checkTimeOut)
        .arg(s.messageOnTimeIn)
        .arg(s.messageOnTimeOut)
        .arg(s.checkTimeInAhead)
        .arg(s.checkTimeInBehind)
        .arg(s.checkTimeOutAhead)
        .arg(s.checkTimeOutBehind);
}

QString describe(const RouteRecord *route)
{
    if (!route)
        return QStringLiteral("no route");
    QStringList objects;
    for (int id : route->objects)
        objects << QString::number(id);
    QStringList sections;
    for (const SectionRecord *s : route->sections)
        sections << describe(*s);
    return QStringLiteral("route %1 type %2 check %3 objects [%4] {%5}")
        .arg(route->id)
        .arg(route->checkTimeType)
        .arg(route->checkOn)
        .arg(objects.join(','), sections.join(QStringLiteral("; ")));
}

// One section as the operator enters it.
struct SectionEdit
{
    QStringList graphObjects; // ticked in the dialog, before the name is typed
    QString name;
    bool schedule = false;
    QString timeIn;  // typed when the schedule is on
    QString timeOut;
    QStringList tolerances; // in ahead, in behind, out ahead, out behind; empty: untouched
    bool msgIn = true;
    bool msgOut = true;
    // What the record must then hold.
    int expectedIn = -1;
    int expectedOut = -1;
};

struct RouteEdit
{
    QString timeType;
    QStringList units;
    QList<SectionEdit> sections;
    int expectedTimeType = 1;
};

} // namespace

Q_DECLARE_METATYPE(RouteEdit)

class tst_E2eRouteCheck : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void treesLoadIntoPanel();
    void routeSurvivesRestart_data();
    void routeSurvivesRestart();
    void deletedRouteIsGone_data();
    void deletedRouteIsGone();
    void checkModeRoundTrip_data();
    void checkModeRoundTrip();
    void twoClientsSeeEachOthersSaves();
    void mapSwitchAndReloadLeaveNoStaleShapes();

private:
    void startServer(quint16 port = 0);
    void seedDatabase();
    // Connects a client and waits until the plug-in has both trees.
    void connectClient(Client &client);
    void restartServer();
    void click(Client &client, QStandardItem *item);
    QStandardItem *cell(Client &client, int row) const;
    void editText(Client &client, int row, const QString &text);
    void setSwitch(Client &client, int row, bool on);
    void enterRoute(Client &client, qint32 nodeId, const RouteEdit &edit);
    void save(Client &client);
    void reload(Client &client);
    void setCheckMode(Client &client, qint32 nodeId, int mode);

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<RouteCheckServer> server;
    quint16 port = 0;
    Seed seed;
    std::unique_ptr<Client> first;
    std::unique_ptr<Client> second;
};

void tst_E2eRouteCheck::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    startServer();
    seedDatabase();
    first = std::make_unique<Client>();
    connectClient(*first);
}

void tst_E2eRouteCheck::cleanup()
{
    second.reset();
    first.reset();
    server.reset();
    folder.reset();
}

void tst_E2eRouteCheck::startServer(quint16 atPort)
{
    ServerOptions options;
    options.port = atPort;
    options.databasePath = folder->filePath(QStringLiteral("routes.sqlite"));
    server = std::make_unique<RouteCheckServer>(options);
    QString error;
    QVERIFY2(server->start(&error), qPrintable(error));
    port = server->serverPort();
}

void tst_E2eRouteCheck::seedDatabase()
{
    TrackedObjectStore units(server->database());
    const qint32 cars = units.add(0, QStringLiteral("Cars"), TrackedObjectStore::Kind::Group, 0);
    seed.units.insert("Car 11", units.add(cars, "Car 11", TrackedObjectStore::Kind::Unit, 0));
    seed.units.insert("Car 12", units.add(cars, "Car 12", TrackedObjectStore::Kind::Unit, 1));
    seed.units.insert("Bike 3", units.add(0, "Bike 3", TrackedObjectStore::Kind::Unit, 1));

    LayerStore layers(server->database());
    const qint32 marks = layers.addLayer(0, QStringLiteral("Marks"), 1, 0);
    auto object = [&](qint32 type, const QString &name, const QList<QPoint> &points,
                      const QVariantMap &properties) {
        GraphObData record;
        record.type = type;
        record.name = name;
        record.points = points;
        record.properties = properties;
        seed.objects.insert(name, layers.addObject(marks, record, seed.objects.size()));
    };
    using DemoDistrict::offset;
    object(3, "Gate", {offset(0, 0), offset(200, 0), offset(100, 150)},
           {{"Color", QColor(Qt::blue)}, {"Brush", QColor(0, 0, 255, 80)}});
    object(3, "Yard", {offset(500, 500), offset(700, 500), offset(600, 650)}, {});
    object(1, "Post", {offset(-300, 100)}, {{"IconName", QStringLiteral("PostMOB")}});
    object(4, "Ring", {offset(900, -400)}, {{"Diameter", 120}});

    RuleStore rules(server->database());
    seed.depot = rules.addNode(0, QStringLiteral("Depot"), 3, 0);
    seed.spare = rules.addNode(seed.depot, QStringLiteral("Spare post"), 3, 0);
    seed.beat = rules.addNode(seed.depot, QStringLiteral("Beat"), 3, 1);
    seed.locked = rules.addNode(0, QStringLiteral("Locked"), 1, 1);
    RouteRecord route(seed.beat);
    route.checkTimeType = 1;
    route.objects = {seed.units.value("Car 11")};
    auto *gate = new SectionRecord;
    gate->id = 1;
    gate->name = QStringLiteral("Gate");
    gate->graphObjectIds = {seed.objects.value("Gate")};
    gate->checkTimeIn = 3600;
    gate->checkTimeOut = 4200;
    auto *yard = new SectionRecord;
    yard->id = 2;
    yard->name = QStringLiteral("Yard");
    yard->graphObjectIds = {seed.objects.value("Yard"), seed.objects.value("Post")};
    route.sections = {gate, yard};
    QVERIFY(rules.storeRoute(route));
}

void tst_E2eRouteCheck::connectClient(Client &client)
{
    QVERIFY(waitFor(client, LayerTree,
                    [&]() { client.connection.connectTo(QStringLiteral("127.0.0.1"), port); }));
}

void tst_E2eRouteCheck::restartServer()
{
    // Same database, same port: the clients find it again by themselves.
    const quint16 oldPort = port;
    server.reset();
    QTRY_VERIFY(!first->connection.isConnected());
    startServer(oldPort);
    QCOMPARE(port, oldPort);
}

void tst_E2eRouteCheck::click(Client &client, QStandardItem *item)
{
    const QModelIndex index = item ? item->index() : QModelIndex();
    client.plugin->mainView->setCurrentIndex(index);
    client.plugin->onMainItemClicked(index);
}

QStandardItem *tst_E2eRouteCheck::cell(Client &client, int row) const
{
    return client.plugin->panProperties->propertyModel->item(row, 1);
}

void tst_E2eRouteCheck::editText(Client &client, int row, const QString &text)
{
    client.plugin->onPropertyItemClicked(cell(client, row)->index());
    cell(client, row)->setData(text, Qt::EditRole);
}

void tst_E2eRouteCheck::setSwitch(Client &client, int row, bool on)
{
    QStandardItem *item = cell(client, row);
    QVERIFY(item->isCheckable());
    // A new section starts from the last one's settings: only a change is a click.
    if ((item->checkState() == Qt::Checked) == on)
        return;
    client.plugin->onPropertyItemClicked(item->index());
    item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

// Everything through the panel: add the route and its sections, fill every row.
void tst_E2eRouteCheck::enterRoute(Client &client, qint32 nodeId, const RouteEdit &edit)
{
    OperativeCheck *plugin = client.plugin;
    QStandardItem *node = nodeItem(client, nodeId);
    QVERIFY(node);
    click(client, node);
    plugin->onAddRouteClicked();
    QVERIFY(itemRoute(node));

    editText(client, TimeType, edit.timeType);
    plugin->onSelObjsClicked();
    auto *list = qobject_cast<QStandardItemModel *>(
        plugin->objectsDialog.treeWidget->findChild<QTreeView *>()->model());
    QVERIFY(list);
    for (const QString &unit : edit.units) {
        const QList<QStandardItem *> found =
            list->findItems(unit, Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        found.first()->setCheckState(Qt::Checked);
    }
    plugin->onSelObjsAccepted();
    plugin->objectsDialog.close();

    for (const SectionEdit &section : edit.sections) {
        click(client, node);
        plugin->onAddSectClicked();
        QVERIFY(itemSection(plugin->mainView->currentIndex().isValid()
                                ? plugin->model->itemFromIndex(plugin->mainView->currentIndex())
                                : nullptr));
        plugin->onSelGObjClicked();
        for (const QString &name : section.graphObjects) {
            const QList<QStandardItem *> found = plugin->graphObjDialog.model->findItems(
                name, Qt::MatchExactly | Qt::MatchRecursive);
            QCOMPARE(found.size(), 1);
            found.first()->setCheckState(Qt::Checked);
        }
        plugin->onSelGObjAccepted();
        plugin->graphObjDialog.close();

        editText(client, Name, section.name);
        setSwitch(client, Schedule, section.schedule);
        if (section.schedule) {
            editText(client, TimeIn, section.timeIn);
            editText(client, TimeOut, section.timeOut);
        }
        for (int i = 0; i < section.tolerances.size(); ++i)
            editText(client, QList<int>{InAhead, InBehind, OutAhead, OutBehind}.at(i),
                     section.tolerances.at(i));
        setSwitch(client, MsgIn, section.msgIn);
        setSwitch(client, MsgOut, section.msgOut);
    }
}

void tst_E2eRouteCheck::save(Client &client)
{
    QVERIFY(waitFor(client, FixRoutes, [&]() { client.plugin->onSaveClicked(); }));
}

void tst_E2eRouteCheck::reload(Client &client)
{
    QVERIFY(waitFor(client, LayerTree, [&]() { client.plugin->onGetClicked(); }));
}

void tst_E2eRouteCheck::setCheckMode(Client &client, qint32 nodeId, int mode)
{
    click(client, nodeItem(client, nodeId));
    QAction *action = nullptr;
    for (QAction *each : client.plugin->contextMenu.actions()) {
        if (!each->isSeparator() && each->data().isValid() && each->data().toInt() == mode)
            action = each;
    }
    QVERIFY(action);
    QVERIFY(waitFor(client, CheckMode, [action]() { action->trigger(); }));
}

void tst_E2eRouteCheck::treesLoadIntoPanel()
{
    OperativeCheck *plugin = first->plugin;
    QStandardItem *depot = nodeItem(*first, seed.depot);
    QVERIFY(depot);
    QCOMPARE(depot->text(), QString("Depot"));
    QStandardItem *beat = nodeItem(*first, seed.beat);
    QVERIFY(beat);
    QCOMPARE(beat->parent(), depot);
    QCOMPARE(nodeItem(*first, seed.spare)->parent(), depot);
    QVERIFY(!itemRoute(nodeItem(*first, seed.spare)));

    const RouteRecord *route = itemRoute(beat);
    QVERIFY(route);
    QCOMPARE(route->id, seed.beat);
    QStringList sections;
    for (int row = 0; row < beat->rowCount(); ++row)
        sections << beat->child(row)->text();
    QCOMPARE(sections, QStringList({"Gate", "Yard"}));
    QCOMPARE(beat->parent()->child(beat->row(), 1)->text(), QString("Check off"));

    // The host's units reached the panel: the route's unit is named through role 33.
    QCOMPARE(first->objects.unitCount(), 3);
    click(*first, beat);
    QCOMPARE(cell(*first, Objects)->text(), QString("Car 11"));

    // The layer tree is the plug-in's store: a double click shows the route's shapes.
    QList<GraphObject *> found;
    plugin->graphObjDialog.findGraphObjects(seed.objects.values(), found);
    QCOMPARE(found.size(), 4);
    plugin->onMainItemDblClicked(beat->index());
    QCOMPARE(beat->checkState(), Qt::Checked);
    const MapQt::LayerTable *layers = first->window->currentMap()->layers();
    QVERIFY(layers->contains(99));
    QCOMPARE(layers->value(99)->at(1)->lists.first()->primitives.size(), 3);
    // The map moved to the route: its shapes lie inside the view.
    QVERIFY(first->window->currentMap()->projection().visibleArea().contains(
        DemoDistrict::offset(100, 50)));
}

void tst_E2eRouteCheck::routeSurvivesRestart_data()
{
    QTest::addColumn<RouteEdit>("edit");

    RouteEdit scheduled;
    scheduled.timeType = QStringLiteral("Weekly");
    scheduled.expectedTimeType = 2;
    scheduled.units = QStringList{"Car 12", "Bike 3"};
    SectionEdit gate;
    gate.graphObjects = QStringList{"Gate", "Ring"};
    gate.name = QStringLiteral("North gate");
    gate.schedule = true;
    gate.timeIn = QStringLiteral("00 days 08:00:00");
    gate.timeOut = QStringLiteral("00 days 08:20:00");
    gate.tolerances = QStringList{"30", "60", "90", "120"};
    gate.msgIn = false;
    gate.expectedIn = 8 * 3600;
    gate.expectedOut = 8 * 3600 + 20 * 60;
    scheduled.sections = {gate};
    QTest::newRow("one scheduled section, every row changed") << scheduled;

    RouteEdit plain;
    plain.timeType = QStringLiteral("Monthly");
    plain.expectedTimeType = 3;
    plain.units = QStringList{"Cars"};
    SectionEdit first;
    first.graphObjects = QStringList{"Post"};
    first.name = QStringLiteral("Leg one");
    SectionEdit second;
    second.name = QStringLiteral("Leg two");
    second.msgIn = false;
    second.msgOut = false;
    second.tolerances = QStringList{"5"};
    SectionEdit third;
    third.graphObjects = QStringList{"Yard", "Gate"};
    third.name = QStringLiteral("Leg three");
    third.schedule = true;
    third.timeIn = QStringLiteral("01 days 23:59:59");
    third.timeOut = QStringLiteral("02 days 00:00:09");
    third.expectedIn = 86400 + 86399;
    third.expectedOut = 2 * 86400 + 9;
    plain.sections = {first, second, third};
    QTest::newRow("three sections, a group of units, no schedule on two") << plain;
}

void tst_E2eRouteCheck::routeSurvivesRestart()
{
    QFETCH(RouteEdit, edit);

    enterRoute(*first, seed.spare, edit);
    const RouteRecord *entered = itemRoute(nodeItem(*first, seed.spare));
    QVERIFY(entered);
    QCOMPARE(entered->checkTimeType, edit.expectedTimeType);
    QCOMPARE(entered->sections.size(), edit.sections.size());
    for (int i = 0; i < edit.sections.size(); ++i) {
        const SectionRecord *section = entered->sections.at(i);
        const SectionEdit &wanted = edit.sections.at(i);
        QCOMPARE(section->name, wanted.name);
        QCOMPARE(section->checkTimeIn, wanted.expectedIn);
        QCOMPARE(section->checkTimeOut, wanted.expectedOut);
        QCOMPARE(section->messageOnTimeIn, wanted.msgIn);
        QCOMPARE(section->messageOnTimeOut, wanted.msgOut);
        QCOMPARE(section->graphObjectIds.size(), wanted.graphObjects.size());
        if (!wanted.tolerances.isEmpty())
            QCOMPARE(section->checkTimeInAhead, wanted.tolerances.first().toInt());
    }
    QList<int> units;
    for (const QString &name : edit.units) {
        if (name == QLatin1String("Cars"))
            units << seed.units.value("Car 11") << seed.units.value("Car 12");
        else
            units << seed.units.value(name);
    }
    std::sort(units.begin(), units.end());
    QList<int> chosen = entered->objects;
    std::sort(chosen.begin(), chosen.end());
    QCOMPARE(chosen, units);

    save(*first);
    const QString saved = describe(itemRoute(nodeItem(*first, seed.spare)));
    QVERIFY(saved.startsWith(QStringLiteral("route %1 ").arg(seed.spare)));
    QCOMPARE(itemEditState(nodeItem(*first, seed.spare)), int(EditState::Unchanged));

    // A new server process on the same file: the link comes back by itself and
    // the plug-in reloads; a further "Get" reads the same again.
    QVERIFY(waitFor(*first, LayerTree, [this]() { restartServer(); }));
    QCOMPARE(describe(itemRoute(nodeItem(*first, seed.spare))), saved);
    reload(*first);
    QCOMPARE(describe(itemRoute(nodeItem(*first, seed.spare))), saved);
    QStandardItem *spare = nodeItem(*first, seed.spare);
    QCOMPARE(spare->rowCount(), edit.sections.size());
    for (int i = 0; i < edit.sections.size(); ++i)
        QCOMPARE(spare->child(i)->text(), edit.sections.at(i).name);
    // The route beside it is untouched.
    QVERIFY(describe(itemRoute(nodeItem(*first, seed.beat))).contains("1|Gate|"));
}

void tst_E2eRouteCheck::deletedRouteIsGone_data()
{
    QTest::addColumn<bool>("addedHere");

    QTest::newRow("a route the server had") << false;
    QTest::newRow("a route added and saved in this session") << true;
}

void tst_E2eRouteCheck::deletedRouteIsGone()
{
    QFETCH(bool, addedHere);

    qint32 nodeId = seed.beat;
    if (addedHere) {
        RouteEdit edit;
        edit.timeType = QStringLiteral("EveryDay");
        SectionEdit section;
        section.name = QStringLiteral("Only");
        edit.sections = {section};
        enterRoute(*first, seed.spare, edit);
        save(*first);
        reload(*first);
        nodeId = seed.spare;
    }
    QVERIFY(itemRoute(nodeItem(*first, nodeId)));
    QVERIFY(RuleStore(server->database()).routeExists(nodeId));

    click(*first, nodeItem(*first, nodeId));
    first->plugin->onDelRouteClicked();
    QVERIFY(!itemRoute(nodeItem(*first, nodeId)));
    save(*first);
    QVERIFY(!RuleStore(server->database()).routeExists(nodeId));

    QVERIFY(waitFor(*first, LayerTree, [this]() { restartServer(); }));
    QStandardItem *node = nodeItem(*first, nodeId);
    QVERIFY(node);
    QVERIFY(!itemRoute(node));
    QCOMPARE(node->rowCount(), 0);
    QStandardItem *mode = node->parent()->child(node->row(), 1);
    QVERIFY(!mode || mode->text().isEmpty());
}

void tst_E2eRouteCheck::checkModeRoundTrip_data()
{
    QTest::addColumn<QList<int>>("modes");
    QTest::addColumn<bool>("onGroup");
    QTest::addColumn<bool>("checkedAtEnd");

    QTest::newRow("on") << QList<int>{1} << false << true;
    QTest::newRow("on, then off") << QList<int>{1, 0} << false << false;
    QTest::newRow("off while off") << QList<int>{0} << false << false;
    QTest::newRow("on for a group: every route under it") << QList<int>{1} << true << true;
}

void tst_E2eRouteCheck::checkModeRoundTrip()
{
    QFETCH(QList<int>, modes);
    QFETCH(bool, onGroup);
    QFETCH(bool, checkedAtEnd);

    // A second route under the group, and a second operator watching.
    RouteEdit edit;
    edit.timeType = QStringLiteral("AtStart");
    edit.expectedTimeType = 0;
    SectionEdit section;
    section.name = QStringLiteral("Spare leg");
    edit.sections = {section};
    enterRoute(*first, seed.spare, edit);
    save(*first);
    second = std::make_unique<Client>();
    connectClient(*second);

    const qint64 before = QDateTime::currentSecsSinceEpoch();
    for (int mode : modes)
        setCheckMode(*first, onGroup ? seed.depot : seed.beat, mode);
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    // The other operator gets the change without asking.
    QTRY_COMPARE(itemRoute(nodeItem(*second, seed.beat))->checkOn, checkedAtEnd ? 1 : 0);

    for (Client *client : {first.get(), second.get()}) {
        for (qint32 nodeId : {seed.beat, seed.spare}) {
            QStandardItem *node = nodeItem(*client, nodeId);
            const RouteRecord *route = itemRoute(node);
            QVERIFY(route);
            const bool on = checkedAtEnd && (onGroup || nodeId == seed.beat);
            const QString text = node->parent()->child(node->row(), 1)->text();
            QCOMPARE(route->checkOn, on ? 1 : 0);
            if (on) {
                QVERIFY2(text.startsWith(QStringLiteral("Check on ")), qPrintable(text));
                QVERIFY(qint64(route->checkTime) >= before && qint64(route->checkTime) <= after);
                // The time in the text is the route's check time, to the second.
                const QDateTime shown = QDateTime::fromString(
                    text.mid(9), QStringLiteral("hh:mm:ss dd.MM.yy")).addYears(100);
                QCOMPARE(shown.toSecsSinceEpoch(), qint64(route->checkTime));
            } else {
                QCOMPARE(text, QString("Check off"));
            }
        }
    }

    // And the server keeps it: a fresh load shows the same.
    reload(*second);
    const QString text = nodeItem(*second, seed.beat)->parent()->child(
        nodeItem(*second, seed.beat)->row(), 1)->text();
    QCOMPARE(text.startsWith(QStringLiteral("Check on ")), checkedAtEnd);
}

void tst_E2eRouteCheck::twoClientsSeeEachOthersSaves()
{
    second = std::make_unique<Client>();
    connectClient(*second);
    QVERIFY(!itemRoute(nodeItem(*second, seed.spare)));

    RouteEdit edit;
    edit.timeType = QStringLiteral("EveryDay");
    edit.units = QStringList{"Car 12"};
    SectionEdit section;
    section.graphObjects = QStringList{"Ring"};
    section.name = QStringLiteral("Ring check");
    section.schedule = true;
    section.timeIn = QStringLiteral("00 days 22:00:00");
    section.timeOut = QStringLiteral("00 days 22:30:00");
    edit.sections = {section};
    enterRoute(*first, seed.spare, edit);
    save(*first);
    const QString saved = describe(itemRoute(nodeItem(*first, seed.spare)));

    // Until the other operator asks, the panel shows what it had.
    QVERIFY(!itemRoute(nodeItem(*second, seed.spare)));
    reload(*second);
    QCOMPARE(describe(itemRoute(nodeItem(*second, seed.spare))), saved);

    // The second operator edits the first's route and deletes the seeded one.
    click(*second, nodeItem(*second, seed.spare)->child(0));
    editText(*second, Name, QStringLiteral("Ring check, late"));
    click(*second, nodeItem(*second, seed.beat));
    second->plugin->onDelRouteClicked();
    save(*second);

    reload(*first);
    QVERIFY(!itemRoute(nodeItem(*first, seed.beat)));
    const RouteRecord *route = itemRoute(nodeItem(*first, seed.spare));
    QVERIFY(route);
    QCOMPARE(route->sections.size(), 1);
    QCOMPARE(route->sections.first()->name, QString("Ring check, late"));
    QCOMPARE(route->sections.first()->checkTimeIn, 22 * 3600);
    QCOMPARE(route->objects, QList<int>{seed.units.value("Car 12")});
}

void tst_E2eRouteCheck::mapSwitchAndReloadLeaveNoStaleShapes()
{
    HostWindow *window = first->window.get();
    MapCanvas *city = window->maps().at(0);
    MapCanvas *region = window->maps().at(1);
    auto shapesOn = [](MapCanvas *canvas) {
        const QList<MapQt::LayerGroup *> *groups = canvas->layers()->value(99);
        return groups ? groups->at(1)->lists.first()->primitives.size() : -1;
    };
    first->plugin->onMainItemDblClicked(nodeItem(*first, seed.beat)->index());
    QCOMPARE(shapesOn(city), 3);

    // The plug-in follows the region map; a reload there replaces every graphic
    // object, so the city map must not hold on to the old shapes.
    window->mapTabs()->setCurrentIndex(1);
    QCOMPARE(shapesOn(city), 0);
    reload(*first);
    // The route kept its tick and is drawn again, on the map the plug-in serves now.
    QCOMPARE(shapesOn(region), 3);
    QCOMPARE(city->render().size(), city->projection().size());
    QCOMPARE(region->render().size(), region->projection().size());

    window->mapTabs()->setCurrentIndex(0);
    QCOMPARE(shapesOn(region), 0);
    QStandardItem *beat = nodeItem(*first, seed.beat);
    beat->setCheckState(Qt::Unchecked);
    first->plugin->onMainItemDblClicked(beat->index());
    QCOMPARE(shapesOn(city), 3);
    const QImage image = city->render();
    // The route's polygon lies on the map, over the base.
    const QPoint gate = city->projection().toScreen(DemoDistrict::offset(100, 50)).toPoint();
    QVERIFY(image.rect().contains(gate));
    QVERIFY(image.pixelColor(gate) != city->render().pixelColor(QPoint(0, 0)));
}

QTEST_MAIN(tst_E2eRouteCheck)
#include "tst_e2e_routecheck.moc"
