#include "testsupport/ServerHarness.h"

#include "LayerStore.h"
#include "RuleStore.h"
#include "TrackedObjectStore.h"

#include "wire/LayerMessages.h"
#include "wire/RouteMessages.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QColor>
#include <QDataStream>
#include <QSqlQuery>
#include <QtTest>

#include <climits>

namespace {

constexpr int GroupNode = 1;
constexpr int NodeA = 2;
constexpr int NodeB = 3;
constexpr int Gone = 0, Kept = 1, Changed = 2; // a route after a save

using Reply = ServerHarness::Reply;
using Entries = QList<QPair<qint32, QByteArray>>; // lead, route wire

QDataStream &opened(QDataStream &stream)
{
    stream.setVersion(QDataStream::Qt_4_5);
    return stream;
}

// tolerances: in ahead, in behind, out ahead, out behind.
SectionRecord *section(int id, const QString &name, const QList<int> &objects, int in = 0,
                       int out = 0, const QList<int> &t = {0, 0, 0, 0}, bool msgIn = true,
                       bool msgOut = true)
{
    return new SectionRecord{id,         name,       objects,    in,    out,    0, t.value(0),
                             t.value(1), t.value(2), t.value(3), msgIn, msgOut, false, 0};
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

// fields: check on, time type, check time, the fifth field.
QByteArray route(int id, const QList<SectionRecord *> &sections, const QList<int> &objects = {},
                 const QList<qint64> &fields = {0, 1, 0, 0})
{
    RouteRecord r(id);
    r.sections = sections;
    r.objects = objects;
    r.checkOn = int(fields.value(0));
    r.checkTimeType = int(fields.value(1));
    r.checkTime = uint(fields.value(2));
    r.fifthField = int(fields.value(3));
    return routeWire(r);
}

QByteArray withId(const QByteArray &wire, int id)
{
    std::unique_ptr<RouteRecord> r = routeFrom(wire);
    r->id = id;
    return routeWire(*r);
}

QByteArray fixBody(const Entries &entries, const QList<int> &deleted = {})
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    opened(out);
    for (const auto &entry : entries)
        RouteMessages::writeSaveEntry(out, entry.first, *routeFrom(entry.second));
    RouteMessages::writeSaveEnd(out, QSet<int>(deleted.cbegin(), deleted.cend()));
    return body;
}

// "name(kind)[children]" per node, for tree shapes at a glance.
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
    void cleanup() { h.reset(); }

    void saveAndReload_data();
    void saveAndReload();
    void fixRoutes_data();
    void fixRoutes();
    void malformedSaveChangesNothing_data();
    void malformedSaveChangesNothing();
    void checkMode_data();
    void checkMode();
    void layerTree();
    void objectTree();
    void otherServersRequestIgnored();

private:
    QMap<int, QByteArray> routes();
    QByteArray store(const QByteArray &wire);
    int rowCount(const char *table, int routeId);

    std::unique_ptr<ServerHarness> h;
};

void TestServerProtocol::init()
{
    h = std::make_unique<ServerHarness>();
    QCOMPARE(h->start(), QString());
    RuleStore rules(h->server->database());
    QCOMPARE(rules.addNode(0, QStringLiteral("Group"), 3, 0), GroupNode);
    QCOMPARE(rules.addNode(GroupNode, QStringLiteral("Route A"), 3, 0), NodeA);
    QCOMPARE(rules.addNode(GroupNode, QStringLiteral("Route B"), 3, 1), NodeB);
}

// Every stored route's wire form by its id.
QMap<int, QByteArray> TestServerProtocol::routes()
{
    bool ok = false;
    QMap<int, QByteArray> result;
    for (const RuleStore::NamedRoute &named : RuleStore(h->server->database()).routes(&ok))
        result[named.route->id] = routeWire(*named.route);
    return ok ? result : QMap<int, QByteArray>();
}

// Stores a route straight into the database, as the starting point of a test.
QByteArray TestServerProtocol::store(const QByteArray &wire)
{
    return RuleStore(h->server->database()).storeRoute(*routeFrom(wire)) ? wire : QByteArray();
}

