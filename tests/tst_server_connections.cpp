// The server facing its clients: its options and limits, the token, and bytes
// of any kind, cut anywhere, with a garbage body for every command.
#include "testsupport/ServerHarness.h"

#include "LiveChecker.h"
#include "LogLimiter.h"
#include "PeerLink.h"
#include "TrackedObjectStore.h"

#include "records/RouteRecord.h"
#include "wire/Commands.h"
#include "wire/Frame.h"
#include "wire/LiveMessages.h"
#include "wire/RequestFailure.h"
#include "wire/RouteMessages.h"

#include <QCryptographicHash>
#include <QtEndian>
#include <QtTest>

namespace {

using Bytes = QList<QByteArray>;
using Reports = QList<LiveMessages::PositionReport>;
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
    void initTestCase()
    {
        ServerOptions options;
        options.logLinesPerMinute = 1000; // every row's complaint is written
        QCOMPARE(demo.start(options, "demo"), QString());
    }
    void init() { h = std::make_unique<ServerHarness>(); }
    void cleanup() { h.reset(); }
    void parse_data();
    void parse();
    void door_data();
    void door();
    void bytes_data();
    void bytes();
    void stats();
    void floodBesideSlowReader();
    void slowDrip();
    void makesRoom();
    void logLimiter();
    void peerLink_data();
    void peerLink();

private:
    std::unique_ptr<ServerHarness> h;
    ServerHarness demo; // for every row of bytes: none may change it
};

void TestServerConnections::parse_data()
{
    QTest::addColumn<QString>("arguments");
    // "address port token speed reports metres zone", or "error:" / "help:" and words
    QTest::addColumn<QString>("outcome");

    QTest::newRow("defaults") << "" << "127.0.0.1 47800  1 2 15 ";
    QTest::newRow("any address with a token") << "--listen 0.0.0.0:0 --token t"
                                              << "0.0.0.0 0 t 1 2 15 ";
    QTest::newRow("pace and confirmation") << "--speed 60 --confirm-reports 1 --confirm-metres 4"
                                           << "127.0.0.1 47800  60 1 4 ";
    QTest::newRow("time zone") << "--tz America/Havana" << "127.0.0.1 47800  1 2 15 America/Havana";
    QTest::newRow("unknown time zone") << "--tz Mars/Olympus" << "error:Mars/Olympus";
    QTest::newRow("confirmation by no report") << "--confirm-reports 0"
                                               << "error:--confirm-reports";
    QTest::newRow("any address, no token") << "--listen 0.0.0.0:1" << "error:requires --token";
    QTest::newRow("seeding a read-only database") << "--read-only --seed demo"
                                                  << "error:cannot go with --read-only";
    QTest::newRow("a size cap of nothing") << "--max-db-mb 0" << "error:--max-db-mb";
    for (const char *db : {"", "--db b.sqlite", "--db postgresql://u@h/d --seed demo",
                           "--db postgresql://u@h/d --read-only"}) // exit 2
        QTest::newRow(db) << QStringLiteral("--import-sqlite a %1").arg(db) << "error:--import";
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
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(options.address.toString())
                     .arg(options.port).arg(QString::fromUtf8(options.token)).arg(options.speed)
                     .arg(options.confirmReports).arg(options.confirmMetres)
                     .arg(QString::fromUtf8(options.timeZone)),
                 outcome);
        QCOMPARE(options.databasePath, ServerOptions::defaultDatabasePath());
    } else {
        QVERIFY2(message.contains(outcome.section(':', 1)), qPrintable(message));
        QCOMPARE(options.port, quint16(1234));
    }
}

void TestServerConnections::door_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QByteArray>("bytes"); // a newcomer's
    QTest::addColumn<QString>("closing");  // why it is closed; empty: it is served

    const QByteArray right = "correct horse";
    auto token = [](const QByteArray &t) { return request("Auth_token", tokenBody(t)); };
    const QByteArray check = request("Set_check_mode", RouteMessages::checkModeRequest(0, {}));
    QTest::newRow("right token") << "token" << token(right) + check << "";
    QTest::newRow("a byte changed") << "token" << token("correct horsE") + check << "wrong token";
    QTest::newRow("a prefix") << "token" << token("correct") + check << "wrong token";
    QTest::newRow("a request first") << "token" << check + token(right) << "not the token";
    QTest::newRow("right, then wrong") << "token" << token(right) + token("x") + check
                                       << "wrong token";
    QTest::newRow("none required, one given") << "" << token("a") + check << "";
    QTest::newRow("no token in time") << "token" << QByteArray() << "no token in time";
    QTest::newRow("5 KiB before the token") << "token" << token(QByteArray(5000, 'x')) + check
                                             << "before the token, more than 4096";
    QTest::newRow("one client too many") << "clients" << check << "refusing .* already 2 clients";
    QTest::newRow("replies left unread") << "" << request("Get_tree_graphobj").repeated(3000)
                                         << "does not read its replies";
    QTest::newRow("open without a token: not started") << "open" << QByteArray() << "";
    QTest::newRow("unknown seed: not started") << "seed" << QByteArray() << "";
}

