#include "FrameClient.h"
#include "LayerStore.h"
#include "RouteCheckServer.h"
#include "RuleStore.h"
#include "TrackedObjectStore.h"

#include "graphobj/GraphObData.h"
#include "routecheck/RouteMessages.h"
#include "routecheck/RouteRecord.h"
#include "routecheck/SectionRecord.h"

#include <QColor>
#include <QDataStream>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <memory>

namespace {

constexpr int GroupNode = 1;
constexpr int NodeA = 2;
constexpr int NodeB = 3;
constexpr int Timeout = 5000;

using Reply = QPair<QByteArray, QByteArray>; // command, body

QDataStream &opened(QDataStream &stream)
{
    stream.setVersion(QDataStream::Qt_4_5);
    return stream;
}

SectionRecord *section(int id, const QString &name, const QList<int> &objects, int in, int out,
                       bool messageIn = true, bool messageOut = true,
                       QList<int> tolerances = {0, 0, 0, 0})
{
    auto *s = new SectionRecord;
    s->id = id;
    s->name = name;
    s->graphObjectIds = objects;
    s->checkTimeIn = in;
    s->checkTimeOut = out;
    s->messageOnTimeIn = messageIn;
    s->messageOnTimeOut = messageOut;
    s->checkTimeInAhead = tolerances.value(0);
    s->checkTimeInBehind = tolerances.value(1);
    s->checkTimeOutAhead = tolerances.value(2);
    s->checkTimeOutBehind = tolerances.value(3);
    return s;
}

QByteArray routeWire(const RouteRecord &route)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    RouteMessages::writeRoute(opened(out), route);
    return bytes;
}

std::unique_ptr<RouteRecord> routeFrom(const QByteArray &wire)
{
    QDataStream in(wire);
    return std::unique_ptr<RouteRecord>(RouteMessages::readRoute(opened(in)));
}

struct Entry
{
    qint32 lead;
    QByteArray route;
};

QByteArray fixBody(const QList<Entry> &entries, const QSet<int> &deleted)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    opened(out);
    for (const Entry &entry : entries)
        RouteMessages::writeSaveEntry(out, entry.lead, *routeFrom(entry.route));
    RouteMessages::writeSaveEnd(out, deleted);
    return body;
}

// Node id -> its route's wire form (empty: no route), over the whole rule tree.
bool readRuleTree(QDataStream &in, QMap<int, QByteArray> *routes, QMap<int, QString> *names)
{
    qint32 count = 0;
    in >> count;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        qint32 id = 0;
        QString name;
        quint32 bits = 0;
        in >> id >> name >> bits;
        if (!readRuleTree(in, routes, names))
            return false;
        bool hasRoute = false;
        in >> hasRoute;
        (*routes)[id] = QByteArray();
        if (hasRoute) {
            const std::unique_ptr<RouteRecord> route(RouteMessages::readRoute(in));
            (*routes)[id] = routeWire(*route);
        }
        (*names)[id] = name;
    }
    return in.status() == QDataStream::Ok;
}

// One line per node, "name(tag)[children]", for tree shapes at a glance.
QString objectTreeText(QDataStream &in)
{
    qint32 count = 0;
    in >> count;
    QStringList nodes;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        qint32 id = 0, kind = 0;
        QString name;
        in >> id >> name >> kind;
        const QString children = objectTreeText(in);
        nodes << QStringLiteral("%1(%2)%3").arg(name).arg(kind).arg(
            children.isEmpty() ? QString() : QLatin1Char('[') + children + QLatin1Char(']'));
    }
    return nodes.join(QLatin1Char(' '));
}

} // namespace

class TestServerProtocol : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saveAndReload_data();
    void saveAndReload();
    void update_data();
    void update();
    void deleteRoutes_data();
    void deleteRoutes();
    void malformedSaveChangesNothing_data();
    void malformedSaveChangesNothing();
    void saveSeenByAnotherClient();
    void checkMode_data();
    void checkMode();
    void layerTree();
    void objectTree();
    void ignoredRequests_data();
    void ignoredRequests();

private:
    void startServer();
    FrameClient *connectClient();
    Reply exchange(FrameClient *client, const QByteArray &command, const QByteArray &body = {});
    QMap<int, QByteArray> routes(QMap<int, QString> *names = nullptr);
    QByteArray storedRoute(int nodeId, const QList<SectionRecord *> &sections, uint checkTime);
    int rowCount(const QString &sql, int id);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RouteCheckServer> m_server;
    std::unique_ptr<QObject> m_clients; // parent of the test's clients
};

