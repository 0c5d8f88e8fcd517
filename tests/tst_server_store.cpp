// The server's stores: the database file and its schema, routes saved and
// switched over the wire and read back after a restart, the layer tree.
#include "testsupport/ServerHarness.h"

#include "LayerStore.h"
#include "RuleStore.h"
#include "Schema.h"

#include "records/RouteRecord.h"
#include "records/SectionRecord.h"
#include "wire/LayerMessages.h"
#include "wire/RouteMessages.h"

#include <QColor>
#include <QFile>
#include <QSqlQuery>
#include <QtTest>

#include <climits>

namespace {

constexpr int GroupNode = 1, NodeA = 2, NodeB = 3;
const auto opened = ServerHarness::opened;

// t: in, out, in ahead, in behind, out ahead, out behind.
SectionRecord *section(int id, const QString &name, const QList<int> &objects,
                       const QList<int> &t = {}, bool msgIn = true, bool msgOut = true)
{
    return new SectionRecord{id,         name,       objects,    t.value(0), t.value(1), 0,
                             t.value(2), t.value(3), t.value(4), t.value(5), msgIn,      msgOut,
                             false,      0};
}

QByteArray wire(const RouteRecord &route)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    RouteMessages::writeRoute(opened(out), route);
    return bytes;
}

// f: check on, time type, check time, the fifth field.
QByteArray route(int id, const QList<SectionRecord *> &sections, const QList<int> &objects = {},
                 const QList<qint64> &f = {0, 1, 0, 0})
{
    RouteRecord r(id);
    r.sections = sections, r.objects = objects;
    r.checkOn = int(f[0]), r.checkTimeType = int(f[1]), r.checkTime = uint(f[2]);
    r.fifthField = int(f[3]);
    return wire(r);
}

std::unique_ptr<RouteRecord> routeFrom(const QByteArray &wire)
{
    QDataStream in(wire);
    return std::unique_ptr<RouteRecord>(RouteMessages::readRoute(opened(in)));
}

QString scalar(const Database &db, const QString &sql)
{
    QSqlQuery query(db.connection());
    return query.exec(sql) && query.next() ? query.value(0).toString() : QStringLiteral("-");
}

} // namespace

class TestServerStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { h.reset(); }

    void schema_data();
    void schema();
    void deletingANodeTakesItsRoutes();
    void fixRoutes_data();
    void fixRoutes();
    void checkMode();
    void layerTree();

private:
    QMap<int, QByteArray> routes(); // every stored route's wire form by its id
    void store(const QByteArray &wire)
    {
        QVERIFY(RuleStore(h->server->database()).storeRoute(*routeFrom(wire)));
    }

    std::unique_ptr<ServerHarness> h;
};

void TestServerStore::init()
{
    h = std::make_unique<ServerHarness>();
    QCOMPARE(h->start(), QString());
    RuleStore rules(h->server->database());
    QCOMPARE(rules.addNode(0, QStringLiteral("Group"), 3, 0), GroupNode);
    QCOMPARE(rules.addNode(GroupNode, QStringLiteral("Route A"), 3, 0), NodeA);
    QCOMPARE(rules.addNode(GroupNode, QStringLiteral("Route B"), 3, 1), NodeB);
}

QMap<int, QByteArray> TestServerStore::routes()
{
    bool ok = false;
    QMap<int, QByteArray> result;
    for (const RuleStore::NamedRoute &named : RuleStore(h->server->database()).routes(&ok))
        result[named.route->id] = wire(*named.route);
    return ok ? result : QMap<int, QByteArray>();
}

void TestServerStore::schema_data()
{
    QTest::addColumn<QString>("file");      // "plain.txt" holds no database
    QTest::addColumn<int>("storedVersion"); // set before opening again; 0: none

    const QString file = QStringLiteral("other.sqlite");
    QTest::newRow("new file") << file << 0;
    QTest::newRow("latest: nothing re-run") << file << Schema::latestVersion();
    QTest::newRow("first version: the events table added") << file << 1;
    QTest::newRow("newer than this server: refused") << file << Schema::latestVersion() + 1;
    QTest::newRow("not a database: refused") << "plain.txt" << 0;
    QTest::newRow("folder is a file: refused") << "plain.txt/routes.sqlite" << 0;
}

