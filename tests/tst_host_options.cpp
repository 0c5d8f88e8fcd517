// The host's command line: where the server is, the token, the database, the screenshot.
#include <HostOptions.h>

#include <QtTest>

class tst_HostOptions : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void builtInServer_data();
    void builtInServer();
    void endpoint_data();
    void endpoint();
};

void tst_HostOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("screenshot");
    QTest::addColumn<QString>("messagePart");

    const int ok = int(HostOptions::Parse::Ok);
    const int error = int(HostOptions::Parse::Error);
    const int help = int(HostOptions::Parse::Help);

    QTest::newRow("nothing: embedded server, window")
        << QStringList() << ok << "" << 0 << QByteArray() << "" << "" << "";
    QTest::newRow("a separate server")
        << QStringList{"--server", "10.0.0.5:47800"} << ok << "10.0.0.5" << 47800 << QByteArray()
        << "" << "" << "";
    QTest::newRow("a separate server with a token")
        << QStringList{"--server=dispatch.local:9000", "--token", "t0k"} << ok << "dispatch.local"
        << 9000 << QByteArray("t0k") << "" << "" << "";
    QTest::newRow("database of the embedded server")
        << QStringList{"--db", "/tmp/x.sqlite"} << ok << "" << 0 << QByteArray()
        << "/tmp/x.sqlite" << "" << "";
    QTest::newRow("screenshot") << QStringList{"--screenshot", "out.png"} << ok << "" << 0
                                << QByteArray() << "" << "out.png" << "";
    QTest::newRow("help") << QStringList{"--help"} << help << "" << 0 << QByteArray() << "" << ""
                          << "--server";
    QTest::newRow("server without a port")
        << QStringList{"--server", "localhost"} << error << "" << 0 << QByteArray() << "" << ""
        << "host:port";
    QTest::newRow("server with port 0") << QStringList{"--server", "localhost:0"} << error << ""
                                        << 0 << QByteArray() << "" << "" << "host:port";
    QTest::newRow("token without a server: it would go nowhere")
        << QStringList{"--token", "t"} << error << "" << 0 << QByteArray() << "" << ""
        << "--token";
    QTest::newRow("empty token") << QStringList{"--server", "h:1", "--token", ""} << error << ""
                                 << 0 << QByteArray() << "" << "" << "empty";
    QTest::newRow("database with a separate server: it would be ignored")
        << QStringList{"--server", "h:1", "--db", "x"} << error << "" << 0 << QByteArray() << ""
        << "" << "--db";
    QTest::newRow("unknown option") << QStringList{"--colour"} << error << "" << 0
                                    << QByteArray() << "" << "" << "colour";
    QTest::newRow("stray argument") << QStringList{"map.png"} << error << "" << 0 << QByteArray()
                                    << "" << "" << "map.png";
}

// The built-in server's simulation: on by default at pace 30, refused with a
// separate server.
void tst_HostOptions::builtInServer_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("simulate");
    QTest::addColumn<double>("speed");

    QTest::newRow("defaults") << QStringList() << true << true << 30.0;
    QTest::newRow("wall-clock pace") << QStringList{"--speed", "1"} << true << true << 1.0;
    QTest::newRow("fastest") << QStringList{"--speed=3600"} << true << true << 3600.0;
    QTest::newRow("no simulation") << QStringList{"--no-simulate"} << true << false << 30.0;
    QTest::newRow("pace below 1") << QStringList{"--speed", "0.5"} << false << true << 0.0;
    QTest::newRow("pace above 3600") << QStringList{"--speed", "3601"} << false << true << 0.0;
    QTest::newRow("pace not a number") << QStringList{"--speed", "fast"} << false << true << 0.0;
    QTest::newRow("pace with a separate server")
        << QStringList{"--server", "h:1", "--speed", "2"} << false << true << 0.0;
    QTest::newRow("no simulation with a separate server")
        << QStringList{"--server", "h:1", "--no-simulate"} << false << true << 0.0;
}

void tst_HostOptions::builtInServer()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, accepted);
    QFETCH(bool, simulate);
    QFETCH(double, speed);

    HostOptions options;
    QString message;
    arguments.prepend(QStringLiteral("opercheck-host"));
    QCOMPARE(HostOptions::parse(arguments, &options, &message) == HostOptions::Parse::Ok,
             accepted);
    if (!accepted) {
        QVERIFY(!message.isEmpty());
        return;
    }
    QCOMPARE(options.simulate, simulate);
    QCOMPARE(options.speed, speed);
}

void tst_HostOptions::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, result);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QByteArray, token);
    QFETCH(QString, database);
    QFETCH(QString, screenshot);
    QFETCH(QString, messagePart);

    HostOptions options;
    options.serverHost = QStringLiteral("untouched");
    QString message;
    arguments.prepend(QStringLiteral("opercheck-host"));
    QCOMPARE(int(HostOptions::parse(arguments, &options, &message)), result);
    if (!messagePart.isEmpty())
        QVERIFY2(message.contains(messagePart), qPrintable(message));
    if (result != int(HostOptions::Parse::Ok)) {
        QCOMPARE(options.serverHost, QString("untouched"));
        return;
    }
    QCOMPARE(options.serverHost, host);
    QCOMPARE(int(options.serverPort), port);
    QCOMPARE(options.embedded(), host.isEmpty());
    QCOMPARE(options.token, token);
    QCOMPARE(options.databasePath, database);
    QCOMPARE(options.screenshotPath, screenshot);
}

void tst_HostOptions::endpoint_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");

    QTest::newRow("name and port") << "localhost:47800" << true << "localhost" << 47800;
    QTest::newRow("v4 address") << "127.0.0.1:1" << true << "127.0.0.1" << 1;
    QTest::newRow("highest port") << "h:65535" << true << "h" << 65535;
    QTest::newRow("bracketed v6") << "[::1]:47800" << true << "::1" << 47800;
    QTest::newRow("v6 without brackets: ambiguous") << "::1:47800" << false << "" << 0;
    QTest::newRow("port too high") << "h:65536" << false << "" << 0;
    QTest::newRow("port 0") << "h:0" << false << "" << 0;
    QTest::newRow("signed port") << "h:+80" << false << "" << 0;
    QTest::newRow("no host") << ":80" << false << "" << 0;
    QTest::newRow("empty brackets") << "[]:80" << false << "" << 0;
    QTest::newRow("unclosed bracket") << "[::1:80" << false << "" << 0;
    QTest::newRow("no port") << "h:" << false << "" << 0;
    QTest::newRow("letters for a port") << "h:http" << false << "" << 0;
}

void tst_HostOptions::endpoint()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, host);
    QFETCH(int, port);

    QString parsedHost = QStringLiteral("unset");
    quint16 parsedPort = 7;
    QCOMPARE(HostOptions::parseEndpoint(text, &parsedHost, &parsedPort), valid);
    QCOMPARE(parsedHost, valid ? host : QString("unset"));
    QCOMPARE(int(parsedPort), valid ? port : 7);
}

QTEST_MAIN(tst_HostOptions)
#include "tst_host_options.moc"
