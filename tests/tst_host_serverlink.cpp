// The host's server link against a tiny server in the test: the bytes of a
// request, which plug-in gets which reply, the token, reconnection.
#include <ServerConnection.h>

#include <Frame.h>
#include <PluginInterface.h>

#include <QDataStream>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

const QByteArray ServerName("OperCheck_Server1");

using Reply = QPair<QByteArray, QByteArray>;

// The server end: takes one client at a time and keeps what it sent.
class TinyServer : public QObject
{
public:
    TinyServer()
    {
        connect(&server, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                client = socket;
                ++connections;
                received.clear();
                connect(socket, &QTcpSocket::readyRead, this,
                        [this, socket]() { received += socket->readAll(); });
            }
        });
    }

    bool listen(quint16 port = 0) { return server.listen(QHostAddress::LocalHost, port); }
    quint16 port() const { return server.serverPort(); }

    void send(const QByteArray &bytes)
    {
        client->write(bytes);
        client->flush();
    }

    void reply(const QByteArray &command, const QByteArray &body)
    {
        send(Frame::encode(Frame::Reply{command, body}));
    }

    void dropClient()
    {
        client->abort();
        client = nullptr;
    }

    // The requests received so far, in order; false when the bytes are not whole frames.
    bool requests(QList<Frame::Request> *out) const
    {
        out->clear();
        QByteArray buffer = received;
        QByteArray payload;
        while (Frame::Splitter::take(buffer, &payload) == Frame::Splitter::Complete) {
            Frame::Request request;
            if (!Frame::decode(payload, &request))
                return false;
            out->append(request);
        }
        return buffer.isEmpty();
    }

    QTcpServer server;
    QTcpSocket *client = nullptr;
    QByteArray received;
    int connections = 0;
};

class RecordingPlugin : public PluginInterface
{
public:
    explicit RecordingPlugin(const QString &name) : name(name) {}

    QString GetPluginName() override { return name; }
    QString GetName() override { return name; }
    void OnServerReply(QByteArray &command, QByteArray &body) override
    {
        replies.append({command, body});
        if (onReply)
            onReply();
    }

    QString name;
    QList<Reply> replies;
    std::function<void()> onReply;
};

QByteArray tokenBody(const QByteArray &token)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << token;
    return body;
}

enum class Chunks { Whole, ByteByByte, AllInOne, SplitInLength };

} // namespace

// Connected to the notifier by its string signature, as plug-ins are.
class ConnectReceiver : public QObject
{
    Q_OBJECT

public:
    QList<QByteArray> names;
    std::function<void()> then;

public slots:
    void onConnect(QByteArray &server)
    {
        names.append(server);
        if (then)
            then();
    }
};

Q_DECLARE_METATYPE(Chunks)

class tst_HostServerLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void requestBytes_data();
    void requestBytes();
    void requestsThatCannotLeave_data();
    void requestsThatCannotLeave();
    void replyDelivery_data();
    void replyDelivery();
    void unaskedReplies_data();
    void unaskedReplies();
    void hostRequest();
    void tokenComesFirst_data();
    void tokenComesFirst();
    void reconnectsAndAnnouncesAgain();
    void serverThatDropsEveryoneIsBackedOff();
    void lostRequestsAreForgotten();
    void oversizedFrameReconnects();
    void forgottenPluginGetsNothing();
    void nestedLoopKeepsOrder();
    void nextRetry_data();
    void nextRetry();
    void waitsGrowWhileServerIsAway();

private:
    // Connects the link to the tiny server and waits until both ends are up.
    void connectLink(const QByteArray &token = QByteArray());

    std::unique_ptr<TinyServer> server;
    std::unique_ptr<ServerConnection> link;
    std::unique_ptr<ConnectReceiver> receiver;
    std::unique_ptr<RecordingPlugin> first;
    std::unique_ptr<RecordingPlugin> second;
};

void tst_HostServerLink::init()
{
    server = std::make_unique<TinyServer>();
    QVERIFY(server->listen());
    link = std::make_unique<ServerConnection>(ServerName);
    receiver = std::make_unique<ConnectReceiver>();
    QVERIFY(QObject::connect(link->notifier(), SIGNAL(OnConnectToServerSignal(QByteArray &)),
                             receiver.get(), SLOT(onConnect(QByteArray &))));
    first = std::make_unique<RecordingPlugin>(QStringLiteral("first"));
    second = std::make_unique<RecordingPlugin>(QStringLiteral("second"));
    link->setPlugins({first.get(), second.get()});
}

