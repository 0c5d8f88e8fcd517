// Several servers on one PostgreSQL database: what one's clients change
// reaches the others' clients.
#include "testsupport/ServerHarness.h"
#include "testsupport/TreeBuilders.h"

#include "RuleStore.h"

#include "wire/RouteMessages.h"
#include "wire/UnitMessages.h"

#include <QtTest>

namespace {

constexpr int GroupNode = 1;

} // namespace

class TestServerInstances : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void changesReachOtherServers_data();
    void changesReachOtherServers();

private:
    // Another server on the first one's database.
    QString startSecond();

    std::unique_ptr<ServerHarness> first;
    std::unique_ptr<RouteCheckServer> second;
};

void TestServerInstances::init()
{
    first = std::make_unique<ServerHarness>();
    QCOMPARE(first->start(), QString());
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
    ServerOptions options;
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

QTEST_MAIN(TestServerInstances)
#include "tst_server_instances.moc"
