#include "testsupport/ServerHarness.h"

#include "wire/Frame.h"
#include "ServerOptions.h"
#include "wire/RouteMessages.h"

#include <QDataStream>
#include <QtTest>

namespace {

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
    void init() { h = std::make_unique<ServerHarness>(); }
    void cleanup() { h.reset(); }

    void parse_data();
    void parse();
    void startRefusesWhatParseRefuses();
    void token_data();
    void token();
    void tokenOffLoopback();
    void tokenNotGivenInTime();
    void clientLimit();
    void repliesLeftUnreadCloseTheClient();

private:
    std::unique_ptr<ServerHarness> h;
};

void TestServerOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("address"); // on Ok; else words of the message
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("token");

    auto ok = [](const char *name, QStringList args, const char *address, int port,
                 const QByteArray &token = {}) {
        QTest::newRow(name) << args << int(ServerOptions::Parse::Ok) << address << port << token;
    };
    auto error = [](const char *name, QStringList args, const char *message,
                    ServerOptions::Parse result = ServerOptions::Parse::Error) {
        QTest::newRow(name) << args << int(result) << message << 0 << QByteArray();
    };
    ok("defaults", {}, "127.0.0.1", 47800);
    ok("IPv6 loopback", {"--listen", "[::1]:4000"}, "::1", 4000);
    ok("localhost by name", {"--listen", "localhost:65535"}, "127.0.0.1", 65535);
    ok("any address with a token", {"--listen", "0.0.0.0:0", "--token", "t"}, "0.0.0.0", 0, "t");
    error("any address without a token", {"--listen", "0.0.0.0:47800"}, "requires --token");
    error("LAN address without a token", {"--listen", "192.168.1.5:1"}, "requires --token");
    error("empty token", {"--listen", "0.0.0.0:1", "--token", ""}, "--token");
    error("port too large", {"--listen", "127.0.0.1:65536"}, "ADDR:PORT");
    error("not an address", {"--listen", "nowhere:80"}, "ADDR:PORT");
    error("unknown seed", {"--seed", "full"}, "unknown seed");
    error("unknown option", {"--verbose"}, "verbose");
    error("stray argument", {"extra"}, "extra");
    error("help", {"--help"}, "--listen", ServerOptions::Parse::Help);
}

void TestServerOptions::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, result);
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(QByteArray, token);

    ServerOptions options;
    options.port = 1234; // untouched unless parsing succeeds
    QString text;
    QCOMPARE(int(ServerOptions::parse(QStringList{"opercheck-server"} + arguments, &options, &text)),
             result);
    if (result != int(ServerOptions::Parse::Ok)) {
        QVERIFY2(text.contains(address), qPrintable(text));
        QCOMPARE(options.port, quint16(1234));
        return;
    }
    QCOMPARE(options.address, QHostAddress(address));
    QCOMPARE(int(options.port), port);
    QCOMPARE(options.token, token);
    QCOMPARE(options.databasePath, ServerOptions::defaultDatabasePath());
}

void TestServerOptions::startRefusesWhatParseRefuses()
{
    ServerOptions open;
    open.address = QHostAddress(QHostAddress::AnyIPv4); // and no token
    ServerOptions seeded;
    seeded.seed = QStringLiteral("everything");
    for (const ServerOptions &options : {open, seeded}) {
        QVERIFY(!h->start(options).isEmpty());
        QVERIFY(!h->server->isListening());
    }
}

void TestServerOptions::token_data()
{
    QTest::addColumn<QByteArray>("configured");
    QTest::addColumn<QList<QByteArray>>("tokens"); // each sent as an Auth_token body
    QTest::addColumn<bool>("served");

    const QByteArray right = "correct horse";
    using Bodies = QList<QByteArray>;
    QTest::newRow("right token") << right << Bodies{tokenBody(right)} << true;
    QTest::newRow("a byte short") << right << Bodies{tokenBody("correct hors")} << false;
    QTest::newRow("a byte more") << right << Bodies{tokenBody(right + 'e')} << false;
    QTest::newRow("not as a byte array") << right << Bodies{right} << false;
    QTest::newRow("no token, a request first") << right << Bodies{} << false;
    QTest::newRow("right token, then a wrong one")
        << right << Bodies{tokenBody(right), tokenBody("x")} << false;
    QTest::newRow("none required, one given anyway") << QByteArray() << Bodies{tokenBody("any")}
                                                     << true;
}

