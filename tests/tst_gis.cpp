// GIS files in and out: files that GDAL's own writers and people made are
// imported to the centimetre; bad files are refused whole, naming the file and
// the feature; what is exported comes back the same.
#include "ShapeExport.h"
#include "ShapeImport.h"

#include "records/RecordKinds.h"

#include <GeographicLib/UTMUPS.hpp>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <QColor>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

struct Drawn
{
    QByteArray wkt;
    QString name;
};

// A file as GDAL's own writer makes it, in the coordinate system of epsg.
void writeWithGdal(const QString &path, const char *driver, int epsg, const QList<Drawn> &shapes)
{
    GDALAllRegister();
    GDALDriver *writer = GetGDALDriverManager()->GetDriverByName(driver);
    QVERIFY(writer);
    GDALDataset *dataset = writer->Create(QFile::encodeName(path).constData(), 0, 0, 0,
                                          GDT_Unknown, nullptr);
    QVERIFY(dataset);
    OGRSpatialReference reference;
    reference.importFromEPSG(epsg);
    reference.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    const bool gpx = qstrcmp(driver, "GPX") == 0;
    // GPX wants its waypoints before its routes.
    QList<Drawn> ordered = shapes;
    if (gpx)
        std::reverse(ordered.begin(), ordered.end());
    for (const Drawn &shape : qAsConst(ordered)) {
        OGRGeometry *geometry = nullptr;
        OGRGeometryFactory::createFromWkt(shape.wkt.constData(), &reference, &geometry);
        QVERIFY(geometry);
        const OGRwkbGeometryType type = geometry->getGeometryType();
        if (gpx && type == wkbPolygon) { // GPX has no polygons
            OGRGeometryFactory::destroyGeometry(geometry);
            continue;
        }
        const char *layerName = !gpx                 ? "shapes"
                                : type == wkbPoint   ? "waypoints"
                                : type == wkbLineString ? "routes"
                                                     : "tracks";
        OGRLayer *layer = dataset->GetLayerByName(layerName);
        if (!layer) {
            layer = dataset->CreateLayer(layerName, &reference, gpx ? type : wkbUnknown, nullptr);
            OGRFieldDefn name("name", OFTString);
            if (!gpx)
                layer->CreateField(&name);
        }
        OGRFeature *feature = OGRFeature::CreateFeature(layer->GetLayerDefn());
        feature->SetField("name", shape.name.toUtf8().constData());
        feature->SetGeometryDirectly(geometry);
        QCOMPARE(layer->CreateFeature(feature), OGRERR_NONE);
        OGRFeature::DestroyFeature(feature);
    }
    GDALClose(dataset);
}

