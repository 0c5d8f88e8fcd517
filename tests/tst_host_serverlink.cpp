// The host's server link against a tiny server in the test: the bytes of a
// request, which plug-in gets which reply, the token, reconnection.
#include "testsupport/HostTinyServer.h"

#include <ServerConnection.h>

#include <QDataStream>
#include <QEventLoop>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

const QByteArray ServerName("OperCheck_Server1");

// What happens between the plug-ins' first requests and the rest.
enum Disruption { None, OtherServer, BeforeConnect, Forget, Drop, Oversized };

QStringList lines(const QList<Reply> &replies)
{
    QStringList out;
    for (const Reply &reply : replies)
        out << QString::fromLatin1(reply.first + ' ' + reply.second);
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Disruption)

// Hears of connections through the notifier's string signature, as plug-ins do.
class Recorder : public RecordingPlugin
{
    Q_OBJECT

public:
    QList<QByteArray> announced;
    std::function<void()> onConnect;

public slots:
    void connectedTo(QByteArray &server)
    {
        announced.append(server);
        if (onConnect)
            onConnect();
    }
};

class tst_HostServerLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void requestBytes();
    void routing_data();
    void routing();
    void reconnection();
    void nestedLoopKeepsOrder();

private:
    // Connects the link to the tiny server and waits until both ends are up.
    void connectLink(const QByteArray &token = QByteArray());
    void send(const QByteArray &command, Recorder *plugin, const QByteArray &body = {})
    {
        link->SendToServer(ServerName, command, body, plugin);
    }

    std::unique_ptr<TinyServer> server;
    std::unique_ptr<ServerConnection> link;
    std::unique_ptr<Recorder> first, second;
};

void tst_HostServerLink::init()
{
    server = std::make_unique<TinyServer>();
    QVERIFY(server->server.listen(QHostAddress::LocalHost));
    link = std::make_unique<ServerConnection>(ServerName);
    first = std::make_unique<Recorder>(), second = std::make_unique<Recorder>();
    QVERIFY(QObject::connect(link->notifier(), SIGNAL(OnConnectToServerSignal(QByteArray &)),
                             first.get(), SLOT(connectedTo(QByteArray &))));
    link->setPlugins({first.get(), second.get()});
}

void tst_HostServerLink::cleanup()
{
    link.reset(), server.reset(), first.reset(), second.reset();
}

void tst_HostServerLink::connectLink(const QByteArray &token)
{
    link->connectTo(QStringLiteral("127.0.0.1"), server->server.serverPort(), token);
    QTRY_VERIFY(link->isConnected() && server->client);
    QCOMPARE(first->announced.last(), ServerName);
}

// The token goes first; a request asked from within the announcement, as
// plug-ins ask for their trees, follows unchanged, zero bytes and all.
void tst_HostServerLink::requestBytes()
{
    const QByteArray body = QByteArray("\x00\x01\x00\xff", 4).repeated(75 * 1024);
    first->onConnect = [&]() { send("Fix_routes", first.get(), body); };
    connectLink("s3cret");
    QByteArray token;
    QDataStream out(&token, QIODevice::WriteOnly);
    out << QByteArray("s3cret"); // a byte array reads the same in every stream version
    const QByteArray expected = Frame::encode(Frame::Request{ServerName, "Auth_token", token})
                                + Frame::encode(Frame::Request{ServerName, "Fix_routes", body});
    QTRY_COMPARE(server->received.size(), expected.size());
    QCOMPARE(server->received, expected);
}

