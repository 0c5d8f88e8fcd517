#include "Database.h"
#include "RuleStore.h"
#include "Schema.h"

#include "routecheck/RouteRecord.h"
#include "routecheck/SectionRecord.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QVariant scalar(const Database &db, const QString &sql)
{
    QSqlQuery query(db.connection());
    return query.exec(sql) && query.next() ? query.value(0) : QVariant();
}

} // namespace

class TestServerStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStart_data();
    void firstStart();
    void tablesCreated_data();
    void tablesCreated();
    void reopenDoesNotMigrateAgain();
    void newerSchemaRefused();
    void unopenablePath_data();
    void unopenablePath();
    void twoConnectionsInOneProcess();
    void deletingANodeTakesItsRoute_data();
    void deletingANodeTakesItsRoute();

private:
    QString path(const QString &name = QStringLiteral("store.sqlite")) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Database> m_db;
};

void TestServerStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = std::make_unique<Database>();
    QString error;
    QVERIFY2(m_db->open(path(), &error), qPrintable(error));
}

void TestServerStore::cleanup()
{
    m_db.reset();
    m_dir.reset();
}

QString TestServerStore::path(const QString &name) const
{
    return m_dir->filePath(name);
}

void TestServerStore::firstStart_data()
{
    QTest::addColumn<QString>("pragma");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("schema version") << "PRAGMA user_version" << QVariant(Schema::latestVersion());
    QTest::newRow("WAL journal") << "PRAGMA journal_mode" << QVariant(QStringLiteral("wal"));
    QTest::newRow("foreign keys on") << "PRAGMA foreign_keys" << QVariant(1);
    QTest::newRow("nothing stored yet")
        << "SELECT COUNT(*) FROM rule_nodes" << QVariant(0);
}

void TestServerStore::firstStart()
{
    QFETCH(QString, pragma);
    QFETCH(QVariant, value);

    QCOMPARE(scalar(*m_db, pragma).toString(), value.toString());
    QVERIFY(m_db->isEmpty());
    QCOMPARE(m_db->schemaVersion(), Schema::latestVersion());
}

void TestServerStore::tablesCreated_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");

    QTest::newRow("rule nodes") << "rule_nodes"
                                << QStringList{"id", "parent_id", "name", "type_bits",
                                               "sort_order"};
    QTest::newRow("routes") << "routes"
                            << QStringList{"node_id", "check_on", "check_time_type", "check_time",
                                           "fifth_field"};
    QTest::newRow("route objects") << "route_objects"
                                   << QStringList{"route_id", "position", "object_id"};
    QTest::newRow("sections") << "sections"
                              << QStringList{"route_id", "position", "section_id", "name",
                                             "check_time_in", "check_time_out",
                                             "message_on_time_in", "message_on_time_out",
                                             "time_in_ahead", "time_in_behind", "time_out_ahead",
                                             "time_out_behind"};
    QTest::newRow("section objects") << "section_objects"
                                     << QStringList{"route_id", "section_position", "position",
                                                    "object_id"};
    QTest::newRow("graphic layers") << "graph_layers"
                                    << QStringList{"id", "parent_id", "name", "type_bits",
                                                   "sort_order"};
    QTest::newRow("graphic objects") << "graph_objects"
                                     << QStringList{"id", "layer_id", "sort_order", "type", "name",
                                                    "points", "properties"};
    QTest::newRow("tracked objects") << "tracked_objects"
                                     << QStringList{"id", "parent_id", "name", "kind",
                                                    "sort_order"};
    QTest::newRow("check events") << "check_events"
                                  << QStringList{"id", "time", "route_id", "route_name",
                                                 "section_id", "section_name", "unit_id",
                                                 "unit_name", "kind", "deviation"};
}

void TestServerStore::tablesCreated()
{
    QFETCH(QString, table);
    QFETCH(QStringList, columns);

    QSqlQuery query(m_db->connection());
    QVERIFY(query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)));
    QStringList found;
    while (query.next())
        found << query.value(1).toString();
    QCOMPARE(found, columns);
}