void tst_HostServerLink::cleanup()
{
    link.reset();
    receiver.reset();
    server.reset();
    first.reset();
    second.reset();
}

void tst_HostServerLink::connectLink(const QByteArray &token)
{
    link->connectTo(QStringLiteral("127.0.0.1"), server->port(), token);
    QTRY_VERIFY(link->isConnected());
    QTRY_VERIFY(server->client);
    QCOMPARE(receiver->names, QList<QByteArray>{ServerName});
}

void tst_HostServerLink::requestBytes_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("empty body") << QByteArray("Get_tree_rulecheck") << QByteArray();
    QTest::newRow("body with zero bytes") << QByteArray("Fix_routes")
                                          << QByteArray("\x00\x01\x00\xff", 4);
    QTest::newRow("body of 300 KB") << QByteArray("Fix_routes") << QByteArray(300 * 1024, 'r');
    QTest::newRow("empty command") << QByteArray() << QByteArray("x");
}

void tst_HostServerLink::requestBytes()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, body);

    connectLink();
    link->SendToServer(ServerName, command, body, first.get());
    const QByteArray expected = Frame::encode(Frame::Request{ServerName, command, body});
    QTRY_COMPARE(server->received.size(), expected.size());
    QCOMPARE(server->received, expected);
    // Length first, big-endian, then the three byte arrays of a Qt_4_5 stream.
    QCOMPARE(qFromBigEndian<quint32>(server->received.constData()),
             quint32(expected.size() - 4));
    QCOMPARE(server->received.mid(4, 4), QByteArray("\x00\x00\x00\x11", 4));
    QCOMPARE(server->received.mid(8, 17), ServerName);
}

void tst_HostServerLink::requestsThatCannotLeave_data()
{
    QTest::addColumn<bool>("connectFirst");
    QTest::addColumn<QByteArray>("serverName");

    QTest::newRow("another server's name") << true << QByteArray("Other_Server");
    QTest::newRow("before any connection") << false << ServerName;
}

void tst_HostServerLink::requestsThatCannotLeave()
{
    QFETCH(bool, connectFirst);
    QFETCH(QByteArray, serverName);

    if (connectFirst)
        connectLink();
    link->SendToServer(serverName, "Get_tree_graphobj", QByteArray(), first.get());
    if (!connectFirst)
        connectLink();
    // Something that does leave, to know that the other would have arrived by now.
    link->SendToServer(ServerName, "Fix_routes", "after", second.get());
    QTRY_VERIFY(!server->received.isEmpty());
    QList<Frame::Request> requests;
    QTRY_VERIFY(server->requests(&requests) && requests.size() == 1);
    QCOMPARE(requests.first().command, QByteArray("Fix_routes"));

    // Nobody waits for the dropped request: a reply to it reaches nobody.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("reply Get_tree_graphobj .*dropped"));
    server->reply("Get_tree_graphobj", "late");
    server->reply("Fix_routes", "ack");
    QTRY_COMPARE(second->replies.size(), 1);
    QCOMPARE(second->replies.first(), Reply("Fix_routes", "ack"));
    QVERIFY(first->replies.isEmpty());
}

void tst_HostServerLink::replyDelivery_data()
{
    QTest::addColumn<Chunks>("chunks");

    QTest::newRow("frame by frame") << Chunks::Whole;
    QTest::newRow("byte by byte") << Chunks::ByteByByte;
    QTest::newRow("all frames in one write") << Chunks::AllInOne;
    QTest::newRow("cut inside a length prefix") << Chunks::SplitInLength;
}