// Off loopback the token keeps strangers out: a check mode change reaches
// those who gave it, not a socket still at the door. Whoever is over a limit
// goes; the others stay served. The server does not start on what its parser
// refuses.
void TestServerConnections::door()
{
    QFETCH(QString, setup);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, closing);

    ServerOptions options;
    options.token = setup == "token" ? "correct horse" : "";
    options.address = QHostAddress(setup == "token" || setup == "open" ? QHostAddress::AnyIPv4
                                                                       : QHostAddress::LocalHost);
    options.authTimeoutMs = closing.startsWith("no token") ? 1000 : 60000;
    options.maxClients = setup == "clients" ? 2 : 50;
    options.maxPendingOutput = 64 * 1024;
    const bool starts = setup != "open" && setup != "seed";
    QCOMPARE(h->start(options, setup == "seed" ? "everything" : closing.contains("read") ? "demo"
                                                                                        : "")
                 .isEmpty(),
             starts);
    QCOMPARE(h->server->isListening(), starts);
    if (!starts)
        return;
    FrameClient *other = h->connect();
    QVERIFY(other);
    other->sendToken(options.token);
    QVERIFY(h->answers(other));
    QTcpSocket door, newcomer;
    QVERIFY(h->connectRaw(&door));
    if (!closing.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(closing));
    // Takes almost nothing off the wire, and may not see its end: the server's
    // count tells.
    newcomer.setReadBufferSize(1);
    QVERIFY(h->connectRaw(&newcomer));
    QTRY_COMPARE(h->server->clientCount(), setup == "clients" ? 2 : 3);
    newcomer.write(bytes);
    const int left = 2 + int(closing.isEmpty()) - int(closing == "no token in time");
    // A newcomer served by mistake has a reply by then.
    QTRY_VERIFY(h->server->clientCount() == left
                || (newcomer.bytesAvailable() > 0 && !closing.contains("read")));
    QCOMPARE(h->server->clientCount(), left);
    if (closing.isEmpty())
        QTRY_VERIFY(newcomer.bytesAvailable() > 0);
    // The demo's states reach every client as it comes, the change only those in.
    const bool told = (closing.isEmpty() && options.token.isEmpty()) || closing.contains("read");
    if (told)
        QTRY_VERIFY(door.bytesAvailable() > 0);
    QCOMPARE(door.bytesAvailable() > 0, told);
    QVERIFY(h->answers(other));
}

