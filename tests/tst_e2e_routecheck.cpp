// The whole chain in one process: the host's window and server link, the
// plug-in's code driven through its own slots, and the route-check server on a
// temporary database. What the operator does must survive the server's restart.
#include <MapCanvas.h>

#include <LayerStore.h>
#include <RouteCheckServer.h>
#include <RuleStore.h>
#include <TrackedObjectStore.h>

#include "panel/PanProperties.h"
#include "wire/RouteMessages.h"

#include <DemoDistrict.h>
#include <TreeObjCheckable.h>

#include <QAction>
#include <QMenu>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include "testsupport/E2eClient.h"
#include "testsupport/TreeBuilders.h"

#include <memory>

using E2e::Client;
using E2e::nodeItem;
using E2e::waitFor;

namespace {

const QByteArray LayerTree("Get_tree_graphobj");

// Property rows of a section and of a route, top to bottom.
enum Row { Name, MsgIn, MsgOut, Schedule, TimeIn, InAhead, InBehind, TimeOut, OutAhead,
           OutBehind };
enum RouteRow { TimeType, Objects };

// What the test database holds; ids as the server gave them.
struct Seed
{
    qint32 depot = 0, spare = 0, beat = 0;
    QMap<QString, qint32> objects; // graphic objects by name
    QMap<QString, qint32> units;
};

// A route as it goes over the wire: what a save sends and a load gives back.
QByteArray wire(const RouteRecord *route)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    if (route)
        RouteMessages::writeRoute(out, *route);
    return bytes;
}

// One section as the operator enters it, and the times the record must then hold.
struct SectionEdit
{
    SectionEdit(const QString &name = {}, const QStringList &graphObjects = {},
                const QString &timeIn = {}, const QString &timeOut = {}, int expectedIn = -1,
                int expectedOut = -1, const QStringList &tolerances = {}, bool msgIn = true,
                bool msgOut = true)
        : name(name), graphObjects(graphObjects), timeIn(timeIn), timeOut(timeOut),
          expectedIn(expectedIn), expectedOut(expectedOut), tolerances(tolerances),
          msgIn(msgIn), msgOut(msgOut)
    {
    }
    QString name;
    QStringList graphObjects; // ticked in the dialog, before the name is typed
    QString timeIn, timeOut;  // empty: the schedule stays off
    int expectedIn, expectedOut;
    QStringList tolerances; // in ahead, in behind, out ahead, out behind
    bool msgIn, msgOut;
};

struct RouteEdit
{
    QString timeType;
    int expectedTimeType = 1;
    QStringList units;
    QList<SectionEdit> sections;
};

void click(Client &client, QStandardItem *item)
{
    const QModelIndex index = item ? item->index() : QModelIndex();
    client.plugin->mainView()->setCurrentIndex(index);
    client.plugin->onMainItemClicked(index);
}

QStandardItem *cell(Client &client, int row)
{
    return client.plugin->panProperties()->propertyModel()->item(row, 1);
}

void editText(Client &client, int row, const QString &text)
{
    client.plugin->onPropertyItemClicked(cell(client, row)->index());
    cell(client, row)->setData(text, Qt::EditRole);
}

