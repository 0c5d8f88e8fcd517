#include "DemoSeed.h"
#include "FrameClient.h"
#include "RouteCheckServer.h"

#include "Frame.h"

#include <QDataStream>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

constexpr int Timeout = 10000;

QByteArray prefix(quint32 length)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(length, bytes.data());
    return bytes;
}

QByteArray request(const QByteArray &command, const QByteArray &body = {})
{
    return Frame::encode(Frame::Request{"OperCheck_Server1", command, body});
}

// Bytes that look like nothing in particular, the same in every run.
QByteArray noise(int size)
{
    QByteArray bytes(size, '\0');
    quint32 state = 0x2545F491u;
    for (char &byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = char(state & 0xff);
    }
    return bytes;
}

} // namespace

class TestServerRobustness : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void brokenFrames_data();
    void brokenFrames();
    void disconnectMidFrame_data();
    void disconnectMidFrame();
    void splitDelivery_data();
    void splitDelivery();
    void garbageBodies_data();
    void garbageBodies();
    void fiftyClientsLoadBothTrees();

private:
    FrameClient *connectClient();
    bool answers(FrameClient *client);
    QByteArray ruleTree();
    QString integrityCheck() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RouteCheckServer> m_server;
    std::unique_ptr<QObject> m_clients;
};

void TestServerRobustness::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_clients = std::make_unique<QObject>();
    ServerOptions options;
    options.port = 0;
    options.databasePath = m_dir->filePath(QStringLiteral("routes.sqlite"));
    options.seed = QStringLiteral("demo");
    m_server = std::make_unique<RouteCheckServer>(options);
    QString error;
    QVERIFY2(m_server->start(&error), qPrintable(error));
}

void TestServerRobustness::cleanup()
{
    m_clients.reset();
    m_server.reset();
    m_dir.reset();
}

FrameClient *TestServerRobustness::connectClient()
{
    auto *client = new FrameClient(m_clients.get());
    client->connectToServer(QHostAddress(QHostAddress::LocalHost), m_server->serverPort());
    if (!QTest::qWaitFor([client] { return client->isConnected(); }, Timeout))
        return nullptr;
    return client;
}

// The client's next reply is the answer to a tree request sent now.
bool TestServerRobustness::answers(FrameClient *client)
{
    QSignalSpy spy(client, &FrameClient::replyReceived);
    client->send("Get_tree_objects");
    return QTest::qWaitFor([&spy] { return !spy.isEmpty(); }, Timeout)
           && spy.first().at(0).toByteArray() == "Get_tree_objects";
}

QByteArray TestServerRobustness::ruleTree()
{
    FrameClient *client = connectClient();
    if (!client)
        return {};
    QSignalSpy spy(client, &FrameClient::replyReceived);
    client->send("Get_tree_rulecheck");
    if (!QTest::qWaitFor([&spy] { return !spy.isEmpty(); }, Timeout))
        return {};
    return spy.first().at(1).toByteArray();
}

QString TestServerRobustness::integrityCheck() const
{
    const QString name = QStringLiteral("integrity-check");
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_dir->filePath(QStringLiteral("routes.sqlite")));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next())
                result = query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

void TestServerRobustness::brokenFrames_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    QTest::newRow("4 GiB length prefix") << prefix(0xFFFFFFFFu) << QStringLiteral("larger than");
    QTest::newRow("one byte over the limit")
        << prefix(Frame::MaxSize + 1) + QByteArray(100, 'x') << QStringLiteral("larger than");
    QTest::newRow("empty frame") << prefix(0) << QStringLiteral("does not parse");
    QTest::newRow("payload of noise") << prefix(40) + noise(40)
                                      << QStringLiteral("does not parse");
    QTest::newRow("request with a byte left over")
        << prefix(request("Get_tree_rulecheck").size() - 4 + 1)
               + request("Get_tree_rulecheck").mid(4) + 'x'
        << QStringLiteral("does not parse");
    QTest::newRow("byte array longer than the frame")
        << prefix(8) + QByteArray::fromHex("00000100 41424344")
        << QStringLiteral("does not parse");
    QTest::newRow("whole request, then a broken one")
        << request("Get_tree_graphobj") + prefix(0xFFFFFFF0u) << QStringLiteral("larger than");
}

