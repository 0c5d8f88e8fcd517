// Several servers on one PostgreSQL database: what one's clients change
// reaches the others' clients.
#include "testsupport/ServerHarness.h"
#include "testsupport/ServerProcess.h"
#include "testsupport/TreeBuilders.h"

#include "InstanceLease.h"
#include "LayerStore.h"
#include "LiveChecker.h"
#include "RuleStore.h"
#include "TrackedObjectStore.h"
#include "UnitTrackBook.h"

#include "wire/RouteMessages.h"
#include "wire/UnitMessages.h"

#include <QSqlQuery>
#include <QtTest>

namespace {

constexpr int GroupNode = 1;
constexpr int Routes = 8;
const QPoint Spot(376000000, 556000000), Away(376000000, 555980000); // 222 m apart

// Whether both servers count each other and judge the checked routes
// between them, each route on one.
bool shared(const RouteCheckServer &a, const RouteCheckServer &b)
{
    const LiveChecker &x = *a.liveChecker(), &y = *b.liveChecker();
    if (x.owners().memberCount() != 2 || y.owners().memberCount() != 2)
        return false;
    const QSet<int> judged = x.judgedRoutes() + y.judgedRoutes();
    return judged.size() == Routes && !x.judgedRoutes().intersects(y.judgedRoutes());
}

// Entries recorded, per route.
QMap<int, int> entries(const Database &db)
{
    QSqlQuery query(db.connection());
    query.exec("SELECT route_id, COUNT(*) FROM check_events WHERE kind = 0 GROUP BY route_id");
    QMap<int, int> counts;
    while (query.next())
        counts.insert(query.value(0).toInt(), query.value(1).toInt());
    return counts;
}

QList<int> once()
{
    return QVector<int>(Routes, 1).toList();
}

} // namespace

class TestServerInstances : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void changesReachOtherServers_data();
    void changesReachOtherServers();
    void eachRouteJudgedOnce();
    void takeover();
    void statesOfEveryRoute();

private:
    static ServerOptions options()
    {
        ServerOptions options;
        options.confirmMetres = 10000; // a crossing takes two reports in a row
        return options;
    }
    // Routes of a unit each under the group, checked from t0, all with one
    // zone at Spot; their units.
    QList<qint32> makeRoutes(qint64 t0);
    // Another server on the first one's database.
    QString startSecond();

    std::unique_ptr<ServerHarness> first;
    std::unique_ptr<RouteCheckServer> second;
};

void TestServerInstances::init()
{
    first = std::make_unique<ServerHarness>();
    QCOMPARE(first->start(options()), QString());
    RuleStore rules(first->server->database());
    QCOMPARE(rules.addNode(0, "Group", 3, 0), GroupNode);
    QVERIFY(rules.storeRoute(RouteRecord(GroupNode)));
    QCOMPARE(startSecond(), QString());
}

void TestServerInstances::cleanup()
{
    second.reset();
    first.reset();
}

QString TestServerInstances::startSecond()
{
    ServerOptions options = this->options();
    options.port = 0;
    options.databasePath = first->store.where();
    second = std::make_unique<RouteCheckServer>(options);
    QString error;
    return second->start(&error) ? QString() : error;
}

void TestServerInstances::changesReachOtherServers_data()
{
    using namespace UnitMessages;
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("heard"); // by a client of the other server
    QTest::addColumn<bool>("asSent"); // the other's clients hear what the sender's did

    QTest::newRow("a rule node added") << QByteArray("Add_rule_node")
                                       << idTextBody({GroupNode, "Beat"})
                                       << QByteArray("Rule_tree_changed") << false;
    QByteArray save;
    QDataStream out(&save, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    RouteRecord route(GroupNode);
    RouteMessages::writeSaveEntry(out, GroupNode, route);
    RouteMessages::writeSaveEnd(out, {});
    QTest::newRow("a route saved") << QByteArray("Fix_routes") << save
                                   << QByteArray("Rule_tree_changed") << false;
    QTest::newRow("a layer added") << QByteArray("Add_graph_layer") << idTextBody({0, "Zones"})
                                   << QByteArray("Layer_tree_changed") << false;
    QTest::newRow("a unit added") << QByteArray("Add_unit_node")
                                  << newNodeBody({0, "Car 5", NewNode::Unit})
                                  << QByteArray("Unit_tree_changed") << false;
    QTest::newRow("checking switched on") << QByteArray("Set_check_mode")
                                          << RouteMessages::checkModeRequest(1, {GroupNode})
                                          << QByteArray("Set_check_mode") << true;
}

void TestServerInstances::changesReachOtherServers()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, heard);
    QFETCH(bool, asSent);

    FrameClient *listener = first->connect(second->serverPort());
    QVERIFY(listener);
    QSignalSpy news(listener, &FrameClient::replyReceived);
    const ServerHarness::Reply reply = first->exchange(first->connect(), command, body);
    QCOMPARE(reply.first, command);
    QVERIFY(news.wait(ServerHarness::Timeout));
    QCOMPARE(news.first().at(0).toByteArray(), heard);
    QCOMPARE(news.first().at(1).toByteArray(), asSent ? reply.second : QByteArray());
}

