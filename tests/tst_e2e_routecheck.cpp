// The whole chain in one process: the host's window and server link, the
// plug-in driven through its own slots, and the route-check server on a
// temporary database. One test per thing an operator does.
#include <HostServices.h>
#include <HostWindow.h>
#include <MapCanvas.h>
#include <ObjectsModel.h>
#include <ServerConnection.h>

#include <EventStore.h>
#include <FrameClient.h>
#include <LayerStore.h>
#include <RouteCheckServer.h>
#include <RuleStore.h>
#include <TrackedObjectStore.h>

#include "panel/PanProperties.h"
#include "routecheck/RouteEditActions.h"
#include "records/ItemRoles.h"
#include "shell/OperativeCheck.h"
#include "wire/Commands.h"
#include "wire/LiveMessages.h"
#include "wire/RouteMessages.h"

#include <DemoDistrict.h>
#include <TreeObjCheckable.h>

#include <QAction>
#include <QDateTime>
#include <QInputDialog>
#include <QMenu>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include "testsupport/PanelProbe.h"
#include "testsupport/PanelText.h"
#include "testsupport/TestDatabase.h"
#include "testsupport/TreeBuilders.h"

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// One operator's host: the host's link, units, window with its maps, and the
// plug-in's code linked in.
struct Client
{
    Client() { window->installPlugins({{QStringLiteral("linked in"), plugin, plugin}}); }
    ~Client()
    {
        // The plug-in goes before the maps it drew on, as in the host.
        connection.stop();
        connection.forgetPlugin(plugin);
        delete plugin;
        window.reset();
    }

    ServerConnection connection{"OperCheck_Server1"};
    ObjectsModel objects;
    HostServices services{&connection, &objects};
    std::unique_ptr<HostWindow> window =
        std::make_unique<HostWindow>(&services, &connection, &objects);
    OperativeCheck *plugin = new OperativeCheck;
};

// Runs action, then waits up to 10 s for a reply of command to reach the plug-in.
bool waitFor(Client &client, const QByteArray &command, const std::function<void()> &action)
{
    QSignalSpy delivered(&client.connection, &ServerConnection::replyDelivered);
    action();
    return QTest::qWaitFor([&]() {
        return std::any_of(delivered.cbegin(), delivered.cend(), [&](const QList<QVariant> &a) {
            return a.at(0).toByteArray() == command;
        });
    }, 10000);
}

// The main tree's item of a rule node, or null.
QStandardItem *nodeItem(Client &client, qint32 nodeId, QStandardItem *parent = nullptr)
{
    parent = parent ? parent : client.plugin->model()->invisibleRootItem();
    for (int row = 0; row < parent->rowCount(); ++row) {
        QStandardItem *item = parent->child(row);
        if (!itemSection(item) && item->data(ItemRole::NodeId).toInt() == nodeId)
            return item;
        if (QStandardItem *found = nodeItem(client, nodeId, item))
            return found;
    }
    return nullptr;
}

const QByteArray LayerTree("Get_tree_graphobj");
const QColor GateBrush(0, 0, 255, 80);

// Property rows: a section's name, schedule switch and times; a route's units.
enum Row { Name = 0, Schedule = 3, TimeIn = 4, TimeOut = 7, Objects = 1 };

QByteArray wire(const RouteRecord *route)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    if (route)
        RouteMessages::writeRoute(out, *route);
    return bytes;
}

void click(Client &client, QStandardItem *item)
{
    client.plugin->mainView()->setCurrentIndex(item->index());
    client.plugin->onMainItemClicked(item->index());
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

void tick(QStandardItemModel *model, const QStringList &names)
{
    for (const QString &name : names)
        model->findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0)->setCheckState(
            Qt::Checked);
}

void setCheckMode(Client &client, qint32 nodeId, int mode)
{
    click(client, nodeItem(client, nodeId));
    QAction *action = nullptr;
    for (QAction *each : client.plugin->contextMenu()->actions())
        action = each->data().isValid() && each->data().toInt() == mode ? each : action;
    QVERIFY(action);
    QVERIFY(waitFor(client, "Set_check_mode", [action]() { action->trigger(); }));
}