void tst_HostServerLink::replyDelivery()
{
    QFETCH(Chunks, chunks);

    connectLink();
    link->SendToServer(ServerName, "Get_tree_rulecheck", QByteArray(), first.get());
    link->SendToServer(ServerName, "Get_tree_rulecheck", QByteArray(), second.get());
    link->SendToServer(ServerName, "Fix_routes", "save", first.get());
    QList<Frame::Request> requests;
    QTRY_VERIFY(server->requests(&requests) && requests.size() == 3);

    const QList<Reply> replies{{"Get_tree_rulecheck", QByteArray("A\0a", 3)},
                               {"Fix_routes", QByteArray()},
                               {"Get_tree_rulecheck", QByteArray(70000, 'B')}};
    QByteArray bytes;
    for (const Reply &reply : replies)
        bytes += Frame::encode(Frame::Reply{reply.first, reply.second});
    QSignalSpy delivered(link.get(), &ServerConnection::replyDelivered);
    switch (chunks) {
    case Chunks::Whole:
        for (const Reply &reply : replies)
            server->reply(reply.first, reply.second);
        break;
    case Chunks::ByteByByte:
        // A byte a write, in batches so that the event loop runs between them.
        for (int i = 0; i < bytes.size(); ++i) {
            server->send(bytes.mid(i, 1));
            if (i < 200 || i % 4096 == 0)
                QCoreApplication::processEvents();
        }
        break;
    case Chunks::AllInOne:
        server->send(bytes);
        break;
    case Chunks::SplitInLength:
        server->send(bytes.left(2));
        QTest::qWait(20);
        server->send(bytes.mid(2));
        break;
    }

    // Per command, the oldest asker gets the reply; the bytes arrive unchanged.
    QTRY_COMPARE(delivered.count(), 3);
    QCOMPARE(first->replies, QList<Reply>({replies[0], replies[1]}));
    QCOMPARE(second->replies, QList<Reply>({replies[2]}));
}

void tst_HostServerLink::unaskedReplies_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<bool>("askedByFirst");
    QTest::addColumn<bool>("toBoth");

    QTest::newRow("section states: everybody") << QByteArray("Every_sections_state") << false
                                               << true;
    QTest::newRow("check mode of another client: everybody")
        << QByteArray("Set_check_mode") << false << true;
    QTest::newRow("check mode asked by one: still everybody")
        << QByteArray("Set_check_mode") << true << true;
    QTest::newRow("a tree nobody asked for: nobody") << QByteArray("Get_tree_graphobj") << false
                                                     << false;
    QTest::newRow("unknown command: nobody") << QByteArray("Shutdown") << false << false;
}

void tst_HostServerLink::unaskedReplies()
{
    QFETCH(QByteArray, command);
    QFETCH(bool, askedByFirst);
    QFETCH(bool, toBoth);

    connectLink();
    if (askedByFirst)
        link->SendToServer(ServerName, command, "ask", first.get());
    if (!toBoth)
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("reply " + command + " .*nobody asked for"));
    server->reply(command, "news");
    // A marker behind it: once it is through, the reply before it was handled.
    link->SendToServer(ServerName, "Fix_routes", QByteArray(), second.get());
    QTRY_VERIFY(!server->received.isEmpty());
    server->reply("Fix_routes", "marker");
    QTRY_VERIFY(!second->replies.isEmpty());

    const QList<Reply> news{{command, "news"}};
    QCOMPARE(first->replies, toBoth ? news : QList<Reply>());
    QCOMPARE(second->replies.first(), toBoth ? news.first() : Reply("Fix_routes", "marker"));
}

void tst_HostServerLink::hostRequest()
{
    connectLink();
    QSignalSpy hostReplies(link.get(), &ServerConnection::hostReply);
    link->sendHostRequest("Get_tree_objects");
    QList<Frame::Request> requests;
    QTRY_VERIFY(server->requests(&requests) && requests.size() == 1);
    QCOMPARE(requests.first().server, ServerName);
    QCOMPARE(requests.first().command, QByteArray("Get_tree_objects"));
    QVERIFY(requests.first().body.isEmpty());

    server->reply("Get_tree_objects", "units");
    QTRY_COMPARE(hostReplies.count(), 1);
    QCOMPARE(hostReplies.first().at(0).toByteArray(), QByteArray("Get_tree_objects"));
    QCOMPARE(hostReplies.first().at(1).toByteArray(), QByteArray("units"));
    QVERIFY(first->replies.isEmpty());
    QVERIFY(second->replies.isEmpty());
}

void tst_HostServerLink::tokenComesFirst_data()
{
    QTest::addColumn<QByteArray>("token");

    QTest::newRow("with a token") << QByteArray("s3cret");
    QTest::newRow("without a token") << QByteArray();
}

