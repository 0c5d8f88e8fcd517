// Devices feeding the server: real HTTP requests to the OsmAnd listener in
// every form (and the curl lines the README gives), NMEA streams on a real
// socket, and what each does to the units, the figures and a checked route.

#include "DeviceFeeds.h"
#include "LayerStore.h"
#include "LiveChecker.h"
#include "RuleStore.h"
#include "testsupport/ServerHarness.h"
#include "TrackedObjectStore.h"
#include "UnitStatusBook.h"

#include "checking/CheckSchedule.h"
#include "records/GraphObData.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"
#include "wire/Commands.h"
#include "wire/LiveMessages.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>

#include <sys/resource.h>

#include <cmath>

using LiveMessages::PositionReport;

namespace {

constexpr double Latitude = 55.75;
constexpr double Longitude = 37.61;
const QPoint Spot(376100000, 557500000);

// "$" + body + "*" + its checksum: the XOR of every character between.
QByteArray nmea(const QByteArray &body)
{
    char sum = 0;
    for (const char c : body)
        sum ^= c;
    return '$' + body + '*' + QByteArray::number(quint8(sum), 16).rightJustified(2, '0').toUpper()
           + "\r\n";
}

} // namespace

class tst_ServerFeeds : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void httpRequests_data();
    void httpRequests();
    void readmeCurlLines();
    void fixesTurnSectionGreen();
    void nmeaStream();
    void crowdAndSlowDrip();
    void outsidersRefused();

private:
    QString start(ServerOptions options = {});
    qint32 addUnit(const QString &name, const QString &device, const QString &key = {});
    // The HTTP status, and the body into reason.
    int request(const QByteArray &method, const QString &pathAndQuery,
                const QByteArray &contentType = {}, const QByteArray &body = {},
                const QByteArray &extraHeader = {}, QByteArray *reason = nullptr);
    qint64 stat(const QString &name);
    UnitMessages::UnitInfo last(qint32 unitId) const;

    ServerHarness h;
    std::unique_ptr<DeviceFeeds> feeds;
    QNetworkAccessManager network;
    qint32 car = 0;
    qint32 van = 0;
    quint32 now = 0;
    int starts = 0;
};

QString tst_ServerFeeds::start(ServerOptions options)
{
    feeds.reset();
    options.osmand = {true, QHostAddress(QHostAddress::LocalHost), 0};
    options.nmea = {true, QHostAddress(QHostAddress::LocalHost), 0};
    options.databasePath = h.dir.filePath(QStringLiteral("feeds-%1.sqlite").arg(++starts));
    QString error = h.start(options);
    if (!error.isEmpty())
        return error;
    car = addUnit(QStringLiteral("Car"), QStringLiteral("car-1"));
    van = addUnit(QStringLiteral("Van"), QStringLiteral("van 2"), QStringLiteral("s3cret"));
    h.server->liveChecker()->reload();
    feeds = std::make_unique<DeviceFeeds>(*h.server);
    return feeds->start(&error) ? QString() : error;
}

// The crowd below holds a thousand sockets, both ends in this process.
void tst_ServerFeeds::initTestCase()
{
    rlimit files{};
    QVERIFY(getrlimit(RLIMIT_NOFILE, &files) == 0);
    files.rlim_cur = files.rlim_max;
    QVERIFY(setrlimit(RLIMIT_NOFILE, &files) == 0);
    QVERIFY2(files.rlim_cur >= 1200, "fewer than 1200 files may be open");
}

void tst_ServerFeeds::init()
{
    now = quint32(QDateTime::currentSecsSinceEpoch());
    QCOMPARE(start(), QString());
}

void tst_ServerFeeds::cleanup()
{
    feeds.reset();
    h.server.reset();
}

qint32 tst_ServerFeeds::addUnit(const QString &name, const QString &device, const QString &key)
{
    const qint32 id = TrackedObjectStore(h.server->database())
                          .add(0, name, TrackedObjectStore::Kind::Unit, 0);
    QSqlQuery query(h.server->database().connection());
    query.prepare("UPDATE tracked_objects SET device_id = ?, device_key = ? WHERE id = ?");
    query.addBindValue(device);
    query.addBindValue(key.isEmpty() ? QVariant(QVariant::String) : key);
    query.addBindValue(id);
    return query.exec() ? id : 0;
}