// Triggers a node edit and types name into the dialog it asks with.
void nameNode(QAction *action, const QString &name)
{
    QTimer::singleShot(0, [name] {
        auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->setTextValue(name);
        dialog->accept();
    });
    action->trigger();
}

// The check mode column beside a node.
QString modeText(Client &client, qint32 nodeId)
{
    QStandardItem *node = nodeItem(client, nodeId);
    return node->parent()->child(node->row(), 1)->text();
}

// What the plug-in drew on the client's city map, "kind brush" each.
QStringList shapes(Client &client)
{
    const QList<MapQt::LayerGroup *> *groups = client.window->maps().at(0)->layers()->value(99);
    QStringList result;
    for (const MapQt::MapPrimitive *p : groups->at(1)->lists.first()->primitives)
        result << QString::number(p->kind)
                      + (p->brush ? " " + p->brush->color().name(QColor::HexArgb) : "");
    std::sort(result.begin(), result.end());
    return result;
}

} // namespace

class tst_E2eRouteCheck : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup()
    {
        second.reset(), first.reset(), server.reset(), store.reset(), folder.reset();
    }

    void routeSurvivesRestart();
    void checkingColoursTheSection();
    void nodesMadeFromThePanel();

private:
    void startServer(quint16 port = 0);
    void connectClient(std::unique_ptr<Client> &client);

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<TestDatabase> store;
    std::unique_ptr<RouteCheckServer> server;
    quint16 port = 0;
    qint32 spare = 0, beat = 0;
    QMap<QString, qint32> units, objects; // ids by name
    std::unique_ptr<Client> first, second;
};

// Depot (Spare post, Beat: Gate, Yard), the units Car 11 (the route's),
// Car 12 and Bike 3, and the Marks layer. The gate is a triangle round the
// centre, entered 60 s after check-on (30 s early to 60 s late allowed).
void tst_E2eRouteCheck::init()
{
    folder = std::make_unique<QTemporaryDir>();
    store = std::make_unique<TestDatabase>(folder->filePath("routes.sqlite"));
    QVERIFY2(!store->where().isEmpty(), qPrintable(store->error()));
    startServer();
    TrackedObjectStore unitStore(server->database());
    const qint32 cars = unitStore.add(0, "Cars", TrackedObjectStore::Kind::Group, 0);
    units["Car 11"] = unitStore.add(cars, "Car 11", TrackedObjectStore::Kind::Unit, 0);
    units["Car 12"] = unitStore.add(cars, "Car 12", TrackedObjectStore::Kind::Unit, 1);
    units["Bike 3"] = unitStore.add(0, "Bike 3", TrackedObjectStore::Kind::Unit, 1);
    LayerStore layers(server->database());
    const qint32 marks = layers.addLayer(0, "Marks", 1, 0);
    using DemoDistrict::offset;
    for (const GraphObData &record :
         {TreeBodies::object(0, 3, "Gate", {offset(-100, -100), offset(100, -100), offset(0, 100)},
                             {{"Color", QColor(Qt::blue)}, {"Brush", GateBrush}}),
          TreeBodies::object(0, 2, "Yard", {offset(500, 500), offset(700, 500)}),
          TreeBodies::object(0, 1, "Post", {offset(-300, 100)}, {{"IconName", "PostMOB"}}),
          TreeBodies::object(0, 4, "Ring", {offset(900, -400)}, {{"Diameter", 120}})})
        objects[record.name] = layers.addObject(marks, record, objects.size());
    RuleStore rules(server->database());
    const qint32 depot = rules.addNode(0, "Depot", 3, 0);
    spare = rules.addNode(depot, "Spare post", 3, 0);
    beat = rules.addNode(depot, "Beat", 3, 1);
    RouteRecord route(beat);
    route.checkTimeType = 0; // from check-on
    route.objects = {units["Car 11"]};
    SectionRecord *gate = TreeBodies::section(1, "Gate", {objects["Gate"]}, 60, 180);
    gate->checkTimeInAhead = gate->checkTimeOutAhead = 30;
    gate->checkTimeInBehind = gate->checkTimeOutBehind = 60;
    route.sections = {gate, TreeBodies::section(2, "Yard", {objects["Yard"], objects["Post"]})};
    QVERIFY(rules.storeRoute(route));
    connectClient(first);
}