void TestServerConnections::bytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("chunk");      // written this many bytes at a time
    QTest::addColumn<QString>("logged"); // without replies: why the client is closed
    QTest::addColumn<Bytes>("replies");
    QTest::addColumn<int>("code"); // of the "Request_failed" among them

    const QByteArray trees = request("Get_tree_objects") + request("Get_tree_graphobj");
    QTest::newRow("two requests byte by byte")
        << trees << 1 << "" << Bytes{"Get_tree_objects", "Get_tree_graphobj"} << 0;
    QTest::newRow("4 GiB length prefix") << prefix(~0u) << AtOnce << "more than" << Bytes() << 0;
    QTest::newRow("empty frame") << prefix(0) << AtOnce << "does not parse" << Bytes() << 0;
    // A truncated frame is held until the client goes.
    QTest::newRow("a large frame announced, a little sent")
        << prefix(50u << 20) + Noise << AtOnce << "" << Bytes() << 0;

    // A command with a body it cannot read, then a tree request. Trees ignore their
    // body and answer; the rest log it and go on. A whole save entry for a route
    // node of the demo, then one cut short: not even the first may be applied.
    QByteArray entries;
    QDataStream out(&entries, QIODevice::WriteOnly);
    RouteMessages::writeSaveEntry(ServerHarness::opened(out), 3, RouteRecord(3));
    entries += entries.left(9);
    const QByteArray tree = request("Get_tree_objects");
    const Bytes treeOnly{"Get_tree_objects"}, both{"Get_tree_rulecheck", "Get_tree_objects"};
    const Bytes failed{"Request_failed", "Get_tree_objects"};
    // code: what "Request_failed" says; 0, no such reply.
    struct Garbage { const char *command; QByteArray body; const char *logged; int code; };
    for (const Garbage &g : {
             Garbage{"Get_tree_rulecheck", Noise, "", 0}, {"Auth_token", Noise, "", 0},
             {"Fix_routes", Noise, "Fix_routes failed", 5},
             {"Fix_routes", entries, "Fix_routes failed", 5},
             {"Fix_routes", QByteArray::fromHex("ffffffff000000010000000300"), "Fix_routes", 5},
             {"Set_check_mode", Noise, "Set_check_mode failed", 5},
             {"Set_check_mode", RouteMessages::checkModeRequest(1, {3}) + '\0', "Set_check", 5},
             {"Push_positions", Noise, "Push_positions: malformed", 0},
             {"Get_check_events", Noise, "Get_check_events failed", 5},
             {"Get_server_stats", Noise, "Get_server_stats failed", 5},
             {"No_such", Noise, "No_such failed", 6}})
        QTest::addRow("%s, %d bytes", g.command, int(g.body.size()))
            << request(g.command, g.body) + tree << AtOnce << QString(g.logged)
            << (g.code ? failed : QByteArray(g.command).startsWith("Get_tree") ? both : treeOnly)
            << g.code;
    QTest::newRow("another server's request")
        << request("Get_tree_rulecheck", {}, "OperCheck_Server2") + tree << AtOnce
        << "for server \"OperCheck_Server2\" ignored" << treeOnly << 0;
}

// A bystander is served throughout, and the demo's routes stay as they were.
void TestServerConnections::bytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, chunk);
    QFETCH(QString, logged);
    QFETCH(Bytes, replies);
    QFETCH(int, code);

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
    QTRY_VERIFY_WITH_TIMEOUT(spy.size() >= replies.size() || !closed.isEmpty(),
                             ServerHarness::Timeout);
    QVERIFY(demo.answers(bystander)); // the server has taken the bytes by now
    Bytes commands;
    for (const QList<QVariant> &reply : qAsConst(spy)) {
        commands << reply.at(0).toByteArray();
        if (commands.last() == Commands::RequestFailed) {
            const auto failure = RequestFailure::read(reply.at(1).toByteArray());
            QVERIFY(failure && bytes.contains(failure->command));
            QCOMPARE(int(failure->code), code);
        }
    }
    QCOMPARE(commands, replies);
    QTRY_COMPARE(closed.size(), int(replies.isEmpty() && !logged.isEmpty()));
    client->disconnectFromServer(); // mid-frame, maybe
    QTRY_COMPARE(demo.server->clientCount(), clients - 1);
    QVERIFY(demo.answers(bystander));
    QCOMPARE(demo.fetch("Get_tree_rulecheck"), before);
}

// Pushed reports a unit of no route sent and one off the globe, counted by
// why, and a request that failed; the figures come in the stable order.
void TestServerConnections::stats()
{
    QCOMPARE(h->start(), QString());
    FrameClient *client = h->connect();
    QVERIFY(client);
    const quint32 now = quint32(QDateTime::currentSecsSinceEpoch());
    client->send("Push_positions", LiveMessages::positionsBody({{5, now, QPoint(0, 0)},
                                                                {5, now, QPoint(0, 910000000)}}));
    QCOMPARE(h->exchange(client, "Get_check_events").first, QByteArray("Request_failed"));
    const auto stats = LiveMessages::readStats(h->fetch("Get_server_stats"));
    QVERIFY(stats);
    QStringList figures;
    for (const LiveMessages::ServerStat &stat : *stats)
        figures << QStringLiteral("%1=%2").arg(stat.name).arg(stat.value);
    QCOMPARE(figures.join(' '), QString("reports_accepted=0 dropped_unknown_unit=1 "
                                        "dropped_not_finite=0 dropped_latitude=1 "
                                        "dropped_longitude=0 dropped_before_2000=0 "
                                        "dropped_ahead=0 routes_checked=0 clients=2 "
                                        "requests_failed=1 clients_closed=0 "
                                        "clients_refused=0 news_thinned=0"));
}

