// The host's link to the server against a tiny server in the test: the bytes
// of a request, which plug-in gets which reply, the token, reconnection; and
// the host's own view of the server: the units tree in the objects model, the
// units' last fixes in the tracker, on the map and in the model, the check
// events list, all from news that reaches the host alone; what the window
// shows of a request the server could not carry out.
#include "testsupport/HostTinyServer.h"
#include "testsupport/TreeBuilders.h"
#include "wire/Commands.h"
#include "wire/LiveMessages.h"
#include "wire/RequestFailure.h"

#include <CheckEventsModel.h>
#include <DemoDistrict.h>
#include <HostServices.h>
#include <HostWindow.h>
#include <MapCanvas.h>
#include <ObjectsModel.h>
#include <ServerConnection.h>
#include <UnitPainter.h>
#include <UnitTracker.h>

#include <QDataStream>
#include <QMessageBox>
#include <QStatusBar>
#include <QtEndian>
#include <QtTest>

#include <functional>
#include <memory>

using LiveMessages::CheckEvent;
using LiveMessages::PositionReport;

namespace {

const QByteArray ServerName("OperCheck_Server1");

// What happens between the plug-ins' first requests and the rest.
enum Disruption { None, OtherServer, Forget, Oversized };

// 2024-05-14 12:04:31 UTC; the tests run with TZ=UTC.
constexpr quint32 Noon = 1715688271;

CheckEvent checkEvent(qint32 id, qint32 deviation = 0, const QString &unit = "Moto M-5",
                      qint32 kind = CheckEvent::TimeIn)
{
    // Ids past 1000 are events recorded late: their time is that of id - 1000.
    return {id, Noon + quint32(id % 1000) * 60, 5, "Riverside patrol", 8, "Weir - Old bridge", 17,
            unit, kind, deviation};
}

QList<CheckEvent> events(const QList<int> &ids)
{
    QList<CheckEvent> list;
    for (int id : ids)
        list << checkEvent(id);
    return list;
}

QList<int> idRange(int from, int downTo)
{
    QList<int> ids;
    for (int id = from; id >= downTo; --id)
        ids << id;
    return ids;
}

QList<int> listedIds(const CheckEventsModel &model)
{
    QList<int> ids;
    for (int row = 0; row < model.rowCount(); ++row)
        ids << model.eventAt(row).id;
    return ids;
}

QString dump(const UnitTracker &tracker)
{
    QStringList parts;
    for (const PositionReport &r : tracker.units())
        parts << QStringLiteral("%1:%2,%3@%4").arg(r.unitId).arg(r.position.x()).arg(
            r.position.y()).arg(r.time);
    return parts.join(QLatin1Char(' '));
}

using TreeBodies::node;
const auto tree = TreeBodies::objectTree;
TreeNode unit(qint32 id, const QString &name) { return node(id, name, 1); }
// Group 1 holding unit 12 "Car 12", then 11 "Moto M-5".
const QByteArray Patrol = tree({node(1, "Patrol", 0, {unit(12, "Car 12"), unit(11, "Moto M-5")})});

// "name" for a group, "name#id" for an item with a record, children in brackets;
// an editable item is marked, as the host's tree is read-only.
QString dump(const QStandardItem *parent)
{
    QStringList parts;
    for (int row = 0; row < parent->rowCount(); ++row) {
        const QStandardItem *item = parent->child(row);
        QString part = item->text() + (item->isEditable() ? QStringLiteral("(editable)") : "");
        if (const auto address = item->data(ObjectsModel::RecordRole).toLongLong())
            part += '#' + QString::number(reinterpret_cast<const TrackedObject *>(address)->id);
        if (item->rowCount() > 0)
            part += '[' + dump(item) + ']';
        parts << part;
    }
    return parts.join(QLatin1Char(','));
}

} // namespace

Q_DECLARE_METATYPE(CheckEvent)
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

