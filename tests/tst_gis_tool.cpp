// opercheck-gis run as its users run it: imports into a database file and
// through a running server, exports of layers and routes read back.
#include "testsupport/ServerHarness.h"

#include "DemoSeed.h"
#include "LayerStore.h"
#include "RouteFile.h"
#include "RuleStore.h"

#include "records/SectionRecord.h"
#include "wire/LayerMessages.h"
#include "wire/TreeBodies.h"

#include <QProcess>
#include <QtTest>

namespace {

struct Run
{
    int status = -1;
    QString out, err;
};

Run gis(const QStringList &arguments, const QString &program = OC_GIS_PROGRAM)
{
    QProcess process;
    process.start(program, arguments);
    // The server under test may live in this process: its loop keeps turning.
    const bool ended =
        QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 60000);
    return {ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// A yard, a road 40 m wide and a gate circle: "zones", and the same with
// the road leaving Earth ("off-earth") or a gate too small to keep ("tiny-gate").
QString data(const QString &name)
{
    return QStringLiteral(OC_TEST_DATA "/gistool/%1.geojson").arg(name);
}

// An editable layer "Zones" with one icon, a read-only one "Locked" without,
// and route 1, whose section has no shapes.
void makeDatabase(const QString &path)
{
    Database db;
    QString error;
    QVERIFY2(db.open(path, &error), qPrintable(error));
    LayerStore layers(db);
    const qint32 zones = layers.addLayer(0, "Zones", NodeBits::Shown | NodeBits::Editable, 0);
    QVERIFY(layers.addLayer(0, "Locked", NodeBits::Shown, 1) != 0);
    QVERIFY(layers.addObject(zones, {0, 1, "Old", {{376000000, 557000000}}, {}}, 0) != 0);
    RouteRecord bare(RuleStore(db).addNode(0, "Bare", NodeBits::Shown, 0));
    bare.sections << new SectionRecord;
    QVERIFY(RuleStore(db).storeRoute(bare));
}

QList<TreeNode> storedLayers(const QString &path)
{
    Database db;
    QString error;
    bool ok = db.open(path, &error, Database::Access::ReadOnly);
    return TreeBodies::read(ok ? LayerStore(db).treeBody(&ok) : QByteArray(),
                            TreeBodies::Payload::Layer)
        .value_or(QList<TreeNode>());
}

// The top-level layers as "name bits: object type x points, ...".
QStringList describe(const QList<TreeNode> &layers)
{
    QStringList lines;
    for (const TreeNode &layer : layers) {
        QStringList objects;
        for (const GraphObData &o : layer.objects)
            objects << QString("%1 %2x%3").arg(o.name).arg(o.type).arg(o.points.size());
        lines << QString("%1 %2: %3").arg(layer.name).arg(layer.bits).arg(objects.join(", "));
    }
    return lines;
}

// The records of a top-level layer without their ids, byte for byte; with
// look false, only what every format keeps: type, name and points.
QByteArrayList records(const QList<TreeNode> &layers, const QString &name, bool look = true)
{
    QByteArrayList bodies;
    for (const TreeNode &layer : layers) {
        for (const GraphObData &o : layer.objects) {
            if (layer.name == name)
                bodies << LayerMessages::recordBody(
                    {0, o.type, o.name, o.points, look ? o.properties : QVariantMap()});
        }
    }
    return bodies;
}

} // namespace

class tst_GisTool : public QObject
{
    Q_OBJECT

private slots:
    void import_data();
    void import();
    void errors_data();
    void errors();
    void layerRoundTrip_data();
    void layerRoundTrip();
    void route_data();
    void route();
};

void tst_GisTool::import_data()
{
    QTest::addColumn<QString>("via"); // db, server, or db while a server holds it
    QTest::addColumn<QString>("layer");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("after"); // the top-level layers

    const QString three = "Yard 3x3, Road 2x2, Gate 4x1", unchanged = "Zones 3: Old 1x1|Locked 1: ";
    for (const QString via : {"db", "server"}) {
        const auto row = [&via](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(via + name));
        };
        row(": new layer") << via << "New" << "zones" << 0 << "imported 3 objects"
                           << unchanged + "|New 3: " + three;
        row(": existing layer") << via << "Zones" << "zones" << 0 << "imported 3 objects"
                                << "Zones 3: Old 1x1, " + three + "|Locked 1: ";
        row(": refused midway, new layer") << via << "New" << "zones-tiny-gate" << 1
                                           << "shape 3 \"Gate\"" << unchanged;
        row(": refused midway, existing layer") << via << "Zones" << "zones-tiny-gate" << 1
                                                << "shape 3 \"Gate\"" << unchanged;
        row(": a read-only layer") << via << "Locked" << "zones" << 1 << "read-only" << unchanged;
    }
    QTest::newRow("db: a file that does not read") << "db" << "New" << "zones-off-earth"
        << 2 << "off-earth.geojson, layer \"zones-off-earth\", feature 1 \"Road\": point 2 lies"
        << unchanged;
    // A server's file is its own; on a database server the tool writes beside
    // the servers, and they tell their clients.
    if (TestDatabase::onPostgres()) {
        QTest::newRow("db: beside a running server") << "held" << "New" << "zones" << 0
            << "imported 3 objects" << unchanged + "|New 3: " + three;
    } else {
        QTest::newRow("db: a server holds it") << "held" << "New" << "zones" << 1
            << QString("in use by a running server (process %1); use --server")
                   .arg(QCoreApplication::applicationPid()) << unchanged;
    }
}