// One client pushes positions without a pause, another does not read while
// it does, a third keeps asking. Nobody is closed, every question is
// answered, and the slow reader, once it reads, has the newest position of
// every unit: what it missed was thinned, not queued.
void TestServerConnections::floodBesideSlowReader()
{
    constexpr int Units = 50, Frames = 500, ReportsPerFrame = 1000;
    ServerOptions options;
    options.maxPendingOutput = 4 << 20; // a queue of positions would pass it many times
    QCOMPARE(h->start(options), QString());
    TrackedObjectStore units(h->server->database());
    QList<qint32> ids;
    for (int i = 0; i < Units; ++i)
        ids << units.add(0, QStringLiteral("Unit %1").arg(i), TrackedObjectStore::Kind::Unit, i);
    QVERIFY(!ids.contains(0) && h->server->liveChecker()->reload());

    QTcpSocket slow;
    QVERIFY(h->connectRaw(&slow));
    // Takes nothing off the wire until told; the system's buffers (some
    // megabytes) fill long before the flood ends.
    slow.setReadBufferSize(4096);
    FrameClient *pusher = h->connect(), *prober = h->connect();
    QVERIFY(pusher && prober);
    QTRY_COMPARE(h->server->clientCount(), 3);
    int asked = 0, answered = 0;
    bool pushing = true;
    connect(prober, &FrameClient::replyReceived, this, [&](const QByteArray &command) {
        answered += command == "Get_tree_objects";
        if (pushing)
            ++asked, prober->send("Get_tree_objects");
    });
    ++asked, prober->send("Get_tree_objects");

    const quint32 start = quint32(QDateTime::currentSecsSinceEpoch()) - 200;
    QMap<qint32, QPoint> newest;
    for (int frame = 0; frame < Frames; ++frame) {
        Reports reports;
        for (int r = 0; r < ReportsPerFrame; ++r) {
            const QPoint at(376000000 + frame * 10 + r / Units, 557500000 + r);
            reports.append({ids.at(r % Units), start + quint32(frame / 10), at});
            newest[ids.at(r % Units)] = at;
        }
        pusher->send("Push_positions", LiveMessages::positionsBody(reports));
        // Only as fast as its own socket takes them.
        QVERIFY(QTest::qWaitFor([&] { return pusher->socket()->bytesToWrite() < (1 << 20); },
                                ServerHarness::Timeout));
    }
    pushing = false;
    QTRY_VERIFY_WITH_TIMEOUT(answered == asked, ServerHarness::Timeout);
    // Every push checked while the reader still reads nothing, so each unit's
    // last position waits among the thinned ones.
    const auto accepted = [this] {
        for (const LiveMessages::ServerStat &stat : h->server->liveChecker()->stats())
            if (stat.name == QLatin1String("reports_accepted"))
                return stat.value;
        return qint64(-1);
    };
    QTRY_COMPARE_WITH_TIMEOUT(accepted(), qint64(Frames) * ReportsPerFrame,
                              ServerHarness::Timeout);
    QVERIFY2(h->server->logThinning().contains("newest of"), "nothing was thinned");

    QByteArray received;
    QMap<qint32, QPoint> seen;
    slow.setReadBufferSize(0); // reads from now on
    const auto drain = [&] {
        received += slow.readAll();
        QByteArray payload;
        while (Frame::Splitter::take(received, &payload) == Frame::Splitter::Complete) {
            const auto reply = Frame::decodeReply(payload);
            if (reply && reply->command == "Unit_positions")
                for (const auto &r : LiveMessages::readPositions(reply->body).value_or(Reports()))
                    seen[r.unitId] = r.position;
        }
        return seen == newest;
    };
    QTRY_VERIFY_WITH_TIMEOUT(drain(), 5000); // a few megabytes on loopback
    QCOMPARE(slow.state(), QAbstractSocket::ConnectedState);
    QCOMPARE(h->server->clientCount(), 3);
}

// More clients than places, each sending a frame a byte at a time and never
// finishing it: each is closed when its frame is overdue, and a client that
// speaks whole frames finds a place and is served.
void TestServerConnections::slowDrip()
{
    constexpr int Drippers = 320;
    ServerOptions options;
    options.frameTimeoutMs = 1000;
    QCOMPARE(h->start(options), QString());
    std::vector<std::unique_ptr<QTcpSocket>> drippers;
    // A few at a time: more than the listen queue holds at once would wait
    // for the system's retries.
    for (int i = 0; i < Drippers; ++i) {
        drippers.push_back(std::make_unique<QTcpSocket>());
        drippers.back()->connectToHost(QHostAddress(QHostAddress::LocalHost),
                                       h->server->serverPort());
        if (i % 32 == 31)
            QTRY_VERIFY(drippers.back()->state() != QAbstractSocket::ConnectingState);
    }
    const QByteArray frame = prefix(1000) + QByteArray(1000, 'x');
    int sent = 0;
    QTimer drip;
    connect(&drip, &QTimer::timeout, this, [&] {
        for (const auto &socket : drippers) {
            if (socket->state() == QAbstractSocket::ConnectedState)
                socket->write(frame.mid(sent % frame.size(), 1));
        }
        ++sent;
    });
    // Every place taken (the rest refused), then the dripping starts.
    QTRY_COMPARE_WITH_TIMEOUT(h->server->clientCount(), options.maxClients,
                              ServerHarness::Timeout);
    drip.start(100);
    // The overdue ones make room.
    QTRY_VERIFY_WITH_TIMEOUT(h->server->clientCount() < options.maxClients,
                             ServerHarness::Timeout);
    QVERIFY(h->answers(h->connect()));
}