void tst_E2eRouteCheck::startServer(quint16 atPort)
{
    ServerOptions options;
    options.port = atPort;
    options.databasePath = store->where();
    server = std::make_unique<RouteCheckServer>(options);
    QString error;
    QVERIFY2(server->start(&error), qPrintable(error));
    port = server->serverPort();
}

void tst_E2eRouteCheck::connectClient(std::unique_ptr<Client> &client)
{
    client = std::make_unique<Client>();
    QVERIFY(waitFor(*client, LayerTree,
                    [&]() { client->connection.connectTo("127.0.0.1", port); }));
}

// Load, enter a route and delete another through the panel, save; a restarted
// server gives it back, and ticking it draws its objects.
void tst_E2eRouteCheck::routeSurvivesRestart()
{
    OperativeCheck *plugin = first->plugin;
    QStandardItem *beatItem = nodeItem(*first, beat);
    QCOMPARE(beatItem->child(0)->text() + "," + beatItem->child(1)->text(), QString("Gate,Yard"));
    click(*first, beatItem);
    QCOMPARE(cell(*first, Objects)->text(), QString("Car 11"));

    click(*first, nodeItem(*first, spare));
    plugin->onAddRouteClicked();
    plugin->onSelObjsClicked();
    tick(qobject_cast<QStandardItemModel *>(
             plugin->objectsDialog().treeWidget()->findChild<QTreeView *>()->model()), {"Cars"});
    plugin->onSelObjsAccepted();
    click(*first, nodeItem(*first, spare));
    plugin->onAddSectClicked();
    plugin->onSelGObjClicked();
    tick(plugin->graphObjDialog().model(), {"Gate", "Ring", "Yard", "Post"});
    plugin->onSelGObjAccepted();
    editText(*first, Name, "North gate");
    plugin->onPropertyItemClicked(cell(*first, Schedule)->index());
    cell(*first, Schedule)->setCheckState(Qt::Checked);
    editText(*first, TimeIn, "00 days 08:00:00");
    editText(*first, TimeOut, "00 days 08:20:00");
    click(*first, beatItem);
    PanelProbe::answerMessageBox(QMessageBox::Yes); // a route's delete asks first
    plugin->onDelRouteClicked();

    const RouteRecord *entered = itemRoute(nodeItem(*first, spare));
    QVERIFY(entered && entered->sections.size() == 1);
    const SectionRecord *s = entered->sections.first();
    QStringList names;
    for (int id : entered->objects)
        names << units.key(id);
    for (int id : s->graphObjectIds)
        names << objects.key(id);
    QCOMPARE(QString("%1 %2 %3-%4").arg(names.join(','), s->name).arg(s->checkTimeIn)
                 .arg(s->checkTimeOut),
             QString("Car 11,Car 12,Gate,Yard,Post,Ring North gate 28800-30000"));
    QVERIFY(waitFor(*first, "Fix_routes", [&]() { plugin->onSaveClicked(); }));
    const QByteArray saved = wire(entered);

    // Same database, same port: the link comes back and the plug-in reloads.
    QVERIFY(waitFor(*first, LayerTree, [this]() {
        const quint16 oldPort = port;
        server.reset();
        QTRY_VERIFY(!first->connection.isConnected());
        startServer(oldPort);
    }));
    QCOMPARE(wire(itemRoute(nodeItem(*first, spare))), saved);
    QVERIFY(!itemRoute(nodeItem(*first, beat)));
    nodeItem(*first, spare)->setCheckState(Qt::Checked);
    QCOMPARE(shapes(*first), QStringList({"1", "2 #500000ff", "2 #ff00ffff", "5"}));
}