void tst_GisTool::import()
{
    QFETCH(QString, via);
    QFETCH(QString, layer);
    QFETCH(QString, file);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(QString, after);
    ServerHarness harness;
    const QString path = harness.store.where();
    makeDatabase(path);
    QStringList target{"--db", path};
    std::unique_ptr<QSignalSpy> heard;
    if (via != "db") {
        QCOMPARE(harness.start(), QString());
        heard = std::make_unique<QSignalSpy>(harness.connect(), &FrameClient::replyReceived);
        if (via == "server")
            target = QStringList{"--server",
                                 QString("127.0.0.1:%1").arg(harness.server->serverPort())};
    }
    const Run done = gis(QStringList{"import"} + target + QStringList{"--layer", layer,
                         data(file)});
    QCOMPARE(done.status, status);
    QVERIFY2((status == 0 ? done.out : done.err).contains(said), qPrintable(done.err));
    QCOMPARE(done.err.count('\n'), 1 - (status == 0));
    if (heard) {
        const auto served = TreeBodies::read(harness.fetch("Get_tree_graphobj"),
                                             TreeBodies::Payload::Layer);
        QCOMPARE(describe(served.value_or(QList<TreeNode>())).join('|'), after);
        if (status == 0) {
            QTRY_VERIFY(!heard->isEmpty());
            QCOMPARE(heard->first().first().toByteArray(), QByteArray("Layer_tree_changed"));
        }
        harness.server.reset();
    }
    QCOMPARE(describe(storedLayers(path)).join('|'), after);
}

void tst_GisTool::errors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");

    struct Case
    {
        const char *name, *arguments;
        int status;
        const char *said;
    };
    const char *const out = " out.geojson";
    for (const Case &c : {
             Case{"no command", "", 2, "give import or export"},
             Case{"unknown command", "merge --db db", 2, "unknown command \"merge\""},
             Case{"unknown option", "import --db db --layer L --fast", 2, "Unknown option 'fast'"},
             Case{"both stores", "import --db db --server h:1 --layer L", 2, "either --db PATH"},
             Case{"no store", "import --layer L", 2, "or --server HOST:PORT"},
             Case{"no layer", "import --db db", 2, "import needs --layer"},
             Case{"layer and route", "export --db db --layer Zones --route 1", 2, "either --layer"},
             Case{"no port", "import --server localhost --layer L", 2, "\"localhost\" is no HOST"},
             Case{"route no number", "export --db db --route x", 2, "\"x\" is no route id"},
             Case{"negative simplify", "import --db db --layer L --simplify -1", 2, "--simplify"},
             Case{"simplify no number", "import --db db --layer L --simplify 5m", 2, "\"5m\""},
             Case{"no such file", "import --db db --layer L", 2, "out.geojson: "},
             Case{"no database", "export --db none --layer Zones", 1, "no database at none"},
             Case{"no such layer", "export --db db --layer Nope", 1, "no layer \"Nope\""},
             Case{"an empty layer", "export --db db --layer Locked", 1, "\"Locked\" holds no"},
             Case{"no such route", "export --db db --route 99", 1, "there is no route 99"},
             Case{"a route without shapes", "export --db db --route 1", 1, "route 1 has no"}}) {
        QTest::newRow(c.name) << (c.arguments + QString(*c.arguments ? out : "")).split(' ')
                              << c.status << c.said;
    }
    QTest::newRow("no format") << QStringList{"export", "--db", "db", "--layer", "Zones", "z.txt"}
                               << 2 << "z.txt: the extension names no format";
}

void tst_GisTool::errors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    makeDatabase("db");
    const Run done = gis(arguments);
    QCOMPARE(done.status, status);
    QCOMPARE(done.out, QString());
    QVERIFY2(done.err.startsWith("opercheck-gis: ") && done.err.count('\n') == 1
                 && done.err.contains(said), qPrintable(done.err));
    QVERIFY(!QFile::exists("out.geojson"));
}

void tst_GisTool::layerRoundTrip_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QString>("again"); // the layer the files make when imported

    QTest::newRow("GeoJSON") << "out.geojson" << QStringList{"out.geojson"}
                             << "Again 3: Yard 3x3, Road 2x2, Gate 4x1";
    QTest::newRow("Shapefile") << "out.shp" << QStringList{"out_lines.shp", "out_polygons.shp"}
                               << "Again 3: Road 2x2, Yard 3x3, Gate 3x64";
}