class tst_HostLive : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        server = std::make_unique<TinyServer>();
        QVERIFY(server->server.listen(QHostAddress::LocalHost));
        link = std::make_unique<ServerConnection>(ServerName);
        first = std::make_unique<Recorder>(), second = std::make_unique<Recorder>();
        QVERIFY(QObject::connect(link->notifier(), SIGNAL(OnConnectToServerSignal(QByteArray &)),
                                 first.get(), SLOT(connectedTo(QByteArray &))));
        link->setPlugins({first.get(), second.get()});
    }
    void cleanup() { link.reset(), server.reset(), first.reset(), second.reset(); }

    void unanswered_data()
    {
        QTest::addColumn<QString>("when"); // what happens to the link
        QTest::addColumn<QString>("reason");
        QTest::newRow("sent while not connected") << "never" << "not connected";
        QTest::newRow("no answer in time") << "silent" << "did not answer";
        QTest::newRow("link lost first") << "lost" << "lost before the server answered";
        QTest::newRow("answered") << "answered" << "";
    }

    // A save that may not have happened is told once, whatever kept it; a
    // question (the tree) never is.
    void unanswered()
    {
        QFETCH(QString, when);
        QFETCH(QString, reason);
        QSignalSpy told(link.get(), &ServerConnection::requestUnanswered);
        link->setAnswerDeadlineMs(300);
        if (when != "never")
            connectLink();
        link->SendToServer(ServerName, "Get_tree_rulecheck", {}, first.get());
        link->SendToServer(ServerName, "Fix_routes", "body", first.get());
        QTRY_VERIFY(when == "never" || server->received.contains("Fix_routes"));
        if (when == "lost")
            server->client->abort();
        else if (when == "answered")
            server->reply("Fix_routes", {});
        QTest::qWait(1500); // past the deadline and the next look at it
        QCOMPARE(told.size(), reason.isEmpty() ? 0 : 1);
        if (!reason.isEmpty()) {
            QCOMPARE(told.at(0).at(0).toByteArray(), QByteArray("Fix_routes"));
            QVERIFY(told.at(0).at(1).toString().contains(reason));
        }
    }

    // The token goes first; a request asked from within the announcement, as
    // plug-ins ask for their trees, follows unchanged, zero bytes and all.
    void requestBytes()
    {
        const QByteArray body = QByteArray("\x00\x01\x00\xff", 4).repeated(75 * 1024);
        first->onConnect = [&]() {
            link->SendToServer(ServerName, "Fix_routes", body, first.get());
        };
        connectLink("s3cret");
        QByteArray token;
        QDataStream out(&token, QIODevice::WriteOnly);
        out << QByteArray("s3cret"); // a byte array reads the same in every stream version
        const QByteArray expected = Frame::encode(Frame::Request{ServerName, "Auth_token", token})
                                    + Frame::encode(Frame::Request{ServerName, "Fix_routes", body});
        QTRY_VERIFY(server->received.endsWith(body));
        QCOMPARE(server->received, expected);
    }

    void routing_data()
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
        QTest::newRow("another server's name: never sent, nobody waits")
            << L{"1 Get_tree_graphobj", "|", "2 Fix_routes"} << OtherServer
            << L{"Get_tree_graphobj late", "Fix_routes ack"} << L{} << L{"Fix_routes ack"}
            << L{"reply Get_tree_graphobj .*dropped"};
        QTest::newRow("forgotten plug-in: its turn passes, it gets nothing")
            << L{"1 Get_tree_rulecheck", "2 Get_tree_rulecheck", "|"} << Forget
            << L{"Get_tree_rulecheck a", "Get_tree_rulecheck b", news} << L{}
            << L{"Get_tree_rulecheck b", news} << L{};
        // The link starts over; the reply to a request of the lost connection would
        // pair with a new one.
        QTest::newRow("a frame over the size limit: the connection's requests forgotten")
            << L{"1 Fix_routes", "|", "2 Get_tree_rulecheck"} << Oversized
            << L{"Fix_routes stale", "Get_tree_rulecheck tree"} << L{}
            << L{"Get_tree_rulecheck tree"}
            << L{"over the size limit", "reply Fix_routes .*dropped"};
    }

    void routing()
    {
        QFETCH(QStringList, asks);
        QFETCH(Disruption, disruption);
        QFETCH(QStringList, replies);
        QFETCH(QStringList, toFirst);
        QFETCH(QStringList, toSecond);
        QFETCH(QStringList, warnings);

        for (const QString &warning : warnings)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
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
            sent.clear(); // never sent, or left on the lost connection
            if (disruption != Oversized)
                continue;
            QTRY_VERIFY(!server->received.isEmpty());
            QByteArray tooLong(68, 'x');
            qToBigEndian<quint32>(Frame::MaxSize + 1, tooLong.data());
            server->send(tooLong);
            QTRY_COMPARE_WITH_TIMEOUT(first->announced.size(), 2, 3000);
        }
        // A marker behind the replies: once it is through, those before it were handled.
        link->SendToServer(ServerName, "Get_tree_objects", QByteArray(), second.get());
        sent << "Get_tree_objects";
        QTRY_VERIFY(server->commands().endsWith("Get_tree_objects"));
        QCOMPARE(server->commands(), sent);
        replies << "Get_tree_objects marker";
        toSecond << replies.last();
        // All at once, written byte by byte at first.
        QByteArray bytes;
        for (const QString &reply : qAsConst(replies))
            bytes += Frame::encode(Frame::Reply{reply.section(' ', 0, 0).toLatin1(),
                                                reply.section(' ', 1).toLatin1()});
        for (int at = 0, n = 0; at < bytes.size(); at += n)
            server->send(bytes.mid(at, n = at < 100 ? 1 : bytes.size()));
        QTRY_COMPARE(second->replies, toSecond);
        QCOMPARE(first->replies, toFirst);
    }

    // Without a server at the port the waits double, up to their end; once it is
    // back the link finds it and announces it. After a loss the wait starts from
    // the first again only if the connection brought a reply.
    void reconnection()
    {
        QCOMPARE(ServerConnection::nextRetryMs(8000), ServerConnection::LastRetryMs);
        const quint16 port = server->server.serverPort();
        server.reset();
        link->connectTo(QStringLiteral("127.0.0.1"), port);
        QList<int> waits;
        const auto waiting = [&] { return link->currentWaitMs() > 0; };
        while (waits.size() < 3 && QTest::qWaitFor(waiting, 6000)) {
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

    void failure_data()
    {
        QTest::addColumn<QStringList>("asks");    // as in routing; the host asked for its units
        QTest::addColumn<QByteArray>("frames");   // Request_failed
        QTest::addColumn<QStringList>("replies"); // after them; all for plug-in 2
        QTest::addColumn<QStringList>("toFirst"); // what plug-in 1 got
        QTest::addColumn<QString>("failed");      // "command code reason asker" from the signal
        QTest::addColumn<QString>("shown");       // in the warning; the last line in the status bar
        QTest::addColumn<QString>("warning");

        using L = QStringList;
        using F = RequestFailure;
        const QByteArray fix = Commands::FixRoutes;
        const auto frame = [](const F &f) {
            return Frame::encode(Frame::Reply{Commands::RequestFailed, f.body()});
        };
        // As the asker records it.
        const auto heard = [](const F &f) {
            return QString::fromLatin1(QByteArray(Commands::RequestFailed) + ' ' + f.body());
        };
        const F full{fix, F::Storage, "disk full"};
        QTest::newRow("routes not saved, its turn taken: the next reply pairs")
            << L{"1 Fix_routes", "2 Fix_routes"} << frame(full) << L{"Fix_routes ack"}
            << L{heard(full)} << "Fix_routes 3 disk full first"
            << "The routes were not saved: the server could not write to its storage"
               " (server: disk full)" << "";
        const F readOnly{fix, F::ReadOnly, "read-only"};
        const F locked{"Set_check_mode", F::Busy, "locked"};
        QTest::newRow("a save, then checking switched: both fail, each asker hears of its own")
            << L{"1 Fix_routes", "2 Set_check_mode"} << frame(readOnly) + frame(locked)
            << L{heard(locked)} << L{heard(readOnly)}
            << "Fix_routes 1 read-only first,Set_check_mode 2 locked second"
            << "The routes were not saved: the server's database is read-only (server: read-only)\n"
               "Checking was not switched: the server's database is busy with another program"
               " (server: locked)" << "";
        QTest::newRow("the host's own request, no reason: the code")
            << L{} << frame({Commands::GetObjectTree, F::OverLimit, ""}) << L{} << L{}
            << "Get_tree_objects 4  nobody"
            << "The server could not carry out Get_tree_objects: the change exceeds one of the"
               " server's limits" << "";
        QTest::newRow("nobody waits: dropped") << L{} << frame({fix, F::Refused, "no"}) << L{}
            << L{} << "" << "" << "failure of Fix_routes .*dropped";
        QTest::newRow("unknown code: dropped")
            << L{"2 Fix_routes"} << frame({fix, F::Code(9), "no"})
            << L{"Fix_routes ack"} << L{} << "" << "" << "does not read; dropped";
    }

    // A request the server could not carry out: the window tells the operator,
    // the plug-in that asked gets the failure in the reply's place, the next
    // reply finds its asker.
    void failure()
    {
        QFETCH(QStringList, asks);
        QFETCH(QByteArray, frames);
        QFETCH(QStringList, replies);
        QFETCH(QStringList, toFirst);
        QFETCH(QString, failed);
        QFETCH(QString, shown);
        QFETCH(QString, warning);

        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
        ObjectsModel objects;
        HostServices services(link.get(), &objects);
        HostWindow window(&services, link.get(), &objects, {});
        QStringList signalled;
        connect(link.get(), &ServerConnection::requestFailed, this,
                [&](const RequestFailure &f, PluginInterface *plugin) {
                    const char *asker =
                        plugin == first.get() ? "first" : plugin ? "second" : "nobody";
                    signalled << f.command + ' ' + QByteArray::number(f.code) + ' '
                                     + f.reason.toUtf8() + ' ' + asker;
                });
        connectLink();
        for (const QString &ask : asks)
            link->SendToServer(ServerName, ask.mid(2).toLatin1(), QByteArray(),
                               ask[0] == '1' ? first.get() : second.get());
        link->SendToServer(ServerName, "Get_tree_graphobj", QByteArray(), second.get());
        server->send(frames);
        // The failures heard came in the frames above.
        for (const QString &reply : replies << "Get_tree_graphobj marker") {
            if (reply.startsWith(Commands::RequestFailed))
                continue;
            server->reply(reply.section(' ', 0, 0).toLatin1(), reply.section(' ', 1).toLatin1());
        }
        QTRY_COMPARE(second->replies, replies);
        QCOMPARE(first->replies, toFirst);
        QCOMPARE(signalled.join(','), failed);
        const auto *box = window.findChild<QMessageBox *>();
        QCOMPARE(window.statusBar()->currentMessage(), shown.section('\n', -1));
        QCOMPARE(box ? box->text() : QString(), shown);
        QVERIFY(!box || (box->isVisible() && !box->isModal()));
    }

    void unitTree_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QString>("tree");

        QTest::newRow("nested groups, empty group, unit under a unit, other kinds")
            << tree({node(1, "Patrol", 0,
                          {node(2, "Shift A", 0, {unit(11, "A-11")}),
                           node(13, "Lead", 1, {unit(14, "Tail")})}),
                     node(3, "Empty", 0), node(30, "Odd", 7)})
            << true << "Patrol[Shift A[A-11#11],Lead#13[Tail#14]],Empty,Odd";
        QTest::newRow("cut in a child's children count: both children stay, false")
            << tree({node(1, "G", 0, {unit(11, "A"), unit(12, "B")})}).chopped(4) << false
            << "G[A#11,B#12]";
        QTest::newRow("a count of a billion over one node: one node") // trusted a node at a time
            << tree({unit(11, "Car 11")}).replace(0, 4, QByteArray("\x3b\x9a\xca\x00", 4))
            << false << "Car 11#11";
        QTest::newRow("negative count: nothing")
            << QByteArray("\xff\xff\xff\xfe", 4) << false << "";
        // A chain of groups, a unit at the bottom: at the limit, or one level more.
        const int depth = ObjectsModel::MaxDepth;
        TreeNode chain = unit(1, "deepest");
        for (int level = depth - 1; level > 0; --level)
            chain = node(1000 + level, "g", 0, {chain});
        const QString below = QString("g[").repeated(depth - 1);
        const QString above = QString("]").repeated(depth - 1);
        QTest::newRow("at the depth limit") << tree({chain}) << true << below + "deepest#1" + above;
        QTest::newRow("one past the depth limit: cut there")
            << tree({node(999, "g", 0, {chain})}) << false << below + "g" + above;
    }

    void unitTree()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, complete);
        QFETCH(QString, tree);

        ObjectsModel model;
        QCOMPARE(model.load(bytes), complete);
        QCOMPARE(dump(model.invisibleRootItem()), tree);
    }

    // A unit may sit in two groups: both items point at the one record, which
    // lives on while the unit stays in the tree.
    void recordsKeptWhileTheUnitStays()
    {
        ObjectsModel model;
        QVERIFY(model.load(tree({node(1, "Day", 0, {unit(11, "Car 11")}),
                                 node(2, "Night", 0, {unit(11, "Car 11")}), unit(12, "Car 12")})));
        const TrackedObject *kept = model.record(11);
        QCOMPARE(dump(model.invisibleRootItem()),
                 QString("Day[Car 11#11],Night[Car 11#11],Car 12#12"));
        QVERIFY(kept && model.record(12) && !model.record(1) && model.unitCount() == 2);
        QVERIFY(model.load(
            tree({node(5, "Moved", 0, {unit(11, "Car 11 renamed")}), unit(13, "New")})));
        QVERIFY(model.record(11) == kept && !model.record(12) && model.unitCount() == 2);
        QCOMPARE(kept->name, QString("Car 11 renamed"));
    }

    void tracker_data()
    {
        QTest::addColumn<QList<QByteArray>>("bodies");
        QTest::addColumn<QString>("outcome"); // the units kept, how often they changed

        using Bodies = QList<QByteArray>;
        using P = PositionReport;
        auto body = [](const QList<PositionReport> &r) { return LiveMessages::positionsBody(r); };
        const QPoint a(10, 20), b(30, 40);
        const QByteArray at100 = body({P{7, 100, a}}), at160 = body({P{7, 160, b}});

        QTest::newRow("late fix, even in one batch: no move back")
            << Bodies{at160, body({P{7, 160, b}, P{7, 100, a}})} << "7:30,40@160 x1";
        QTest::newRow("same fix twice: no change") << Bodies{at100, at100} << "7:10,20@100 x1";
        QTest::newRow("same time, new place: taken") << Bodies{at100, body({P{7, 100, b}})}
                                                     << "7:30,40@100 x2";
    }

    void tracker()
    {
        QFETCH(QList<QByteArray>, bodies);
        QFETCH(QString, outcome);

        UnitTracker tracker;
        QSignalSpy changed(&tracker, &UnitTracker::unitsChanged);
        for (const QByteArray &body : bodies)
            QVERIFY(tracker.applyBody(body));
        QCOMPARE(dump(tracker) + QStringLiteral(" x%1").arg(changed.count()), outcome);
    }

    // On connection the host asks for its units and the latest events; the news
    // that follows reaches no plug-in. A unit's dot lands on its place, under its
    // name or its id, and the units list shows the report, also after the tree
    // is read again.
    void newsReachesHostAndMap()
    {
        ObjectsModel objects;
        HostServices services(link.get(), &objects);
        MapCanvas canvas(1, QStringLiteral("City"));
        canvas.resize(640, 480);
        canvas.setScale(1700);
        canvas.setCenter(DemoDistrict::centre());
        services.addMap(&canvas);
        connectLink();
        QTRY_VERIFY(server->commands().endsWith(Commands::GetCheckEvents));
        QCOMPARE(server->commands(),
                 QList<QByteArray>({Commands::GetObjectTree, Commands::GetCheckEvents}));
        server->reply(Commands::GetObjectTree, Patrol);
        server->reply(Commands::GetCheckEvents, LiveMessages::eventsBody(events({2, 1})));
        QTRY_COMPARE(services.checkEvents()->rowCount(), 2);
        QCOMPARE(objects.unitCount(), 2);

        const QPoint stranger = DemoDistrict::offset(400, -250);
        server->reply(Commands::UnitPositions,
                      LiveMessages::positionsBody({{99, Noon, stranger},
                                                   {11, Noon, DemoDistrict::centre()}}));
        server->reply(Commands::CheckEvents, LiveMessages::eventsBody(events({4, 3})));
        QTRY_COMPARE(listedIds(*services.checkEvents()), QList<int>({4, 3, 2, 1}));
        QVERIFY(first->replies.isEmpty() && second->replies.isEmpty());
        QCOMPARE(canvas.units().size(), 2);
        QCOMPARE(canvas.units().at(0).name + ' ' + canvas.units().at(1).name,
                 QString("Moto M-5 #99"));
        const QImage image = canvas.render();
        for (const QPoint &at : {DemoDistrict::centre(), stranger})
            QCOMPARE(image.pixel(canvas.projection().toScreen(at).toPoint()),
                     UnitPainter::DotColour);
        for (int pass = 0; pass < 2; ++pass) {
            const int column = ObjectsModel::LastReportColumn;
            QCOMPARE(objects.index(1, column, objects.index(0, 0)).data().toString(),
                     QString("2024-05-14 12:04:31"));
            QCOMPARE(objects.index(0, column, objects.index(0, 0)).data().toString(), QString());
            QVERIFY(objects.load(Patrol));
        }
    }

    void unitLabels_data()
    {
        QTest::addColumn<QList<QPointF>>("dots");
        QTest::addColumn<QString>("placed"); // per label: r(ight), l(eft), a(bove), b(elow), -
        const QPointF a(100, 100);
        QTest::newRow("apart") << QList<QPointF>{a, a + QPointF(0, 100)} << "rr";
        QTest::newRow("side by side: not over the neighbour's dot")
            << QList<QPointF>{a, a + QPointF(30, 0)} << "lr";
        QTest::newRow("five on one spot") << QList<QPointF>{a, a, a, a, a} << "rlab-";
    }

    // Labels never cover each other or a dot; the fifth unit on one spot
    // keeps its dot only.
    void unitLabels()
    {
        QFETCH(QList<QPointF>, dots);
        QFETCH(QString, placed);
        const QList<QSizeF> sizes = QVector<QSizeF>(dots.size(), QSizeF(40, 10)).toList();
        const auto places = UnitPainter::placeLabels(dots, sizes);
        QString sides;
        for (int i = 0; i < places.size(); ++i) {
            const auto &place = places.at(i);
            const QPointF c = place ? place->center() - dots.at(i) : QPointF();
            sides += !place ? '-' : c.x() > 0 && qAbs(c.y()) < 1 ? 'r' : c.x() < 0 ? 'l'
                                  : c.y() < 0 ? 'a' : 'b';
        }
        QCOMPARE(sides, placed);
    }

    void eventOrder_data()
    {
        QTest::addColumn<QList<int>>("reply");
        QTest::addColumn<QList<QList<int>>>("news");
        QTest::addColumn<QList<int>>("listed");

        using Ids = QList<int>;
        using Batches = QList<Ids>;
        // Event times follow the ids: a late report's event goes in its place.
        QTest::newRow("listed ids skipped, each in its place")
            << Ids{3, 1} << Batches{{5, 3}, {5, 4}, {1002}} << Ids{5, 4, 3, 1002, 1};
        QTest::newRow("reply capped at the newest") << idRange(250, 1) << Batches{}
                                                    << idRange(250, 51);
        QTest::newRow("one older than the newest 200 stays out")
            << idRange(200, 1) << Batches{{201}, {1}} << idRange(201, 2);
    }

    void eventOrder()
    {
        QFETCH(QList<int>, reply);
        QFETCH(QList<QList<int>>, news);
        QFETCH(QList<int>, listed);

        CheckEventsModel model;
        model.addNewest(events({99})); // the reply replaces what was listed before
        model.replaceAll(events(reply));
        for (const QList<int> &batch : news)
            model.addNewest(events(batch));
        QCOMPARE(listedIds(model), listed);
    }

    void eventRow_data()
    {
        QTest::addColumn<CheckEvent>("event");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("onTime");

        const QString row =
            QStringLiteral("2024-05-14 12:0%1  %2 · Riverside patrol · Weir - Old bridge");
        // The deviation's own wording is LiveMessages'; a second off is not on time.
        QTest::newRow("a second late entry") << checkEvent(0, 1)
                                             << row.arg("4:31", "in +1 min · Moto M-5") << false;
        QTest::newRow("early exit") << checkEvent(1, -90, "Car 3", CheckEvent::TimeOut)
                                    << row.arg("5:31", "out -2 min · Car 3") << false;
        QTest::newRow("on time, unit without a name: its id")
            << checkEvent(3, 0, QString()) << row.arg("7:31", "in 0 min · #17") << true;
    }

    void eventRow()
    {
        QFETCH(CheckEvent, event);
        QFETCH(QString, text);
        QFETCH(bool, onTime);

        CheckEventsModel model;
        model.replaceAll({event});
        QCOMPARE(model.index(0).data().toString(), text);
        // Dark, and clearly green or clearly red.
        const QColor c = model.index(0).data(Qt::ForegroundRole).value<QBrush>().color();
        QVERIFY2(c.value() < 190 && (onTime ? c.green() > 2 * c.red() : c.red() > 2 * c.green()),
                 qPrintable(c.name()));
    }

private:
    // Connects the link to the tiny server and waits until both ends are up.
    void connectLink(const QByteArray &token = QByteArray())
    {
        link->connectTo(QStringLiteral("127.0.0.1"), server->server.serverPort(), token);
        QTRY_VERIFY(link->isConnected() && server->client);
        QCOMPARE(first->announced.last(), ServerName);
    }

    std::unique_ptr<TinyServer> server;
    std::unique_ptr<ServerConnection> link;
    std::unique_ptr<Recorder> first, second;
};

QTEST_MAIN(tst_HostLive)
#include "tst_host_live.moc"
