#include "Audit.h"
#include "AuditOptions.h"
#include "RouteFile.h"
#include "TrackFile.h"

#include "Database.h"
#include "DemoSeed.h"
#include "LayerStore.h"
#include "RuleStore.h"
#include "TrackedObjectStore.h"
#include "UnitSimulator.h"

#include "records/GraphObData.h"
#include "records/SectionRecord.h"
#include "wire/LiveMessages.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

namespace {

// A circle of 100 m radius at the gate; "out" fixes are some 300 m east.
constexpr double GateLat = 55.75, GateLon = 37.62, OutLon = 37.6248;

QByteArray routeJson(const QString &head, const QString &features)
{
    return QStringLiteral("{\"type\":\"FeatureCollection\",\"route\":{%1},\"features\":[%2]}")
        .arg(head, features)
        .toUtf8();
}

// A circle section at the gate with the given schedule properties.
QString gate(int section, const QString &schedule)
{
    return QStringLiteral("{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\","
                          "\"coordinates\":[%1,%2]},\"properties\":{\"section\":%3,"
                          "\"kind\":\"circle\",\"radius\":100%4}}")
        .arg(GateLon)
        .arg(GateLat)
        .arg(section)
        .arg(schedule.isEmpty() ? QString() : QStringLiteral(",") + schedule);
}

// "unit@time@in|out|lat,lon" fixes, ';' between them, as CSV with a stray column.
QByteArray track(const QString &fixes)
{
    QString csv = QStringLiteral("speed,unit,time,lat,lon\n");
    for (const QString &fix : fixes.split(';', Qt::SkipEmptyParts)) {
        const QStringList p = fix.trimmed().split('@');
        if (p.size() != 3)
            qFatal("tst_audit: bad fix \"%s\"", qPrintable(fix));
        // "in80": 80 m north of the centre, inside the 100 m radius.
        const QString where = p.at(2) == "in80"  ? QStringLiteral("%1,%2").arg(GateLat + 0.00072).arg(GateLon)
                              : p.at(2) == "in"  ? QStringLiteral("%1,%2").arg(GateLat).arg(GateLon)
                              : p.at(2) == "out" ? QStringLiteral("%1,%2").arg(GateLat).arg(OutLon)
                                                 : p.at(2);
        csv += QStringLiteral("0,\"%1\",%2,%3\n").arg(p.at(0), p.at(1), where);
    }
    return csv.toUtf8();
}

// The lines the audit prints for section 1: an event, a round's state, the summary.
QString crossing(const char *unit, const char *kind, const char *time, int deviation = 0)
{
    return QStringLiteral("{\"type\":\"event\",\"unit\":\"%1\",\"section\":1,\"kind\":\"%2\","
                          "\"time\":\"%3\",\"deviation\":%4}\n").arg(unit, kind, time)
        .arg(deviation);
}

QString section(const char *round, const char *state)
{
    return QStringLiteral("{\"type\":\"section\",\"section\":1,\"round\":\"%1\","
                          "\"state\":\"%2\"}\n").arg(round, state);
}

QString summary(int reports, int dropped)
{
    return QStringLiteral("{\"type\":\"summary\",\"reports\":%1,\"dropped\":%2}")
        .arg(reports).arg(dropped);
}

const QString Daily = QStringLiteral("\"name\":\"Ring\",\"checkTimeType\":1,"
                                     "\"checkTime\":\"2026-03-09T12:00:00Z\","
                                     "\"units\":[\"Car 7\",\"Van 2\"]");
const QString TenToEleven = QStringLiteral("\"timeIn\":36000,\"timeOut\":39600,\"inAhead\":300,"
                                           "\"inBehind\":300,\"outAhead\":300,\"outBehind\":300");

} // namespace

class tst_Audit : public QObject
{
    Q_OBJECT

private slots:
    void routeFile_data();
    void routeFile();
    void trackFile_data();
    void trackFile();
    void run_data();
    void run();
    void program_data();
    void program();
    void demoRoutePasses();
};

