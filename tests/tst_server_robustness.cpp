#include "testsupport/ServerHarness.h"

#include "wire/Frame.h"

#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtEndian>
#include <QtTest>

#include <algorithm>

namespace {

QByteArray prefix(quint32 length)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(length, bytes.data());
    return bytes;
}

QByteArray request(const QByteArray &command)
{
    return Frame::encode(Frame::Request{"OperCheck_Server1", command, {}});
}

// Bytes that look like nothing in particular, the same in every run.
QByteArray noise(int size)
{
    QRandomGenerator random(0x2545F491u);
    QByteArray bytes;
    while (bytes.size() < size)
        bytes += char(random.generate());
    return bytes;
}

} // namespace

class TestServerRobustness : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { h.reset(); }

    void rawBytes_data();
    void rawBytes();
    void splitDelivery_data();
    void splitDelivery();
    void garbageBodies_data();
    void garbageBodies();
    void fiftyClientsLoadBothTrees();

private:
    QByteArray ruleTree() { return h->exchange(h->connect(), "Get_tree_rulecheck").second; }
    QString integrityCheck() const;

    std::unique_ptr<ServerHarness> h;
};

void TestServerRobustness::init()
{
    h = std::make_unique<ServerHarness>();
    ServerOptions options;
    options.seed = QStringLiteral("demo");
    QCOMPARE(h->start(options), QString());
}

// What SQLite makes of the file from another connection.
QString TestServerRobustness::integrityCheck() const
{
    const QString name = QStringLiteral("integrity-check");
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(h->databasePath());
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next())
                result = query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

void TestServerRobustness::rawBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason"); // why the server closes; empty: it waits for more

    const QByteArray whole = request("Get_tree_rulecheck");
    QTest::newRow("4 GiB length prefix") << prefix(0xFFFFFFFFu) << "larger than";
    QTest::newRow("one byte over the limit")
        << prefix(Frame::MaxSize + 1) + QByteArray(100, 'x') << "larger than";
    QTest::newRow("whole request, then a broken one")
        << request("Get_tree_graphobj") + prefix(0xFFFFFFF0u) << "larger than";
    QTest::newRow("empty frame") << prefix(0) << "does not parse";
    QTest::newRow("payload of noise") << prefix(40) + noise(40) << "does not parse";
    QTest::newRow("request with a byte left over")
        << prefix(whole.size() - 3) + whole.mid(4) + 'x' << "does not parse";
    // Truncated frames: the server holds them until the client goes.
    QTest::newRow("cut inside the length prefix") << whole.left(2) << "";
    QTest::newRow("cut in the payload") << whole.left(whole.size() / 2) << "";
    QTest::newRow("all but the last byte") << whole.chopped(1) << "";
    QTest::newRow("a whole request and half the next") << whole + whole.left(9) << "";
    QTest::newRow("a large frame announced, a little sent") << prefix(50u << 20) + noise(1000)
                                                            << "";
}

void TestServerRobustness::rawBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);

    FrameClient *bystander = h->connect();
    QVERIFY(bystander);
    const QByteArray before = ruleTree();
    QTcpSocket raw;
    QVERIFY(h->connectRaw(&raw));
    QTRY_COMPARE(h->server->clientCount(), 3);
    if (!reason.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("closing .*" + reason));
    raw.write(bytes);
    QVERIFY(raw.waitForBytesWritten(ServerHarness::Timeout));
    if (reason.isEmpty()) {
        QVERIFY(h->answers(bystander)); // the server has taken the bytes by now
        QCOMPARE(h->server->clientCount(), 3);
        raw.disconnectFromHost(); // mid-frame
    }
    QTRY_COMPARE(raw.state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(h->server->clientCount(), 2);
    QVERIFY(h->answers(bystander));
    QCOMPARE(ruleTree(), before);
}

void TestServerRobustness::splitDelivery_data()
{
    QTest::addColumn<int>("chunk");

    QTest::newRow("byte by byte") << 1;
    QTest::newRow("length and payload apart") << 4;
    QTest::newRow("both frames at once") << 4096;
}