// Routes of a unit each, positions streamed to both servers by turns: each
// route is judged by one server, its entry recorded once, and the clients of
// both servers hear of every entry once.
QList<qint32> TestServerInstances::makeRoutes(qint64 t0)
{
    Database &db = first->server->database();
    LayerStore layers(db);
    const qint32 layer = layers.addLayer(0, "Marks", 1, 0);
    const qint32 zone = layers.addObject(layer, TreeBodies::object(0, 1, "", {Spot}), 0);
    RuleStore rules(db);
    QList<qint32> units;
    for (int i = 0; i < Routes; ++i) {
        const qint32 node = rules.addNode(GroupNode, QStringLiteral("Beat %1").arg(i), 3, i);
        units << TrackedObjectStore(db).add(0, QStringLiteral("Car %1").arg(i),
                                            TrackedObjectStore::Kind::Unit, i);
        RouteRecord route(node);
        route.checkOn = 1, route.checkTime = quint32(t0), route.objects = {units.last()};
        route.sections = {TreeBodies::section(1, "Gate", {zone})};
        if (!rules.storeRoute(route))
            return {};
    }
    return units;
}

void TestServerInstances::eachRouteJudgedOnce()
{
    const qint64 t0 = QDateTime::currentSecsSinceEpoch() - 1000;
    const QList<qint32> units = makeRoutes(t0);
    QCOMPARE(units.size(), Routes);
    Database &db = first->server->database();
    first->server->liveChecker()->reload();
    second->liveChecker()->reload();
    QTRY_VERIFY_WITH_TIMEOUT(shared(*first->server, *second), 3 * InstanceLease::HeartbeatMs);

    QList<FrameClient *> listeners{first->connect(), first->connect(second->serverPort())};
    QHash<qint32, int> heard[2]; // per listener: entries per route
    for (int i = 0; i < 2; ++i) {
        QVERIFY(listeners[i]);
        connect(listeners[i], &FrameClient::newsReceived, this,
                [&heard, i](const QByteArray &command, const QByteArray &body) {
                    if (command != "Check_events")
                        return;
                    for (const LiveMessages::CheckEvent &e :
                         LiveMessages::readEvents(body).value_or(QList<LiveMessages::CheckEvent>()))
                        heard[i][e.routeId] += e.kind == LiveMessages::CheckEvent::TimeIn;
                });
    }
    FrameClient *pushers[2] = {first->connect(), first->connect(second->serverPort())};
    // Each unit's reports go to one server and the other by turns.
    const QList<QPoint> track{Away, Spot, Spot};
    for (int step = 0; step < track.size(); ++step) {
        for (int i = 0; i < Routes; ++i) {
            const QList<LiveMessages::PositionReport> report{
                {units.at(i), quint32(t0 + 100 + step), track.at(step)}};
            pushers[(i + step) % 2]->send("Push_positions", LiveMessages::positionsBody(report));
        }
    }
    QTRY_COMPARE_WITH_TIMEOUT(entries(db).size(), Routes, ServerHarness::Timeout);
    QCOMPARE(entries(db).values(), once());
    for (int i = 0; i < 2; ++i) {
        QTRY_COMPARE_WITH_TIMEOUT(heard[i].size(), Routes, ServerHarness::Timeout);
        QCOMPARE(heard[i].values(), once());
    }
}