int TestServerProtocol::rowCount(const char *table, int routeId)
{
    QSqlQuery query(h->server->database().connection());
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE route_id = ?").arg(table));
    query.addBindValue(routeId);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

void TestServerProtocol::saveAndReload_data()
{
    QTest::addColumn<QByteArray>("route"); // its id is overwritten by the lead

    QTest::newRow("sections with flags and tolerances")
        << route(-NodeB,
                 {section(1, "Gate", {101, 102}, 28800, 29400, {60, 120, 90, 180}, true, false),
                  section(2, "Quay", {103}, -30000, -30600, {}, false, true)},
                 {11, 12}, {1, 2, 1714981500, 7});
    QTest::newRow("extreme values")
        << route(NodeB,
                 {section(INT_MAX, "x", {INT_MIN, INT_MAX}, INT_MAX, INT_MIN,
                          {INT_MIN, -1, INT_MAX, 0})},
                 {INT_MIN, 0, INT_MAX}, {INT_MAX, INT_MIN, 0xFFFFFFFFu, INT_MIN});
    QTest::newRow("repeated ids in order, null, empty and wide names")
        << route(-NodeB,
                 {section(3, QString(), {9, 9, 1}, -1, -1), section(3, QLatin1String(""), {9}),
                  section(1, QStringLiteral("Überführung – Mühlenstraße 北"), {})},
                 {5, 5, 3});
    QTest::newRow("empty route carrying another node's id") << route(NodeA, {}, {}, {1, 3, 42, 9});
}

void TestServerProtocol::saveAndReload()
{
    QFETCH(QByteArray, route);
    FrameClient *watcher = h->connect();
    QVERIFY(watcher);
    QSignalSpy watched(watcher, &FrameClient::replyReceived);
    QCOMPARE(h->exchange(h->connect(), "Fix_routes", fixBody({{NodeB, route}})),
             Reply("Fix_routes", QByteArray()));
    // The acknowledgement goes to the saver alone.
    QVERIFY(h->answers(watcher));
    QCOMPARE(watched.size(), 1);

    QCOMPARE(h->start(), QString()); // a new instance on the same file
    QCOMPARE(routes(), (QMap<int, QByteArray>{{NodeB, withId(route, NodeB)}}));
    QVERIFY(h->exchange(h->connect(), "Get_tree_rulecheck").second.contains(routes()[NodeB]));
}

void TestServerProtocol::fixRoutes_data()
{
    QTest::addColumn<QList<int>>("entry"); // lead, route id; empty: none
    QTest::addColumn<QList<int>>("deleted");
    QTest::addColumn<int>("a"); // route A afterwards
    QTest::addColumn<bool>("bLeft");

    const QList<int> none;
    QTest::newRow("lead 0 updates the route of its id") << QList<int>{0, NodeA} << none << Changed
                                                        << true;
    QTest::newRow("lead node id replaces") << QList<int>{NodeA, -NodeA} << none << Changed << true;
    QTest::newRow("lead 0, unknown route id is skipped") << QList<int>{0, 999} << none << Kept
                                                         << true;
    QTest::newRow("lead 0, node without a route is skipped")
        << QList<int>{0, GroupNode} << none << Kept << true;
    QTest::newRow("lead naming no node is skipped") << QList<int>{999, 999} << none << Kept << true;
    QTest::newRow("delete one of two") << none << QList<int>{NodeA} << Gone << true;
    QTest::newRow("delete both and an unknown id") << none << QList<int>{NodeA, NodeB, 999} << Gone
                                                   << false;
    QTest::newRow("delete a node without a route") << none << QList<int>{GroupNode} << Kept << true;
    QTest::newRow("saved and deleted in one body") << QList<int>{NodeA, NodeA} << QList<int>{NodeA}
                                                   << Gone << true;
}

void TestServerProtocol::fixRoutes()
{
    QFETCH(QList<int>, entry);
    QFETCH(QList<int>, deleted);
    QFETCH(int, a);
    QFETCH(bool, bLeft);

    const QByteArray before =
        store(route(NodeA, {section(1, "old", {1}, 1, 2), section(2, "old 2", {}, -1, -1)},
                    {NodeA * 10}, {1, 1, 100, 0}));
    const QByteArray b = store(route(NodeB, {section(1, "b", {3}, 5, 6)}));
    const QByteArray changed =
        route(entry.value(1), {section(5, "new", {4, 4}, 10, 20, {1, 2, 3, 4}, false)}, {7, 8},
              {0, 4, 0, 3});
    Entries entries;
    if (!entry.isEmpty())
        entries << qMakePair(entry[0], changed);
    if (!entry.isEmpty() && a == Kept) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(
                                               QStringLiteral("Fix_routes: no .* %1").arg(entry[1])));
    }
    QCOMPARE(h->exchange(h->connect(), "Fix_routes", fixBody(entries, deleted)).first,
             QByteArray("Fix_routes"));

    const QMap<int, QByteArray> stored = routes();
    QCOMPARE(stored.value(NodeA), a == Gone ? QByteArray() : a == Kept ? before
                                                                       : withId(changed, NodeA));
    QCOMPARE(stored.value(NodeB), bLeft ? b : QByteArray());
    QVERIFY(!stored.contains(GroupNode));
    for (int node : {GroupNode, NodeA, NodeB}) // nodes stay
        QVERIFY(RuleStore(h->server->database()).nodeExists(node));
    // No rows left behind by replaced or deleted routes.
    QCOMPARE(rowCount("sections", NodeA), QList<int>({0, 2, 1}).at(a));
    QCOMPARE(rowCount("section_objects", NodeB), bLeft ? 1 : 0);
}

