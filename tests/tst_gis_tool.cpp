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

Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    // The server under test may live in this process: its loop keeps turning.
    const bool ended =
        QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 60000);
    return {ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

Run gis(const QStringList &arguments)
{
    return run(QStringLiteral(OC_GIS_PROGRAM), arguments);
}

// A yard, a road 40 m wide and a gate circle; "bad": the road leaves Earth.
QString writeZones(const QString &path, const QString &kind)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    const QString feature = QStringLiteral(
        "{\"type\":\"Feature\",\"properties\":{%1},\"geometry\":{\"type\":\"%2\","
        "\"coordinates\":%3}}");
    file.write(QStringLiteral("{\"type\":\"FeatureCollection\",\"features\":[%1,%2,%3]}")
                   .arg(feature.arg("\"name\":\"Yard\"", "Polygon",
                                    "[[[37.6,55.7],[37.61,55.7],[37.61,55.71],[37.6,55.7]]]"),
                        feature.arg("\"name\":\"Road\",\"width\":40", "LineString",
                                    kind == "bad" ? "[[37.6,55.7],[37.62,95]]"
                                                  : "[[37.6,55.7],[37.62,55.72]]"),
                        feature.arg(QString("\"name\":\"Gate\",\"radius\":%1")
                                        .arg(kind == "tiny" ? "0.2" : "100"),
                                    "Point", "[37.605,55.705]"))
                   .toUtf8());
    return path;
}

// An editable layer "Zones" with one icon, a read-only one "Locked" without.
void makeDatabase(const QString &path)
{
    Database db;
    QString error;
    QVERIFY2(db.open(path, &error), qPrintable(error));
    LayerStore layers(db);
    const qint32 zones = layers.addLayer(0, "Zones", NodeBits::Shown | NodeBits::Editable, 0);
    QVERIFY(layers.addLayer(0, "Locked", NodeBits::Shown, 1) != 0);
    QVERIFY(layers.addObject(zones, {0, 1, "Old", {{376000000, 557000000}}, {}}, 0) != 0);
}

QByteArray storedTree(const QString &path)
{
    Database db;
    QString error;
    bool ok = false;
    return db.open(path, &error, Database::Access::ReadOnly) ? LayerStore(db).treeBody(&ok)
                                                             : QByteArray();
}

QList<TreeNode> layerNodes(const QByteArray &tree)
{
    const auto nodes = TreeBodies::read(tree, TreeBodies::Payload::Layer);
    return nodes ? *nodes : QList<TreeNode>{TreeNode{0, "unreadable", 0, {}, {}, {}}};
}

// The top-level layers as "name bits: object type x points, ...".
QStringList describe(const QByteArray &tree)
{
    QStringList lines;
    for (const TreeNode &layer : layerNodes(tree)) {
        QStringList objects;
        for (const GraphObData &o : layer.objects)
            objects << QString("%1 %2x%3").arg(o.name).arg(o.type).arg(o.points.size());
        lines << QString("%1 %2: %3").arg(layer.name).arg(layer.bits).arg(objects.join(", "));
    }
    return lines;
}

// The records of a top-level layer without their ids, byte for byte.
QByteArrayList records(const QByteArray &tree, const QString &layer)
{
    QByteArrayList bodies;
    for (const TreeNode &node : layerNodes(tree)) {
        for (GraphObData object : node.objects) {
            object.id = 0;
            if (node.name == layer)
                bodies << LayerMessages::recordBody(object);
        }
    }
    return bodies;
}

// A shape as "name type size: points": what a file keeps of it.
QString shapeText(const GraphObData &object)
{
    const auto size = [&object](const char *key) {
        return object.properties.value(key).toInt();
    };
    QStringList points;
    for (const QPoint &point : object.points)
        points << QString("%1,%2").arg(point.x()).arg(point.y());
    return QString("%1 %2 %3: %4").arg(object.name).arg(object.type)
        .arg(size(GraphProperty::Width) + size(GraphProperty::Diameter)).arg(points.join(' '));
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
    QTest::addColumn<QString>("added"); // the layer line it leaves; empty: nothing changed

    const QString three = "Yard 3x3, Road 2x2, Gate 4x1";
    for (const QString via : {"db", "server"}) {
        const auto row = [&via](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(via + name));
        };
        row(": new layer") << via << "New" << "good" << 0 << "imported 3 objects"
                           << "New 3: " + three;
        row(": existing layer") << via << "Zones" << "good" << 0 << "imported 3 objects"
                                << "Zones 3: Old 1x1, " + three;
        row(": a shape refused, new layer") << via << "New" << "tiny" << 1
                                            << "shape 3 \"Gate\"" << "";
        row(": a shape refused, existing layer") << via << "Zones" << "tiny" << 1
                                                 << "shape 3 \"Gate\"" << "";
        row(": a read-only layer") << via << "Locked" << "good" << 1 << "read-only" << "";
    }
    QTest::newRow("db: a file that does not read") << "db" << "New" << "bad" << 2
        << "zones.geojson, layer \"zones\", feature 1 \"Road\": point 2 lies off Earth" << "";
    QTest::newRow("db: a server holds it") << "held" << "New" << "good" << 1
        << QString("in use by a running server (process %1); use --server")
               .arg(QCoreApplication::applicationPid()) << "";
}