int tst_ServerFeeds::request(const QByteArray &method, const QString &pathAndQuery,
                             const QByteArray &contentType, const QByteArray &body,
                             const QByteArray &extraHeader, QByteArray *reason)
{
    QNetworkRequest request(
        QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(feeds->osmandPort()).arg(pathAndQuery)));
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    if (!extraHeader.isEmpty())
        request.setRawHeader("X-Filler", extraHeader);
    QNetworkReply *reply = network.sendCustomRequest(request, method, body);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!finished.wait(ServerHarness::Timeout))
        return -1;
    if (reason)
        *reason = reply->readAll();
    reply->deleteLater();
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

qint64 tst_ServerFeeds::stat(const QString &name)
{
    const auto stats = LiveMessages::readStats(h.fetch(Commands::GetServerStats));
    for (const LiveMessages::ServerStat &each : stats.value_or(QList<LiveMessages::ServerStat>())) {
        if (each.name == name)
            return each.value;
    }
    return -1;
}

UnitMessages::UnitInfo tst_ServerFeeds::last(qint32 unitId) const
{
    QList<UnitMessages::UnitInfo> units{UnitMessages::UnitInfo()};
    units[0].id = unitId;
    h.server->unitStatus()->overlay(&units);
    return units.constFirst();
}

void tst_ServerFeeds::httpRequests_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("counted"); // the figure that goes up by one
    QTest::addColumn<double>("speed");    // of the unit's last status, m/s

    const QString t = QStringLiteral("T"); // a minute ago, in seconds or ISO 8601 (ISO)
    const QByteArray form = "application/x-www-form-urlencoded";
    QTest::newRow("GET query") << QByteArray("GET")
                               << "/?id=car-1&lat=55.75&lon=37.61&speed=10&timestamp=" + t
                               << QByteArray() << QByteArray() << 200 << "reports_accepted"
                               << 5.14444;
    QTest::newRow("form POST") << QByteArray("POST") << "/any/path" << form
                               << ("deviceid=car-1&location=55.75%2C37.61&timestamp=" + t)
                                      .toLatin1()
                               << 200 << "reports_accepted" << double(NAN);
    QTest::newRow("JSON POST")
        << QByteArray("POST") << "/" << QByteArray("application/json; charset=utf-8")
        << QByteArray(R"({"device_id":"car-1","location":{"timestamp":"ISO","coords":{"latitude":55.75,"longitude":37.61,"speed":3.5}}})")
        << 200 << "reports_accepted" << 3.5;
    QTest::newRow("key given") << QByteArray("GET")
                               << "/?id=van+2&key=s3cret&lat=55.75&lon=37.61&timestamp=" + t
                               << QByteArray() << QByteArray() << 200 << "reports_accepted"
                               << double(NAN);
    QTest::newRow("key missing") << QByteArray("GET") << "/?id=van%202&lat=55.75&lon=37.61"
                                 << QByteArray() << QByteArray() << 200
                                 << "device_dropped_key" << double(NAN);
    QTest::newRow("unknown device") << QByteArray("GET") << "/?id=car-9&lat=55.75&lon=37.61"
                                    << QByteArray() << QByteArray() << 200
                                    << "device_dropped_unknown" << double(NAN);
    QTest::newRow("void") << QByteArray("GET") << "/?id=car-1&lat=55.75&lon=37.61&valid=0"
                          << QByteArray() << QByteArray() << 200 << "device_dropped_void"
                          << double(NAN);
    QTest::newRow("off earth") << QByteArray("GET") << "/?id=car-1&lat=95&lon=37.61"
                               << QByteArray() << QByteArray() << 200
                               << "device_dropped_off_earth" << double(NAN);
    QTest::newRow("no id") << QByteArray("GET") << "/?lat=55.75&lon=37.61" << QByteArray()
                           << QByteArray() << 400 << "http_bad_requests" << double(NAN);
    QTest::newRow("PUT") << QByteArray("PUT") << "/?id=car-1&lat=55.75&lon=37.61"
                         << QByteArray() << QByteArray() << 405 << "http_refused"
                         << double(NAN);
    QTest::newRow("body over 64 KiB") << QByteArray("POST") << "/" << form
                                      << "id=car-1&lat=55.75&lon=37.61&x="
                                             + QByteArray(64 * 1024, 'x')
                                      << 413 << "http_refused" << double(NAN);
    QTest::newRow("headers over 8 KiB") << QByteArray("GET") << "/?id=car-1&lat=55.75&lon=37.61"
                                        << QByteArray() << QByteArray() << 431 << "http_refused"
                                        << double(NAN);
}