void TestServerProtocol::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_clients = std::make_unique<QObject>();
    startServer();
    RuleStore rules(m_server->database());
    QCOMPARE(rules.addNode(0, QStringLiteral("Group"), 3, 0), GroupNode);
    QCOMPARE(rules.addNode(GroupNode, QStringLiteral("Route A"), 3, 0), NodeA);
    QCOMPARE(rules.addNode(GroupNode, QStringLiteral("Route B"), 3, 1), NodeB);
}

void TestServerProtocol::cleanup()
{
    m_clients.reset();
    m_server.reset();
    m_dir.reset();
}

void TestServerProtocol::startServer()
{
    m_clients = std::make_unique<QObject>();
    m_server.reset();
    ServerOptions options;
    options.port = 0;
    options.databasePath = m_dir->filePath(QStringLiteral("routes.sqlite"));
    m_server = std::make_unique<RouteCheckServer>(options);
    QString error;
    QVERIFY2(m_server->start(&error), qPrintable(error));
}

FrameClient *TestServerProtocol::connectClient()
{
    auto *client = new FrameClient(m_clients.get());
    client->connectToServer(QHostAddress(QHostAddress::LocalHost), m_server->serverPort());
    if (!QTest::qWaitFor([client] { return client->isConnected(); }, Timeout))
        return nullptr;
    return client;
}

// The first reply to come back after sending; an empty command when none came.
Reply TestServerProtocol::exchange(FrameClient *client, const QByteArray &command,
                                   const QByteArray &body)
{
    QSignalSpy spy(client, &FrameClient::replyReceived);
    client->send(command, body);
    if (!QTest::qWaitFor([&spy] { return !spy.isEmpty(); }, Timeout))
        return {};
    return {spy.first().at(0).toByteArray(), spy.first().at(1).toByteArray()};
}

QMap<int, QByteArray> TestServerProtocol::routes(QMap<int, QString> *names)
{
    QMap<int, QByteArray> result;
    QMap<int, QString> nodeNames;
    FrameClient *client = connectClient();
    if (!client)
        return result;
    const Reply reply = exchange(client, "Get_tree_rulecheck");
    QDataStream in(reply.second);
    if (reply.first != "Get_tree_rulecheck" || !readRuleTree(opened(in), &result, &nodeNames)
        || !in.atEnd())
        return {};
    if (names)
        *names = nodeNames;
    return result;
}

// Stores a route straight into the database, as the starting point of a test.
QByteArray TestServerProtocol::storedRoute(int nodeId, const QList<SectionRecord *> &sections,
                                           uint checkTime)
{
    RouteRecord route(nodeId);
    route.sections = sections;
    route.checkOn = checkTime ? 1 : 0;
    route.checkTime = checkTime;
    route.objects = {nodeId * 10};
    RuleStore rules(m_server->database());
    if (!rules.storeRoute(route))
        return {};
    return routeWire(route);
}

