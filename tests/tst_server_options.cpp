#include "FrameClient.h"
#include "RouteCheckServer.h"
#include "ServerOptions.h"

#include "Frame.h"

#include <QDataStream>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int Timeout = 5000;

QByteArray tokenBody(const QByteArray &token)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << token;
    return body;
}

} // namespace

class TestServerOptions : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void startRefusesWhatParseRefuses_data();
    void startRefusesWhatParseRefuses();
    void token_data();
    void token();
    void tokenOffLoopback();
    void tokenNotGivenInTime();
    void clientLimit();
    void repliesLeftUnreadCloseTheClient();

private:
    std::unique_ptr<RouteCheckServer> start(ServerOptions options);

    QTemporaryDir m_dir;
};

std::unique_ptr<RouteCheckServer> TestServerOptions::start(ServerOptions options)
{
    options.databasePath = m_dir.filePath(QStringLiteral("options.sqlite"));
    auto server = std::make_unique<RouteCheckServer>(options);
    QString error;
    if (!server->start(&error))
        qWarning() << error;
    return server;
}

void TestServerOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<QString>("message"); // a part of the message on Error

    const int ok = int(ServerOptions::Parse::Ok);
    const int error = int(ServerOptions::Parse::Error);
    const QString loopback = QStringLiteral("127.0.0.1");
    QTest::newRow("defaults") << QStringList{} << ok << loopback << 47800 << QByteArray() << "";
    QTest::newRow("any free port") << QStringList{"--listen", "127.0.0.1:0"} << ok << loopback << 0
                                   << QByteArray() << "";
    QTest::newRow("highest port") << QStringList{"--listen", "127.0.0.1:65535"} << ok << loopback
                                  << 65535 << QByteArray() << "";
    QTest::newRow("IPv6 loopback") << QStringList{"--listen", "[::1]:4000"} << ok << "::1" << 4000
                                   << QByteArray() << "";
    QTest::newRow("localhost by name") << QStringList{"--listen", "localhost:4001"} << ok
                                       << loopback << 4001 << QByteArray() << "";
    QTest::newRow("token on loopback") << QStringList{"--token", "s3cret"} << ok << loopback
                                       << 47800 << QByteArray("s3cret") << "";
    QTest::newRow("any address with a token")
        << QStringList{"--listen", "0.0.0.0:47800", "--token", "t"} << ok << "0.0.0.0" << 47800
        << QByteArray("t") << "";
    QTest::newRow("any address without a token") << QStringList{"--listen", "0.0.0.0:47800"}
                                                 << error << "" << 0 << QByteArray()
                                                 << "requires --token";
    QTest::newRow("LAN address without a token") << QStringList{"--listen", "192.168.1.5:1"}
                                                 << error << "" << 0 << QByteArray()
                                                 << "requires --token";
    QTest::newRow("IPv6 any without a token") << QStringList{"--listen", "[::]:1"} << error << ""
                                              << 0 << QByteArray() << "requires --token";
    QTest::newRow("empty token") << QStringList{"--listen", "0.0.0.0:1", "--token", ""} << error
                                 << "" << 0 << QByteArray() << "--token";
    QTest::newRow("port too large") << QStringList{"--listen", "127.0.0.1:65536"} << error << ""
                                    << 0 << QByteArray() << "ADDR:PORT";
    QTest::newRow("no port") << QStringList{"--listen", "127.0.0.1"} << error << "" << 0
                             << QByteArray() << "ADDR:PORT";
    QTest::newRow("not an address") << QStringList{"--listen", "nowhere:80"} << error << "" << 0
                                    << QByteArray() << "ADDR:PORT";
    QTest::newRow("unknown seed") << QStringList{"--seed", "full"} << error << "" << 0
                                  << QByteArray() << "unknown seed";
    QTest::newRow("unknown option") << QStringList{"--verbose"} << error << "" << 0
                                    << QByteArray() << "verbose";
    QTest::newRow("stray argument") << QStringList{"extra"} << error << "" << 0 << QByteArray()
                                    << "extra";
    QTest::newRow("help") << QStringList{"--help"} << int(ServerOptions::Parse::Help) << "" << 0
                          << QByteArray() << "--listen";
}