void tst_GisTool::import()
{
    QFETCH(QString, via);
    QFETCH(QString, layer);
    QFETCH(QString, file);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(QString, added);
    ServerHarness harness;
    const QString path = harness.dir.filePath("routes.sqlite");
    makeDatabase(path);
    const QStringList before = describe(storedTree(path));
    QCOMPARE(before, QStringList({"Zones 3: Old 1x1", "Locked 1: "}));
    QStringList target{"--db", path};
    FrameClient *listener = nullptr;
    if (via != "db") {
        QCOMPARE(harness.start(), QString());
        listener = harness.connect();
        if (via == "server")
            target = QStringList{"--server",
                                 QString("127.0.0.1:%1").arg(harness.server->serverPort())};
    }
    std::unique_ptr<QSignalSpy> heard;
    if (listener)
        heard = std::make_unique<QSignalSpy>(listener, &FrameClient::replyReceived);

    const Run done = gis(QStringList{"import"} + target + QStringList{"--layer", layer,
                         writeZones(harness.dir.filePath("zones.geojson"), file)});
    QCOMPARE(done.status, status);
    QVERIFY2((status == 0 ? done.out : done.err).contains(said), qPrintable(done.err));
    QCOMPARE(done.err.count('\n'), 1 - (status == 0));
    if (listener) {
        const QByteArray tree = harness.fetch("Get_tree_graphobj");
        if (via == "server" && status == 0)
            QVERIFY(!heard->isEmpty() && heard->first().first() == "Layer_tree_changed");
        harness.server.reset();
        QCOMPARE(describe(tree), describe(storedTree(path)));
    }
    QStringList after = before;
    if (added.startsWith("Zones"))
        after[0] = added;
    else if (!added.isEmpty())
        after << added;
    QCOMPARE(describe(storedTree(path)), after);
}

void tst_GisTool::errors_data()
{
    QTest::addColumn<QStringList>("arguments"); // DB for the database, F for a file
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");

    const QStringList import{"import", "--db", "DB", "--layer", "L"};
    const QStringList exportLayer{"export", "--db", "DB", "--layer"};
    QTest::newRow("no command") << QStringList{} << 2 << "give import or export";
    QTest::newRow("unknown command") << QStringList{"merge", "--db", "DB", "F"} << 2
                                     << "unknown command \"merge\"";
    QTest::newRow("unknown option") << import + QStringList{"--fast", "F"} << 2
                                    << "Unknown option 'fast'";
    QTest::newRow("both stores") << import + QStringList{"--server", "h:1", "F"} << 2
                                 << "either --db PATH or --server";
    QTest::newRow("no store") << QStringList{"import", "--layer", "L", "F"} << 2 << "either";
    QTest::newRow("import without a layer") << QStringList{"import", "--db", "DB", "F"} << 2
                                            << "import needs --layer";
    QTest::newRow("export of a layer and a route") << exportLayer + QStringList{"Zones",
        "--route", "1", "F"} << 2 << "either --layer NAME or --route ID";
    QTest::newRow("no port") << QStringList{"import", "--server", "localhost", "--layer", "L", "F"}
                             << 2 << "\"localhost\" is no HOST:PORT";
    QTest::newRow("route id not a number") << QStringList{"export", "--db", "DB", "--route", "x",
                                                          "F"} << 2 << "no route id";
    QTest::newRow("negative simplify") << import + QStringList{"--simplify", "-1", "F"} << 2
                                       << "--simplify must be";
    QTest::newRow("simplify no number") << import + QStringList{"--simplify", "5m", "F"} << 2
                                        << "\"5m\"";
    QTest::newRow("no format") << exportLayer + QStringList{"Zones", "zones.txt"} << 2
                               << "zones.txt: the extension names no format";
    QTest::newRow("no such file") << import + QStringList{"none.geojson"} << 2 << "none.geojson";
    QTest::newRow("no database") << QStringList{"export", "--db", "none.sqlite", "--layer", "Z",
                                                "F"} << 1 << "no database at none.sqlite";
    QTest::newRow("no such layer") << exportLayer + QStringList{"Nope", "F"} << 1
                                   << "there is no layer \"Nope\"";
    QTest::newRow("an empty layer") << exportLayer + QStringList{"Locked", "F"} << 1
                                    << "layer \"Locked\" holds no objects";
    QTest::newRow("no such route") << QStringList{"export", "--db", "DB", "--route", "99", "F"}
                                   << 1 << "there is no route 99";
}