// Every reply is as a tracker needs it, every fix lands where it belongs:
// accepted fixes in the unit's last report, the rest in one figure each.
void tst_ServerFeeds::httpRequests()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, query);
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QString, counted);
    QFETCH(double, speed);
    const QByteArray minuteAgo = QByteArray::number(now - 60);
    const QByteArray iso =
        QDateTime::fromSecsSinceEpoch(now - 60, Qt::UTC).toString(Qt::ISODate).toLatin1();
    query.replace(QLatin1String("=T"), "=" + minuteAgo);
    body.replace("=T", "=" + minuteAgo).replace("\"ISO\"", "\"" + iso + "\"");

    const qint64 before = stat(counted);
    const QByteArray filler = status == 431 ? QByteArray(9 * 1024, 'f') : QByteArray();
    QByteArray reason;
    QCOMPARE(request(method, query, type, body, filler, &reason), status);
    QCOMPARE(stat(counted), before + 1); // the fix was queued before its reply
    if (status == 400)
        QVERIFY2(reason.contains("id") && reason.count('\n') == 1, reason.constData());
    const bool accepted = counted == QLatin1String("reports_accepted");
    const UnitMessages::UnitInfo unit = last(QTest::currentDataTag() == QByteArray("key given")
                                                 ? van
                                                 : car);
    QCOMPARE(unit.lastTime, accepted ? now - 60 : 0u);
    QCOMPARE(unit.position, accepted ? Spot : QPoint());
    if (accepted)
        QVERIFY2(std::isnan(speed) ? std::isnan(unit.status.speed)
                                   : std::abs(unit.status.speed - speed) < 1e-3,
                 qPrintable(QString::number(unit.status.speed)));
}