int TestServerProtocol::rowCount(const QString &sql, int id)
{
    QSqlQuery query(m_server->database().connection());
    query.prepare(sql);
    query.addBindValue(id);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

void TestServerProtocol::saveAndReload_data()
{
    QTest::addColumn<QByteArray>("route"); // its id field is overwritten by the lead

    auto make = [](int id, int checkOn, int type, uint time, int fifth, QList<int> objects,
                   QList<SectionRecord *> sections) {
        RouteRecord route(id);
        route.checkOn = checkOn;
        route.checkTimeType = type;
        route.checkTime = time;
        route.fifthField = fifth;
        route.objects = objects;
        route.sections = sections;
        return routeWire(route);
    };
    QTest::newRow("two sections, schedule on")
        << make(-NodeB, 1, 2, 1714981500u, 7, {11, 12},
                {section(1, QStringLiteral("Gate"), {101, 102}, 28800, 29400, true, false,
                         {60, 120, 90, 180}),
                 section(2, QStringLiteral("Quay"), {103}, 30000, 30600, false, true)});
    QTest::newRow("schedule off and paused")
        << make(-NodeB, 0, 1, 0, 0, {},
                {section(1, QStringLiteral("Off"), {}, -1, -1),
                 section(2, QStringLiteral("Paused"), {7}, -28800, -29400, false, false,
                         {5, 6, 7, 8})});
    QTest::newRow("null and empty names")
        << make(-NodeB, 0, 0, 0, 0, {}, {section(1, QString(), {1}, 0, 0),
                                          section(2, QLatin1String(""), {2}, 0, 10)});
    QTest::newRow("extreme values")
        << make(NodeB, INT_MAX, INT_MIN, 0xFFFFFFFFu, INT_MIN, {INT_MIN, 0, INT_MAX},
                {section(INT_MAX, QStringLiteral("x"), {INT_MIN, INT_MAX}, INT_MAX, INT_MIN,
                         true, true, {INT_MIN, -1, INT_MAX, 0})});
    QTest::newRow("repeated ids keep their order")
        << make(-NodeB, 0, 1, 0, 0, {5, 5, 3},
                {section(3, QStringLiteral("b"), {9, 9, 1}, -1, -1),
                 section(3, QStringLiteral("a"), {9}, -1, -1),
                 section(1, QStringLiteral("c"), {}, -1, -1)});
    QTest::newRow("no sections, no objects") << make(-NodeB, 0, 1, 0, 0, {}, {});
    QTest::newRow("text beyond Latin-1")
        << make(-NodeB, 0, 1, 0, 0, {1},
                {section(1, QStringLiteral("Überführung – Mühlenstraße 北"), {1}, 60,
                         120)});
    QTest::newRow("route id differs from the lead")
        << make(NodeA, 1, 3, 42, 9, {2}, {section(4, QStringLiteral("s"), {}, 1, 2)});
}

void TestServerProtocol::saveAndReload()
{
    QFETCH(QByteArray, route);
    FrameClient *client = connectClient();
    QVERIFY(client);
    const Reply reply = exchange(client, "Fix_routes", fixBody({{NodeB, route}}, {}));
    QCOMPARE(reply.first, QByteArray("Fix_routes"));
    QCOMPARE(reply.second, QByteArray());

    startServer(); // a new instance on the same file
    std::unique_ptr<RouteRecord> expected = routeFrom(route);
    expected->id = NodeB;
    const QMap<int, QByteArray> stored = routes();
    QCOMPARE(stored.value(NodeB), routeWire(*expected));
    QCOMPARE(stored.value(NodeA), QByteArray());
    QCOMPARE(stored.value(GroupNode), QByteArray());
}

void TestServerProtocol::update_data()
{
    QTest::addColumn<qint32>("lead");
    QTest::addColumn<int>("routeId");
    QTest::addColumn<bool>("applied");

    QTest::newRow("lead 0 updates the route of its id") << 0 << NodeA << true;
    QTest::newRow("lead node id replaces") << NodeA << -NodeA << true;
    QTest::newRow("lead 0, unknown route id is skipped") << 0 << 999 << false;
    QTest::newRow("lead 0, node without a route is skipped") << 0 << GroupNode << false;
    QTest::newRow("lead naming no node is skipped") << 999 << 999 << false;
}

void TestServerProtocol::update()
{
    QFETCH(qint32, lead);
    QFETCH(int, routeId);
    QFETCH(bool, applied);

    const QByteArray before = storedRoute(NodeA, {section(1, QStringLiteral("old"), {1}, 1, 2),
                                                  section(2, QStringLiteral("old 2"), {}, -1, -1)},
                                          100);
    const QByteArray untouchedB =
        storedRoute(NodeB, {section(1, QStringLiteral("b"), {}, 5, 6)}, 0);
    RouteRecord changed(routeId);
    changed.checkTimeType = 4;
    changed.fifthField = 3;
    changed.objects = {7, 8};
    changed.sections = {
        section(5, QStringLiteral("new"), {4, 4}, 10, 20, false, true, {1, 2, 3, 4})};

    if (!applied) {
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("Fix_routes: no .* %1").arg(routeId)));
    }
    FrameClient *client = connectClient();
    QVERIFY(client);
    const Reply reply = exchange(client, "Fix_routes", fixBody({{lead, routeWire(changed)}}, {}));
    QCOMPARE(reply.first, QByteArray("Fix_routes"));

    const QMap<int, QByteArray> stored = routes();
    changed.id = NodeA;
    QCOMPARE(stored.value(NodeA), applied ? routeWire(changed) : before);
    QCOMPARE(stored.value(NodeB), untouchedB);
    QCOMPARE(stored.value(GroupNode), QByteArray());
    QCOMPARE(rowCount(QStringLiteral("SELECT COUNT(*) FROM sections WHERE route_id = ?"), NodeA),
             applied ? 1 : 2);
}