void TestServerProtocol::malformedSaveChangesNothing_data()
{
    QTest::addColumn<QByteArray>("body");

    const QByteArray entry =
        fixBody({{NodeB, route(NodeB, {section(1, "s", {1}, 1, 2)})}}).chopped(8);
    const QByteArray end = QByteArray::fromHex("ffffffff");
    QByteArray hugeSections;
    QDataStream out(&hugeSections, QIODevice::WriteOnly);
    opened(out) << qint32(NodeB) << qint32(NodeB) << qint32(0) << qint32(1) << quint32(0)
                << qint32(0) << QList<int>() << qint32(0x7fffffff);

    QTest::newRow("empty body") << QByteArray();
    QTest::newRow("entry without end mark") << entry;
    QTest::newRow("id set cut short") << entry + end + QByteArray::fromHex("00000003 00000002");
    QTest::newRow("trailing byte") << entry + end + QByteArray(4, '\0') + 'x';
    QTest::newRow("section count with no sections") << hugeSections + end + QByteArray(4, '\0');
    // The first entry reads whole, yet must not be applied alone.
    QTest::newRow("two entries, the second cut short") << entry + entry.left(30);
}

void TestServerProtocol::malformedSaveChangesNothing()
{
    QFETCH(QByteArray, body);
    store(route(NodeA, {section(1, "a", {1}, 1, 2)}));
    const QMap<int, QByteArray> before = routes();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Fix_routes: malformed"));
    FrameClient *client = h->connect();
    QVERIFY(client);
    client->send("Fix_routes", body);
    QVERIFY(h->answers(client)); // no acknowledgement came first
    QCOMPARE(routes(), before);
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
}

void TestServerProtocol::checkMode()
{
    QFETCH(qint32, mode);
    QFETCH(QList<int>, ids);
    QFETCH(QList<int>, applied);

    constexpr uint EarlierTime = 1000;
    store(route(NodeA, {}));
    store(route(NodeB, {}, {}, {1, 1, EarlierTime, 0}));
    const uint now = uint(QDateTime::currentSecsSinceEpoch());
    const Reply reply = h->exchange(h->connect(), "Set_check_mode",
                                    RouteMessages::checkModeRequest(mode, ids));
    QCOMPARE(reply.first, QByteArray("Set_check_mode"));
    QDataStream in(reply.second);
    const RouteMessages::CheckModeReply read = RouteMessages::readCheckModeReply(opened(in));
    QVERIFY(in.atEnd());
    QCOMPARE(read.routeIds, applied);
    QVERIFY(mode == 1 ? read.checkTime - now <= 2 : read.checkTime == 0);
    for (int id : {NodeA, NodeB}) {
        const std::unique_ptr<RouteRecord> r = routeFrom(routes().value(id));
        const bool changed = applied.contains(id);
        QCOMPARE(r->checkOn, changed ? mode : int(id == NodeB));
        QCOMPARE(r->checkTime, changed && mode == 1 ? read.checkTime
                               : id == NodeB       ? EarlierTime
                                                   : 0u);
    }
}

void TestServerProtocol::layerTree()
{
    LayerStore layers(h->server->database());
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

    const Reply reply = h->exchange(h->connect(), "Get_tree_graphobj");
    QCOMPARE(reply.first, QByteArray("Get_tree_graphobj"));
    // Inner layer before the top layer's own object.
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
    TrackedObjectStore units(h->server->database());
    const qint32 cars = units.add(0, QStringLiteral("Cars"), Kind::Group, 1);
    const qint32 convoys = units.add(0, QStringLiteral("Convoys"), Kind::Group, 0);
    const qint32 shift = units.add(cars, QStringLiteral("Shift A"), Kind::Group, 0);
    QVERIFY(units.add(shift, QStringLiteral("A-12"), Kind::Unit, 1));
    QVERIFY(units.add(shift, QStringLiteral("A-11"), Kind::Unit, 0));
    QVERIFY(units.add(convoys, QStringLiteral("C-1"), Kind::Unit, 0));
    QVERIFY(units.add(cars, QStringLiteral("Spare"), Kind::Unit, 1));

    const Reply reply = h->exchange(h->connect(), "Get_tree_objects");
    QCOMPARE(reply.first, QByteArray("Get_tree_objects"));
    QDataStream in(reply.second);
    QCOMPARE(objectTreeText(opened(in)),
             QStringLiteral("Convoys(0)[C-1(1)] Cars(0)[Shift A(0)[A-11(1) A-12(1)] Spare(1)]"));
    QVERIFY(in.atEnd());
}

void TestServerProtocol::otherServersRequestIgnored()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("for server \"OperCheck_Server2\""));
    FrameClient *client = h->connect();
    QVERIFY(client);
    client->sendTo("OperCheck_Server2", "Get_tree_rulecheck", QByteArray());
    QVERIFY(h->answers(client)); // nothing came before, and the client is still served
}

QTEST_GUILESS_MAIN(TestServerProtocol)
#include "tst_server_protocol.moc"