void tst_GisTool::errors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    makeDatabase("db.sqlite");
    arguments.replaceInStrings(QRegularExpression("^DB$"), "db.sqlite");
    arguments.replaceInStrings(QRegularExpression("^F$"), "out.geojson");
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
    QCOMPARE(gis({"import", "--db", "db.sqlite", "--layer", "New",
                  writeZones("zones.geojson", "good")}).status, 0);
    const Run done = gis({"export", "--db", "db.sqlite", "--layer", "New", file});
    QCOMPARE(done.status, 0);
    QCOMPARE(done.out, QString("exported 3 objects to %1\n")
                           .arg(dir.filePath(written.join(", " + dir.path() + '/'))));
    for (const QString &each : written)
        QCOMPARE(gis({"import", "--db", "db.sqlite", "--layer", "Again", each}).status, 0);
    const QByteArray tree = storedTree("db.sqlite");
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
    const QString path = harness.dir.filePath("routes.sqlite");
    std::shared_ptr<const RouteRecord> ring;
    QStringList target{"--db", path};
    {
        Database db;
        QString error;
        QVERIFY(db.open(path, &error) && DemoSeed::fill(db));
        bool ok = false;
        for (const RuleStore::NamedRoute &named : RuleStore(db).routes(&ok)) {
            if (named.name == "Night ring")
                ring = named.route;
        }
        QVERIFY(ok && ring);
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
    int shapes = 0;
    for (int i = 0; i < ring->sections.size(); ++i) {
        SectionRecord expected = *ring->sections.at(i);
        expected.id = i + 1;
        expected.graphObjectIds.clear();
        QVERIFY(*read.record->sections.at(i) == expected);
        QCOMPARE(read.zones.at(i).size(), ring->sections.at(i)->graphObjectIds.size());
        shapes += read.zones.at(i).size();
    }
    QVERIFY(done.out.startsWith(QString("exported %1 objects").arg(shapes)));

    QFile track(harness.dir.filePath("track.csv"));
    QVERIFY(track.open(QIODevice::WriteOnly));
    track.write(QString("unit,time,lat,lon\n%1,2026-03-10T00:00:00Z,55.7,37.6\n")
                    .arg(read.unitNames.value(0)).toUtf8());
    track.close();
    const Run audit = run(OC_AUDIT_PROGRAM, {"--routes", file, "--track", track.fileName()});
    QVERIFY2(audit.status == 0 && audit.out.contains("\"type\":\"summary\",\"reports\":1"),
             qPrintable(audit.err));

    QCOMPARE(gis(QStringList{"import"} + target + QStringList{"--layer", "Ring", file}).status, 0);
    harness.server.reset();
    QHash<qint32, GraphObData> objects;
    const QByteArray tree = storedTree(path);
    std::function<void(const QList<TreeNode> &)> index = [&](const QList<TreeNode> &nodes) {
        for (const TreeNode &layer : nodes) {
            for (const GraphObData &object : layer.objects)
                objects.insert(object.id, object);
            index(layer.children);
        }
    };
    index(layerNodes(tree));
    QStringList expected, imported;
    for (const SectionRecord *section : ring->sections) {
        for (int id : section->graphObjectIds)
            expected << shapeText(objects.value(id));
    }
    for (const TreeNode &layer : layerNodes(tree)) {
        for (const GraphObData &object : layer.objects)
            imported << (layer.name == "Ring" ? shapeText(object) : QString());
    }
    imported.removeAll(QString());
    QCOMPARE(imported, expected);
}

QTEST_MAIN(tst_GisTool)
#include "tst_gis_tool.moc"