void tst_GisTool::layerRoundTrip()
{
    QFETCH(QString, file);
    QFETCH(QStringList, written);
    QFETCH(QString, again);
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    makeDatabase("db.sqlite");
    QCOMPARE(gis({"import", "--db", "db.sqlite", "--layer", "New", data("zones")}).status, 0);
    const Run done = gis({"export", "--db", "db.sqlite", "--layer", "New", file});
    QCOMPARE(done.status, 0);
    QCOMPARE(done.out, QString("exported 3 objects to %1\n")
                           .arg(dir.filePath(written.join(", " + dir.path() + '/'))));
    for (const QString &each : written)
        QCOMPARE(gis({"import", "--db", "db.sqlite", "--layer", "Again", each}).status, 0);
    const QList<TreeNode> tree = storedLayers("db.sqlite");
    QCOMPARE(describe(tree).last(), again);
    if (file.endsWith(".geojson"))
        QCOMPARE(records(tree, "Again"), records(tree, "New"));
}

void tst_GisTool::route_data()
{
    QTest::addColumn<bool>("server");
    QTest::newRow("from the database") << false;
    QTest::newRow("from a server") << true;
}

// The demo's "Night ring" leaves with its shapes and schedules; the audit
// takes the file, and its shapes come back whole when imported.
void tst_GisTool::route()
{
    QFETCH(bool, server);
    ServerHarness harness;
    const QString path = harness.store.where();
    std::shared_ptr<const RouteRecord> ring;
    QStringList target{"--db", path};
    TreeNode used; // the route's shapes, section by section
    {
        Database db;
        QString error;
        QVERIFY(db.open(path, &error) && DemoSeed::fill(db));
        bool ok = false;
        for (const RuleStore::NamedRoute &named : RuleStore(db).routes(&ok))
            ring = named.name == "Night ring" ? named.route : ring;
        const QHash<qint32, GraphObData> objects = LayerStore(db).objects(&ok);
        for (const SectionRecord *section : ring->sections) {
            for (int id : section->graphObjectIds)
                used.objects << objects.value(id);
        }
    }
    if (server) {
        QCOMPARE(harness.start(), QString());
        target = QStringList{"--server", QString("localhost:%1").arg(harness.server->serverPort())};
    }
    const QString file = harness.dir.filePath("ring.geojson");
    const Run done = gis(QStringList{"export"} + target
                         + QStringList{"--route", QString::number(ring->id), file});
    QCOMPARE(done.status, 0);
    QVERIFY2(done.out.endsWith(" objects to " + file + '\n'), qPrintable(done.out + done.err));

    QFile exported(file);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    AuditRoute read;
    QString error;
    QVERIFY2(RouteFile::read(exported.readAll(), &read, &error), qPrintable(error));
    QCOMPARE(read.name, QString("Night ring"));
    QCOMPARE(read.record->checkTimeType, ring->checkTimeType);
    QCOMPARE(read.record->sections.size(), ring->sections.size());
    for (int i = 0; i < ring->sections.size(); ++i) {
        SectionRecord section = *ring->sections.at(i);
        section.id = i + 1;
        section.graphObjectIds.clear();
        QVERIFY(*read.record->sections.at(i) == section);
        QCOMPARE(read.zones.at(i).size(), ring->sections.at(i)->graphObjectIds.size());
    }
    QVERIFY(done.out.startsWith(QString("exported %1 objects").arg(used.objects.size())));

    // A fix of the route's unit, "Car B-22".
    const Run audit = gis({"--routes", file, "--track", OC_TEST_DATA "/gistool/night-ring.csv"},
                          OC_AUDIT_PROGRAM);
    QVERIFY2(audit.status == 0 && audit.out.contains("\"section\":3,")
                 && audit.out.contains("\"dropped\":0}"), qPrintable(audit.err));

    // Imported, the file is the route again: its shapes in the layer, its
    // sections and units under a new node of its name, checking off.
    const Run back = gis(QStringList{"import"} + target + QStringList{"--layer", "Ring", file});
    QCOMPARE(back.out, QString("imported route \"Night ring\" with %1 sections and %2 objects\n")
                           .arg(ring->sections.size())
                           .arg(used.objects.size()));
    harness.server.reset();
    QCOMPARE(records(storedLayers(path), "Ring", false), records({used}, used.name, false));
    Database db;
    QVERIFY(db.open(path, &error, Database::Access::ReadOnly));
    bool ok = false;
    std::shared_ptr<const RouteRecord> again;
    for (const RuleStore::NamedRoute &named : RuleStore(db).routes(&ok))
        again = named.name == "Night ring" && named.route->id != ring->id ? named.route : again;
    QVERIFY(again && again->checkOn == 0 && again->objects == ring->objects);
    QCOMPARE(again->checkTimeType, ring->checkTimeType);
    QCOMPARE(again->sections.size(), ring->sections.size());
    for (int i = 0; i < ring->sections.size(); ++i) {
        QCOMPARE(again->sections.at(i)->checkTimeIn, ring->sections.at(i)->checkTimeIn);
        QCOMPARE(again->sections.at(i)->graphObjectIds.size(),
                 ring->sections.at(i)->graphObjectIds.size());
    }
}

QTEST_MAIN(tst_GisTool)
#include "tst_gis_tool.moc"