// A client of either server gets the states of every checked route, its own
// server's and the other's; a route switched off drops out of them.
void TestServerInstances::statesOfEveryRoute()
{
    const qint64 t0 = QDateTime::currentSecsSinceEpoch() - 1000;
    QCOMPARE(makeRoutes(t0).size(), Routes);
    QList<int> routes;
    for (int id = GroupNode + 1; id <= GroupNode + Routes; ++id)
        routes << id;
    FrameClient *switcher = first->connect();
    const QByteArray on = RouteMessages::checkModeRequest(1, routes);
    QCOMPARE(first->exchange(switcher, "Set_check_mode", on).first, QByteArray("Set_check_mode"));
    QTRY_VERIFY_WITH_TIMEOUT(shared(*first->server, *second), 3 * InstanceLease::HeartbeatMs);
    // The states a new client gets on connecting, which come before any reply.
    const auto statesHeard = [this](quint16 port) {
        QSet<int> heard;
        FrameClient *client = first->connect(port);
        connect(client, &FrameClient::newsReceived, this,
                [&heard](const QByteArray &command, const QByteArray &body) {
                    QDataStream in(body);
                    in.setVersion(QDataStream::Qt_4_5);
                    if (command == "Every_sections_state")
                        heard.insert(RouteMessages::readSectionsState(in).routeId);
                });
        first->exchange(client, "Get_tree_objects");
        return heard.size();
    };
    QTRY_COMPARE_WITH_TIMEOUT(statesHeard(second->serverPort()), Routes, ServerHarness::Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(statesHeard(first->server->serverPort()), Routes,
                              ServerHarness::Timeout);
    QCOMPARE(first->exchange(switcher, "Set_check_mode",
                             RouteMessages::checkModeRequest(0, {routes.first()}))
                 .first,
             QByteArray("Set_check_mode"));
    QTRY_COMPARE_WITH_TIMEOUT(statesHeard(second->serverPort()), Routes - 1,
                              ServerHarness::Timeout);
}

// Two server programs; one is killed (SIGKILL) between the first and the
// second report inside of each unit. The other takes its routes over and
// judges them from the reports the dead one kept: every entry recorded once,
// dated by its first report inside. A save the dead one answered stays.
void TestServerInstances::takeover()
{
    const qint64 t0 = QDateTime::currentSecsSinceEpoch() - 1000;
    const QList<qint32> units = makeRoutes(t0);
    QCOMPARE(units.size(), Routes);
    second.reset();
    first->server.reset();
    Database db;
    QString error;
    QVERIFY2(db.openChecked(first->store.where(), &error), qPrintable(error));

    ServerProcess doomed, survivor;
    const QStringList options{"--confirm-metres", "10000"};
    const quint16 doomedPort = doomed.launch(first->store.where(), options);
    const quint16 survivorPort = survivor.launch(first->store.where(), options);
    QVERIFY(doomedPort && survivorPort);
    FrameClient *toDoomed = first->connect(doomedPort);
    FrameClient *toSurvivor = first->connect(survivorPort);
    QVERIFY(toDoomed && toSurvivor);
    const auto servers = [this](FrameClient *client) {
        const QByteArray body = first->exchange(client, "Get_server_stats").second;
        using Stats = QList<LiveMessages::ServerStat>;
        for (const LiveMessages::ServerStat &stat : LiveMessages::readStats(body).value_or(Stats()))
            if (stat.name == "servers")
                return stat.value;
        return qint64(-1);
    };
    // Both count each other: what one takes in reaches the other from here on.
    QTRY_COMPARE_WITH_TIMEOUT(servers(toDoomed), qint64(2), 3 * InstanceLease::HeartbeatMs);
    QTRY_COMPARE_WITH_TIMEOUT(servers(toSurvivor), qint64(2), 3 * InstanceLease::HeartbeatMs);
    QCOMPARE(first->exchange(toDoomed, "Rename_rule_node",
                             UnitMessages::idTextBody({GroupNode, "Night shift"}))
                 .first,
             QByteArray("Rename_rule_node"));

    const auto push = [&](FrameClient *to, int step, const QPoint &at) {
        QList<LiveMessages::PositionReport> reports;
        for (qint32 unit : units)
            reports.append({unit, quint32(t0 + 100 + step), at});
        to->send("Push_positions", LiveMessages::positionsBody(reports));
    };
    push(toDoomed, 0, Away);
    push(toDoomed, 1, Spot);
    // Each server keeps the tracks of the units of its routes; both have written them.
    const auto tracks = [&db] {
        QSqlQuery query(db.connection());
        return query.exec("SELECT COUNT(*) FROM unit_tracks") && query.next()
                   ? query.value(0).toInt()
                   : -1;
    };
    QTRY_COMPARE_WITH_TIMEOUT(tracks(), Routes, 4 * UnitTrackBook::FlushMs);
    doomed.kill();
    QVERIFY(doomed.waitForFinished(ServerHarness::Timeout));

    QSignalSpy news(toSurvivor, &FrameClient::newsReceived);
    push(toSurvivor, 2, Spot);
    QTRY_COMPARE_WITH_TIMEOUT(entries(db).size(), Routes, 30000);
    QCOMPARE(entries(db).values(), once());
    QSqlQuery query(db.connection());
    QVERIFY(query.exec(QStringLiteral("SELECT DISTINCT time - %1 FROM check_events").arg(t0)));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 101);
    QVERIFY(!query.next());
    QVERIFY(query.exec(QStringLiteral("SELECT name FROM rule_nodes WHERE id = %1").arg(GroupNode))
            && query.next());
    QCOMPARE(query.value(0).toString(), QString("Night shift"));
}

QTEST_MAIN(TestServerInstances)
#include "tst_server_instances.moc"