void tst_HostServerLink::tokenComesFirst()
{
    QFETCH(QByteArray, token);

    // The plug-in asks for its trees from within the announcement, as it does for real.
    receiver->then = [this]() {
        link->SendToServer(ServerName, "Get_tree_rulecheck", QByteArray(), first.get());
    };
    connectLink(token);

    QList<Frame::Request> requests;
    const int expected = token.isEmpty() ? 1 : 2;
    QTRY_VERIFY(server->requests(&requests) && requests.size() == expected);
    if (!token.isEmpty()) {
        QCOMPARE(requests.first().command, QByteArray("Auth_token"));
        QCOMPARE(requests.first().body, tokenBody(token));
        QCOMPARE(requests.first().server, ServerName);
    }
    QCOMPARE(requests.last().command, QByteArray("Get_tree_rulecheck"));
}

void tst_HostServerLink::reconnectsAndAnnouncesAgain()
{
    connectLink();
    QSignalSpy lost(link.get(), &ServerConnection::disconnected);
    QSignalSpy made(link.get(), &ServerConnection::connected);
    QElapsedTimer clock;
    clock.start();
    server->dropClient();
    QTRY_COMPARE(lost.count(), 1);
    QCOMPARE(link->state(), ServerConnection::State::Waiting);
    QCOMPARE(link->currentWaitMs(), ServerConnection::FirstRetryMs);

    QTRY_COMPARE_WITH_TIMEOUT(made.count(), 1, 3000);
    QVERIFY2(clock.elapsed() >= ServerConnection::FirstRetryMs - 50,
             qPrintable(QString::number(clock.elapsed())));
    QTRY_COMPARE(server->connections, 2);
    QCOMPARE(receiver->names, QList<QByteArray>({ServerName, ServerName}));
    QVERIFY(link->isConnected());
    QCOMPARE(link->currentWaitMs(), 0);

    // Without a reply on the new connection, the next wait is longer.
    server->dropClient();
    QTRY_COMPARE(lost.count(), 2);
    QCOMPARE(link->currentWaitMs(), 2 * ServerConnection::FirstRetryMs);

    // A connection that brought a reply starts the waits from the first again.
    QTRY_COMPARE_WITH_TIMEOUT(made.count(), 2, 4000);
    QTRY_VERIFY(server->client);
    server->reply("Every_sections_state", QByteArray());
    QTRY_COMPARE(first->replies.size(), 1);
    server->dropClient();
    QTRY_COMPARE(lost.count(), 3);
    QCOMPARE(link->currentWaitMs(), ServerConnection::FirstRetryMs);
}

void tst_HostServerLink::serverThatDropsEveryoneIsBackedOff()
{
    // A server that takes the connection and closes it at once, as for a wrong token.
    connect(&server->server, &QTcpServer::newConnection, server.get(),
            [this]() { QTimer::singleShot(0, server.get(), [this]() { server->dropClient(); }); });
    QSignalSpy made(link.get(), &ServerConnection::connected);
    link->connectTo(QStringLiteral("127.0.0.1"), server->port());
    QList<int> waits;
    QElapsedTimer clock;
    clock.start();
    while (waits.size() < 3 && clock.elapsed() < 6000) {
        const int wait = link->currentWaitMs();
        if (wait > 0 && (waits.isEmpty() || waits.last() != wait))
            waits << wait;
        QTest::qWait(10);
    }
    QCOMPARE(waits, QList<int>({500, 1000, 2000}));
    QVERIFY(made.count() >= 3);
}

void tst_HostServerLink::lostRequestsAreForgotten()
{
    connectLink();
    link->SendToServer(ServerName, "Fix_routes", "save", first.get());
    QTRY_VERIFY(!server->received.isEmpty());
    server->dropClient();
    QTRY_COMPARE_WITH_TIMEOUT(receiver->names.size(), 2, 3000);
    QTRY_VERIFY(server->client);

    // The reply to the request of the lost connection would pair with a new one.
    link->SendToServer(ServerName, "Get_tree_rulecheck", QByteArray(), second.get());
    QTRY_VERIFY(!server->received.isEmpty());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("reply Fix_routes .*dropped"));
    server->reply("Fix_routes", "stale");
    server->reply("Get_tree_rulecheck", "tree");
    QTRY_COMPARE(second->replies.size(), 1);
    QCOMPARE(second->replies.first(), Reply("Get_tree_rulecheck", "tree"));
    QVERIFY(first->replies.isEmpty());
}

