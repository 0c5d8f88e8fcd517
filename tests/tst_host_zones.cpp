// Shapes stored from the host against a real server: a GIS file imported
// whole or not at all (a refused shape, a cancel, a bad file), and a shape
// drawn with the mouse and saved, as rows in the database.
#include "testsupport/ServerHarness.h"

#include "wire/Commands.h"

#include <MapCanvas.h>
#include <ServerConnection.h>
#include <zones/DrawDock.h>
#include <zones/ExportJob.h>
#include <zones/ImportJob.h>
#include <zones/ShapeLink.h>

#include <DemoDistrict.h>

#include "testsupport/TreeBuilders.h"

#include "RuleStore.h"
#include "TrackedObjectStore.h"
#include "ShapeImport.h"

#include <QAction>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

namespace {

// A file of tests/data/gis.
QByteArray dataFile(const char *name)
{
    QFile file(QStringLiteral(OC_TEST_DATA "/gis/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString rows(const Database &db, const QString &sql)
{
    QSqlQuery query(db.connection());
    QStringList values;
    if (!query.exec(sql))
        return QStringLiteral("error");
    while (query.next())
        values << query.value(0).toString();
    return values.join(' ');
}

// count features of icons, the one at refused named too long for the server.
QByteArray icons(int count, int refused = -1)
{
    QByteArray text = "{\"type\": \"FeatureCollection\", \"features\": [";
    for (int i = 0; i < count; ++i) {
        const QByteArray name = i == refused ? QByteArray(300, 'n') : "P" + QByteArray::number(i);
        text += QByteArray(i ? "," : "") + "{\"type\": \"Feature\", \"properties\": {\"name\": \""
                + name + "\"}, \"geometry\": {\"type\": \"Point\", \"coordinates\": [10.1, 59."
                + QByteArray::number(i) + "]}}";
    }
    return text + "]}";
}

} // namespace

class TestHostZones : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void importJob_data();
    void importJob();
    void drawAndSave();
    void exportJob_data();
    void exportJob();

private:
    std::unique_ptr<ServerHarness> h;
    std::unique_ptr<ServerConnection> link;
    qint32 m_layer = 0;
};

void TestHostZones::init()
{
    h = std::make_unique<ServerHarness>();
    QCOMPARE(h->start(), QString());
    LayerStore layers(h->server->database());
    m_layer = layers.addLayer(0, "Zones", NodeBits::Shown | NodeBits::Editable, 0);
    const qint32 old = layers.addObject(m_layer, {0, 1, "Old", {{1, 1}}, {}}, 0);
    QVERIFY(old > 0 && layers.addLayer(0, "Empty", NodeBits::Shown | NodeBits::Editable, 1) > 0);
    QVERIFY(TrackedObjectStore(h->server->database())
                .add(0, "Car 7", TrackedObjectStore::Kind::Unit, 0) > 0);
    RuleStore rules(h->server->database());
    QVERIFY(rules.storeRoute(*TreeBodies::route(rules.addNode(0, "Beat", 3, 0),
                                                {TreeBodies::section(1, "Gate", {old}, 0, 60)})));
    link = std::make_unique<ServerConnection>(Commands::ServerName);
    link->connectTo(QStringLiteral("127.0.0.1"), h->server->serverPort());
    QTRY_VERIFY(link->isConnected());
}

void TestHostZones::cleanup()
{
    link.reset();
    h.reset();
}

void TestHostZones::importJob_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("intoNewLayer");
    QTest::addColumn<bool>("cancel"); // once the first shape is stored
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("objects"); // names after, by id
    QTest::addColumn<QString>("rules");   // rule nodes after, with the routes' units

    QTest::newRow("into its layer") << icons(40) << false << false << "imported 40"
                                    << "Old P0 P1 P2 P3" << "Beat:";
    QTest::newRow("into a new layer") << icons(3) << true << false << "imported 3"
                                      << "Old P0 P1 P2" << "Beat:";
    QTest::newRow("a refused shape takes back the rest")
        << icons(40, 30) << false << false << "failed: A shape was refused" << "Old" << "Beat:";
    QTest::newRow("a refused shape takes back the new layer")
        << icons(40, 30) << true << false << "failed: A shape was refused" << "Old" << "Beat:";
    QTest::newRow("cancelled while storing") << icons(200) << false << true
                                             << "failed: Import cancelled" << "Old" << "Beat:";
    QTest::newRow("a file that does not read") << QByteArray("{\"type\": 1") << false << false
                                               << "failed: shapes.geojson" << "Old" << "Beat:";
    QTest::newRow("a route file: the route with its sections and units")
        << dataFile("harbour-beat.geojson") << false << false << "imported 3"
        << "Old Quay Gate Gate post" << "Beat: Harbour beat:Car 7";
    QTest::newRow("a route whose node is refused takes back its shapes")
        << dataFile("nameless-beat.geojson") << false << false
        << "failed: The route's node was refused" << "Old" << "Beat:";
}

// The import's outcome and the objects stored once it is over: all of the
// file, or nothing of it.
void TestHostZones::importJob()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, intoNewLayer);
    QFETCH(bool, cancel);
    QFETCH(QString, outcome);
    QFETCH(QString, objects);
    QFETCH(QString, rules);

    QFile out(h->dir.filePath(file.contains("\"route\"") ? "route.geojson" : "shapes.geojson"));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    out.close();
    ShapeLink shapes(link.get());
    ImportJob job(&shapes);
    QString seen;
    connect(&job, &ImportJob::finished, this,
            [&](int count) { seen = QStringLiteral("imported %1").arg(count); });
    connect(&job, &ImportJob::failed, this,
            [&](const QString &error) { seen = "failed: " + error; });
    // Reading reports progress too, from its thread; only a store counts here.
    connect(&job, &ImportJob::progressed, this, [&](const QString &phase, qint64 done) {
        if (cancel && phase.startsWith("Storing") && done >= 1)
            job.cancel();
    });
    if (QByteArray(QTest::currentDataTag()).contains("refused"))
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("(Add_graph_object|Add_rule_node) failed"));
    job.start(out.fileName(), intoNewLayer ? 0 : m_layer, "Imported", {});
    QTRY_VERIFY_WITH_TIMEOUT(!job.isRunning(), 20000);
    QVERIFY2(seen.startsWith(outcome), qPrintable(seen));
    const QString names = rows(h->server->database(),
                               "SELECT name FROM graph_objects ORDER BY id LIMIT 5");
    QCOMPARE(names, objects);
    QCOMPARE(rows(h->server->database(), "SELECT name FROM graph_layers ORDER BY id"),
             QString(intoNewLayer && outcome.startsWith("imported") ? "Zones Empty Imported"
                                                                    : "Zones Empty"));
    QCOMPARE(rows(h->server->database(),
                  "SELECT n.name || ':' || COALESCE(group_concat(t.name), '') FROM rule_nodes n"
                  " LEFT JOIN route_objects o ON o.route_id = n.id"
                  " LEFT JOIN tracked_objects t ON t.id = o.object_id GROUP BY n.id ORDER BY n.id"),
             rules);
}