void TestServerRobustness::splitDelivery()
{
    QFETCH(int, chunk);

    FrameClient *client = h->connect();
    QVERIFY(client);
    QSignalSpy spy(client, &FrameClient::replyReceived);
    const QByteArray bytes = request("Get_tree_objects") + request("Get_tree_graphobj");
    for (int at = 0; at < bytes.size(); at += chunk) {
        client->socket()->write(bytes.mid(at, chunk));
        QVERIFY(client->socket()->waitForBytesWritten(ServerHarness::Timeout));
    }
    QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 2, ServerHarness::Timeout);
    QCOMPARE(spy.at(0).at(0).toByteArray(), QByteArray("Get_tree_objects"));
    QCOMPARE(spy.at(1).at(0).toByteArray(), QByteArray("Get_tree_graphobj"));
    QVERIFY(spy.at(1).at(1).toByteArray().size() > 1000);
}

void TestServerRobustness::garbageBodies_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("logged"); // empty: nothing to log

    // Trees ignore their body and answer; the rest ignore what does not read.
    const QList<QPair<QByteArray, QString>> commands = {
        {"Get_tree_rulecheck", {}},
        {"Get_tree_graphobj", {}},
        {"Get_tree_objects", {}},
        {"Fix_routes", "Fix_routes: malformed"},
        {"Set_check_mode", "Set_check_mode: malformed"},
        {"Auth_token", {}},
        {"Push_positions", "Push_positions: malformed"},
        {"Get_check_events", "Get_check_events: malformed"},
        {"No_such_command", "unknown command"},
    };
    const QList<QPair<const char *, QByteArray>> bodies = {{"noise", noise(64)},
                                                           {"one byte", "\x01"},
                                                           {"minus one", QByteArray(4, '\xff')},
                                                           {"huge counts", QByteArray(16, '\xff')}};
    for (const auto &command : commands) {
        for (const auto &body : bodies) {
            QTest::addRow("%s, %s", command.first.constData(), body.first)
                << command.first << body.second << command.second;
        }
    }
}

void TestServerRobustness::garbageBodies()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, body);
    QFETCH(QString, logged);

    const bool answered = command.startsWith("Get_tree_");
    const QByteArray before = ruleTree();
    QVERIFY(!before.isEmpty());
    if (!logged.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(logged));
    FrameClient *client = h->connect();
    QVERIFY(client);
    QSignalSpy spy(client, &FrameClient::replyReceived);
    client->send(command, body);
    client->send("Get_tree_objects");
    QTRY_COMPARE_WITH_TIMEOUT(spy.size(), answered ? 2 : 1, ServerHarness::Timeout);
    QCOMPARE(spy.first().at(0).toByteArray(), answered ? command : QByteArray("Get_tree_objects"));
    QVERIFY(client->isConnected());
    QCOMPARE(ruleTree(), before);
    QCOMPARE(integrityCheck(), QStringLiteral("ok"));
}

void TestServerRobustness::fiftyClientsLoadBothTrees()
{
    constexpr int Clients = 50;
    const QByteArray rules = ruleTree();
    QVERIFY(rules.size() > 1000);

    QList<FrameClient *> clients;
    QList<std::shared_ptr<QSignalSpy>> spies;
    for (int i = 0; i < Clients; ++i) {
        clients << h->connect();
        QVERIFY(clients.last());
        spies << std::make_shared<QSignalSpy>(clients.last(), &FrameClient::replyReceived);
    }
    // All of them ask before any is answered.
    for (FrameClient *client : qAsConst(clients)) {
        client->send("Get_tree_rulecheck");
        client->send("Get_tree_graphobj");
    }
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(spies.cbegin(), spies.cend(),
                                         [](const auto &spy) { return spy->size() == 2; }),
                             30000);

    const QByteArray layers = spies.first()->at(1).at(1).toByteArray();
    QVERIFY(layers.size() > 1000);
    for (const auto &spy : qAsConst(spies)) {
        QCOMPARE(spy->at(0), QVariantList({QByteArray("Get_tree_rulecheck"), rules}));
        QCOMPARE(spy->at(1), QVariantList({QByteArray("Get_tree_graphobj"), layers}));
    }
    QCOMPARE(h->server->clientCount(), Clients + 1);
    QVERIFY(h->answers(clients.last()));
    QCOMPARE(integrityCheck(), QStringLiteral("ok"));
}

QTEST_GUILESS_MAIN(TestServerRobustness)
#include "tst_server_robustness.moc"