void TestServerProtocol::deleteRoutes_data()
{
    QTest::addColumn<bool>("recreateA");
    QTest::addColumn<QList<int>>("deleted");
    QTest::addColumn<bool>("aLeft");
    QTest::addColumn<bool>("bLeft");

    QTest::newRow("one of two") << false << QList<int>{NodeA} << false << true;
    QTest::newRow("both and an unknown id") << false << QList<int>{NodeA, NodeB, 999} << false
                                            << false;
    QTest::newRow("empty set") << false << QList<int>{} << true << true;
    QTest::newRow("a node without a route") << false << QList<int>{GroupNode} << true << true;
    QTest::newRow("saved and deleted in one body") << true << QList<int>{NodeA} << false << true;
}

void TestServerProtocol::deleteRoutes()
{
    QFETCH(bool, recreateA);
    QFETCH(QList<int>, deleted);
    QFETCH(bool, aLeft);
    QFETCH(bool, bLeft);

    storedRoute(NodeA, {section(1, QStringLiteral("a"), {1, 2}, 1, 2)}, 0);
    const QByteArray routeB = storedRoute(NodeB, {section(1, QStringLiteral("b"), {3}, 1, 2)}, 0);
    QList<Entry> entries;
    if (recreateA) {
        RouteRecord again(NodeA);
        again.sections = {section(1, QStringLiteral("again"), {4, 5, 6}, 1, 2)};
        entries << Entry{NodeA, routeWire(again)};
    }

    FrameClient *client = connectClient();
    QVERIFY(client);
    const QSet<int> set(deleted.cbegin(), deleted.cend());
    QCOMPARE(exchange(client, "Fix_routes", fixBody(entries, set)).first,
             QByteArray("Fix_routes"));

    QMap<int, QString> names;
    const QMap<int, QByteArray> stored = routes(&names);
    QCOMPARE(stored.value(NodeA).isEmpty(), !aLeft);
    QCOMPARE(stored.value(NodeB), bLeft ? routeB : QByteArray());
    QCOMPARE(names.size(), 3); // nodes stay; only their routes go
    const QString orphans =
        QStringLiteral("SELECT COUNT(*) FROM section_objects WHERE route_id = ?");
    QCOMPARE(rowCount(orphans, NodeA), aLeft ? 2 : 0);
    QCOMPARE(rowCount(orphans, NodeB), bLeft ? 1 : 0);
}

void TestServerProtocol::malformedSaveChangesNothing_data()
{
    QTest::addColumn<QByteArray>("body");

    RouteRecord route(NodeB);
    route.sections = {section(1, QStringLiteral("s"), {1}, 1, 2)};
    const QByteArray entry = fixBody({{NodeB, routeWire(route)}}, {}).chopped(8);
    const QByteArray end = QByteArray::fromHex("ffffffff");
    QByteArray hugeSections;
    {
        QDataStream out(&hugeSections, QIODevice::WriteOnly);
        opened(out) << qint32(NodeB) << qint32(NodeB) << qint32(0) << qint32(1) << quint32(0)
                    << qint32(0) << QList<int>() << qint32(0x7fffffff);
    }

    QTest::newRow("empty body") << QByteArray();
    QTest::newRow("entry without end mark") << entry;
    QTest::newRow("end mark without id set") << entry + end;
    QTest::newRow("id set cut short") << entry + end + QByteArray::fromHex("00000003 00000002");
    QTest::newRow("id set of four billion") << entry + end + QByteArray::fromHex("ffffffff");
    QTest::newRow("trailing byte") << entry + end + QByteArray(4, '\0') + QByteArray(1, 'x');
    QTest::newRow("route cut inside a section") << entry.left(entry.size() - 5);
    QTest::newRow("section count with no sections") << hugeSections + end + QByteArray(4, '\0');
    QTest::newRow("two entries, the second cut short") << entry + entry.left(30);
}

void TestServerProtocol::malformedSaveChangesNothing()
{
    QFETCH(QByteArray, body);
    const QByteArray routeA = storedRoute(NodeA, {section(1, QStringLiteral("a"), {1}, 1, 2)}, 0);
    const QMap<int, QByteArray> before = routes();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Fix_routes: malformed"));
    FrameClient *client = connectClient();
    QVERIFY(client);
    QSignalSpy spy(client, &FrameClient::replyReceived);
    client->send("Fix_routes", body);
    client->send("Get_tree_objects");
    QVERIFY(QTest::qWaitFor([&spy] { return !spy.isEmpty(); }, Timeout));
    QCOMPARE(spy.first().at(0).toByteArray(), QByteArray("Get_tree_objects"));
    QCOMPARE(routes(), before);
    QCOMPARE(routes().value(NodeA), routeA);
}