void tst_Audit::routeFile_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("outcome"); // the error, or "sections units type"

    const QString square = QStringLiteral(
        "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[[[37.6,55.7],"
        "[37.61,55.7],[37.61,55.71],[37.6,55.7]]]},\"properties\":{\"section\":2,"
        "\"kind\":\"polygon\"}}");
    QTest::newRow("two sections, one of two shapes")
        << routeJson(Daily, gate(1, TenToEleven) + "," + square + "," + gate(2, {}))
        << "2 sections (2 zones in the 2nd), 2 units, type 1";
    QTest::newRow("not JSON: the line named")
        << QByteArray("{\"type\":\"FeatureCollection\",\n\"route\":{\n,}") << "line 3:";
    QTest::newRow("not a collection") << QByteArray("{\"type\":\"Feature\"}")
                                      << "not a GeoJSON FeatureCollection";
    QTest::newRow("no route member")
        << QByteArray("{\"type\":\"FeatureCollection\",\"features\":[]}") << "\"route\"";
    QTest::newRow("check time type out of range")
        << routeJson("\"checkTimeType\":5,\"checkTime\":0,\"units\":[\"a\"]", gate(1, {}))
        << "\"checkTimeType\" must be a whole number from 0 to 4";
    QTest::newRow("check time without an offset")
        << routeJson("\"checkTimeType\":1,\"checkTime\":\"2026-03-09T12:00:00\","
                     "\"units\":[\"a\"]", gate(1, {})) << "no UTC offset";
    QTest::newRow("a unit named twice")
        << routeJson("\"checkTimeType\":1,\"checkTime\":0,\"units\":[\"a\",\"a\"]", gate(1, {}))
        << "distinct";
    QTest::newRow("a kind its geometry does not fit: the feature named")
        << routeJson(Daily, gate(1, {}) + ",{\"type\":\"Feature\",\"geometry\":{\"type\":"
                                          "\"Point\",\"coordinates\":[1,2]},\"properties\":"
                                          "{\"section\":1,\"kind\":\"corridor\",\"width\":5}}")
        << "feature 2: a corridor needs a LineString geometry";
    QTest::newRow("a ring left open")
        << routeJson(Daily, QString(square).replace("[37.6,55.7]]]", "[37.6,55.701]]]"))
        << "feature 1: a polygon's ring must end where it starts";
    QTest::newRow("a hole")
        << routeJson(Daily, QString(square).replace("]]]", "]],[[1,1],[1,2],[2,2],[1,1]]]"))
        << "holes are not supported";
    QTest::newRow("off the globe") << routeJson(Daily, gate(1, {}).replace("37.62", "181"))
        << "feature 1: position [181, 55.75] is not on the globe";
    QTest::newRow("a circle of no radius")
        << routeJson(Daily, gate(1, {}).replace("\"radius\":100", "\"radius\":0"))
        << "\"radius\" must be a number of metres above 0";
    QTest::newRow("a section missing in the order")
        << routeJson(Daily, gate(1, {}) + "," + gate(3, {})) << "section 2 has no feature";
    QTest::newRow("a time in that is not a number")
        << routeJson(Daily, gate(1, "\"timeIn\":\"ten\"")) << "section 1: \"timeIn\"";
}

void tst_Audit::routeFile()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, outcome);

    AuditRoute route;
    QString error;
    if (RouteFile::read(json, &route, &error)) {
        QCOMPARE(QStringLiteral("%1 sections (%2 zones in the 2nd), %3 units, type %4")
                     .arg(route.record->sections.size()).arg(route.zones.value(1).size())
                     .arg(route.unitNames.size()).arg(route.record->checkTimeType),
                 outcome);
        QCOMPARE(route.record->sections.first()->checkTimeIn, 36000);
    } else {
        QVERIFY2(error.contains(outcome), qPrintable(error));
    }
}

