// The server facing its clients: its options and limits, the token, and bytes
// of any kind, cut anywhere, with a garbage body for every command.
#include "testsupport/ServerHarness.h"

#include "records/RouteRecord.h"
#include "wire/Frame.h"
#include "wire/RouteMessages.h"

#include <QCryptographicHash>
#include <QtEndian>
#include <QtTest>

namespace {

using Bytes = QList<QByteArray>;
constexpr int AtOnce = 1 << 20;

QByteArray prefix(quint32 length)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(length, bytes.data());
    return bytes;
}

QByteArray request(const QByteArray &command, const QByteArray &body = {},
                   const QByteArray &server = "OperCheck_Server1")
{
    return Frame::encode(Frame::Request{server, command, body});
}

QByteArray tokenBody(const QByteArray &token)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << token; // the same in every stream version
    return body;
}

// 64 bytes that look like nothing in particular, the same in every run.
const QByteArray Noise = QCryptographicHash::hash("noise", QCryptographicHash::Sha512);

} // namespace

class TestServerConnections : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(demo.start({}, "demo"), QString()); }
    void init() { h = std::make_unique<ServerHarness>(); }
    void cleanup() { h.reset(); }
    void parse_data();
    void parse();
    void token_data();
    void token();
    void limits_data();
    void limits();
    void bytes_data();
    void bytes();

private:
    std::unique_ptr<ServerHarness> h;
    ServerHarness demo; // for every row of bytes: none may change it
};

void TestServerConnections::parse_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("outcome"); // "address port token", or "error:" / "help:" and words

    QTest::newRow("defaults") << "" << "127.0.0.1 47800 ";
    QTest::newRow("IPv6 loopback") << "--listen [::1]:4000" << "::1 4000 ";
    QTest::newRow("localhost by name") << "--listen localhost:65535" << "127.0.0.1 65535 ";
    QTest::newRow("any address with a token") << "--listen 0.0.0.0:0 --token t" << "0.0.0.0 0 t";
    QTest::newRow("any address, no token") << "--listen 0.0.0.0:1" << "error:requires --token";
    QTest::newRow("empty token") << "--listen 0.0.0.0:1 --token=" << "error:--token";
    QTest::newRow("not an address") << "--listen nowhere:80" << "error:ADDR:PORT";
    QTest::newRow("unknown seed") << "--seed full" << "error:unknown seed";
    QTest::newRow("stray argument") << "extra" << "error:extra";
    QTest::newRow("help") << "--help" << "help:--listen";
}

void TestServerConnections::parse()
{
    QFETCH(QString, arguments);
    QFETCH(QString, outcome);

    ServerOptions options;
    options.port = 1234; // untouched unless parsing succeeds
    QString message;
    const ServerOptions::Parse result = ServerOptions::parse(
        QStringList{"opercheck-server"} + arguments.split(' ', Qt::SkipEmptyParts), &options,
        &message);
    QCOMPARE(int(result), outcome.startsWith("error:") ? int(ServerOptions::Parse::Error)
                          : outcome.startsWith("help:") ? int(ServerOptions::Parse::Help)
                                                        : int(ServerOptions::Parse::Ok));
    if (result == ServerOptions::Parse::Ok) {
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(options.address.toString()).arg(options.port).arg(
                     QString::fromUtf8(options.token)),
                 outcome);
        QCOMPARE(options.databasePath, ServerOptions::defaultDatabasePath());
    } else {
        QVERIFY2(message.contains(outcome.section(':', 1)), qPrintable(message));
        QCOMPARE(options.port, quint16(1234));
    }
}

void TestServerConnections::token_data()
{
    QTest::addColumn<QByteArray>("configured");
    QTest::addColumn<Bytes>("tokens"); // each sent as an Auth_token body
    QTest::addColumn<bool>("served");

    const QByteArray right = "correct horse";
    QTest::newRow("right token") << right << Bytes{tokenBody(right)} << true;
    QTest::newRow("a byte more") << right << Bytes{tokenBody(right + 'e')} << false;
    QTest::newRow("a byte changed") << right << Bytes{tokenBody("correct horsE")} << false;
    QTest::newRow("not as a byte array") << right << Bytes{right} << false;
    QTest::newRow("no token, a request first") << right << Bytes{} << false;
    QTest::newRow("right, then wrong") << right << Bytes{tokenBody(right), tokenBody("x")} << false;
    QTest::newRow("none required, one given") << QByteArray() << Bytes{tokenBody("a")} << true;
}