void TestServerProtocol::saveSeenByAnotherClient()
{
    FrameClient *writer = connectClient();
    FrameClient *reader = connectClient();
    QVERIFY(writer && reader);
    const QByteArray empty = exchange(reader, "Get_tree_rulecheck").second;

    RouteRecord route(NodeA);
    route.sections = {section(1, QStringLiteral("seen"), {1}, 1, 2)};
    QSignalSpy readerReplies(reader, &FrameClient::replyReceived);
    QCOMPARE(exchange(writer, "Fix_routes", fixBody({{NodeA, routeWire(route)}}, {})).first,
             QByteArray("Fix_routes"));
    const Reply after = exchange(reader, "Get_tree_rulecheck");
    // The save's acknowledgement went to the writer only.
    QCOMPARE(readerReplies.size(), 1);
    QCOMPARE(after.first, QByteArray("Get_tree_rulecheck"));
    QVERIFY(after.second != empty);
    QVERIFY(after.second.contains(routeWire(route)));
}

void TestServerProtocol::checkMode_data()
{
    QTest::addColumn<qint32>("mode");
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<QList<int>>("applied");

    QTest::newRow("on for both") << 1 << QList<int>{NodeA, NodeB} << QList<int>{NodeA, NodeB};
    QTest::newRow("on skips unknown and repeated ids")
        << 1 << QList<int>{NodeA, 999, GroupNode, NodeA} << QList<int>{NodeA};
    QTest::newRow("off keeps the check time") << 0 << QList<int>{NodeB} << QList<int>{NodeB};
    QTest::newRow("empty list") << 1 << QList<int>{} << QList<int>{};
}

void TestServerProtocol::checkMode()
{
    QFETCH(qint32, mode);
    QFETCH(QList<int>, ids);
    QFETCH(QList<int>, applied);

    constexpr uint EarlierTime = 1000;
    storedRoute(NodeA, {}, 0);
    storedRoute(NodeB, {}, EarlierTime);
    FrameClient *sender = connectClient();
    FrameClient *watcher = connectClient();
    QVERIFY(sender && watcher);
    QSignalSpy watched(watcher, &FrameClient::replyReceived);

    const uint before = uint(QDateTime::currentSecsSinceEpoch());
    const Reply reply = exchange(sender, "Set_check_mode",
                                 RouteMessages::checkModeRequest(mode, ids));
    const uint after = uint(QDateTime::currentSecsSinceEpoch());
    QCOMPARE(reply.first, QByteArray("Set_check_mode"));
    QDataStream in(reply.second);
    const RouteMessages::CheckModeReply read = RouteMessages::readCheckModeReply(opened(in));
    QVERIFY(in.atEnd());
    QCOMPARE(read.routeIds, applied);
    if (mode == 1)
        QVERIFY(read.checkTime >= before && read.checkTime <= after);
    else
        QCOMPARE(read.checkTime, 0u);

    // Every panel hears of the change, the same bytes.
    QVERIFY(QTest::qWaitFor([&watched] { return !watched.isEmpty(); }, Timeout));
    QCOMPARE(watched.first().at(0).toByteArray(), QByteArray("Set_check_mode"));
    QCOMPARE(watched.first().at(1).toByteArray(), reply.second);

    const QMap<int, QByteArray> stored = routes();
    for (int id : {NodeA, NodeB}) {
        const std::unique_ptr<RouteRecord> route = routeFrom(stored.value(id));
        const bool changed = applied.contains(id);
        const int wasOn = id == NodeB ? 1 : 0;
        const uint wasTime = id == NodeB ? EarlierTime : 0;
        QCOMPARE(route->checkOn, changed ? mode : wasOn);
        QCOMPARE(route->checkTime, changed && mode == 1 ? read.checkTime : wasTime);
    }
}