void tst_Audit::trackFile_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("outcome"); // the rows "line unit time lat lon", or the error

    QTest::newRow("columns by name, quotes, CRLF, a byte order mark, blank lines")
        << QByteArray("\xEF\xBB\xBFLON, Unit ,time,lat\r\n\r\n1.5,\"Car, 7\",1772978520,-2.25\r\n"
                      "-179.5,\"Van \"\"2\"\"\",2026-03-08T09:02:00-05:00,89.5\n")
        << "3 Car, 7 1772978520 -2.25 1.5|4 Van \"2\" 1772978520 89.5 -179.5";
    QTest::newRow("a column missing") << QByteArray("unit,time,lat\n") << "line 1: no column \"lon\"";
    QTest::newRow("too few fields") << QByteArray("unit,time,lat,lon\na,1,2\n")
                                    << "line 2: 3 fields, 4 needed";
    QTest::newRow("a local time") << QByteArray("unit,time,lat,lon\n\na,2026-03-08T09:02:00,1,2\n")
                                  << "line 3: time \"2026-03-08T09:02:00\" has no UTC offset";
    QTest::newRow("not a number") << QByteArray("unit,time,lat,lon\na,1,north,2\n")
                                  << "line 2: lat and lon must be numbers";
    QTest::newRow("a quote left open") << QByteArray("unit,time,lat,lon\n\"a,1,2,3\n")
                                       << "line 2: a quote is not closed";
    QTest::newRow("empty") << QByteArray("\n\n") << "no header line";
}

void tst_Audit::trackFile()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, outcome);

    QList<TrackRow> rows;
    QString error;
    if (TrackFile::read(csv, &rows, &error)) {
        QStringList read;
        for (const TrackRow &r : rows)
            read << QStringLiteral("%1 %2 %3 %4 %5").arg(r.line).arg(r.unit).arg(r.time)
                        .arg(r.latitude).arg(r.longitude);
        QCOMPARE(read.join('|'), outcome);
    } else {
        QVERIFY2(error.contains(outcome), qPrintable(error));
    }
}

void tst_Audit::run_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QByteArray>("route");
    QTest::addColumn<QByteArray>("track");
    QTest::addColumn<QString>("start"); // "" for the route's check time
    QTest::addColumn<QString>("end");   // "" for the last report
    QTest::addColumn<QString>("lines");

    const QString pastMidnight = QStringLiteral(
        "\"timeIn\":87000,\"timeOut\":88200,\"inAhead\":300,\"inBehind\":300,"
        "\"outAhead\":300,\"outBehind\":300,\"messageIn\":false");
    QTest::newRow("a time in past midnight is the round before's; switches ignored")
        << QByteArray("UTC") << routeJson(Daily, gate(1, pastMidnight))
        << track("Car 7@2026-03-11T00:05:00Z@out;Car 7@2026-03-11T00:12:46Z@in;"
                 "Car 7@2026-03-11T00:31:00Z@out")
        << "" << "" << crossing("Car 7", "in", "2026-03-11T00:12:46Z")
               + crossing("Car 7", "out", "2026-03-11T00:31:00Z")
               + section("2026-03-10T00:00:00Z", "passed")
               + section("2026-03-11T00:00:00Z", "pending") + summary(3, 0);
    QTest::newRow("Havana, midnight skipped: 10:00 local; a day without a visit is violated")
        << QByteArray("America/Havana") << routeJson(Daily, gate(1, TenToEleven))
        << track("Van 2@2026-03-07T14:50:00Z@out;Van 2@2026-03-08T14:02:00Z@in80;"
                 "Van 2@2026-03-08T15:02:00Z@out")
        << "2026-03-07T05:00:00Z" << "" << crossing("Van 2", "in", "2026-03-08T14:02:00Z")
               + crossing("Van 2", "out", "2026-03-08T15:02:00Z")
               + section("2026-03-07T05:00:00Z", "violated")
               + section("2026-03-08T05:00:00Z", "passed") + summary(3, 0);
    QTest::newRow("days between reports are judged too")
        << QByteArray("UTC") << routeJson(Daily, gate(1, TenToEleven))
        << track("Car 7@2026-03-10T09:55:00Z@out;Car 7@2026-03-10T10:01:00Z@in;"
                 "Car 7@2026-03-10T11:01:00Z@out;Car 7@2026-03-13T09:00:00Z@out")
        << "" << "" << crossing("Car 7", "in", "2026-03-10T10:01:00Z")
               + crossing("Car 7", "out", "2026-03-10T11:01:00Z")
               + section("2026-03-10T00:00:00Z", "passed")
               + section("2026-03-11T00:00:00Z", "violated")
               + section("2026-03-12T00:00:00Z", "violated")
               + section("2026-03-13T00:00:00Z", "pending") + summary(4, 0);
    QTest::newRow("unknown units, fixes off the globe or out of the span dropped")
        << QByteArray("UTC") << routeJson(Daily, gate(1, TenToEleven))
        << track("Ghost@2026-03-10T10:00:00Z@in;Car 7@2026-03-10T09:50:00Z@91,37.62;"
                 "Car 7@2026-03-10T09:50:00Z@nan,37.62;Car 7@2026-03-09T11:00:00Z@in;"
                 "Car 7@2026-03-10T09:55:00Z@out;Car 7@2026-03-10T12:00:00Z@in;"
                 "Car 7@2026-03-10T23:00:00Z@out")
        << "" << "2026-03-10T20:00:00Z" << crossing("Car 7", "in", "2026-03-10T12:00:00Z", 6900)
               + section("2026-03-10T00:00:00Z", "violated") + summary(7, 5);
    QTest::newRow("a start of its own; the earlier of two units carries the section")
        << QByteArray("UTC")
        << routeJson(QString(Daily).replace("\"checkTimeType\":1", "\"checkTimeType\":0"),
                     gate(1, "\"timeIn\":600,\"timeOut\":1200,\"inAhead\":60,\"inBehind\":60,"
                             "\"outAhead\":60,\"outBehind\":60"))
        << track("Van 2@2026-03-10T08:00:00Z@out;Car 7@2026-03-10T08:00:00Z@out;"
                 "Van 2@2026-03-10T08:10:30Z@in;Car 7@2026-03-10T08:10:10Z@in;"
                 "Car 7@2026-03-10T08:20:20Z@out;Van 2@2026-03-10T08:30:00Z@out")
        << "2026-03-10T08:00:00Z" << "" << crossing("Car 7", "in", "2026-03-10T08:10:10Z")
               + crossing("Car 7", "out", "2026-03-10T08:20:20Z")
               + section("2026-03-10T08:00:00Z", "passed") + summary(6, 0);
}