void tst_HostServerLink::routing_data()
{
    QTest::addColumn<QStringList>("asks"); // "1 command": plug-in 1 asks; "|": the disruption
    QTest::addColumn<Disruption>("disruption");
    QTest::addColumn<QStringList>("replies"); // "command body", as the server sends them
    QTest::addColumn<QStringList>("toFirst");
    QTest::addColumn<QStringList>("toSecond");
    QTest::addColumn<QStringList>("warnings");

    using L = QStringList;
    const QString news = QStringLiteral("Every_sections_state news");
    const L both{news, "Set_check_mode on"}; // a switch one plug-in asked for is news too
    QTest::newRow("section states and check mode: everybody")
        << L{"1 Set_check_mode"} << None << both << both << both << L{};
    QTest::newRow("per command, the oldest asker")
        << L{"1 Get_tree_rulecheck", "2 Get_tree_rulecheck", "1 Fix_routes"} << None
        << L{"Get_tree_rulecheck A", "Fix_routes ", "Get_tree_rulecheck B"}
        << L{"Get_tree_rulecheck A", "Fix_routes "} << L{"Get_tree_rulecheck B"} << L{};
    QTest::newRow("a tree nobody asked for: nobody")
        << L{} << None << L{"Get_tree_graphobj t"} << L{} << L{}
        << L{"reply Get_tree_graphobj .*nobody asked for"};
    QTest::newRow("another server's name: never sent, nobody waits")
        << L{"1 Get_tree_graphobj", "|", "2 Fix_routes"} << OtherServer
        << L{"Get_tree_graphobj late", "Fix_routes ack"} << L{} << L{"Fix_routes ack"}
        << L{"reply Get_tree_graphobj .*dropped"};
    QTest::newRow("before any connection: likewise")
        << L{"1 Get_tree_graphobj", "|", "2 Fix_routes"} << BeforeConnect
        << L{"Get_tree_graphobj late", "Fix_routes ack"} << L{} << L{"Fix_routes ack"}
        << L{"reply Get_tree_graphobj .*dropped"};
    QTest::newRow("forgotten plug-in: its turn passes, it gets nothing")
        << L{"1 Get_tree_rulecheck", "2 Get_tree_rulecheck", "|"} << Forget
        << L{"Get_tree_rulecheck a", "Get_tree_rulecheck b", news} << L{}
        << L{"Get_tree_rulecheck b", news} << L{};
    // The reply to a request of the lost connection would pair with a new one.
    QTest::newRow("connection dropped: its requests forgotten")
        << L{"1 Fix_routes", "|", "2 Get_tree_rulecheck"} << Drop
        << L{"Fix_routes stale", "Get_tree_rulecheck tree"} << L{} << L{"Get_tree_rulecheck tree"}
        << L{"reply Fix_routes .*dropped"};
    QTest::newRow("a frame over the size limit: likewise")
        << L{"1 Fix_routes", "|", "2 Get_tree_rulecheck"} << Oversized
        << L{"Fix_routes stale", "Get_tree_rulecheck tree"} << L{} << L{"Get_tree_rulecheck tree"}
        << L{"over the size limit", "reply Fix_routes .*dropped"};
}