void setSwitch(Client &client, int row, bool on)
{
    QStandardItem *item = cell(client, row);
    QVERIFY(item->isCheckable());
    // A new section starts from the last one's settings: only a change is a click.
    if ((item->checkState() == Qt::Checked) == on)
        return;
    client.plugin->onPropertyItemClicked(item->index());
    item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

// Ticks each name, found once, in a dialog's model.
void tick(QStandardItemModel *model, const QStringList &names)
{
    QVERIFY(model);
    for (const QString &name : names) {
        const QList<QStandardItem *> found =
            model->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        found.first()->setCheckState(Qt::Checked);
    }
}

// Everything through the panel: add the route and its sections, fill every row.
void enterRoute(Client &client, qint32 nodeId, const RouteEdit &edit)
{
    OperativeCheck *plugin = client.plugin;
    QStandardItem *node = nodeItem(client, nodeId);
    QVERIFY(node);
    click(client, node);
    plugin->onAddRouteClicked();
    QVERIFY(itemRoute(node));

    editText(client, TimeType, edit.timeType);
    plugin->onSelObjsClicked();
    tick(qobject_cast<QStandardItemModel *>(
             plugin->objectsDialog().treeWidget()->findChild<QTreeView *>()->model()),
         edit.units);
    plugin->onSelObjsAccepted();
    plugin->objectsDialog().close();

    for (const SectionEdit &section : edit.sections) {
        click(client, node);
        plugin->onAddSectClicked();
        QVERIFY(itemSection(plugin->model()->itemFromIndex(plugin->mainView()->currentIndex())));
        plugin->onSelGObjClicked();
        tick(plugin->graphObjDialog().model(), section.graphObjects);
        plugin->onSelGObjAccepted();
        plugin->graphObjDialog().close();

        editText(client, Name, section.name);
        setSwitch(client, Schedule, !section.timeIn.isEmpty());
        if (!section.timeIn.isEmpty()) {
            editText(client, TimeIn, section.timeIn);
            editText(client, TimeOut, section.timeOut);
        }
        const QList<int> toleranceRows{InAhead, InBehind, OutAhead, OutBehind};
        for (int i = 0; i < section.tolerances.size(); ++i)
            editText(client, toleranceRows.at(i), section.tolerances.at(i));
        setSwitch(client, MsgIn, section.msgIn);
        setSwitch(client, MsgOut, section.msgOut);
    }
}

void save(Client &client)
{
    QVERIFY(waitFor(client, "Fix_routes", [&]() { client.plugin->onSaveClicked(); }));
}

void reload(Client &client)
{
    QVERIFY(waitFor(client, LayerTree, [&]() { client.plugin->onGetClicked(); }));
}

void setCheckMode(Client &client, qint32 nodeId, int mode)
{
    click(client, nodeItem(client, nodeId));
    QAction *action = nullptr;
    for (QAction *each : client.plugin->contextMenu()->actions()) {
        if (!each->isSeparator() && each->data().isValid() && each->data().toInt() == mode)
            action = each;
    }
    QVERIFY(action);
    QVERIFY(waitFor(client, "Set_check_mode", [action]() { action->trigger(); }));
}

// The check mode column beside a node; empty when there is none.
QString modeText(Client &client, qint32 nodeId)
{
    QStandardItem *node = nodeItem(client, nodeId);
    QStandardItem *mode = node ? node->parent()->child(node->row(), 1) : nullptr;
    return mode ? mode->text() : QString();
}

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
    void checkModeRoundTrip_data();
    void checkModeRoundTrip();
    void twoClientsSeeEachOthersSaves();
    void mapSwitchAndReloadLeaveNoStaleShapes();

private:
    void startServer(quint16 port = 0);
    void seedDatabase();
    void connectClient(std::unique_ptr<Client> &client); // waits for both trees
    void restartServer();

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
    connectClient(first);
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
    using DemoDistrict::offset;
    for (const GraphObData &record :
         {TreeBodies::object(0, 3, "Gate", {offset(0, 0), offset(200, 0), offset(100, 150)},
                             {{"Color", QColor(Qt::blue)}, {"Brush", QColor(0, 0, 255, 80)}}),
          TreeBodies::object(0, 3, "Yard", {offset(500, 500), offset(700, 500), offset(600, 650)}),
          TreeBodies::object(0, 1, "Post", {offset(-300, 100)}, {{"IconName", "PostMOB"}}),
          TreeBodies::object(0, 4, "Ring", {offset(900, -400)}, {{"Diameter", 120}})})
        seed.objects.insert(record.name, layers.addObject(marks, record, seed.objects.size()));

    RuleStore rules(server->database());
    seed.depot = rules.addNode(0, QStringLiteral("Depot"), 3, 0);
    seed.spare = rules.addNode(seed.depot, QStringLiteral("Spare post"), 3, 0);
    seed.beat = rules.addNode(seed.depot, QStringLiteral("Beat"), 3, 1);
    rules.addNode(0, QStringLiteral("Locked"), 1, 1);
    RouteRecord route(seed.beat);
    route.checkTimeType = 1;
    route.objects = {seed.units.value("Car 11")};
    route.sections = {TreeBodies::section(1, "Gate", {seed.objects.value("Gate")}, 3600, 4200),
                      TreeBodies::section(2, "Yard", {seed.objects.value("Yard"),
                                                      seed.objects.value("Post")})};
    QVERIFY(rules.storeRoute(route));
}