void tst_Audit::run()
{
    QFETCH(QByteArray, zone);
    QFETCH(QByteArray, route);
    QFETCH(QByteArray, track);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, lines);

    AuditRoute read;
    QList<TrackRow> rows;
    QString error;
    QVERIFY2(RouteFile::read(route, &read, &error), qPrintable(error));
    QVERIFY2(TrackFile::read(track, &rows, &error), qPrintable(error));
    Audit::Settings settings;
    settings.calendar = RoundCalendar(QTimeZone(zone));
    const auto time = [](const QString &iso) {
        return QDateTime::fromString(iso, Qt::ISODate).toSecsSinceEpoch();
    };
    if (!start.isEmpty())
        settings.start = time(start);
    if (!end.isEmpty())
        settings.end = time(end);
    QCOMPARE(Audit::run(read, rows, settings, time("2026-12-06T00:00:00Z")).join('\n'), lines);
}

void tst_Audit::program_data()
{
    QTest::addColumn<QStringList>("arguments"); // ROUTES, TRACK, DB: the files made below
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // its first line, or what stderr says

    QTest::newRow("a route from a file") << QStringList{"--routes", "ROUTES", "--track", "TRACK",
                                                        "--tz", "UTC"}
                                         << 0 << "{\"type\":\"event\",\"unit\":\"Car 7\"";
    QTest::newRow("a route from a database")
        << QStringList{"--db", "DB", "--route", "ROUTEID", "--track", "TRACK", "--tz", "UTC"} << 0
        << "{\"type\":\"event\",\"unit\":\"Car 7\"";
    QTest::newRow("no such route") << QStringList{"--db", "DB", "--route", "999", "--track",
                                                  "TRACK"}
                                   << 1 << "no route 999";
    QTest::newRow("no database") << QStringList{"--db", "nowhere.sqlite", "--route", "1",
                                                "--track", "TRACK"}
                                 << 1 << "no database at nowhere.sqlite";
    QTest::newRow("no track file") << QStringList{"--routes", "ROUTES", "--track", "none.csv"}
                                   << 2 << "none.csv";
    QTest::newRow("both kinds of route") << QStringList{"--routes", "ROUTES", "--db", "DB",
                                                        "--route", "1", "--track", "TRACK"}
                                         << 2 << "either --routes, or --db and --route";
    QTest::newRow("an unknown zone") << QStringList{"--routes", "ROUTES", "--track", "TRACK",
                                                    "--tz", "Mars/Olympus"}
                                     << 2 << "no time zone";
    QTest::newRow("an end before the start")
        << QStringList{"--routes", "ROUTES", "--track", "TRACK", "--start", "100", "--end", "50"}
        << 2 << "--end is before --start";
    QTest::newRow("a track that does not parse")
        << QStringList{"--routes", "ROUTES", "--track", "ROUTES"} << 2 << "line 1: no column";
}