// A file of tests/data/gis.
QByteArray dataFile(const char *name)
{
    QFile file(QStringLiteral(OC_TEST_DATA "/gis/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray gpxTrack(int points)
{
    QByteArray text = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"hand\""
                      " xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
                      "<wpt lat=\"59.9\" lon=\"10.7\"><name>Gate</name></wpt>\n"
                      "<rte><name>Loop</name><rtept lat=\"59.9\" lon=\"10.7\"/>"
                      "<rtept lat=\"59.91\" lon=\"10.71\"/>"
                      "<rtept lat=\"59.9\" lon=\"10.72\"/></rte>\n"
                      "<trk><name>Patrol</name><trkseg>\n";
    // North along a meridian, 1.1 m a point, each point 0.5 m off to one side
    // or the other: within the tolerance, so the track is its two ends.
    for (int i = 0; i < points; ++i) {
        const double wobble = (i % 2 ? 0.5 : -0.5) / 55800.0; // metres to degrees here
        text += QStringLiteral("<trkpt lat=\"%1\" lon=\"%2\"/>\n")
                    .arg(59.0 + i * 1e-5, 0, 'f', 7)
                    .arg(10.5 + (i > 0 && i < points - 1 ? wobble : 0), 0, 'f', 9)
                    .toLatin1();
    }
    return text + "</trkseg></trk>\n</gpx>\n";
}



// A shape as one line: type, name, point count, first point, look.
QString summary(const GraphObData &record)
{
    const QPoint first = record.points.value(0);
    QString look;
    for (const char *key : {GraphProperty::Width, GraphProperty::Diameter,
                            GraphProperty::IconName}) {
        if (record.properties.contains(key))
            look += ' ' + record.properties.value(key).toString();
    }
    const QColor color = record.properties.value(GraphProperty::Color).value<QColor>();
    if (record.type != qint32(GraphKind::IconText))
        look += ' ' + color.name(QColor::HexArgb);
    return QStringLiteral("%1 %2 %3p (%4,%5)%6").arg(record.type).arg(record.name)
        .arg(record.points.size()).arg(first.x()).arg(first.y()).arg(look);
}

} // namespace

class TestGis : public QObject
{
    Q_OBJECT

private slots:
    void importFiles_data();
    void importFiles();
    void projectedShapefile();
    void badFiles_data();
    void badFiles();
    void roundTrip_data();
    void roundTrip();

private:
    QTemporaryDir m_dir;
};

void TestGis::importFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("handMade"); // empty: written by GDAL as below
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QStringList>("shapes");
    QTest::addColumn<int>("warnings");

    const QString polygon = "3 Yard 3p (241000000,569000000) #ff005cc8";
    const QString lane = "2 Lane 2p (241234567,569876543) 30 #ff005cc8";
    const QString post = "1 Post 1p (-1275000,515072000) Event";
    QTest::newRow("GeoJSON by GDAL") << "gdal.geojson" << QByteArray() << "GeoJSON"
                                     << QStringList{polygon, lane, post} << 0;
    QTest::newRow("KML by GDAL") << "gdal.kml" << QByteArray() << "KML"
                                 << QStringList{polygon, lane, post} << 0;
    QTest::newRow("KMZ by GDAL") << "gdal.kmz" << QByteArray() << "LIBKML"
                                 << QStringList{polygon, lane, post} << 0;
    QTest::newRow("GPX by GDAL, no polygon") << "gdal.gpx" << QByteArray() << "GPX"
                                             << QStringList{post, lane} << 0;
    // One geometry type to a Shapefile, and its outer rings run clockwise.
    QTest::newRow("Shapefile by GDAL, lines")
        << "gdal.shp" << QByteArray() << "ESRI Shapefile" << QStringList{lane} << 0;
    QTest::newRow("GeoJSON by hand")
        << "hand.geojson" << dataFile("hand.geojson") << ""
        << QStringList{"3 Yard 3p (-705000000,-334000000) #ff005cc8",
                       "2 Lane (1) 2p (1799900000,1000000) 45 #ff005cc8",
                       "2 Lane (2) 2p (-1799990000,1000000) 45 #ff005cc8",
                       "1 Post 1p (1,-1) House", "4 Gate 1p (1512000000,-338000000) 120 #ff112233"}
        << 0;
    QTest::newRow("GPX 1.1 by hand, 10k track points")
        << "hand.gpx" << gpxTrack(10000) << ""
        << QStringList{"1 Gate 1p (107000000,599000000) Event",
                       "2 Loop 3p (107000000,599000000) 30 #ff005cc8",
                       "2 Patrol 2p (105000000,590000000) 30 #ff005cc8"}
        << 0;
    QTest::newRow("KML by hand, a polygon with a hole")
        << "hole.kml" << dataFile("hole.kml") << ""
        << QStringList{"3 Court 4p (301234567,597654321) #ff005cc8"} << 1;
}

void TestGis::importFiles()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, handMade);
    QFETCH(QString, driver);
    QFETCH(QStringList, shapes);
    QFETCH(int, warnings);

    const QString path = m_dir.filePath(file);
    if (handMade.isEmpty()) {
        QList<Drawn> drawn{{"POLYGON ((24.1 56.9,24.2 56.9,24.2 57.0,24.1 56.9))", "Yard"},
                           {"LINESTRING (24.1234567 56.9876543,24.3 57.1)", "Lane"},
                           {"POINT (-0.1275 51.5072)", "Post"}};
        if (driver == "ESRI Shapefile")
            drawn = drawn.mid(1, 1);
        writeWithGdal(path, driver.toLatin1().constData(), 4326, drawn);
    } else {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(handMade) == handMade.size());
    }
    ShapeImport::Result result;
    QString error;
    QVERIFY2(ShapeImport::read(path, {}, &result, &error), qPrintable(error));
    QStringList read;
    for (const GraphObData &record : qAsConst(result.shapes))
        read << summary(record);
    QCOMPARE(read, shapes);
    QCOMPARE(result.warnings.size(), warnings);
    if (warnings)
        QVERIFY(result.warnings.first().contains(file + ", layer"));
}

