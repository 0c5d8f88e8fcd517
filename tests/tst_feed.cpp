#include "TrackReader.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

class tst_Feed : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void program_data();
    void program();
    void live();
};

void tst_Feed::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("outcome"); // "line ms lat lon knots bearing altitude|...", or why

    QTest::newRow("GPX 1.1: the track, not the waypoints nor others' elements")
        << QByteArray("<gpx xmlns='http://www.topografix.com/GPX/1/1' xmlns:x='urn:x'>\n"
                      "<wpt lat='1' lon='2'><time>2026-03-10T09:00:00Z</time></wpt>\n"
                      "<x:trkpt lat='9' lon='9'/><trk><trkseg><trkpt lat='55.75' lon='37.62'>\n"
                      "<ele>150.5</ele><time>2026-03-10T10:00:00Z</time><extensions>\n"
                      "<x:speed>9</x:speed><x:course>1</x:course></extensions></trkpt>\n"
                      "<trkpt lat='-55.76' lon='-37.62'><time>2026-03-10T10:00:10.5+01:00"
                      "</time></trkpt></trkseg></trk></gpx>")
        << "3 1773136800000 55.75 37.62 nan nan 150.5|6 1773133210500 -55.76 -37.62 nan nan nan";
    QTest::newRow("GPX 1.0: a route, speed in m/s, course, a time without offset is UTC")
        << QByteArray("<gpx version='1.0' xmlns='http://www.topografix.com/GPX/1/0'><rte>"
                      "<rtept lat='1' lon='2'><time>2026-03-10T10:00:00</time><speed>10</speed>"
                      "<course>270</course></rtept></rte></gpx>")
        << "1 1773136800000 1 2 19.4384 270 nan";
    QTest::newRow("waypoints without times, a second apart")
        << QByteArray("<gpx>\n<wpt lat='1' lon='2'/>\n<wpt lat='3' lon='4'></wpt></gpx>")
        << "2 0 1 2 nan nan nan|3 1000 3 4 nan nan nan";
    QTest::newRow("untimed points lead up to a timed one and follow it")
        << QByteArray("<gpx><trk><trkseg><trkpt lat='1' lon='1'/><trkpt lat='2' lon='2'/><trkpt "
                      "lat='3' lon='3'><time>100</time></trkpt><trkpt lat='4' lon='4'/></trkseg>"
                      "</trk></gpx>")
        << "1 98000 1 1 nan nan nan|1 99000 2 2 nan nan nan|1 100000 3 3 nan nan nan|"
           "1 101000 4 4 nan nan nan";
    QTest::newRow("CSV as the audit reads it: unit, quotes, CRLF, BOM, other columns")
        << QByteArray("\xEF\xBB\xBFUnit,TIME, lat ,lon,speed\r\n\"Car, 7\",2026-03-10T10:00:00Z"
                      ",55.75,37.62,99\r\n\r\n\"Car, 7\",2026-03-10T12:00:10+02:00,-55.76,37.63\n")
        << "2 1773136800000 55.75 37.62 nan nan nan|4 1773136810000 -55.76 37.63 nan nan nan";
    QTest::newRow("CSV: unix times, optional columns, fields left empty")
        << QByteArray("time,lat,lon,speed_kn,bearing,altitude\n1772978520,1,2,3.5,90,100\n"
                      "1772978520.25,1,2,,,\n,1,2,4,,\n")
        << "2 1772978520000 1 2 3.5 90 100|3 1772978520250 1 2 nan nan nan|"
           "4 1772978521250 1 2 4 nan nan";
    QTest::newRow("XML that does not parse") << QByteArray("<gpx>\n<trk>\n<trkpt lat='1' lon='2'>"
                                                           "\n</trk></gpx>")
                                             << "line 4: Opening and ending tag mismatch";
    QTest::newRow("not GPX") << QByteArray("\n<kml/>") << "line 2: not GPX: the root is <kml>";
    QTest::newRow("a point off the earth") << QByteArray("<gpx>\n<wpt lat='91' lon='2'/></gpx>")
                                           << "line 2: <wpt> needs lat and lon in degrees";
    QTest::newRow("a time that is none")
        << QByteArray("<gpx><trk><trkseg><trkpt lat='1' lon='2'>\n<time>noon</time>")
        << "line 2: <time> \"noon\" is no ISO 8601 time";
    QTest::newRow("an elevation that is no number")
        << QByteArray("<gpx><wpt lat='1' lon='2'>\n\n<ele>high</ele></wpt></gpx>")
        << "line 3: <ele> \"high\" is not a number";
    QTest::newRow("blank lines only") << QByteArray("\r\n\n") << "the track has no points";
    QTest::newRow("a column missing") << QByteArray("time,lat\n") << "line 1: no column \"lon\"";
    QTest::newRow("a local time") << QByteArray("time,lat,lon\n\n2026-03-10T10:00:00,1,2\n")
                                  << "line 3: time \"2026-03-10T10:00:00\" is neither";
    QTest::newRow("too few fields") << QByteArray("time,lat,lon,altitude\n1,2,3\n")
                                    << "line 2: 3 fields, 4 needed";
    QTest::newRow("not degrees") << QByteArray("time,lon,lat\n1,2,north\n")
                                 << "line 2: lat and lon must be degrees";
    QTest::newRow("a speed that is no number") << QByteArray("time,lat,lon,speed_kn\n1,2,3,fast\n")
                                               << "line 2: speed_kn \"fast\" is not a number";
    QTest::newRow("two units") << QByteArray("unit,time,lat,lon\na,1,2,3\n,1,2,3\nb,1,2,3\n")
                               << "line 4: unit \"b\" after \"a\"";
    QTest::newRow("a quote left open") << QByteArray("time,lat,lon\n\n\"1,2\n,3\n")
                                       << "line 3: a quote is not closed";
}

