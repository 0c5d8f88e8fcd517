// Several servers on one PostgreSQL database: what one's clients change
// reaches the others' clients.
#include "testsupport/ServerHarness.h"
#include "testsupport/TreeBuilders.h"

#include "InstanceLease.h"
#include "LayerStore.h"
#include "LiveChecker.h"
#include "RuleStore.h"
#include "TrackedObjectStore.h"

#include "wire/RouteMessages.h"
#include "wire/UnitMessages.h"

#include <QSqlQuery>
#include <QtTest>

namespace {

constexpr int GroupNode = 1;
constexpr int Routes = 8;
const QPoint Spot(376000000, 556000000), Away(376000000, 555980000); // 222 m apart

// Whether both servers count each other and share the routes without overlap.
bool shared(const RouteCheckServer &a, const RouteCheckServer &b)
{
    const RouteOwners &x = a.liveChecker()->owners(), &y = b.liveChecker()->owners();
    if (x.memberCount() != 2 || y.memberCount() != 2)
        return false;
    for (int id = 1; id <= Routes + 1; ++id) {
        if (x.owns(id) == y.owns(id))
            return false;
    }
    return true;
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

private:
    static ServerOptions options()
    {
        ServerOptions options;
        options.confirmMetres = 10000; // a crossing takes two reports in a row
        return options;
    }
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
void TestServerInstances::eachRouteJudgedOnce()
{
    Database &db = first->server->database();
    LayerStore layers(db);
    const qint32 layer = layers.addLayer(0, "Marks", 1, 0);
    const qint32 zone = layers.addObject(layer, TreeBodies::object(0, 1, "", {Spot}), 0);
    const qint64 t0 = QDateTime::currentSecsSinceEpoch() - 1000;
    RuleStore rules(db);
    QList<qint32> units;
    for (int i = 0; i < Routes; ++i) {
        const qint32 node = rules.addNode(GroupNode, QStringLiteral("Beat %1").arg(i), 3, i);
        units << TrackedObjectStore(db).add(0, QStringLiteral("Car %1").arg(i),
                                            TrackedObjectStore::Kind::Unit, i);
        RouteRecord route(node);
        route.checkOn = 1, route.checkTime = quint32(t0), route.objects = {units.last()};
        route.sections = {TreeBodies::section(1, "Gate", {zone})};
        QVERIFY(rules.storeRoute(route));
    }
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
    const auto entries = [&] {
        QSqlQuery query(db.connection());
        query.exec("SELECT route_id, COUNT(*) FROM check_events WHERE kind = 0 GROUP BY route_id");
        QMap<int, int> counts;
        while (query.next())
            counts.insert(query.value(0).toInt(), query.value(1).toInt());
        return counts;
    };
    QTRY_COMPARE_WITH_TIMEOUT(entries().size(), Routes, ServerHarness::Timeout);
    QCOMPARE(entries().values(), QVector<int>(Routes, 1).toList());
    for (int i = 0; i < 2; ++i) {
        QTRY_COMPARE_WITH_TIMEOUT(heard[i].size(), Routes, ServerHarness::Timeout);
        QCOMPARE(heard[i].values(), QVector<int>(Routes, 1).toList());
    }
}

QTEST_MAIN(TestServerInstances)
#include "tst_server_instances.moc"