void TestServerOptions::token()
{
    QFETCH(QByteArray, configured);
    QFETCH(QList<QByteArray>, tokens);
    QFETCH(bool, served);

    ServerOptions options;
    options.token = configured;
    QCOMPARE(h->start(options), QString());
    if (!served)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("closing .*token"));
    FrameClient *client = h->connect();
    QVERIFY(client);
    QSignalSpy replies(client, &FrameClient::replyReceived);
    QSignalSpy closed(client, &FrameClient::disconnected);
    for (const QByteArray &body : qAsConst(tokens))
        client->send("Auth_token", body);
    client->send("Get_tree_objects");
    QTRY_VERIFY_WITH_TIMEOUT(!replies.isEmpty() || !closed.isEmpty(), ServerHarness::Timeout);
    QCOMPARE(replies.size(), served ? 1 : 0);
    QCOMPARE(closed.size(), served ? 0 : 1);
    QTRY_COMPARE(h->server->clientCount(), served ? 1 : 0);
}

void TestServerOptions::tokenOffLoopback()
{
    ServerOptions options;
    options.address = QHostAddress(QHostAddress::AnyIPv4);
    options.token = "t0ken";
    QCOMPARE(h->start(options), QString());
    FrameClient *client = h->connect();
    QVERIFY(client);
    client->sendToken("t0ken");
    QVERIFY(h->answers(client));

    // A check mode change reaches those who gave the token, not those still at the door.
    QTcpSocket waiting;
    QVERIFY(h->connectRaw(&waiting));
    QTRY_COMPARE(h->server->clientCount(), 2);
    QCOMPARE(h->exchange(client, "Set_check_mode", RouteMessages::checkModeRequest(0, {})).first,
             QByteArray("Set_check_mode"));
    QCOMPARE(waiting.bytesAvailable(), 0);
}

void TestServerOptions::tokenNotGivenInTime()
{
    ServerOptions options;
    options.token = "t";
    options.authTimeoutMs = 100;
    QCOMPARE(h->start(options), QString());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("closing .*no token in time"));
    QTcpSocket silent;
    QVERIFY(h->connectRaw(&silent));
    QTRY_COMPARE(h->server->clientCount(), 1);
    QTRY_COMPARE(silent.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(h->server->clientCount(), 0);
}

void TestServerOptions::clientLimit()
{
    ServerOptions options;
    options.maxClients = 2;
    QCOMPARE(h->start(options), QString());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refusing a client"));
    QTcpSocket first, second, third;
    for (QTcpSocket *socket : {&first, &second, &third})
        QVERIFY(h->connectRaw(socket));
    QTRY_COMPARE(third.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(h->server->clientCount(), 2);
    QCOMPARE(first.state(), QAbstractSocket::ConnectedState);
    first.disconnectFromHost();
    QTRY_COMPARE(h->server->clientCount(), 1);
}

void TestServerOptions::repliesLeftUnreadCloseTheClient()
{
    ServerOptions options;
    options.seed = QStringLiteral("demo");
    options.maxPendingOutput = 64 * 1024;
    QCOMPARE(h->start(options), QString());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("closing .*does not read its replies"));
    QTcpSocket hoarder;
    hoarder.setReadBufferSize(1); // takes almost nothing off the wire
    QVERIFY(h->connectRaw(&hoarder));
    const QByteArray request =
        Frame::encode(Frame::Request{"OperCheck_Server1", "Get_tree_graphobj", {}});
    hoarder.write(request.repeated(3000));
    QTRY_COMPARE_WITH_TIMEOUT(h->server->clientCount(), 0, 20000);
    QVERIFY(h->answers(h->connect())); // others are still served
}

QTEST_GUILESS_MAIN(TestServerOptions)
#include "tst_server_options.moc"