// A Shapefile in UTM zone 33N comes in as WGS84 to the centimetre: the
// corners agree with GeographicLib's own conversion of the same metres.
void TestGis::projectedShapefile()
{
    const QString path = m_dir.filePath("utm.shp");
    writeWithGdal(path, "ESRI Shapefile", 32633,
                  {{"POLYGON ((500000 4982950.4,510000 4982950.4,510000 4992950.4,"
                    "500000 4982950.4))", "Block"}});
    ShapeImport::Result result;
    QString error;
    QVERIFY2(ShapeImport::read(path, {}, &result, &error), qPrintable(error));
    QCOMPARE(result.shapes.size(), 1);
    const QList<QPoint> points = result.shapes.first().points;
    const double corners[][2] = {{500000, 4982950.4}, {510000, 4982950.4}, {510000, 4992950.4}};
    QCOMPARE(points.size(), 3);
    for (const auto &corner : corners) {
        double latitude = 0, longitude = 0;
        GeographicLib::UTMUPS::Reverse(33, true, corner[0], corner[1], latitude, longitude);
        // 1e-7 degree is at most 1.1 cm; the writer may have turned the ring round.
        const QPointF expected(longitude * 1e7, latitude * 1e7);
        const bool found = std::any_of(points.cbegin(), points.cend(), [&](const QPoint &p) {
            return std::abs(p.x() - expected.x()) <= 1 && std::abs(p.y() - expected.y()) <= 1;
        });
        QVERIFY2(found, qPrintable(QStringLiteral("%1 %2").arg(expected.x(), 0, 'f', 1)
                                       .arg(expected.y(), 0, 'f', 1)));
    }
}

void TestGis::badFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error"); // what the message says after the file's name

    const auto feature = [](const QByteArray &geometry, const QByteArray &name = "Z") {
        return "{\"type\": \"FeatureCollection\", \"features\": [{\"type\": \"Feature\","
               " \"properties\": {\"name\": \"A\"}, \"geometry\": {\"type\": \"Point\","
               " \"coordinates\": [1, 1]}}, {\"type\": \"Feature\", \"properties\":"
               " {\"name\": \"" + name + "\"}, \"geometry\": " + geometry + "}]}";
    };
    QByteArray many = "{\"type\": \"LineString\", \"coordinates\": [";
    for (int i = 0; i <= MaxShapePoints; ++i)
        many += QByteArray(i ? "," : "") + "[1," + QByteArray::number(i % 80) + "]";
    many += "]}";
    QTest::newRow("not a GIS file")
        << "junk.geojson" << QByteArray("{\"type\": 17") << "junk.geojson: ";
    QTest::newRow("no geometry")
        << "none.geojson" << feature("null") << "layer \"none\", feature 1 \"Z\": has no geometry";
    QTest::newRow("an empty geometry")
        << "empty.geojson" << feature("{\"type\": \"LineString\", \"coordinates\": []}")
        << "feature 1 \"Z\": has no geometry";
    QTest::newRow("a bow tie that cannot be one polygon")
        << "bowtie.geojson"
        << feature("{\"type\": \"Polygon\", \"coordinates\": [[[0,0],[2,2],[2,0],[0,2],[0,0]]]}")
        << "feature 1 \"Z\": the polygon crosses itself";
    QTest::newRow("over 100,000 points")
        << "many.geojson" << feature(many) << "feature 1 \"Z\": has 100001 points";
    QTest::newRow("a point off Earth")
        << "off.geojson" << feature("{\"type\": \"Point\", \"coordinates\": [1, 95]}")
        << "feature 1 \"Z\": point 1 lies off Earth";
    QTest::newRow("a radius below zero")
        << "radius.geojson"
        << QByteArray("{\"type\": \"Feature\", \"properties\": {\"radius\": -5},"
                      " \"geometry\": {\"type\": \"Point\", \"coordinates\": [1, 1]}}")
        << "radius must be above 0";
    QTest::newRow("a Shapefile without its .prj")
        << "noprj.shp" << QByteArray() << "has no coordinate reference system";
}

// Refused whole: no shape comes out, and the one line names the file and,
// where there is one, the feature.
void TestGis::badFiles()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, error);

    const QString path = m_dir.filePath(file);
    if (file.endsWith(".shp")) {
        writeWithGdal(path, "ESRI Shapefile", 4326, {{"POINT (1 1)", "A"}});
        QVERIFY(QFile::remove(m_dir.filePath("noprj.prj")));
    } else {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(content) == content.size());
    }
    ShapeImport::Result result;
    result.shapes.append(GraphObData());
    QString message;
    QVERIFY(!ShapeImport::read(path, {}, &result, &message));
    QVERIFY2(message.startsWith(file + ": ") || message.startsWith(file + ", "),
             qPrintable(message));
    QVERIFY2(message.contains(error), qPrintable(message));
    QCOMPARE(result.shapes.size(), 1); // untouched
}