// The lines a new user copies from the README work as they stand.
void tst_ServerFeeds::readmeCurlLines()
{
    QFile readme(QStringLiteral(OC_SOURCE_DIR "/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(readme.readAll());
    QStringList lines;
    for (const QString &line : text.split('\n')) {
        if (line.startsWith(QLatin1String("curl ")) && line.contains(QLatin1String(":5055")))
            lines << QString(line).replace(QLatin1String("demo-1"), QLatin1String("car-1")).replace(QLatin1String(":5055"),
                                           QStringLiteral(":%1").arg(feeds->osmandPort()));
    }
    QCOMPARE(lines.size(), 3);
    const qint64 before = stat(QStringLiteral("reports_accepted"));
    for (const QString &line : qAsConst(lines)) {
        QProcess curl;
        curl.start(QStringLiteral("sh"), {QStringLiteral("-c"), line + QStringLiteral(" -f -s")});
        QVERIFY(curl.waitForFinished(ServerHarness::Timeout));
        QCOMPARE(curl.exitCode(), 0);
    }
    QCOMPARE(stat(QStringLiteral("reports_accepted")), before + lines.size());
}

// A checked route whose one section is a mark the car has to enter 1,000 s
// and leave 2,000 s after the check time: the device's fixes turn the section
// green in a connected client.
void tst_ServerFeeds::fixesTurnSectionGreen()
{
    Database &db = h.server->database();
    LayerStore layers(db);
    GraphObData mark;
    mark.type = 1, mark.points = {Spot};
    const qint32 zone = layers.addObject(layers.addLayer(0, "Marks", 1, 0), mark, 0);
    RuleStore rules(db);
    RouteRecord route(rules.addNode(0, "Beat", 1, 0));
    const quint32 t0 = now - 10000;
    route.checkTimeType = CheckSchedule::AtStart, route.checkOn = 1, route.checkTime = t0;
    route.objects = {car};
    route.sections << new SectionRecord{1, "", {zone}, 1000, 2000, 0, 100, 100, 100, 100,
                                        true, false, true, 0};
    QVERIFY(rules.storeRoute(route) && h.server->liveChecker()->reload());
    FrameClient *client = h.connect();
    QSignalSpy news(client, &FrameClient::newsReceived);
    // In on time, out on time a kilometre north; out of order and once twice,
    // as after a tunnel.
    for (const quint32 t : {1010, 1000, 1000, 2010, 2000}) {
        QCOMPARE(request("GET", QStringLiteral("/?id=car-1&lat=%1&lon=%2&timestamp=%3")
                                    .arg(Latitude + (t < 2000 ? 0 : 0.01))
                                    .arg(Longitude)
                                    .arg(t0 + t)),
                 200);
    }
    QByteArray green;
    QDataStream(&green, QIODevice::WriteOnly) << route.id << 1 << 2 << 0;
    QTRY_VERIFY(std::any_of(news.cbegin(), news.cend(), [&](const QList<QVariant> &r) {
        return r.at(0).toByteArray() == Commands::SectionsState && r.at(1).toByteArray() == green;
    }));
    QCOMPARE(last(car).lastTime, t0 + 2010);
}

// Good, cut, unsummed, badly summed and void sentences; a device that never
// names itself is closed.
void tst_ServerFeeds::nmeaStream()
{
    QTcpSocket device;
    device.connectToHost(QHostAddress::LocalHost, feeds->nmeaPort());
    QVERIFY(device.waitForConnected(ServerHarness::Timeout));
    const QDateTime at = QDateTime::fromSecsSinceEpoch(now - 30, Qt::UTC);
    const QByteArray rmc = "GPRMC," + at.toString("hhmmss").toLatin1() + ",A,5545.000,N,"
                           + "03736.600,E,19.4,84.4," + at.toString("ddMMyy").toLatin1() + ",,";
    const QByteArray good = nmea(rmc);
    QByteArray bad = good;
    bad[bad.size() - 3] = bad.at(bad.size() - 3) == '0' ? '1' : '0';
    QByteArray voided = rmc;
    voided.replace(",A,", ",V,");
    device.write(nmea("PGID,car-1") + good.left(20));
    device.flush();
    QTest::qWait(50);
    device.write(good.mid(20) + "$" + rmc + "\n" + bad + nmea(voided));
    QTRY_COMPARE(last(car).lastTime, now - 30);
    QCOMPARE(last(car).position, Spot);
    QTRY_COMPARE(stat("nmea_dropped_void"), 1); // the last line
    QCOMPARE(stat("nmea_dropped_checksum"), 2);

    QCOMPARE(start([] {
                 ServerOptions options;
                 options.deviceIdentifyMs = 200;
                 return options;
             }()),
             QString());
    QTcpSocket silent;
    silent.connectToHost(QHostAddress::LocalHost, feeds->nmeaPort());
    QVERIFY(silent.waitForConnected(ServerHarness::Timeout));
    QTRY_COMPARE(silent.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(stat("nmea_closed_unidentified"), 1);
}

// 500 idle keep-alive connections and one that drips a byte at a time do not
// keep a healthy device out; past the connection limit, the idlest make room.
void tst_ServerFeeds::crowdAndSlowDrip()
{
    ServerOptions options;
    options.maxDeviceConnections = 480;
    QCOMPARE(start(options), QString());
    QObject crowd;
    for (int i = 0; i < 500; ++i) {
        auto *idle = new QTcpSocket(&crowd);
        idle->connectToHost(QHostAddress::LocalHost, feeds->osmandPort());
    }
    QTcpSocket drip;
    drip.connectToHost(QHostAddress::LocalHost, feeds->osmandPort());
    QVERIFY(drip.waitForConnected(ServerHarness::Timeout));
    const QByteArray slow = "GET /?id=car-1&lat=1&lon=2 HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < 10; ++i) {
        drip.write(slow.mid(i, 1));
        drip.flush();
        QTest::qWait(20);
    }
    QCOMPARE(request("GET", QStringLiteral("/?id=car-1&lat=55.75&lon=37.61&timestamp=%1")
                                .arg(now - 60)),
             200);
    QCOMPARE(last(car).lastTime, now - 60);
    QVERIFY(stat("http_made_room") >= 20);
}

void tst_ServerFeeds::outsidersRefused()
{
    ServerOptions options;
    options.feedAllow = QStringList{QStringLiteral("10.0.0.0/8")};
    QCOMPARE(start(options), QString());
    for (const quint16 port : {feeds->osmandPort(), feeds->nmeaPort()}) {
        QTcpSocket device;
        device.connectToHost(QHostAddress::LocalHost, port);
        device.write("GET /?id=car-1&lat=55.75&lon=37.61 HTTP/1.1\r\n\r\n");
        QTRY_COMPARE(device.state(), QAbstractSocket::UnconnectedState);
    }
    QCOMPARE(stat("device_outsiders"), 2);
    QCOMPARE(last(car).lastTime, 0u);
}

QTEST_MAIN(tst_ServerFeeds)
#include "tst_server_feeds.moc"