void tst_HostServerLink::routing()
{
    QFETCH(QStringList, asks);
    QFETCH(Disruption, disruption);
    QFETCH(QStringList, replies);
    QFETCH(QStringList, toFirst);
    QFETCH(QStringList, toSecond);
    QFETCH(QStringList, warnings);

    for (const QString &warning : warnings)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    if (disruption != BeforeConnect)
        connectLink();
    QList<QByteArray> sent;
    bool disrupted = false;
    for (const QString &ask : asks) {
        if (ask != QLatin1String("|")) {
            const QByteArray command = ask.mid(2).toLatin1();
            const bool elsewhere = disruption == OtherServer && !disrupted;
            link->SendToServer(elsewhere ? QByteArray("Other_Server") : ServerName, command,
                               QByteArray(), ask[0] == '1' ? first.get() : second.get());
            sent << command;
            continue;
        }
        disrupted = true;
        if (disruption == Forget) {
            link->forgetPlugin(first.get());
            continue;
        }
        sent.clear(); // left on another connection, or never
        if (disruption == BeforeConnect)
            connectLink();
        if (disruption != Drop && disruption != Oversized)
            continue;
        QTRY_VERIFY(!server->received.isEmpty());
        QByteArray tooLong(68, 'x');
        qToBigEndian<quint32>(Frame::MaxSize + 1, tooLong.data());
        disruption == Drop ? server->client->abort() : server->send(tooLong);
        QTRY_COMPARE_WITH_TIMEOUT(first->announced.size(), 2, 3000);
    }
    // A marker behind the replies: once it is through, those before it were handled.
    send("Get_tree_objects", second.get());
    sent << "Get_tree_objects";
    QTRY_COMPARE(server->commands(), sent);
    replies << "Get_tree_objects marker";
    toSecond << replies.last();
    // All at once, written byte by byte at first.
    QByteArray bytes;
    for (const QString &reply : qAsConst(replies))
        bytes += Frame::encode(Frame::Reply{reply.section(' ', 0, 0).toLatin1(),
                                            reply.section(' ', 1).toLatin1()});
    for (int at = 0, n = 0; at < bytes.size(); at += n)
        server->send(bytes.mid(at, n = at < 100 ? 1 : bytes.size()));
    QTRY_COMPARE(lines(second->replies), toSecond);
    QCOMPARE(lines(first->replies), toFirst);
}

// Without a server at the port the waits double, up to their end; once it is
// back the link finds it and announces it. After a loss the wait starts from
// the first again only if the connection brought a reply.
void tst_HostServerLink::reconnection()
{
    QCOMPARE(ServerConnection::nextRetryMs(8000), ServerConnection::LastRetryMs);
    QCOMPARE(ServerConnection::nextRetryMs(10000), ServerConnection::LastRetryMs);
    const quint16 port = server->server.serverPort();
    server.reset();
    link->connectTo(QStringLiteral("127.0.0.1"), port);
    QList<int> waits;
    while (waits.size() < 3 && QTest::qWaitFor([&] { return link->currentWaitMs() > 0; }, 6000)) {
        if (waits.isEmpty() || waits.last() != link->currentWaitMs())
            waits << link->currentWaitMs();
        QTest::qWait(10);
    }
    QCOMPARE(waits, QList<int>({500, 1000, 2000}));
    QVERIFY(first->announced.isEmpty());
    server = std::make_unique<TinyServer>();
    QVERIFY(server->server.listen(QHostAddress::LocalHost, port));
    QSignalSpy lost(link.get(), &ServerConnection::disconnected);
    for (const bool replied : {true, false}) {
        QTRY_VERIFY_WITH_TIMEOUT(server->client && link->isConnected(), 10000);
        if (replied) {
            server->reply("Every_sections_state", QByteArray());
            QTRY_COMPARE(first->replies.size(), 1);
        }
        server->client->abort();
        server->client = nullptr;
        QTRY_COMPARE(lost.count(), replied ? 1 : 2);
        QCOMPARE(link->currentWaitMs(), (replied ? 1 : 2) * ServerConnection::FirstRetryMs);
    }
    QCOMPARE(first->announced, QVector<QByteArray>(2, ServerName).toList());
}

// A modal loop in a plug-in's handler while the next reply comes in.
void tst_HostServerLink::nestedLoopKeepsOrder()
{
    connectLink();
    QStringList events;
    first->onReply = [&]() {
        const QByteArray body = first->replies.last().second;
        events << QStringLiteral("begin ") + body;
        if (body == "one") {
            server->reply("Every_sections_state", "two");
            QEventLoop loop;
            QTimer::singleShot(150, &loop, &QEventLoop::quit);
            loop.exec();
        }
        events << QStringLiteral("end ") + body;
    };
    server->reply("Every_sections_state", "one");
    QTRY_COMPARE(events, QStringList({"begin one", "end one", "begin two", "end two"}));
}

QTEST_MAIN(tst_HostServerLink)
#include "tst_host_serverlink.moc"