void TestServerRobustness::brokenFrames()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);

    FrameClient *bystander = connectClient();
    FrameClient *offender = connectClient();
    QVERIFY(bystander && offender);
    QTRY_COMPARE(m_server->clientCount(), 2);
    QSignalSpy closed(offender, &FrameClient::disconnected);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("closing .*") + reason));
    offender->socket()->write(bytes);
    QVERIFY(QTest::qWaitFor([&closed] { return !closed.isEmpty(); }, Timeout));
    QTRY_COMPARE(m_server->clientCount(), 1);
    QVERIFY(answers(bystander));
    QVERIFY(answers(connectClient()));
}

void TestServerRobustness::disconnectMidFrame_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray whole = request("Get_tree_rulecheck");
    QTest::newRow("inside the length prefix") << whole.left(2);
    QTest::newRow("length only") << whole.left(4);
    QTest::newRow("half the payload") << whole.left(whole.size() / 2);
    QTest::newRow("all but the last byte") << whole.chopped(1);
    QTest::newRow("a whole request and half the next") << whole + whole.left(9);
    QTest::newRow("a large frame announced, a little sent") << prefix(50u << 20) + noise(1000);
}

void TestServerRobustness::disconnectMidFrame()
{
    QFETCH(QByteArray, bytes);

    FrameClient *bystander = connectClient();
    QVERIFY(bystander);
    const QByteArray before = ruleTree();
    QTcpSocket quitter;
    quitter.connectToHost(QHostAddress(QHostAddress::LocalHost), m_server->serverPort());
    QVERIFY(quitter.waitForConnected(Timeout));
    QTRY_COMPARE(m_server->clientCount(), 3);
    quitter.write(bytes);
    QVERIFY(quitter.waitForBytesWritten(Timeout));
    QVERIFY(answers(bystander)); // the server has taken the bytes by now
    QCOMPARE(m_server->clientCount(), 3);
    quitter.disconnectFromHost();
    QTRY_COMPARE(m_server->clientCount(), 2);
    QVERIFY(answers(bystander));
    QCOMPARE(ruleTree(), before);
}

void TestServerRobustness::splitDelivery_data()
{
    QTest::addColumn<int>("chunk");

    QTest::newRow("byte by byte") << 1;
    QTest::newRow("three bytes") << 3;
    QTest::newRow("length and payload apart") << 4;
    QTest::newRow("both frames at once") << 4096;
}

void TestServerRobustness::splitDelivery()
{
    QFETCH(int, chunk);

    FrameClient *client = connectClient();
    QVERIFY(client);
    QSignalSpy spy(client, &FrameClient::replyReceived);
    const QByteArray bytes = request("Get_tree_objects") + request("Get_tree_graphobj");
    for (int at = 0; at < bytes.size(); at += chunk) {
        client->socket()->write(bytes.mid(at, chunk));
        QVERIFY(client->socket()->waitForBytesWritten(Timeout));
    }
    QVERIFY(QTest::qWaitFor([&spy] { return spy.size() == 2; }, Timeout));
    QCOMPARE(spy.at(0).at(0).toByteArray(), QByteArray("Get_tree_objects"));
    QCOMPARE(spy.at(1).at(0).toByteArray(), QByteArray("Get_tree_graphobj"));
    QVERIFY(spy.at(1).at(1).toByteArray().size() > 1000);
}