void tst_E2eRouteCheck::connectClient(std::unique_ptr<Client> &client)
{
    client = std::make_unique<Client>();
    QVERIFY(waitFor(*client, LayerTree,
                    [&]() { client->connection.connectTo(QStringLiteral("127.0.0.1"), port); }));
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

void tst_E2eRouteCheck::treesLoadIntoPanel()
{
    QStandardItem *depot = nodeItem(*first, seed.depot);
    QStandardItem *beat = nodeItem(*first, seed.beat);
    QVERIFY(depot && beat);
    QCOMPARE(depot->text(), QString("Depot"));
    QCOMPARE(beat->parent(), depot);
    QCOMPARE(nodeItem(*first, seed.spare)->parent(), depot);
    QVERIFY(!itemRoute(nodeItem(*first, seed.spare)));

    const RouteRecord *route = itemRoute(beat);
    QVERIFY(route);
    QCOMPARE(route->id, seed.beat);
    QCOMPARE(beat->rowCount(), 2);
    QCOMPARE(beat->child(0)->text() + beat->child(1)->text(), QString("GateYard"));
    QCOMPARE(modeText(*first, seed.beat), QString("Check off"));

    // The host's units reached the panel: the route's unit is shown by name.
    QCOMPARE(first->objects.unitCount(), 3);
    click(*first, beat);
    QCOMPARE(cell(*first, Objects)->text(), QString("Car 11"));
}

void tst_E2eRouteCheck::routeSurvivesRestart_data()
{
    QTest::addColumn<RouteEdit>("edit"); // entered on the spare node; no sections: nothing
    QTest::addColumn<bool>("remove");    // the entered route, else the seeded one

    QTest::newRow("one scheduled section, every row changed")
        << RouteEdit{"Weekly", 2, {"Car 12", "Bike 3"},
                     {{"North gate", {"Gate", "Ring"}, "00 days 08:00:00", "00 days 08:20:00",
                       8 * 3600, 8 * 3600 + 20 * 60, {"30", "60", "90", "120"}, false}}}
        << false;
    // The second section inherits the first's switches; the third crosses midnight.
    QTest::newRow("three sections, a group of units, no schedule on two")
        << RouteEdit{"Monthly", 3, {"Cars"},
                     {{"Leg one", {"Post"}},
                      {"Leg two", {}, {}, {}, -1, -1, {"5"}, false, false},
                      {"Leg three", {"Yard", "Gate"}, "01 days 23:59:59", "02 days 00:00:09",
                       86400 + 86399, 2 * 86400 + 9}}}
        << false;
    QTest::newRow("a route the server had, deleted") << RouteEdit{} << true;
    QTest::newRow("a route saved in this session, deleted")
        << RouteEdit{"EveryDay", 1, {}, {{"Only"}}} << true;
}

void tst_E2eRouteCheck::routeSurvivesRestart()
{
    QFETCH(RouteEdit, edit);
    QFETCH(bool, remove);

    const bool entering = !edit.sections.isEmpty();
    const qint32 nodeId = entering ? seed.spare : seed.beat;
    const QByteArray beat = wire(itemRoute(nodeItem(*first, seed.beat)));
    if (entering) {
        enterRoute(*first, seed.spare, edit);
        const RouteRecord *entered = itemRoute(nodeItem(*first, seed.spare));
        QVERIFY(entered);
        QCOMPARE(entered->checkTimeType, edit.expectedTimeType);
        QCOMPARE(entered->sections.size(), edit.sections.size());
        for (int i = 0; i < edit.sections.size(); ++i) {
            const SectionRecord *s = entered->sections.at(i);
            const SectionEdit &w = edit.sections.at(i);
            QCOMPARE((QVariantList{s->name, s->checkTimeIn, s->checkTimeOut, s->messageOnTimeIn,
                                   s->messageOnTimeOut, s->graphObjectIds.size()}),
                     (QVariantList{w.name, w.expectedIn, w.expectedOut, w.msgIn, w.msgOut,
                                   w.graphObjects.size()}));
            if (!w.tolerances.isEmpty())
                QCOMPARE(s->checkTimeInAhead, w.tolerances.first().toInt());
        }
        QStringList names = edit.units;
        if (names.removeAll("Cars")) // the group of both cars
            names << "Car 11" << "Car 12";
        QList<int> units;
        for (const QString &name : qAsConst(names))
            units << seed.units.value(name);
        QList<int> chosen = entered->objects;
        std::sort(units.begin(), units.end());
        std::sort(chosen.begin(), chosen.end());
        QCOMPARE(chosen, units);

        save(*first);
        QCOMPARE(itemRoute(nodeItem(*first, seed.spare))->id, seed.spare);
        QCOMPARE(itemEditState(nodeItem(*first, seed.spare)), int(EditState::Unchanged));
    }
    if (remove) {
        if (entering)
            reload(*first);
        QVERIFY(RuleStore(server->database()).routeExists(nodeId));
        click(*first, nodeItem(*first, nodeId));
        first->plugin->onDelRouteClicked();
        QVERIFY(!itemRoute(nodeItem(*first, nodeId)));
        save(*first);
        QVERIFY(!RuleStore(server->database()).routeExists(nodeId));
    }
    const QByteArray saved = wire(itemRoute(nodeItem(*first, nodeId))); // empty when deleted

    // A new server process on the same file: the link comes back by itself and
    // the plug-in reloads; a further "Get" reads the same again.
    QVERIFY(waitFor(*first, LayerTree, [this]() { restartServer(); }));
    QCOMPARE(wire(itemRoute(nodeItem(*first, nodeId))), saved);
    reload(*first);
    QCOMPARE(wire(itemRoute(nodeItem(*first, nodeId))), saved);
    QStandardItem *node = nodeItem(*first, nodeId);
    QVERIFY(node);
    QCOMPARE(node->rowCount(), remove ? 0 : edit.sections.size());
    for (int i = 0; i < node->rowCount(); ++i)
        QCOMPARE(node->child(i)->text(), edit.sections.at(i).name);
    if (remove)
        QCOMPARE(modeText(*first, nodeId), QString());
    if (nodeId != seed.beat)
        QCOMPARE(wire(itemRoute(nodeItem(*first, seed.beat))), beat); // the route beside it
}

void tst_E2eRouteCheck::checkModeRoundTrip_data()
{
    QTest::addColumn<QList<int>>("modes");
    QTest::addColumn<bool>("onGroup");
    QTest::addColumn<bool>("checkedAtEnd");

    QTest::newRow("on") << QList<int>{1} << false << true;
    QTest::newRow("on, then off") << QList<int>{1, 0} << false << false;
    QTest::newRow("on for a group: every route under it") << QList<int>{1} << true << true;
}

void tst_E2eRouteCheck::checkModeRoundTrip()
{
    QFETCH(QList<int>, modes);
    QFETCH(bool, onGroup);
    QFETCH(bool, checkedAtEnd);

    // A second route under the group, and a second operator watching.
    enterRoute(*first, seed.spare, RouteEdit{"AtStart", 0, {}, {{"Spare leg"}}});
    save(*first);
    connectClient(second);

    const qint64 before = QDateTime::currentSecsSinceEpoch();
    for (int mode : modes)
        setCheckMode(*first, onGroup ? seed.depot : seed.beat, mode);
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    // The other operator gets the change without asking.
    QTRY_COMPARE(itemRoute(nodeItem(*second, seed.beat))->checkOn, checkedAtEnd ? 1 : 0);

    for (Client *client : {first.get(), second.get()}) {
        for (qint32 nodeId : {seed.beat, seed.spare}) {
            const RouteRecord *route = itemRoute(nodeItem(*client, nodeId));
            QVERIFY(route);
            const bool on = checkedAtEnd && (onGroup || nodeId == seed.beat);
            const QString text = modeText(*client, nodeId);
            QCOMPARE(route->checkOn, on ? 1 : 0);
            if (!on) {
                QCOMPARE(text, QString("Check off"));
                continue;
            }
            QVERIFY2(text.startsWith(QStringLiteral("Check on ")), qPrintable(text));
            QVERIFY(qint64(route->checkTime) >= before && qint64(route->checkTime) <= after);
            // The time in the text is the route's check time, to the second.
            const QDateTime shown = QDateTime::fromString(
                text.mid(9), QStringLiteral("hh:mm:ss dd.MM.yy")).addYears(100);
            QCOMPARE(shown.toSecsSinceEpoch(), qint64(route->checkTime));
        }
    }

    // And the server keeps it: a fresh load shows the same.
    reload(*second);
    QCOMPARE(modeText(*second, seed.beat).startsWith(QStringLiteral("Check on ")), checkedAtEnd);
}

void tst_E2eRouteCheck::twoClientsSeeEachOthersSaves()
{
    connectClient(second);

    enterRoute(*first, seed.spare,
               RouteEdit{"EveryDay", 1, {"Car 12"},
                         {{"Ring check", {"Ring"}, "00 days 22:00:00", "00 days 22:30:00"}}});
    save(*first);
    const QByteArray saved = wire(itemRoute(nodeItem(*first, seed.spare)));

    // Until the other operator asks, the panel shows what it had.
    QVERIFY(!itemRoute(nodeItem(*second, seed.spare)));
    reload(*second);
    QCOMPARE(wire(itemRoute(nodeItem(*second, seed.spare))), saved);

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
    // A double click ticks the route, draws its shapes and moves the map to them.
    first->plugin->onMainItemDblClicked(nodeItem(*first, seed.beat)->index());
    QCOMPARE(nodeItem(*first, seed.beat)->checkState(), Qt::Checked);
    QCOMPARE(shapesOn(city), 3);
    QVERIFY(city->projection().visibleArea().contains(DemoDistrict::offset(100, 50)));

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
    QVERIFY(image.pixelColor(gate) != image.pixelColor(QPoint(0, 0)));
}

QTEST_MAIN(tst_E2eRouteCheck)
#include "tst_e2e_routecheck.moc"