// One operator switches checking on, the other sees it without asking; a feed
// pushes positions of the route's unit, late into the gate: the server records
// the event and the gate turns red. Switched off again, the other sees it.
void tst_E2eRouteCheck::checkingColoursTheSection()
{
    connectClient(second);
    nodeItem(*first, beat)->setCheckState(Qt::Checked);
    QVERIFY(shapes(*first).contains("2 " + GateBrush.name(QColor::HexArgb)));
    setCheckMode(*first, beat, 1);
    const RouteRecord *route = itemRoute(nodeItem(*first, beat));
    const quint32 checkTime = route->checkTime;
    QTRY_COMPARE(wire(itemRoute(nodeItem(*second, beat))), wire(route));
    const QString on = "Check on " + QDateTime::fromSecsSinceEpoch(checkTime)
                                         .toString("hh:mm:ss dd.MM.yy");
    QCOMPARE(modeText(*first, beat) + ", " + modeText(*second, beat), on + ", " + on);
    FrameClient feed;
    QSignalSpy connected(&feed, &FrameClient::connected);
    feed.connectToServer(QHostAddress::LocalHost, port);
    QVERIFY(connected.wait());
    QList<LiveMessages::PositionReport> fixes; // seconds after check-on, metres north
    for (const QPoint &fix : {QPoint(100, 400), QPoint(130, 0), QPoint(140, 0)})
        fixes.append({units["Car 11"], checkTime + fix.x(), DemoDistrict::offset(0, fix.y())});
    QVERIFY(waitFor(*first, "Every_sections_state", [&]() {
        feed.send(Commands::PushPositions, LiveMessages::positionsBody(fixes));
    }));
    QVERIFY(shapes(*first).contains("2 #7fc0001f"));
    bool ok = false;
    QStringList events;
    for (const LiveMessages::CheckEvent &e : EventStore(server->database()).recent(10, &ok))
        events << QStringLiteral("%1 %2 %3 %4").arg(e.unitName, e.routeName, e.sectionName)
                      .arg(e.deviation);
    QCOMPARE(events, QStringList("Car 11 Beat Gate 10"));

    setCheckMode(*first, beat, 0);
    QTRY_COMPARE(modeText(*second, beat), QString("Check off"));
}

QTEST_MAIN(tst_E2eRouteCheck)
#include "tst_e2e_routecheck.moc"

// A group made at the top and renamed, a route named under it with two
// sections, saved: a reload finds them all, with their names.
void tst_E2eRouteCheck::nodesMadeFromThePanel()
{
    OperativeCheck *plugin = first->plugin;
    const RouteEditActions &actions = plugin->editActions();
    plugin->selectMainIndex(QModelIndex());
    QVERIFY(waitFor(*first, "Add_rule_node", [&] { nameNode(actions.newGroup(), "Night"); }));
    QStandardItem *group = plugin->model()->findItems("Night").value(0);
    QVERIFY(group && group->data(ItemRole::NodeId).toInt() > 0);
    click(*first, group);
    QVERIFY(waitFor(*first, "Rename_rule_node",
                    [&] { nameNode(actions.renameNode(), "Night shift"); }));
    QVERIFY(waitFor(*first, "Add_rule_node",
                    [&] { nameNode(actions.newRoute(), "Harbour loop"); }));
    for (const QString name : {"Quay", "Ferry"}) {
        click(*first, group->child(0));
        plugin->onAddSectClicked();
        editText(*first, Name, name);
    }
    QVERIFY(waitFor(*first, "Fix_routes", [&] { plugin->onSaveClicked(); }));
    QVERIFY(waitFor(*first, "Get_tree_rulecheck", [&] { plugin->onGetClicked(); }));
    group = plugin->model()->findItems("Night shift").value(0);
    QVERIFY(group && itemRoute(group->child(0)));
    QCOMPARE(PanelText::tree(plugin->model(), Qt::CheckStateRole, group->index()),
             QString("Harbour loop:0(Quay:0 Ferry:0)"));
}
