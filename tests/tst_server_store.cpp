#include "Database.h"
#include "RuleStore.h"
#include "Schema.h"

#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

class TestServerStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_db.reset(); m_dir.reset(); }

    void firstStart_data();
    void firstStart();
    void reopen_data();
    void reopen();
    void unopenablePath_data();
    void unopenablePath();
    void twoConnectionsInOneProcess();
    void deletingANodeTakesItsRoute_data();
    void deletingANodeTakesItsRoute();

private:
    QString path(const QString &name = QStringLiteral("store.sqlite")) const
    {
        return m_dir->filePath(name);
    }
    QVariant scalar(const QString &sql) const
    {
        QSqlQuery query(m_db->connection());
        return query.exec(sql) && query.next() ? query.value(0) : QVariant();
    }

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

void TestServerStore::firstStart_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("value");

    QTest::newRow("schema version") << "PRAGMA user_version"
                                    << QString::number(Schema::latestVersion());
    QTest::newRow("every table made") << "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"
                                      << "9";
    QTest::newRow("WAL journal") << "PRAGMA journal_mode" << "wal";
    QTest::newRow("foreign keys on") << "PRAGMA foreign_keys" << "1";
}

void TestServerStore::firstStart()
{
    QFETCH(QString, query);
    QFETCH(QString, value);
    QCOMPARE(scalar(query).toString(), value);
}

void TestServerStore::reopen_data()
{
    QTest::addColumn<int>("storedVersion");

    QTest::newRow("latest: nothing re-run") << Schema::latestVersion();
    QTest::newRow("first version: the events table added") << 1;
    QTest::newRow("newer than this server: refused") << Schema::latestVersion() + 1;
}

void TestServerStore::reopen()
{
    QFETCH(int, storedVersion);

    QVERIFY(RuleStore(*m_db).addNode(0, QStringLiteral("kept"), 1, 0));
    if (storedVersion == 1)
        QVERIFY(m_db->exec(QStringLiteral("DROP TABLE check_events")));
    QVERIFY(m_db->exec(QStringLiteral("PRAGMA user_version = %1").arg(storedVersion)));
    m_db->close();
    QString error;
    if (storedVersion > Schema::latestVersion()) {
        QVERIFY(!m_db->open(path(), &error));
        QVERIFY2(error.contains(QLatin1String("schema version")), qPrintable(error));
        QVERIFY(!m_db->isOpen());
        return;
    }
    QVERIFY2(m_db->open(path(), &error), qPrintable(error));
    QCOMPARE(scalar(QStringLiteral("SELECT name FROM rule_nodes")).toString(), QString("kept"));
    QCOMPARE(m_db->schemaVersion(), Schema::latestVersion());
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM check_events")), QVariant(0));
}

void TestServerStore::unopenablePath_data()
{
    QTest::addColumn<QString>("file"); // beside or under a plain "plain.txt"

    QTest::newRow("folder is a file") << "plain.txt/routes.sqlite";
    QTest::newRow("file is not a database") << "plain.txt";
}

void TestServerStore::unopenablePath()
{
    QFETCH(QString, file);

    QFile plain(path(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write(QByteArray(4096, 'x')) == 4096);
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
}

void TestServerStore::deletingANodeTakesItsRoute()
{
    QFETCH(QString, deleted);
    QFETCH(int, routesLeft);

    RuleStore rules(*m_db);
    QCOMPARE(rules.addNode(0, QStringLiteral("group"), 1, 0), 1);
    for (int id : {2, 3}) {
        QCOMPARE(rules.addNode(1, QStringLiteral("route"), 1, id), id);
        RouteRecord route(id);
        route.objects = {1, 2};
        route.sections << new SectionRecord;
        route.sections.last()->graphObjectIds = {7, 8, 9};
        QVERIFY(rules.storeRoute(route));
    }
    QVERIFY(m_db->exec(deleted));
    // Every row under a route goes with it, through the foreign keys.
    QCOMPARE(scalar("SELECT (SELECT COUNT(*) FROM routes) || (SELECT COUNT(*) FROM sections)"
                    " || (SELECT COUNT(*) FROM route_objects)"
                    " || (SELECT COUNT(*) FROM section_objects)").toString(),
             QStringLiteral("%1%1%2%3").arg(routesLeft).arg(2 * routesLeft).arg(3 * routesLeft));
    QVERIFY(!rules.routeExists(2));
    QCOMPARE(scalar(QStringLiteral("PRAGMA foreign_key_check")), QVariant());
}

QTEST_GUILESS_MAIN(TestServerStore)
#include "tst_server_store.moc"