// A second file beside the server's, which stays open and untouched.
void TestServerStore::schema()
{
    QFETCH(QString, file);
    QFETCH(int, storedVersion);

    QFile plain(h->dir.filePath(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write(QByteArray(4096, 'x')) == 4096);
    plain.close();
    const QString path = h->dir.filePath(file);
    Database db;
    QString error;
    bool refused = file.startsWith(QLatin1String("plain"));
    QCOMPARE(db.open(path, &error), !refused);
    if (storedVersion) {
        QVERIFY(RuleStore(db).addNode(0, QStringLiteral("kept"), 1, 0));
        QVERIFY(storedVersion != 1 || db.exec(QStringLiteral("DROP TABLE check_events")));
        QVERIFY(db.exec(QStringLiteral("PRAGMA user_version = %1").arg(storedVersion)));
        db.close();
        refused = storedVersion > Schema::latestVersion();
        QCOMPARE(db.open(path, &error), !refused);
        QVERIFY(!refused || error.contains(QLatin1String("schema version")));
    }
    if (!refused) {
        QCOMPARE(scalar(db, "SELECT group_concat(name) FROM rule_nodes"),
                 QString(storedVersion ? "kept" : ""));
        QCOMPARE(scalar(db, "PRAGMA user_version"), QString::number(Schema::latestVersion()));
        QCOMPARE(scalar(db, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'")
                     + scalar(db, "SELECT COUNT(*) FROM check_events")
                     + scalar(db, "PRAGMA journal_mode") + scalar(db, "PRAGMA foreign_keys"),
                 QString("90wal1"));
    }
    QVERIFY(refused != db.isOpen() && refused != error.isEmpty());
    db.close();
    QVERIFY(!QSqlDatabase::contains(db.connectionName()));
    QVERIFY(RuleStore(h->server->database()).nodeExists(NodeB));
}

// Rows under a route go with its node, through the foreign keys.
void TestServerStore::deletingANodeTakesItsRoutes()
{
    const Database &db = h->server->database();
    for (int id : {NodeA, NodeB})
        store(route(id, {section(1, "s", {7, 8, 9}), section(2, "t", {})}, {1, 2}));
    QVERIFY(db.exec(QStringLiteral("DELETE FROM rule_nodes WHERE id = %1").arg(GroupNode)));
    QCOMPARE(scalar(db, "SELECT (SELECT COUNT(*) FROM routes) + (SELECT COUNT(*) FROM sections)"
                        " + (SELECT COUNT(*) FROM route_objects)"
                        " + (SELECT COUNT(*) FROM section_objects)"),
             QString("0"));
    QCOMPARE(scalar(db, "PRAGMA foreign_key_check"), QString("-"));
}

void TestServerStore::fixRoutes_data()
{
    QTest::addColumn<int>("lead"); // -1: no entry
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QList<int>>("deleted");
    QTest::addColumn<bool>("aChanged"); // to the entry; else kept when left
    QTest::addColumn<bool>("aLeft");
    QTest::addColumn<bool>("bLeft");

    using Ids = QList<int>;
    const QByteArray usual =
        route(NodeA, {section(5, "new", {4, 4}, {10, 20, 1, 2, 3, 4}, false)}, {7, 8}, {0, 4, 0, 3});
    QTest::newRow("lead 0 updates the route of its id")
        << 0 << usual << Ids{} << true << true << true;
    QTest::newRow("lead node id replaces; extreme values")
        << NodeA
        << route(-NodeB,
                 {section(INT_MAX, "x", {INT_MIN, INT_MAX}, {INT_MAX, INT_MIN, INT_MIN, -1, INT_MAX}),
                  section(1, "Überführung – Mühlenstraße 北", {}, {-30000, -30600}, true, false)},
                 {INT_MIN, 0, INT_MAX}, {INT_MAX, INT_MIN, 0xFFFFFFFFu, INT_MIN})
        << Ids{} << true << true << true;
    QTest::newRow("null and empty names, repeated ids in order")
        << NodeA << route(999, {section(3, QString(), {9, 9, 1}), section(3, "", {9})}, {5, 5, 3})
        << Ids{} << true << true << true;
    QTest::newRow("lead 0, node without a route is skipped")
        << 0 << route(GroupNode, {}) << Ids{} << false << true << true;
    QTest::newRow("lead naming no node is skipped")
        << 999 << route(999, {}) << Ids{} << false << true << true;
    QTest::newRow("delete one of two") << -1 << QByteArray() << Ids{NodeA} << false << false
                                       << true;
    QTest::newRow("delete both, a node without a route and an unknown id")
        << -1 << QByteArray() << Ids{NodeA, NodeB, GroupNode, 999} << false << false << false;
    QTest::newRow("saved and deleted in one body")
        << NodeA << usual << Ids{NodeA} << false << false << true;
}

// The acknowledgement goes to the saver alone; a new server on the file reads
// what was saved, and no rows of replaced or deleted routes are left.
void TestServerStore::fixRoutes()
{
    QFETCH(int, lead);
    QFETCH(QByteArray, entry);
    QFETCH(QList<int>, deleted);
    QFETCH(bool, aChanged);
    QFETCH(bool, aLeft);
    QFETCH(bool, bLeft);

    const QByteArray a = route(NodeA, {section(1, "old", {1}, {1, 2}), section(2, "old 2", {})},
                               {20}, {1, 1, 9, 0});
    const QByteArray b = route(NodeB, {section(1, "b", {3}, {5, 6})});
    store(a);
    store(b);
    std::unique_ptr<RouteRecord> expected = routeFrom(aChanged ? entry : a);
    expected->id = NodeA;
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    if (lead >= 0)
        RouteMessages::writeSaveEntry(opened(out), lead, *routeFrom(entry));
    RouteMessages::writeSaveEnd(opened(out), QSet<int>(deleted.cbegin(), deleted.cend()));
    if (lead >= 0 && !aChanged && aLeft)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Fix_routes: no .* (1|999) "));
    FrameClient *watcher = h->connect();
    QVERIFY(watcher);
    QSignalSpy watched(watcher, &FrameClient::replyReceived);
    QCOMPARE(h->exchange(h->connect(), "Fix_routes", body),
             ServerHarness::Reply("Fix_routes", QByteArray()));
    QVERIFY(h->answers(watcher));
    QCOMPARE(watched.size(), 1);

    QCOMPARE(h->start(), QString());
    const QMap<int, QByteArray> stored = routes();
    QCOMPARE(stored.value(NodeA), aLeft ? wire(*expected) : QByteArray());
    QCOMPARE(stored.value(NodeB), bLeft ? b : QByteArray());
    QCOMPARE(stored.size(), int(aLeft) + int(bLeft));
    QVERIFY(h->fetch("Get_tree_rulecheck").contains(stored.value(NodeA)));
    int sectionObjects = bLeft ? 1 : 0;
    for (const SectionRecord *s : qAsConst(expected->sections))
        sectionObjects += aLeft ? s->graphObjectIds.size() : 0;
    QCOMPARE(scalar(h->server->database(), "SELECT COUNT(*) FROM sections WHERE route_id = 2"),
             QString::number(aLeft ? expected->sections.size() : 0));
    QCOMPARE(scalar(h->server->database(), "SELECT COUNT(*) FROM section_objects"),
             QString::number(sectionObjects));
}

// Route B was switched on at 1000 before. Unknown and repeated ids are
// skipped; switching off keeps the time.
void TestServerStore::checkMode()
{
    store(route(NodeA, {}));
    store(route(NodeB, {}, {}, {1, 1, 1000, 0}));
    const uint now = uint(QDateTime::currentSecsSinceEpoch());
    for (int mode : {1, 0}) {
        const QList<int> ids = mode ? QList<int>{NodeA, 999, GroupNode, NodeA} : QList<int>{NodeB};
        const QByteArray reply = h->fetch("Set_check_mode", RouteMessages::checkModeRequest(mode, ids));
        QDataStream in(reply);
        const RouteMessages::CheckModeReply read = RouteMessages::readCheckModeReply(opened(in));
        QVERIFY(in.atEnd() && in.status() == QDataStream::Ok);
        QCOMPARE(read.routeIds, QList<int>{mode ? NodeA : NodeB});
        QVERIFY(mode ? read.checkTime - now <= 2 : read.checkTime == 0);
    }
    const std::unique_ptr<RouteRecord> a = routeFrom(routes().value(NodeA));
    const std::unique_ptr<RouteRecord> b = routeFrom(routes().value(NodeB));
    QVERIFY(a->checkOn == 1 && a->checkTime - now <= 2);
    QVERIFY(b->checkOn == 0 && b->checkTime == 1000);
}

// Inner layers before their layer's own objects; objects by order, then id;
// points and properties as they were stored.
void TestServerStore::layerTree()
{
    LayerStore layers(h->server->database());
    const qint32 top = layers.addLayer(0, QStringLiteral("Top"), 1, 0);
    const qint32 inner = layers.addLayer(top, QStringLiteral("Inner"), 0, 0);
    GraphObData line;
    line.type = 2;
    line.points = {QPoint(374200000, 556900000), QPoint(-1, INT_MAX)};
    line.properties = {{"Width", 55}, {"Color", QColor(1, 2, 3, 4)}, {"Comment", "text"}};
    GraphObData polygon;
    polygon.type = 3;
    polygon.name = QStringLiteral("Yard");
    polygon.points = {QPoint(1, 2), QPoint(3, 4), QPoint(5, 6)};
    GraphObData first = polygon;
    line.id = layers.addObject(top, line, 1);
    polygon.id = layers.addObject(inner, polygon, 1);
    first.id = layers.addObject(inner, first, 0);
    QVERIFY(top && inner && line.id && polygon.id && first.id);
    QByteArray expected;
    QDataStream out(&expected, QIODevice::WriteOnly);
    opened(out) << qint32(1) << top << QStringLiteral("Top") << qint32(1);
    out << qint32(1) << inner << QStringLiteral("Inner") << qint32(0) << qint32(0) << qint32(2);
    WriteGraphObData(out, first);
    WriteGraphObData(out, polygon);
    out << qint32(1);
    WriteGraphObData(out, line);
    QCOMPARE(h->fetch("Get_tree_graphobj").toHex(), expected.toHex());
}

QTEST_GUILESS_MAIN(TestServerStore)
#include "tst_server_store.moc"