// A polygon drawn with the mouse in the desk's layer and saved: the row the
// server stores, and the desk ready for the next shape.
void TestHostZones::drawAndSave()
{
    ShapeLink shapes(link.get());
    DrawDock dock(&shapes);
    MapCanvas canvas(1, QStringLiteral("City"));
    canvas.resize(800, 600);
    canvas.setCenter(DemoDistrict::centre());
    canvas.setScale(500);
    dock.setCanvas(&canvas);
    dock.show();
    QTRY_COMPARE(dock.catalog().editableLayers().size(), 2);

    dock.findChild<QLineEdit *>("drawName")->setText("Yard");
    dock.action("drawPolygon")->trigger();
    for (const QPoint &at : {QPoint(100, 100), QPoint(200, 100)})
        QTest::mouseClick(&canvas, Qt::LeftButton, {}, at);
    QTest::mouseClick(&canvas, Qt::LeftButton, {}, QPoint(200, 200));
    QTest::mouseDClick(&canvas, Qt::LeftButton, {}, QPoint(200, 200));
    QVERIFY(dock.action("save")->isEnabled());
    dock.action("save")->trigger();
    QTRY_VERIFY(!dock.tool()->isActive());
    QCOMPARE(rows(h->server->database(), "SELECT name || ',' || type || ',' || layer_id"
                                         " FROM graph_objects ORDER BY id"),
             QStringLiteral("Old,1,%1 Yard,3,%1").arg(m_layer));
    QTRY_VERIFY(dock.catalog().objectAt(QPointF(150, 120), canvas.projection(), 4).name == "Yard");
}

void TestHostZones::exportJob_data()
{
    QTest::addColumn<bool>("route");
    QTest::addColumn<QString>("layer"); // or the route's node
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("outcome"); // the files written, or the failure

    QTest::newRow("a layer as GeoJSON") << false << "Zones" << "out.geojson" << "out.geojson";
    QTest::newRow("a layer as Shapefiles") << false << "Zones" << "out.shp" << "out_points.shp";
    QTest::newRow("a route as its route file") << true << "Beat" << "beat.geojson"
                                               << "beat.geojson route Beat";
    QTest::newRow("a layer without shapes") << false << "Empty" << "out.geojson"
                                            << "failed: There is nothing to export";
    QTest::newRow("no such layer") << false << "" << "out.geojson"
                                   << "failed: There is no layer";
}

// What the host writes: the layer's or route's shapes, read back with the
// import; a route file carries its route; nothing is written on a failure.
void TestHostZones::exportJob()
{
    QFETCH(bool, route);
    QFETCH(QString, layer);
    QFETCH(QString, file);
    QFETCH(QString, outcome);

    const QString table = route ? "rule_nodes" : "graph_layers";
    const qint32 id = rows(h->server->database(), "SELECT COALESCE(MAX(id), 99) FROM " + table
                                                      + " WHERE name = '" + layer + "'")
                          .toInt();
    ShapeLink shapes(link.get());
    ExportJob job(&shapes);
    QString seen;
    connect(&job, &ExportJob::finished, this, [&](int count, const QStringList &written) {
        seen = QFileInfo(written.value(0)).fileName();
        ShapeImport::Result result;
        QString error;
        QVERIFY2(ShapeImport::read(written.value(0), {}, &result, &error), qPrintable(error));
        QCOMPARE(result.shapes.size(), count);
        QCOMPARE(result.shapes.value(0).name, QString("Old"));
        QFile json(written.value(0));
        if (route && json.open(QIODevice::ReadOnly))
            seen += " route " + QJsonDocument::fromJson(json.readAll())["route"]["name"].toString();
    });
    connect(&job, &ExportJob::failed, this,
            [&](const QString &error) { seen = "failed: " + error; });
    job.start(route ? ExportJob::Source::Route : ExportJob::Source::Layer, id,
              h->dir.filePath(file));
    QTRY_VERIFY(!job.isRunning());
    QVERIFY2(seen.startsWith(outcome), qPrintable(seen));
    QCOMPARE(QFile::exists(h->dir.filePath(file)), seen.startsWith(file));
}

QTEST_MAIN(TestHostZones)
#include "tst_host_zones.moc"