// Off loopback, where the token keeps strangers out: a check mode change
// reaches those who gave it, not a socket still at the door.
void TestServerConnections::token()
{
    QFETCH(QByteArray, configured);
    QFETCH(Bytes, tokens);
    QFETCH(bool, served);

    ServerOptions options;
    options.token = configured;
    options.address = QHostAddress(configured.isEmpty() ? QHostAddress::LocalHost
                                                        : QHostAddress::AnyIPv4);
    QCOMPARE(h->start(options), QString());
    QTcpSocket waiting;
    QVERIFY(h->connectRaw(&waiting));
    if (!served)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("closing .*token"));
    FrameClient *client = h->connect();
    QVERIFY(client);
    QSignalSpy replies(client, &FrameClient::replyReceived);
    QSignalSpy closed(client, &FrameClient::disconnected);
    for (const QByteArray &body : qAsConst(tokens))
        client->send("Auth_token", body);
    client->send("Set_check_mode", RouteMessages::checkModeRequest(0, {}));
    QTRY_VERIFY_WITH_TIMEOUT(!replies.isEmpty() || !closed.isEmpty(), ServerHarness::Timeout);
    QCOMPARE(replies.size() + 2 * closed.size(), served ? 1 : 2);
    QTRY_COMPARE(h->server->clientCount(), served ? 2 : 1);
    if (configured.isEmpty())
        QTRY_VERIFY(waiting.bytesAvailable() > 0);
    QCOMPARE(waiting.bytesAvailable() > 0, configured.isEmpty());
}

void TestServerConnections::limits_data()
{
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QString>("logged"); // empty: the server does not start

    QTest::newRow("no token in time") << "token" << "closing .*no token in time";
    QTest::newRow("clients") << "clients" << "refusing a client";
    QTest::newRow("replies left unread") << "output" << "closing .*does not read its replies";
    QTest::newRow("open without a token: not started") << "open" << "";
    QTest::newRow("unknown seed: not started") << "seed" << "";
}

// The socket over the limit goes, the others stay served; the server does not
// start on what its parser refuses.
void TestServerConnections::limits()
{
    QFETCH(QString, limit);
    QFETCH(QString, logged);

    ServerOptions options;
    options.token = limit == "token" ? "t" : "";
    options.address =
        QHostAddress(limit == "open" ? QHostAddress::AnyIPv4 : QHostAddress::LocalHost);
    options.authTimeoutMs = 1000;
    options.maxClients = limit == "clients" ? 2 : 50;
    options.maxPendingOutput = 64 * 1024;
    QCOMPARE(h->start(options, limit == "seed" ? "everything" : "demo").isEmpty(),
             !logged.isEmpty());
    QCOMPARE(h->server->isListening(), !logged.isEmpty());
    if (logged.isEmpty())
        return;
    FrameClient *other = h->connect();
    QVERIFY(other);
    other->sendToken(options.token);
    QVERIFY(h->answers(other));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(logged));
    QTcpSocket extra, going;
    QVERIFY(limit != "clients" || h->connectRaw(&extra));
    going.setReadBufferSize(1); // takes almost nothing off the wire
    QVERIFY(h->connectRaw(&going));
    if (limit == "output")
        going.write(request("Get_tree_graphobj").repeated(3000));
    QTRY_COMPARE_WITH_TIMEOUT(going.state(), QAbstractSocket::UnconnectedState, 20000);
    QTRY_COMPARE(h->server->clientCount(), limit == "clients" ? 2 : 1);
    QVERIFY(h->answers(other));
}