void tst_Feed::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, outcome);

    QList<TrackPoint> points;
    QString error;
    if (TrackReader::read(file, TrackReader::guess(QString(), file), &points, &error)) {
        QStringList read;
        for (const TrackPoint &p : points)
            read << QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(p.line).arg(p.timeMs)
                        .arg(p.latitude).arg(p.longitude).arg(p.speedKnots).arg(p.bearing)
                        .arg(p.altitude);
        QCOMPARE(read.join('|'), outcome);
    } else {
        QVERIFY2(error.startsWith(outcome), qPrintable(error));
    }
}

void tst_Feed::program_data()
{
    QTest::addColumn<QStringList>("arguments"); // GPX and BAD: the files made below
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // the seconds each time sent is after the first, or stderr

    const QStringList to{"--osmand", "127.0.0.1:1", "--device", "d"};
    QTest::newRow("dry run") << to + QStringList{"--dry-run", "GPX"} << 0 << "0 10 30 31";
    QTest::newRow("dry run at twice the speed")
        << to + QStringList{"--dry-run", "--speed", "2", "GPX"} << 0 << "0 5 15 15";
    QTest::newRow("speed 0") << to + QStringList{"--speed", "0", "GPX"} << 2 << "above 0, not \"0";
    QTest::newRow("a speed that is no number") << to + QStringList{"--speed", "1x", "GPX"} << 2
                                               << "--speed must be a number above 0";
    QTest::newRow("not an http URL") << QStringList{"--osmand", "ftp://h:1", "--device", "d", "GPX"}
                                     << 2 << "--osmand: \"ftp://h:1\" is no http:// URL";
    QTest::newRow("no device") << QStringList{"--osmand", "h:1", "GPX"} << 2 << "--device is";
    QTest::newRow("two tracks") << to + QStringList{"GPX", "GPX"} << 2 << "give one track file";
    QTest::newRow("no such file") << to + QStringList{"none.gpx"} << 2 << "none.gpx: No such file";
    QTest::newRow("a bad file") << to + QStringList{"BAD"} << 2 << "bad.gpx: line 1: not GPX";
}