void TestGis::roundTrip_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("files"); // written
    QTest::addColumn<QStringList>("shapes"); // read back

    const QString polygon = "3 Yard 4p (-705000000,-334000000) #ff102030";
    const QString lane = "2 Lane 3p (1799900000,1000000) 45 #ff00ff00";
    const QString post = "1 Post 1p (1,-1) House";
    const QString circle = "4 Gate 1p (1512000000,-338000000) 120 #ff112233";
    QTest::newRow("GeoJSON") << "out.geojson" << QStringList{"out.geojson"}
                             << QStringList{polygon, lane, post, circle};
    // Circles become rings of 64 points, starting due east of the centre: 60 m
    // on the ellipsoid there.
    const QString ring = "3 Gate 64p (1512006479,-338000000) #ff112233";
    QTest::newRow("KML") << "out.kml" << QStringList{"out.kml"}
                         << QStringList{polygon, lane, post, ring};
    QTest::newRow("KMZ") << "out.kmz" << QStringList{"out.kmz"}
                         << QStringList{polygon, lane, post, ring};
    QTest::newRow("Shapefile, one file per type")
        << "out.shp" << QStringList{"out_lines.shp", "out_points.shp", "out_polygons.shp"}
        << QStringList{lane, post, polygon, ring};
    // GPX keeps names only: waypoints, routes, then closed tracks, which the
    // import simplifies to 5 m (the circle's ring keeps 9 of its 65 points).
    QTest::newRow("GPX") << "out.gpx" << QStringList{"out.gpx"}
                         << QStringList{"1 Post 1p (1,-1) Event",
                                        "2 Lane 3p (1799900000,1000000) 30 #ff005cc8",
                                        "2 Yard 5p (-705000000,-334000000) 30 #ff005cc8",
                                        "2 Gate 9p (1512006479,-338000000) 30 #ff005cc8"};
}

// What is exported reads back as the same shapes, as far as the format keeps
// them; an existing file of the same name is replaced.
void TestGis::roundTrip()
{
    QFETCH(QString, file);
    QFETCH(QStringList, files);
    QFETCH(QStringList, shapes);

    const QVector<ShapeExport::Feature> features{
        {{0, qint32(GraphKind::Polygon), "Yard",
          {{-705000000, -334000000}, {-704900000, -334000000}, {-704900000, -333900000},
           {-705000000, -333950000}},
          {{GraphProperty::Color, QColor(0x10, 0x20, 0x30)},
           {GraphProperty::Brush, QColor(Qt::red)}}},
         {{"section", 1}}},
        {{0, qint32(GraphKind::Line), "Lane",
          {{1799900000, 1000000}, {1799950000, 1000000}, {1799990000, 1000001}},
          {{GraphProperty::Width, 45}, {GraphProperty::Color, QColor(Qt::green)}}},
         {{"section", 2}}},
        {{0, qint32(GraphKind::IconText), "Post", {{1, -1}}, {{GraphProperty::IconName, "House"}}},
         {}},
        {{0, qint32(GraphKind::Circle), "Gate", {{1512000000, -338000000}},
          {{GraphProperty::Diameter, 120}, {GraphProperty::Color, QColor(0x11, 0x22, 0x33)}}},
         {}}};
    const QString path = m_dir.filePath(file);
    QFile stale(path);
    QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("old") == 3);
    stale.close();
    QStringList written;
    QString error;
    QVERIFY2(ShapeExport::write(path, features, &written, &error), qPrintable(error));
    QStringList expectedPaths;
    for (const QString &name : qAsConst(files))
        expectedPaths << m_dir.filePath(name);
    QCOMPARE(written, expectedPaths);

    QStringList read;
    for (const QString &writtenFile : qAsConst(written)) {
        ShapeImport::Result result;
        QVERIFY2(ShapeImport::read(writtenFile, {}, &result, &error), qPrintable(error));
        for (const GraphObData &record : qAsConst(result.shapes))
            read << summary(record);
    }
    QCOMPARE(read, shapes);
    QVERIFY(QDir(m_dir.path()).entryList(QDir::Hidden | QDir::AllDirs | QDir::NoDotAndDotDot)
                .filter(QRegularExpression("^\\.out")).isEmpty()); // nothing left aside
}

QTEST_GUILESS_MAIN(TestGis)
#include "tst_gis.moc"
