// The host's command line: where the server is, the token, the database, the
// built-in server's pace, the screenshot.
#include <HostOptions.h>
#include <wire/Endpoint.h>

#include <QtTest>

namespace {

// Every parsed field, in one line a row can state.
QString summary(const HostOptions &o)
{
    return QStringLiteral("server=%1:%2 token=%3 db=%4 shot=%5 simulate=%6 speed=%7")
        .arg(o.serverHost)
        .arg(o.serverPort)
        .arg(QString::fromUtf8(o.token), o.databasePath, o.screenshotPath)
        .arg(int(o.simulate))
        .arg(o.speed);
}

const QString Defaults = QStringLiteral("server=:0 token= db= shot= simulate=1 speed=30");

} // namespace

Q_DECLARE_METATYPE(HostOptions::Parse)

class tst_HostOptions : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void endpoint_data();
    void endpoint();
};

void tst_HostOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<HostOptions::Parse>("result");
    QTest::addColumn<QString>("text"); // the summary when Ok, else part of the message

    using P = HostOptions::Parse;
    QTest::newRow("nothing: embedded server, simulated") << QStringList() << P::Ok << Defaults;
    QTest::newRow("a separate server with a token")
        << QStringList{"--server=dispatch.local:9000", "--token", "t0k"} << P::Ok
        << "server=dispatch.local:9000 token=t0k db= shot= simulate=1 speed=30";
    QTest::newRow("database and screenshot")
        << QStringList{"--db", "/tmp/x.sqlite", "--screenshot", "out.png"} << P::Ok
        << "server=:0 token= db=/tmp/x.sqlite shot=out.png simulate=1 speed=30";
    QTest::newRow("wall-clock pace, still units")
        << QStringList{"--speed", "1", "--no-simulate"} << P::Ok
        << "server=:0 token= db= shot= simulate=0 speed=1";
    QTest::newRow("fastest pace") << QStringList{"--speed=3600"} << P::Ok
                                  << "server=:0 token= db= shot= simulate=1 speed=3600";
    QTest::newRow("help") << QStringList{"--help"} << P::Help << "--server";
    QTest::newRow("server without a port")
        << QStringList{"--server", "localhost"} << P::Error << "host:port";
    QTest::newRow("token without a server: it would go nowhere")
        << QStringList{"--token", "t"} << P::Error << "--token";
    QTest::newRow("empty token") << QStringList{"--server", "h:1", "--token", ""} << P::Error
                                 << "empty";
    QTest::newRow("database with a separate server: it would be ignored")
        << QStringList{"--server", "h:1", "--db", "x"} << P::Error << "--db";
    QTest::newRow("pace with a separate server")
        << QStringList{"--server", "h:1", "--speed", "2"} << P::Error << "--speed";
    QTest::newRow("no simulation with a separate server")
        << QStringList{"--server", "h:1", "--no-simulate"} << P::Error << "--no-simulate";
    QTest::newRow("pace below 1") << QStringList{"--speed", "0.5"} << P::Error << "0.5";
    QTest::newRow("pace above 3600") << QStringList{"--speed", "3601"} << P::Error << "3601";
    QTest::newRow("pace not a number") << QStringList{"--speed", "fast"} << P::Error << "fast";
    QTest::newRow("unknown option") << QStringList{"--colour"} << P::Error << "colour";
    QTest::newRow("stray argument") << QStringList{"map.png"} << P::Error << "map.png";
}

void tst_HostOptions::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(HostOptions::Parse, result);
    QFETCH(QString, text);

    HostOptions options;
    options.serverHost = QStringLiteral("untouched");
    QString message;
    QCOMPARE(HostOptions::parse(QStringList{"opercheck-host"} + arguments, &options, &message),
             result);
    if (result == HostOptions::Parse::Ok) {
        QCOMPARE(summary(options), text);
    } else {
        QVERIFY2(message.contains(text), qPrintable(message));
        QCOMPARE(options.serverHost, QString("untouched"));
    }
}

void tst_HostOptions::endpoint_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("parsed"); // "host port", or empty when refused

    QTest::newRow("name and port") << "localhost:47800" << "localhost 47800";
    QTest::newRow("highest port") << "h:65535" << "h 65535";
    QTest::newRow("bracketed v6") << "[::1]:47800" << "::1 47800";
    QTest::newRow("v6 without brackets: ambiguous") << "::1:47800" << "";
    QTest::newRow("port too high") << "h:65536" << "";
    QTest::newRow("port 0") << "h:0" << "";
    QTest::newRow("signed port") << "h:+80" << "";
    QTest::newRow("letters for a port") << "h:http" << "";
    QTest::newRow("no host") << ":80" << "";
    QTest::newRow("empty brackets") << "[]:80" << "";
    QTest::newRow("unclosed bracket") << "[::1:80" << "";
}

void tst_HostOptions::endpoint()
{
    QFETCH(QString, text);
    QFETCH(QString, parsed);

    const std::optional<Endpoint> endpoint = Endpoint::parse(text);
    QCOMPARE(endpoint ? endpoint->host + ' ' + QString::number(endpoint->port) : QString(),
             parsed);
}

QTEST_MAIN(tst_HostOptions)
#include "tst_host_options.moc"