// The program as a shell runs it: nothing on stdout unless it ran.
void tst_Audit::program()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);

    QTemporaryDir dir;
    QFile routes(dir.filePath("route.geojson")), csv(dir.filePath("track.csv"));
    QVERIFY(routes.open(QIODevice::WriteOnly) && csv.open(QIODevice::WriteOnly));
    routes.write(routeJson(Daily, gate(1, TenToEleven)));
    csv.write(track("Car 7@2026-03-10T09:55:00Z@out;Car 7@2026-03-10T10:01:00Z@in;"
                    "Car 7@2026-03-10T11:01:00Z@out"));
    routes.close(), csv.close();

    // The same route stored by a server: a circle object, a unit named alike.
    qint32 routeId = 0;
    {
        Database db;
        QString error;
        QVERIFY(db.open(dir.filePath("server.sqlite"), &error));
        const qint32 car = TrackedObjectStore(db).add(0, "Car 7", TrackedObjectStore::Kind::Unit, 0);
        LayerStore layers(db);
        GraphObData circle;
        circle.type = 4, circle.points = {QPoint(376200000, 557500000)};
        circle.properties.insert("Diameter", 200);
        const qint32 zone = layers.addObject(layers.addLayer(0, "Gates", 1, 0), circle, 0);
        RuleStore rules(db);
        RouteRecord route(rules.addNode(0, "Ring", 1, 0));
        route.checkOn = 1, route.checkTimeType = 1;
        route.checkTime = uint(QDateTime::fromString("2026-03-09T12:00:00Z", Qt::ISODate)
                                   .toSecsSinceEpoch());
        route.objects = {car};
        route.sections << new SectionRecord{1, "Gate", {zone}, 36000, 39600, 0, 300, 300, 300,
                                            300, true, true, false, 0};
        route.sections.first()->deriveSchedule();
        QVERIFY(rules.storeRoute(route));
        routeId = route.id;
    }
    for (QString &a : arguments) {
        a.replace("ROUTEID", QString::number(routeId));
        if (a == "ROUTES" || a == "TRACK" || a == "DB")
            a = a == "ROUTES" ? routes.fileName()
                : a == "TRACK" ? csv.fileName()
                               : dir.filePath("server.sqlite");
    }
    QProcess audit;
    audit.setWorkingDirectory(dir.path());
    audit.start(QStringLiteral(OC_AUDIT_PROGRAM), arguments);
    QVERIFY(audit.waitForFinished(30000));
    const QString stdOut = QString::fromUtf8(audit.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(audit.readAllStandardError());
    QCOMPARE(audit.exitCode(), status);
    if (status == 0) {
        QVERIFY2(stdOut.startsWith(out), qPrintable(stdOut));
        QVERIFY(stdOut.contains("\"round\":\"2026-03-10T00:00:00Z\",\"state\":\"passed\""));
        QVERIFY(stdErr.isEmpty());
    } else {
        QVERIFY(stdOut.isEmpty());
        QVERIFY2(stdErr.startsWith("opercheck-audit: ") && stdErr.contains(out)
                     && stdErr.count('\n') == 1,
                 qPrintable(stdErr));
    }
}