void TestServerOptions::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, result);
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(QByteArray, token);
    QFETCH(QString, message);

    ServerOptions options;
    options.port = 1234; // untouched unless parsing succeeds
    QString text;
    arguments.prepend(QStringLiteral("opercheck-server"));
    QCOMPARE(int(ServerOptions::parse(arguments, &options, &text)), result);
    if (result != int(ServerOptions::Parse::Ok)) {
        QVERIFY2(text.contains(message), qPrintable(text));
        QCOMPARE(options.port, quint16(1234));
        return;
    }
    QCOMPARE(options.address, QHostAddress(address));
    QCOMPARE(int(options.port), port);
    QCOMPARE(options.token, token);
    QCOMPARE(options.databasePath, ServerOptions::defaultDatabasePath());
    QVERIFY(options.databasePath.endsWith(QLatin1String("/opercheck.sqlite")));
}

void TestServerOptions::startRefusesWhatParseRefuses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<QString>("seed");
    QTest::addColumn<bool>("starts");

    QTest::newRow("loopback, no token") << "127.0.0.1" << QByteArray() << "" << true;
    QTest::newRow("any address, no token") << "0.0.0.0" << QByteArray() << "" << false;
    QTest::newRow("any address, token") << "0.0.0.0" << QByteArray("t") << "" << true;
    QTest::newRow("unknown seed") << "127.0.0.1" << QByteArray() << "everything" << false;
}

void TestServerOptions::startRefusesWhatParseRefuses()
{
    QFETCH(QString, address);
    QFETCH(QByteArray, token);
    QFETCH(QString, seed);
    QFETCH(bool, starts);

    ServerOptions options;
    options.address = QHostAddress(address);
    options.port = 0;
    options.token = token;
    options.seed = seed;
    options.databasePath = m_dir.filePath(QStringLiteral("refuse.sqlite"));
    RouteCheckServer server(options);
    QString error;
    QCOMPARE(server.start(&error), starts);
    QCOMPARE(server.isListening(), starts);
    QCOMPARE(error.isEmpty(), starts);
}

void TestServerOptions::token_data()
{
    QTest::addColumn<QByteArray>("configured");
    QTest::addColumn<QList<QByteArray>>("frames"); // command, body pairs
    QTest::addColumn<bool>("served");

    const QByteArray right = "correct horse";
    QTest::newRow("right token") << right
                                 << QList<QByteArray>{"Auth_token", tokenBody(right)} << true;
    QTest::newRow("wrong token") << right
                                 << QList<QByteArray>{"Auth_token", tokenBody("correct hors")}
                                 << false;
    QTest::newRow("token with a byte more") << right
                                            << QList<QByteArray>{"Auth_token",
                                                                 tokenBody(right + 'e')}
                                            << false;
    QTest::newRow("empty token") << right << QList<QByteArray>{"Auth_token", tokenBody("")}
                                 << false;
    QTest::newRow("token not as a byte array") << right
                                               << QList<QByteArray>{"Auth_token", right}
                                               << false;
    QTest::newRow("no token, a request first") << right << QList<QByteArray>{} << false;
    QTest::newRow("right token, then a wrong one")
        << right
        << QList<QByteArray>{"Auth_token", tokenBody(right), "Auth_token", tokenBody("x")}
        << false;
    QTest::newRow("right token twice")
        << right
        << QList<QByteArray>{"Auth_token", tokenBody(right), "Auth_token", tokenBody(right)}
        << true;
    QTest::newRow("none required, none given") << QByteArray() << QList<QByteArray>{} << true;
    QTest::newRow("none required, one given anyway")
        << QByteArray() << QList<QByteArray>{"Auth_token", tokenBody("any")} << true;
}

void TestServerOptions::token()
{
    QFETCH(QByteArray, configured);
    QFETCH(QList<QByteArray>, frames);
    QFETCH(bool, served);

    ServerOptions options;
    options.port = 0;
    options.token = configured;
    std::unique_ptr<RouteCheckServer> server = start(options);
    QVERIFY(server->isListening());

    if (!served)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("closing .*token"));
    FrameClient client;
    QSignalSpy replies(&client, &FrameClient::replyReceived);
    QSignalSpy closed(&client, &FrameClient::disconnected);
    client.connectToServer(QHostAddress(QHostAddress::LocalHost), server->serverPort());
    QVERIFY(QTest::qWaitFor([&client] { return client.isConnected(); }, Timeout));
    for (int i = 0; i + 1 < frames.size(); i += 2)
        client.send(frames.at(i), frames.at(i + 1));
    client.send("Get_tree_objects");
    QVERIFY(QTest::qWaitFor([&] { return !replies.isEmpty() || !closed.isEmpty(); }, Timeout));
    QCOMPARE(replies.size(), served ? 1 : 0);
    QCOMPARE(closed.size(), served ? 0 : 1);
    if (served)
        QCOMPARE(replies.first().at(0).toByteArray(), QByteArray("Get_tree_objects"));
    QTRY_COMPARE(server->clientCount(), served ? 1 : 0);
}