// A full table makes room by closing the client longest without a whole
// frame, once that is long enough; the others stay.
void TestServerConnections::makesRoom()
{
    ServerOptions options;
    options.maxClients = 2;
    options.evictAfterMs = 300;
    QCOMPARE(h->start(options), QString());
    QTcpSocket quiet;
    QVERIFY(h->connectRaw(&quiet));
    FrameClient *busy = h->connect();
    QTRY_COMPARE(h->server->clientCount(), 2);
    QTest::qWait(options.evictAfterMs + 100);
    QVERIFY(h->answers(busy));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("making room: no complete frame"));
    QVERIFY(h->answers(h->connect()));
    QTRY_COMPARE(quiet.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(h->answers(busy));
}

// Each kind of complaint has its own few lines a minute.
void TestServerConnections::logLimiter()
{
    LogLimiter limiter(2);
    QString admitted;
    for (const char *kind : {"bad frame", "bad frame", "failed", "bad frame", "failed"})
        admitted += QChar(limiter.admit(kind) ? '+' : '-');
    QCOMPARE(admitted, QString("+++-+"));
}

void TestServerConnections::peerLink_data()
{
    QTest::addColumn<QList<QByteArray>>("writes"); // each written at once
    QTest::addColumn<QString>("received");         // commands handed on; "closed" at the end

    const auto frame = [](const char *command, const QByteArray &body) {
        return Frame::encode(Frame::Request{"peer", command, body});
    };
    const QByteArray hello = frame(PeerLink::Hello, "t0k");
    const QByteArray states = frame(PeerLink::States, QByteArray(64 * 1024, 'x'));
    const QByteArray events = frame(PeerLink::Events, "e");
    using Writes = QList<QByteArray>;
    QTest::newRow("greeting and a large frame at once") << Writes{hello + states} << "Peer_states";
    QTest::newRow("frames cut anywhere")
        << Writes{hello.left(3), hello.mid(3) + events.left(9), events.mid(9) + events}
        << "Peer_events Peer_events";
    QTest::newRow("no greeting") << Writes{events} << "closed";
    QTest::newRow("another token") << Writes{frame(PeerLink::Hello, "guess") + events} << "closed";
    QTest::newRow("a first frame announcing more than a greeting takes")
        << Writes{QByteArray::fromHex("00100000")} << "closed";
    QTest::newRow("a frame that does not read")
        << Writes{hello + QByteArray::fromHex("00000002ffff")} << "closed";
}

// What another server sends: handed on only after the servers' token, and a
// stranger's connection closed without a word reaching the checking.
void TestServerConnections::peerLink()
{
    QFETCH(QList<QByteArray>, writes);
    QFETCH(QString, received);

    PeerLink link("t0k");
    QString error;
    QVERIFY2(link.listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    QStringList heard;
    connect(&link, &PeerLink::received, this,
            [&heard](const QByteArray &command) { heard << command; });
    if (received.endsWith("closed"))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("a peer connection .* was closed"));
    QTcpSocket socket;
    const quint16 port = quint16(link.address().section(':', -1).toUInt());
    socket.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(socket.waitForConnected(ServerHarness::Timeout));
    for (const QByteArray &bytes : writes) {
        socket.write(bytes);
        QVERIFY(socket.waitForBytesWritten(ServerHarness::Timeout));
        QTest::qWait(20); // each write its own read on the other side
    }
    const QString expected = received;
    QTRY_COMPARE_WITH_TIMEOUT(
        (heard + QStringList(socket.state() == QAbstractSocket::UnconnectedState ? "closed" : ""))
            .join(' ')
            .trimmed(),
        expected, ServerHarness::Timeout);
}

QTEST_GUILESS_MAIN(TestServerConnections)
#include "tst_server_connections.moc"