void tst_Feed::program()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);

    QTemporaryDir dir;
    const QList<QPair<QString, QByteArray>> files{
        {"GPX", "<gpx><wpt lat='1' lon='2'><time>1970-01-01T00:00:10Z</time></wpt><wpt lat='1' "
                "lon='2'><time>20</time></wpt><wpt lat='1' lon='2'><time>40</time></wpt>"
                "<wpt lat='1' lon='2'/></gpx>"},
        {"BAD", "<html/>"}};
    for (const auto &[name, bytes] : files) {
        QFile file(dir.filePath(name.toLower() + ".gpx"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        arguments.replaceInStrings(QRegularExpression("^" + name + "$"), file.fileName());
    }
    QProcess feed;
    feed.start(QStringLiteral(OC_FEED_PROGRAM), arguments);
    QVERIFY(feed.waitForFinished(30000));
    const QString stdOut = QString::fromUtf8(feed.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(feed.readAllStandardError());
    QCOMPARE(feed.exitCode(), status);
    if (status != 0) {
        QVERIFY(stdOut.isEmpty());
        QVERIFY2(stdErr.startsWith("opercheck-feed: ") && stdErr.contains(out)
                     && stdErr.count('\n') == 1, qPrintable(stdErr));
        return;
    }
    // "1/4 2026-12-06T14:03:07Z http://127.0.0.1:1/?id=d&lat=...&timestamp=1796566987..."
    const QStringList lines = stdOut.split('\n', Qt::SkipEmptyParts);
    QStringList after;
    qint64 first = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList parts = lines.at(i).split(' ');
        const QUrlQuery query(QUrl(parts.value(2)));
        const qint64 time = query.queryItemValue("timestamp").toLongLong();
        first = i == 0 ? time : first;
        QCOMPARE(parts.value(0), QStringLiteral("%1/%2").arg(i + 1).arg(lines.size()));
        QCOMPARE(parts.value(1),
                 QDateTime::fromSecsSinceEpoch(time, Qt::UTC).toString(Qt::ISODate));
        QCOMPARE(query.queryItemValue("lat") + ',' + query.queryItemValue("lon"),
                 QString("1.0000000,2.0000000"));
        after << QString::number(time - first);
    }
    QCOMPARE(after.join(' '), out);
}

// The feed finds nobody listening at first, and sends that fix again once the
// listener is up; the listener refuses the second fix, the feed goes on.
void tst_Feed::live()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const quint16 port = server.serverPort();
    server.close();
    QList<QByteArray> targets;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        QTcpSocket *socket = server.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [socket, &targets] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine();
                if (line.startsWith("GET "))
                    targets << line.split(' ').value(1);
                else if (line == "\r\n" && targets.size() == 2)
                    socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 8\r\n\r\nbad lat\n");
                else if (line == "\r\n")
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
            }
        });
    });
    QTemporaryDir dir;
    QFile csv(dir.filePath("track.csv"));
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write("time,lat,lon,speed_kn,bearing,altitude\n0,55.75,37.62,,,150\n4,55.76,37.63,,,\n"
              "8,55.76,37.63,3.5,90,\n");
    csv.close();
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const QString url = QStringLiteral("http://127.0.0.1:%1/osmand/").arg(port);
    QProcess feed;
    feed.start(QStringLiteral(OC_FEED_PROGRAM), {"--osmand", url, "--device", "Car 7/+", "--key",
                                                 "s&cret", "--speed", "4", csv.fileName()});
    QByteArray errors; // QTRY_ tests once more after it held
    QTRY_VERIFY_WITH_TIMEOUT((errors += feed.readAllStandardError()).contains("in 1 s\n"), 20000);
    QVERIFY(server.listen(QHostAddress::LocalHost, port));
    QTRY_VERIFY_WITH_TIMEOUT(feed.state() == QProcess::NotRunning, 30000);
    QCOMPARE(feed.exitCode(), 0);

    QCOMPARE(targets.size(), 3);
    const qint64 t0 = QUrlQuery(QUrl(targets.at(0))).queryItemValue("timestamp").toLongLong();
    QVERIFY(t0 >= before && t0 <= QDateTime::currentSecsSinceEpoch());
    const QString id = "/osmand/?id=Car%207%2F%2B&lat=55.7";
    const QString key = "&key=s%26cret";
    QCOMPARE(QString(targets.join('\n')),
             id + QStringLiteral("500000&lon=37.6200000&timestamp=%1&speed=621.16&bearing=29.4"
                                 "&altitude=150.0%2\n").arg(t0).arg(key)
                 + id + QStringLiteral("600000&lon=37.6300000&timestamp=%1&speed=621.16"
                                       "&bearing=29.4%2\n").arg(t0 + 1).arg(key)
                 + id + QStringLiteral("600000&lon=37.6300000&timestamp=%1&speed=3.50"
                                       "&bearing=90.0%2").arg(t0 + 2).arg(key));
    const auto time = [t0](int s) {
        return QDateTime::fromSecsSinceEpoch(t0 + s, Qt::UTC).toString(Qt::ISODate);
    };
    const QString out = QString::fromUtf8(feed.readAllStandardOutput());
    QCOMPARE(out.left(out.lastIndexOf(", ")),
             QStringLiteral("sent 1/3 %1 55.75000,37.62000\n"
                            "refused 2/3 %2 55.76000,37.63000: HTTP 400 bad lat\n"
                            "sent 3/3 %3 55.76000,37.63000\ndone: 2 sent, 1 refused")
                 .arg(time(0), time(1), time(2)));

    // Looping, it starts over after the last fix until told to stop.
    targets.clear();
    feed.start(QStringLiteral(OC_FEED_PROGRAM),
               {"--osmand", url, "--device", "d", "--loop", "--speed", "4", csv.fileName()});
    QTRY_VERIFY_WITH_TIMEOUT(targets.size() >= 4, 30000);
    feed.terminate();
    QTRY_VERIFY_WITH_TIMEOUT(feed.state() == QProcess::NotRunning, 30000);
    QVERIFY(feed.exitStatus() == QProcess::NormalExit && feed.exitCode() == 0);
    QVERIFY(targets.at(3).startsWith("/osmand/?id=d&lat=55.7500000&lon=37.6200000&timestamp="));
    const QRegularExpression stopped("\nstopped: [34] sent, 1 refused, 0 retried, in pass 2\n$");
    QVERIFY(QString(feed.readAllStandardOutput()).contains(stopped));
}

QTEST_GUILESS_MAIN(tst_Feed)
#include "tst_feed.moc"