void TestServerStore::reopenDoesNotMigrateAgain()
{
    RuleStore rules(*m_db);
    QVERIFY(rules.addNode(0, QStringLiteral("kept"), 1, 0));
    m_db->close();
    QVERIFY(!m_db->isOpen());
    QString error;
    QVERIFY2(m_db->open(path(), &error), qPrintable(error));
    QCOMPARE(scalar(*m_db, QStringLiteral("SELECT name FROM rule_nodes")).toString(),
             QStringLiteral("kept"));
    QCOMPARE(m_db->schemaVersion(), Schema::latestVersion());
}

void TestServerStore::newerSchemaRefused()
{
    const int newer = Schema::latestVersion() + 1;
    QVERIFY(m_db->exec(QStringLiteral("PRAGMA user_version = %1").arg(newer)));
    m_db->close();
    QString error;
    QVERIFY(!m_db->open(path(), &error));
    QVERIFY2(error.contains(QLatin1String("schema version")), qPrintable(error));
    QVERIFY(!m_db->isOpen());
}

void TestServerStore::unopenablePath_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content"); // written to "plain.txt" first

    QTest::newRow("folder is a file") << "plain.txt/routes.sqlite" << QByteArray("text");
    QTest::newRow("file is not a database") << "plain.txt" << QByteArray(4096, 'x');
}

void TestServerStore::unopenablePath()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);

    QFile plain(path(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write(content);
    plain.close();
    Database db;
    QString error;
    QVERIFY(!db.open(path(file), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!db.isOpen());
    QVERIFY(!QSqlDatabase::contains(db.connectionName()));
}

void TestServerStore::twoConnectionsInOneProcess()
{
    Database other;
    QString error;
    QVERIFY2(other.open(path(QStringLiteral("other.sqlite")), &error), qPrintable(error));
    QVERIFY(other.connectionName() != m_db->connectionName());
    QVERIFY(RuleStore(other).addNode(0, QStringLiteral("only in other"), 1, 0));
    QVERIFY(m_db->isEmpty());
    QVERIFY(!other.isEmpty());
    other.close();
    QVERIFY(!QSqlDatabase::contains(other.connectionName()));
    QVERIFY(m_db->isOpen());
}

void TestServerStore::deletingANodeTakesItsRoute_data()
{
    QTest::addColumn<QString>("deleted");
    QTest::addColumn<int>("routesLeft");

    QTest::newRow("the route's node") << "DELETE FROM rule_nodes WHERE id = 2" << 1;
    QTest::newRow("the group above both") << "DELETE FROM rule_nodes WHERE id = 1" << 0;
    QTest::newRow("the route only") << "DELETE FROM routes WHERE node_id = 2" << 1;
}

void TestServerStore::deletingANodeTakesItsRoute()
{
    QFETCH(QString, deleted);
    QFETCH(int, routesLeft);

    RuleStore rules(*m_db);
    QCOMPARE(rules.addNode(0, QStringLiteral("group"), 1, 0), 1);
    QCOMPARE(rules.addNode(1, QStringLiteral("a"), 1, 0), 2);
    QCOMPARE(rules.addNode(1, QStringLiteral("b"), 1, 1), 3);
    for (int id : {2, 3}) {
        RouteRecord route(id);
        route.objects = {1, 2};
        auto *section = new SectionRecord;
        section->graphObjectIds = {7, 8, 9};
        route.sections << section;
        QVERIFY(rules.storeRoute(route));
    }
    QVERIFY(m_db->exec(deleted));
    QCOMPARE(scalar(*m_db, QStringLiteral("SELECT COUNT(*) FROM routes")).toInt(), routesLeft);
    QCOMPARE(scalar(*m_db, QStringLiteral("SELECT COUNT(*) FROM sections")).toInt(), routesLeft);
    QCOMPARE(scalar(*m_db, QStringLiteral("SELECT COUNT(*) FROM route_objects")).toInt(),
             2 * routesLeft);
    QCOMPARE(scalar(*m_db, QStringLiteral("SELECT COUNT(*) FROM section_objects")).toInt(),
             3 * routesLeft);
    QCOMPARE(rules.routeExists(2), false);
    QCOMPARE(scalar(*m_db, QStringLiteral("PRAGMA foreign_key_check")), QVariant());
}

QTEST_GUILESS_MAIN(TestServerStore)
#include "tst_server_store.moc"