void TestServerOptions::tokenOffLoopback()
{
    ServerOptions options;
    options.address = QHostAddress(QHostAddress::AnyIPv4);
    options.port = 0;
    options.token = "t0ken";
    std::unique_ptr<RouteCheckServer> server = start(options);
    QVERIFY(server->isListening());

    FrameClient client;
    QSignalSpy replies(&client, &FrameClient::replyReceived);
    client.connectToServer(QHostAddress(QHostAddress::LocalHost), server->serverPort());
    QVERIFY(QTest::qWaitFor([&client] { return client.isConnected(); }, Timeout));
    client.sendToken("t0ken");
    client.send("Get_tree_rulecheck");
    QVERIFY(QTest::qWaitFor([&replies] { return !replies.isEmpty(); }, Timeout));
    QCOMPARE(replies.first().at(0).toByteArray(), QByteArray("Get_tree_rulecheck"));

    // A check mode change reaches those who gave the token, not those still at the door.
    QTcpSocket waiting;
    waiting.connectToHost(QHostAddress(QHostAddress::LocalHost), server->serverPort());
    QVERIFY(waiting.waitForConnected(Timeout));
    QTRY_COMPARE(server->clientCount(), 2);
    QByteArray mode;
    QDataStream out(&mode, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << qint32(0) << QList<int>();
    client.send("Set_check_mode", mode);
    QVERIFY(QTest::qWaitFor([&replies] { return replies.size() == 2; }, Timeout));
    QCOMPARE(waiting.bytesAvailable(), 0);
}

void TestServerOptions::tokenNotGivenInTime()
{
    ServerOptions options;
    options.port = 0;
    options.token = "t";
    options.authTimeoutMs = 100;
    std::unique_ptr<RouteCheckServer> server = start(options);
    QVERIFY(server->isListening());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("closing .*no token in time"));
    QTcpSocket silent;
    silent.connectToHost(QHostAddress(QHostAddress::LocalHost), server->serverPort());
    QVERIFY(silent.waitForConnected(Timeout));
    QTRY_COMPARE(server->clientCount(), 1);
    QTRY_COMPARE(silent.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(server->clientCount(), 0);
}

void TestServerOptions::clientLimit()
{
    ServerOptions options;
    options.port = 0;
    options.maxClients = 2;
    std::unique_ptr<RouteCheckServer> server = start(options);
    QVERIFY(server->isListening());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refusing a client"));
    QTcpSocket first, second, third;
    for (QTcpSocket *socket : {&first, &second, &third}) {
        socket->connectToHost(QHostAddress(QHostAddress::LocalHost), server->serverPort());
        QVERIFY(socket->waitForConnected(Timeout));
    }
    QTRY_COMPARE(third.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(server->clientCount(), 2);
    QCOMPARE(first.state(), QAbstractSocket::ConnectedState);
    first.disconnectFromHost();
    QTRY_COMPARE(server->clientCount(), 1);
}

void TestServerOptions::repliesLeftUnreadCloseTheClient()
{
    ServerOptions options;
    options.port = 0;
    options.seed = QStringLiteral("demo");
    options.maxPendingOutput = 64 * 1024;
    options.databasePath = m_dir.filePath(QStringLiteral("pending.sqlite"));
    RouteCheckServer server(options);
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("closing .*does not read its replies"));
    QTcpSocket hoarder;
    hoarder.setReadBufferSize(1); // takes almost nothing off the wire
    hoarder.connectToHost(QHostAddress(QHostAddress::LocalHost), server.serverPort());
    QVERIFY(hoarder.waitForConnected(Timeout));
    QByteArray requests;
    for (int i = 0; i < 3000; ++i)
        requests += Frame::encode(Frame::Request{"OperCheck_Server1", "Get_tree_graphobj", {}});
    hoarder.write(requests);
    QTRY_COMPARE_WITH_TIMEOUT(server.clientCount(), 0, 20000);

    FrameClient reader;
    QSignalSpy replies(&reader, &FrameClient::replyReceived);
    reader.connectToServer(QHostAddress(QHostAddress::LocalHost), server.serverPort());
    reader.send("Get_tree_graphobj");
    QVERIFY(QTest::qWaitFor([&replies] { return !replies.isEmpty(); }, Timeout));
}

QTEST_GUILESS_MAIN(TestServerOptions)
#include "tst_server_options.moc"