void TestServerProtocol::layerTree()
{
    LayerStore layers(m_server->database());
    const qint32 top = layers.addLayer(0, QStringLiteral("Top"), 1, 0);
    const qint32 inner = layers.addLayer(top, QStringLiteral("Inner"), 0, 0);
    QVERIFY(top && inner);
    GraphObData line;
    line.type = 2;
    line.points = {QPoint(374200000, 556900000), QPoint(-1, INT_MAX)};
    line.properties = {{QStringLiteral("Width"), 55},
                       {QStringLiteral("Color"), QColor(1, 2, 3, 4)},
                       {QStringLiteral("Comment"), QStringLiteral("text")}};
    GraphObData polygon;
    polygon.type = 3;
    polygon.name = QStringLiteral("Yard");
    polygon.points = {QPoint(1, 2), QPoint(3, 4), QPoint(5, 6)};
    polygon.properties = {{QStringLiteral("Brush"), QColor(10, 20, 30, 90)}};
    line.id = layers.addObject(top, line, 1);
    polygon.id = layers.addObject(inner, polygon, 0);
    QVERIFY(line.id && polygon.id);

    FrameClient *client = connectClient();
    QVERIFY(client);
    const Reply reply = exchange(client, "Get_tree_graphobj");
    QCOMPARE(reply.first, QByteArray("Get_tree_graphobj"));
    QByteArray expected;
    QDataStream out(&expected, QIODevice::WriteOnly);
    opened(out) << qint32(1) << top << QStringLiteral("Top") << qint32(1);
    out << qint32(1) << inner << QStringLiteral("Inner") << qint32(0) << qint32(0) << qint32(1);
    WriteGraphObData(out, polygon);
    out << qint32(1);
    WriteGraphObData(out, line);
    QCOMPARE(reply.second.toHex(), expected.toHex());
}

void TestServerProtocol::objectTree()
{
    using Kind = TrackedObjectStore::Kind;
    TrackedObjectStore units(m_server->database());
    const qint32 cars = units.add(0, QStringLiteral("Cars"), Kind::Group, 1);
    const qint32 convoys = units.add(0, QStringLiteral("Convoys"), Kind::Group, 0);
    const qint32 shift = units.add(cars, QStringLiteral("Shift A"), Kind::Group, 0);
    QVERIFY(units.add(shift, QStringLiteral("A-12"), Kind::Unit, 1));
    QVERIFY(units.add(shift, QStringLiteral("A-11"), Kind::Unit, 0));
    QVERIFY(units.add(convoys, QStringLiteral("C-1"), Kind::Unit, 0));
    QVERIFY(units.add(cars, QStringLiteral("Spare"), Kind::Unit, 1));

    FrameClient *client = connectClient();
    QVERIFY(client);
    const Reply reply = exchange(client, "Get_tree_objects");
    QCOMPARE(reply.first, QByteArray("Get_tree_objects"));
    QDataStream in(reply.second);
    QCOMPARE(objectTreeText(opened(in)),
             QStringLiteral("Convoys(0)[C-1(1)] Cars(0)[Shift A(0)[A-11(1) A-12(1)] Spare(1)]"));
    QVERIFY(in.atEnd());
}

void TestServerProtocol::ignoredRequests_data()
{
    QTest::addColumn<QByteArray>("server");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("logged");

    QTest::newRow("another server's name") << QByteArray("OperCheck_Server2")
                                           << QByteArray("Get_tree_rulecheck")
                                           << QStringLiteral("for server \"OperCheck_Server2\"");
    QTest::newRow("empty server name") << QByteArray() << QByteArray("Get_tree_graphobj")
                                       << QStringLiteral("for server \"\"");
    QTest::newRow("unknown command") << QByteArray("OperCheck_Server1")
                                     << QByteArray("Every_sections_state")
                                     << QStringLiteral("unknown command \"Every_sections_state\"");
    QTest::newRow("command in other case") << QByteArray("OperCheck_Server1")
                                           << QByteArray("get_tree_rulecheck")
                                           << QStringLiteral("unknown command");
}

void TestServerProtocol::ignoredRequests()
{
    QFETCH(QByteArray, server);
    QFETCH(QByteArray, command);
    QFETCH(QString, logged);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(logged)));
    FrameClient *client = connectClient();
    QVERIFY(client);
    QSignalSpy spy(client, &FrameClient::replyReceived);
    client->sendTo(server, command, QByteArray());
    client->send("Get_tree_objects");
    QVERIFY(QTest::qWaitFor([&spy] { return !spy.isEmpty(); }, Timeout));
    QCOMPARE(spy.first().at(0).toByteArray(), QByteArray("Get_tree_objects"));
    QVERIFY(client->isConnected());
}

QTEST_GUILESS_MAIN(TestServerProtocol)
#include "tst_server_protocol.moc"