void TestServerConnections::bytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("chunk");      // written this many bytes at a time
    QTest::addColumn<QString>("logged"); // without replies: why the client is closed
    QTest::addColumn<Bytes>("replies");

    const QByteArray trees = request("Get_tree_objects") + request("Get_tree_graphobj");
    QTest::newRow("two requests byte by byte")
        << trees << 1 << "" << Bytes{"Get_tree_objects", "Get_tree_graphobj"};
    QTest::newRow("4 GiB length prefix") << prefix(~0u) << AtOnce << "larger than" << Bytes();
    QTest::newRow("empty frame") << prefix(0) << AtOnce << "does not parse" << Bytes();
    // A truncated frame is held until the client goes.
    QTest::newRow("a large frame announced, a little sent")
        << prefix(50u << 20) + Noise << AtOnce << "" << Bytes();

    // Every command with a garbage body, then a tree request. Trees ignore their
    // body and answer; the rest ignore what does not read.
    const QList<QPair<QByteArray, QString>> commands = {
        {"Get_tree_rulecheck", {}}, {"Get_tree_graphobj", {}}, {"Get_tree_objects", {}},
        {"Fix_routes", "Fix_routes: malformed"}, {"Set_check_mode", "Set_check_mode: malformed"},
        {"Auth_token", {}}, {"Push_positions", "Push_positions: malformed"},
        {"Get_check_events", "Get_check_events: malformed"}, {"No_such", "unknown command"},
        {"Get_tree_rulecheck@OperCheck_Server2", "for server \"OperCheck_Server2\" ignored"}};
    // A whole save entry for a route node of the demo, then one cut short: not
    // even the first may be applied.
    QByteArray entries;
    QDataStream out(&entries, QIODevice::WriteOnly);
    RouteMessages::writeSaveEntry(ServerHarness::opened(out), 3, RouteRecord(3));
    entries += entries.left(9);
    const QList<QPair<const char *, QByteArray>> bodies = {
        {"noise", Noise}, {"one byte", "\x01"}, {"minus one", QByteArray(4, '\xff')},
        {"huge counts", QByteArray(16, '\xff')}, {"a whole entry, then a cut one", entries}};
    for (const auto &command : commands) {
        const Bytes address = command.first.split('@'); // command@server
        const bool answered = command.first.startsWith("Get_tree_") && address.size() == 1;
        for (const auto &body : bodies) {
            QTest::addRow("%s, %s", command.first.constData(), body.first)
                << request(address.first(), body.second, address.value(1, "OperCheck_Server1"))
                       + request("Get_tree_objects")
                << AtOnce << command.second
                << (answered ? Bytes{address.first(), "Get_tree_objects"}
                             : Bytes{"Get_tree_objects"});
        }
    }
}

// A bystander is served throughout, and the demo's routes stay as they were.
void TestServerConnections::bytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, chunk);
    QFETCH(QString, logged);
    QFETCH(Bytes, replies);

    const QByteArray before = demo.fetch("Get_tree_rulecheck");
    FrameClient *bystander = demo.connect();
    FrameClient *client = demo.connect();
    QVERIFY(bystander && client);
    const int clients = demo.server->clientCount();
    QSignalSpy spy(client, &FrameClient::replyReceived);
    QSignalSpy closed(client, &FrameClient::disconnected);
    if (!logged.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(logged));
    for (int at = 0; at < bytes.size(); at += chunk) {
        client->socket()->write(bytes.mid(at, chunk));
        QVERIFY(client->socket()->waitForBytesWritten(ServerHarness::Timeout));
    }
    QTRY_COMPARE_WITH_TIMEOUT(spy.size(), replies.size(), ServerHarness::Timeout);
    QVERIFY(demo.answers(bystander)); // the server has taken the bytes by now
    QTRY_COMPARE(closed.size(), int(replies.isEmpty() && !logged.isEmpty()));
    Bytes commands;
    for (const QList<QVariant> &reply : qAsConst(spy))
        commands << reply.at(0).toByteArray();
    QCOMPARE(commands, replies);
    client->disconnectFromServer(); // mid-frame, maybe
    QTRY_COMPARE(demo.server->clientCount(), clients - 1);
    QVERIFY(demo.answers(bystander));
    QCOMPARE(demo.fetch("Get_tree_rulecheck"), before);
}

QTEST_GUILESS_MAIN(TestServerConnections)
#include "tst_server_connections.moc"