void TestServerRobustness::garbageBodies_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("logged"); // empty: nothing to log

    const QByteArray hugeCounts = QByteArray(16, '\xff');
    const QList<QPair<QByteArray, QByteArray>> bodies = {
        {"noise", noise(64)},
        {"huge counts", hugeCounts},
        {"one byte", QByteArray(1, '\x01')},
        {"zeros", QByteArray(32, '\0')},
    };
    struct Command
    {
        QByteArray name;
        bool answered;
        QString logged;
    };
    const QList<Command> commands = {
        {"Get_tree_rulecheck", true, {}},
        {"Get_tree_graphobj", true, {}},
        {"Get_tree_objects", true, {}},
        {"Fix_routes", false, QStringLiteral("Fix_routes: malformed")},
        {"Set_check_mode", false, QStringLiteral("Set_check_mode: malformed")},
        {"Auth_token", false, {}},
        {"Push_positions", false, QStringLiteral("Push_positions: malformed")},
        {"Get_check_events", false, QStringLiteral("Get_check_events: malformed")},
        {"No_such_command", false, QStringLiteral("unknown command")},
    };
    for (const Command &command : commands) {
        for (const auto &body : bodies) {
            QTest::addRow("%s, %s", command.name.constData(), body.first.constData())
                << command.name << body.second << command.answered << command.logged;
        }
    }
}

void TestServerRobustness::garbageBodies()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, body);
    QFETCH(bool, answered);
    QFETCH(QString, logged);

    const QByteArray before = ruleTree();
    QVERIFY(!before.isEmpty());
    if (!logged.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(logged));
    FrameClient *client = connectClient();
    QVERIFY(client);
    QSignalSpy spy(client, &FrameClient::replyReceived);
    client->send(command, body);
    client->send("Get_tree_objects");
    QVERIFY(QTest::qWaitFor([&] { return spy.size() == (answered ? 2 : 1); }, Timeout));
    QCOMPARE(spy.first().at(0).toByteArray(), answered ? command : QByteArray("Get_tree_objects"));
    QVERIFY(client->isConnected());
    QCOMPARE(ruleTree(), before);
    QCOMPARE(integrityCheck(), QStringLiteral("ok"));
}

void TestServerRobustness::fiftyClientsLoadBothTrees()
{
    constexpr int Clients = 50;
    const QByteArray expectedRules = ruleTree();
    QVERIFY(expectedRules.size() > 1000);

    QList<FrameClient *> clients;
    QList<std::shared_ptr<QSignalSpy>> spies;
    for (int i = 0; i < Clients; ++i) {
        auto *client = new FrameClient(m_clients.get());
        spies << std::make_shared<QSignalSpy>(client, &FrameClient::replyReceived);
        client->connectToServer(QHostAddress(QHostAddress::LocalHost), m_server->serverPort());
        clients << client;
    }
    // All of them ask before any is answered.
    QVERIFY(QTest::qWaitFor([&clients] {
        return std::all_of(clients.cbegin(), clients.cend(),
                           [](FrameClient *client) { return client->isConnected(); });
    }, Timeout));
    for (FrameClient *client : qAsConst(clients)) {
        client->send("Get_tree_rulecheck");
        client->send("Get_tree_graphobj");
    }
    QVERIFY(QTest::qWaitFor([&spies] {
        return std::all_of(spies.cbegin(), spies.cend(),
                           [](const std::shared_ptr<QSignalSpy> &spy) {
                               return spy->size() == 2;
                           });
    }, 30000));

    const QByteArray layers = spies.first()->at(1).at(1).toByteArray();
    QVERIFY(layers.size() > 1000);
    for (const auto &spy : qAsConst(spies)) {
        QCOMPARE(spy->at(0).at(0).toByteArray(), QByteArray("Get_tree_rulecheck"));
        QCOMPARE(spy->at(0).at(1).toByteArray(), expectedRules);
        QCOMPARE(spy->at(1).at(0).toByteArray(), QByteArray("Get_tree_graphobj"));
        QCOMPARE(spy->at(1).at(1).toByteArray(), layers);
    }
    QCOMPARE(m_server->clientCount(), Clients + 1);
    QVERIFY(answers(clients.last()));
    QCOMPARE(integrityCheck(), QStringLiteral("ok"));
}

QTEST_GUILESS_MAIN(TestServerRobustness)
#include "tst_server_robustness.moc"
