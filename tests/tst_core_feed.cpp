// What tracking devices send: OsmAnd requests and NMEA streams, read into fixes.
#include "feed/NmeaSession.h"
#include "feed/OsmAndRequest.h"

#include <QtTest>

#include <functional>

namespace {

using Reader = std::function<QString(const QByteArrayList &)>;

// "id key time lat lon valid speed bearing altitude accuracy battery", trailing NaNs left out.
QString fixText(const DeviceFix &f)
{
    const UnitMessages::UnitStatus &s = f.status;
    QStringList got{f.deviceId, f.key.isNull() ? "null" : f.key, QString::number(f.timeMs)};
    for (double v : {f.latitude, f.longitude, double(f.valid), s.speed, s.bearing, s.altitude,
                     s.accuracy, s.battery})
        got << QString::number(v, 'g', 7);
    while (got.last() == "nan")
        got.removeLast();
    return got.join(' ');
}

// {query} (GET), {type, body} (POST of "id=q&lat=1&lon=2"): the fix or "! field in error".
QString osmAnd(const QByteArrayList &request)
{
    const bool get = request.size() == 1;
    const OsmAndRequest::Result r = OsmAndRequest::read(
        get ? OsmAndRequest::Method::Get : OsmAndRequest::Method::Post,
        get ? request[0] : "id=q&lat=1&lon=2", get ? "" : request[0], request.value(1),
        1700000000999);
    return r.fix ? fixText(*r.fix) : "! " + r.error.section(':', 0, 0);
}

// Chunks fed in turn: fixes | drops (no sum, bad sum, void, date, malformed, no id).
QString nmea(const QByteArrayList &chunks)
{
    NmeaSession session;
    QStringList got, drops;
    for (const QByteArray &chunk : chunks) {
        for (const DeviceFix &fix : session.feed(chunk))
            got << fixText(fix);
    }
    for (int i = 0; i < NmeaSession::DropCount; ++i)
        drops << QString::number(session.dropped(NmeaSession::Drop(i)));
    return (got << drops.join(' ')).join(" | ");
}

} // namespace

Q_DECLARE_METATYPE(Reader)

class tst_CoreFeed : public QObject
{
    Q_OBJECT

private slots:
    void readers_data()
    {
        QTest::addColumn<Reader>("reader");
        QTest::addColumn<QByteArrayList>("input");
        QTest::addColumn<QString>("read");
        const auto row = [](const Reader &reader, const char *name, const QByteArrayList &input,
                            const QString &read) {
            QTest::newRow(name) << reader << input << read;
        };
        const QByteArray json = "application/json";
        row(osmAnd, "get: every field", {"id=car1&lat=55.75&lon=-37.5&timestamp=1700000000.5"
            "&speed=10&bearing=90&altitude=-12&accuracy=8&hdop=3&batt=75&valid=1&key=k"},
            "car1 k 1700000000500 55.75 -37.5 1 5.14444 90 -12 8 75");
        row(osmAnd, "get: deviceid, '+', %2B, location, no time",
            {"deviceid=a+b%2B%26&location=95,37.5&valid=TRUE&key=&x"},
            "a b+& null 1700000000999 95 37.5 1");
        row(osmAnd, "time: ms", {"id=c&lat=1&lon=2&timestamp=1e11"}, "c null 100000000000 1 2 1");
        row(osmAnd, "time: not a time", {"id=c&lat=1&lon=2&timestamp=noon"}, "! timestamp");
        row(osmAnd, "form: body wins, hdop, unknown -1",
            {"Application/X-WWW-Form-urlencoded; a=b",
             "lat=3&valid=false&timestamp=2023-11-15T01:13:20.25%2B03:00&hdop=2&bearing=-1"},
            "q null 1700000000250 3 2 0 nan nan nan 10");
        row(osmAnd, "json", {json, R"({"device_id":"p1","key":"k","location":{"timestamp":
            "2023-11-14T22:13:20.5","coords":{"latitude":-1.5,"longitude":2,"speed":3,
            "heading":-1,"altitude":4,"accuracy":5,"x":"y"},"battery":{"level":0.5}}})"},
            "p1 k 1700000000500 -1.5 2 1 3 nan 4 5 50");
        row(osmAnd, "no id", {"lat=1&lon=2"}, "! id");
        row(osmAnd, "control character in id", {"deviceid=a%01&lat=1&lon=2"}, "! deviceid");
        row(osmAnd, "no lat", {"id=a&lon=2"}, "! lat");
        row(osmAnd, "lon nan", {"id=a&lat=1&lon=nan"}, "! lon");
        row(osmAnd, "location of three", {"id=a&location=1,2,3"}, "! location");
        row(osmAnd, "valid neither", {"id=a&lat=1&lon=2&valid=yes"}, "! valid");
        row(osmAnd, "other content type", {"text/plain", ""}, "! Content-Type");
        row(osmAnd, "json: does not parse", {json, "{\"device_id\":"}, "! JSON");
        row(osmAnd, "json: text for a number", {json, R"({"device_id":"a","location":{"coords":
            {"latitude":"1","longitude":2}}})"}, "! location.coords.latitude");
        row(osmAnd, "no coords", {json, R"({"device_id":"a","location":{}})"}, "! location.coords");

        const QByteArray id = "$PGID,dev1*70\n";
        const QByteArray rmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"
                               "*6A\r\n";
        const QByteArray rmc2 = "$GNRMC,235959.25,A,0130.0,S,00001.5,W,,,040785*2c\n";
        const QString fix2 = "dev1 null 489369599250 -1.5 -0.025 1 | ";
        row(nmea, "GGA, RMC of that second, CRLF", {id + "$GPGGA,123519,4807.038,N,01131.000,E,1,"
            "08,0.9,545.4,M,46.9,M,,*47\r\n", rmc},
            "dev1 null 764426119000 48.1173 11.51667 1 11.52355 84.4 545.4 | 0 0 0 0 0 0");
        row(nmea, "LF, cut anywhere, GGA of another second, lowercase checksum",
            {id.left(3), id.mid(3) + "$GPGGA,235958,,,,,1,,,7,M,,,,*1D\n" + rmc2.left(20),
             rmc2.mid(20)}, fix2 + "0 0 0 0 0 0");
        row(nmea, "drops", {id + QByteArray(rmc).replace("*6A", "*6B")
            + QByteArray(rmc).replace("*6A", "") + "$GPRMC,1,V,,,,,,,,*2C\n"
            + "$GPRMC,000000,A,0,N,0,E,,,310299*2D\n$GPRMC,240000,A,0,N,0,E,,,010100*2B\n"
            + '$' + QByteArray(600, 'x'), QByteArray(600, 'x') + "\n$" + QByteArray(509, 'x')
            + "*78\r\n$" + QByteArray(508, 'x') + "*00\r\n$PGID,dev2*73\n"
            + "$GPRMC,000000,A,0060.0,N,0,E,,,010100*05\n$GPRMC,000000,A,0,N,0,E,,,010100*2D\n"},
            "dev1 null 946684800000 0 0 1 | 1 1 1 2 4 0");
        row(nmea, "fix before the id, then the id with a key", {rmc2, "$PGID,dev1,k*37\n" + rmc2},
            QString(fix2).replace("null", "k") + "0 0 0 0 0 1");
    }

    void readers()
    {
        QFETCH(Reader, reader);
        QFETCH(QByteArrayList, input);
        QFETCH(QString, read);
        QCOMPARE(reader(input), read);
    }
};

QTEST_MAIN(tst_CoreFeed)
#include "tst_core_feed.moc"