// A demo route driven on time, recorded as GPX, turned into CSV by the
// project's script and audited from the demo database: every section of the
// round passes.
void tst_Audit::demoRoutePasses()
{
    QTemporaryDir dir;
    const QString dbPath = dir.filePath("demo.sqlite");
    std::shared_ptr<const RouteRecord> ring;
    QList<QList<ZoneGeometry>> zones;
    QString unitName;
    {
        Database db;
        QString error;
        QVERIFY(db.open(dbPath, &error) && DemoSeed::fill(db));
        bool ok = false;
        for (const RuleStore::NamedRoute &named : RuleStore(db).routes(&ok)) {
            if (named.name == "Night ring")
                ring = named.route;
        }
        QVERIFY(ok && ring);
        const QHash<qint32, GraphObData> objects = LayerStore(db).objects(&ok);
        for (const SectionRecord *section : ring->sections) {
            QList<ZoneGeometry> sectionZones;
            for (int id : section->graphObjectIds)
                sectionZones << ZoneGeometry::fromObject(objects.value(id));
            zones << sectionZones;
        }
        unitName = TrackedObjectStore(db).unitNames(&ok).value(ring->objects.value(0));
        QVERIFY(ok && !unitName.isEmpty());
    }
    // A night three days ago, recorded into the next morning: switched on then.
    const RoundCalendar utc(QTimeZone("UTC"));
    const qint64 start =
        utc.roundStart(utc.localDate(QDateTime::currentSecsSinceEpoch()).addDays(-3));
    const qint64 end = start + 26 * 3600;
    RouteRecord driven(*ring);
    driven.checkOn = 1; // a route not checked is driven round and round
    driven.checkTime = quint32(start);
    UnitSimulator simulator(utc);
    simulator.setRoutes({UnitSimulator::fromRecord(driven, zones)});
    const int unit = ring->objects.value(0);
    QCOMPARE(int(simulator.profile(unit)), int(UnitSimulator::Profile::OnTime));
    QFile gpx(dir.filePath("night.gpx"));
    QVERIFY(gpx.open(QIODevice::WriteOnly));
    gpx.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" "
              "creator=\"tst_audit\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
              "<trk><name>recorder 1</name><trkseg>\n");
    for (qint64 t = start; t <= end; t += 10) {
        for (const LiveMessages::PositionReport &r : simulator.positionsAt(t)) {
            if (r.unitId == unit)
                gpx.write(QStringLiteral("<trkpt lat=\"%1\" lon=\"%2\"><time>%3</time></trkpt>\n")
                              .arg(r.position.y() / 1e7, 0, 'f', 7)
                              .arg(r.position.x() / 1e7, 0, 'f', 7)
                              .arg(QDateTime::fromSecsSinceEpoch(t, Qt::UTC)
                                       .toString(Qt::ISODate))
                              .toUtf8());
        }
    }
    gpx.write("</trkseg></trk>\n</gpx>\n");
    gpx.close();

    QProcess convert;
    convert.start("python3", {QStringLiteral(OC_SOURCE_DIR "/scripts/gpx-to-csv"), gpx.fileName(),
                              "--unit", unitName, "--out", dir.filePath("night.csv")});
    QVERIFY(convert.waitForFinished(30000));
    QCOMPARE(convert.exitCode(), 0);

    QProcess audit;
    const auto iso = [](qint64 t) {
        return QDateTime::fromSecsSinceEpoch(t, Qt::UTC).toString(Qt::ISODate);
    };
    audit.start(QStringLiteral(OC_AUDIT_PROGRAM),
                {"--db", dbPath, "--route", QString::number(ring->id), "--track",
                 dir.filePath("night.csv"), "--tz", "UTC", "--start", iso(start), "--end",
                 iso(end)});
    QVERIFY(audit.waitForFinished(30000));
    QCOMPARE(audit.exitCode(), 0);
    QStringList states;
    const QString printed = QString::fromUtf8(audit.readAllStandardOutput());
    for (const QString &line : printed.split('\n')) {
        if (line.contains(QStringLiteral("\"round\":\"%1\"").arg(iso(start))))
            states << line.section("\"state\":\"", 1).section('"', 0, 0);
    }
    QCOMPARE(states, QStringList(QVector<QString>(ring->sections.size(), "passed").toList()));
}

QTEST_GUILESS_MAIN(tst_Audit)
#include "tst_audit.moc"