void tst_HostServerLink::oversizedFrameReconnects()
{
    connectLink();
    link->SendToServer(ServerName, "Get_tree_graphobj", QByteArray(), first.get());
    QByteArray length(4, '\0');
    qToBigEndian<quint32>(Frame::MaxSize + 1, length.data());
    QSignalSpy lost(link.get(), &ServerConnection::disconnected);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("over the size limit"));
    server->send(length + QByteArray(64, 'x'));
    QTRY_COMPARE(lost.count(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(receiver->names.size(), 2, 3000);
    QVERIFY(first->replies.isEmpty());
}

void tst_HostServerLink::forgottenPluginGetsNothing()
{
    connectLink();
    link->SendToServer(ServerName, "Get_tree_rulecheck", QByteArray(), first.get());
    link->SendToServer(ServerName, "Get_tree_rulecheck", QByteArray(), second.get());
    QList<Frame::Request> requests;
    QTRY_VERIFY(server->requests(&requests) && requests.size() == 2);
    link->forgetPlugin(first.get());

    server->reply("Get_tree_rulecheck", "for first");
    server->reply("Get_tree_rulecheck", "for second");
    server->reply("Every_sections_state", "news");
    QTRY_COMPARE(second->replies.size(), 2);
    QCOMPARE(second->replies, QList<Reply>({{"Get_tree_rulecheck", "for second"},
                                            {"Every_sections_state", "news"}}));
    QVERIFY(first->replies.isEmpty());
}

void tst_HostServerLink::nestedLoopKeepsOrder()
{
    connectLink();
    QStringList events;
    first->onReply = [&]() {
        const QByteArray body = first->replies.last().second;
        events << QStringLiteral("begin ") + QString::fromLatin1(body);
        if (body == "one") {
            // A modal loop in the handler while the next reply comes in.
            server->reply("Every_sections_state", "two");
            QEventLoop loop;
            QTimer::singleShot(150, &loop, &QEventLoop::quit);
            loop.exec();
        }
        events << QStringLiteral("end ") + QString::fromLatin1(body);
    };
    server->reply("Every_sections_state", "one");
    QTRY_COMPARE(events.size(), 4);
    QCOMPARE(events, QStringList({"begin one", "end one", "begin two", "end two"}));
}

void tst_HostServerLink::nextRetry_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("next");

    QTest::newRow("first wait doubles") << 500 << 1000;
    QTest::newRow("doubling") << 2000 << 4000;
    QTest::newRow("doubling reaches the cap") << 5000 << 10000;
    QTest::newRow("capped above half") << 8000 << 10000;
    QTest::newRow("stays at the cap") << 10000 << 10000;
    QTest::newRow("nothing yet: the first wait") << 0 << 500;
}

void tst_HostServerLink::nextRetry()
{
    QFETCH(int, current);
    QFETCH(int, next);
    QCOMPARE(ServerConnection::nextRetryMs(current), next);
}

void tst_HostServerLink::waitsGrowWhileServerIsAway()
{
    const quint16 port = server->port();
    server.reset();
    link->connectTo(QStringLiteral("127.0.0.1"), port);
    QList<int> waits;
    QElapsedTimer clock;
    clock.start();
    while (waits.size() < 3 && clock.elapsed() < 6000) {
        const int wait = link->currentWaitMs();
        if (wait > 0 && (waits.isEmpty() || waits.last() != wait))
            waits << wait;
        QTest::qWait(10);
    }
    QCOMPARE(waits, QList<int>({500, 1000, 2000}));
    QVERIFY(receiver->names.isEmpty());

    // Back at the same port: the link finds it and announces it.
    server = std::make_unique<TinyServer>();
    QVERIFY(server->listen(port));
    QTRY_COMPARE_WITH_TIMEOUT(receiver->names.size(), 1, 5000);
}

QTEST_MAIN(tst_HostServerLink)
#include "tst_host_serverlink.moc"
