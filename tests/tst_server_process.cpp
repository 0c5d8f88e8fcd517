// opercheck-server as users run it: the files it will not start on, kill -9
// in the middle of saves, and many clients each holding a large unfinished frame.
#include "testsupport/ServerHarness.h"
#include "testsupport/ServerProcess.h"

#include "RuleStore.h"
#include "Schema.h"

#include "records/RouteRecord.h"
#include "wire/RequestFailure.h"
#include "wire/RouteMessages.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QtEndian>
#include <QtTest>

#include <unistd.h>

namespace {

constexpr int Timeout = ServerHarness::Timeout;
constexpr qint64 MiB = 1 << 20;


// kind: "text" (no database), "foreign" (another program's tables), "ours"
// (top-level rule nodes 1 to 400), "newer" (ours, one schema version ahead),
// "damaged" (ours with a page in the middle overwritten). Ours leave no WAL.
bool makeFile(const QString &kind, const QString &path)
{
    QFile file(path);
    if (kind == "text")
        return file.open(QIODevice::WriteOnly) && file.write(QByteArray(8192, 'x')) == 8192;
    bool made = false;
    if (kind == "foreign") {
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "foreign");
            other.setDatabaseName(path);
            QSqlQuery q(other);
            made = other.open() && q.exec("CREATE TABLE notes (x TEXT)")
                   && q.exec("INSERT INTO notes VALUES ('mine')");
        }
        QSqlDatabase::removeDatabase("foreign");
        return made;
    }
    Database ours;
    QString error;
    made = ours.open(path, &error);
    for (int i = 0; made && i < 400; ++i) // pages enough to damage one in the middle
        made = RuleStore(ours).addNode(0, QString(200, QChar('a' + i % 26)), 1, i) == i + 1;
    made = made && ours.exec("PRAGMA journal_mode = DELETE")
           && (kind != "newer"
               || ours.exec(QStringLiteral("PRAGMA user_version = %1")
                                .arg(Schema::latestVersion() + 1)));
    ours.close();
    return made
           && (kind != "damaged"
               || (file.open(QIODevice::ReadWrite) && file.size() > 8 * 4096
                   && file.seek(file.size() / 2 / 4096 * 4096)
                   && file.write(QByteArray(4096, char(0xAB))) == 4096));
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("-");
}

// A save giving the routes of these nodes these check times.
QByteArray save(const QMap<int, uint> &checkTimes)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    for (auto it = checkTimes.cbegin(); it != checkTimes.cend(); ++it) {
        RouteRecord route(it.key());
        route.checkTime = it.value();
        RouteMessages::writeSaveEntry(ServerHarness::opened(out), it.key(), route);
    }
    RouteMessages::writeSaveEnd(ServerHarness::opened(out), {});
    return body;
}

} // namespace

class TestServerProcess : public QObject
{
    Q_OBJECT

private slots:
    void refusedStart_data();
    void refusedStart();
    void crashCycles();
    void unfinishedFramesMemory();
};

void TestServerProcess::refusedStart_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reason");

    QTest::newRow("pages overwritten") << "damaged" << QStringList() << "malformed|damaged";
    QTest::newRow("another program's, seeded")
        << "foreign" << QStringList{"--seed", "demo"} << "another program's database";
    QTest::newRow("a newer schema version") << "newer" << QStringList() << "schema version";
    QTest::newRow("not a database at all") << "text" << QStringList() << "not a database";
    QTest::newRow("a file it cannot write") << "ours" << QStringList() << "--read-only";
}

// The refusal is one line naming the file and why; the file keeps every byte.
void TestServerProcess::refusedStart()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);

    ServerHarness h;
    const QString path = h.dir.filePath(QStringLiteral("routes.sqlite"));
    QVERIFY(makeFile(kind, path));
    const QByteArray before = contents(path);
    ServerProcess server;
    if (kind == "ours") { // served read-only, never written
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup
                                                | QFile::ReadOther));
        const quint16 port = server.launch(path, {"--read-only"});
        QVERIFY(port);
        const auto reply = h.exchange(h.connect(port), "Fix_routes", save({{1, 7}}));
        const std::optional<RequestFailure> failure = RequestFailure::read(reply.second);
        QVERIFY2(failure && failure->code == RequestFailure::ReadOnly, reply.first.constData());
        server.kill();
        QVERIFY(server.waitForFinished(Timeout));
        QCOMPARE(contents(path) == before, true);
        if (geteuid() == 0)
            QSKIP("root may write a 0444 file: only the --read-only start is checked");
    }
    QCOMPARE(server.launch(path, arguments), quint16(0));
    QVERIFY(server.waitForFinished(Timeout) || server.state() == QProcess::NotRunning);
    QCOMPARE(server.exitStatus(), QProcess::NormalExit);
    QCOMPARE(server.exitCode(), 1);
    const QString error = server.readAllStandardError();
    QVERIFY2(error.startsWith("opercheck-server: ") && error.count('\n') == 1
                 && error.contains(path) && QRegularExpression(reason).match(error).hasMatch(),
             qPrintable(error));
    QCOMPARE(contents(path) == before, true);
    QVERIFY(!QFile::exists(path + "-wal"));
}

// kill -9 while saves are in flight: on every start each route holds at least
// its last acknowledged check time and at most its last sent one.
void TestServerProcess::crashCycles()
{
    constexpr int Routes = 6, Cycles = 20;
    ServerHarness h;
    const QString path = h.dir.filePath(QStringLiteral("routes.sqlite"));
    QVERIFY(makeFile("ours", path));
    QRandomGenerator random(20261206);
    QMap<int, uint> acked, sent; // by node: the newest check time acknowledged, sent
    uint sequence = 0;
    for (int cycle = 0; cycle <= Cycles; ++cycle) {
        ServerProcess server;
        const quint16 port = server.launch(path);
        QVERIFY2(port, server.readAllStandardError().constData());
        QCOMPARE(h.exchange(h.connect(port), "Get_tree_rulecheck").first,
                 QByteArray("Get_tree_rulecheck"));
        {
            Database db;
            QString error;
            QVERIFY2(db.open(path, &error, Database::Access::ReadOnly), qPrintable(error));
            QSqlQuery check(db.connection());
            QVERIFY(check.exec("PRAGMA integrity_check") && check.next());
            QCOMPARE(check.value(0).toString(), QStringLiteral("ok"));
            bool ok = false;
            QMap<int, uint> stored;
            for (const RuleStore::NamedRoute &named : RuleStore(db).routes(&ok))
                stored[named.route->id] = named.route->checkTime;
            QVERIFY(ok);
            for (int id = 1; id <= Routes; ++id) {
                QVERIFY2(stored.value(id) >= acked.value(id) && stored.value(id) <= sent.value(id),
                         qPrintable(QString::asprintf("start %d, route %d: %u, not %u to %u", cycle,
                                                      id, stored.value(id), acked.value(id),
                                                      sent.value(id))));
            }
        }
        if (cycle == Cycles)
            break;
        QList<QMap<int, uint>> waiting;
        const int killAfter = random.bounded(1, 40);
        int acks = 0;
        QByteArray wrong;
        std::unique_ptr<FrameClient> client(h.connect(port));
        QVERIFY(client);
        const auto send = [&] {
            QMap<int, uint> checkTimes;
            for (int i = 0; i < 3; ++i)
                checkTimes[int(random.bounded(1, Routes + 1))] = ++sequence;
            sent.insert(checkTimes);
            waiting << checkTimes;
            client->send("Fix_routes", save(checkTimes));
        };
        connect(client.get(), &FrameClient::replyReceived,
                [&](const QByteArray &command, const QByteArray &body) {
                    if (command != "Fix_routes" || !body.isEmpty() || waiting.isEmpty()) {
                        wrong = command + ' ' + body.toHex();
                        return;
                    }
                    acked.insert(waiting.takeFirst());
                    if (++acks == killAfter)
                        server.kill();
                    else
                        send();
                });
        for (int i = 0; i < 4; ++i) // in flight at once
            send();
        QVERIFY(QTest::qWaitFor([&] { return server.state() == QProcess::NotRunning; }, 60000));
        QVERIFY2(wrong.isEmpty(), wrong.constData());
        QCOMPARE(server.exitStatus(), QProcess::CrashExit);
    }
}

// Unfinished frames share 256 MiB: when they have it all, the server stops
// reading them and still answers a newcomer.
void TestServerProcess::unfinishedFramesMemory()
{
#if defined(__SANITIZE_ADDRESS__) || defined(OC_SANITIZE) // the build's option, for clang
    QSKIP("AddressSanitizer's own memory would swamp the server's");
#endif
    ServerHarness h;
    ServerProcess server;
    const quint16 port = server.launch(h.dir.filePath(QStringLiteral("routes.sqlite")));
    QVERIFY(h.answers(h.connect(port)));
    const auto resident = [&server] {
        QFile status(QStringLiteral("/proc/%1/status").arg(server.processId()));
        const QRegularExpressionMatch rss = QRegularExpression("VmRSS:\\s*(\\d+) kB").match(
            status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray());
        return rss.hasMatch() ? rss.captured(1).toLongLong() * 1024 : -1;
    };
    const qint64 before = resident();
    const QByteArray piece(MiB, 'x');
    qint64 taken = 0; // bytes the system took from the senders
    QVector<qint64> left(8, 60 * MiB - 4096); // each frame stays unfinished
    for (qint64 &unsent : left) {
        auto *socket = new QTcpSocket(h.clients.get());
        socket->connectToHost(QHostAddress(QHostAddress::LocalHost), port);
        QVERIFY(socket->waitForConnected(Timeout));
        QByteArray length(4, '\0');
        qToBigEndian(quint32(60 * MiB), length.data());
        socket->write(length);
        // The test holds a piece or two per socket, not the frame.
        const auto feed = [socket, &piece, &taken, &unsent](qint64 written) {
            taken += written;
            for (; unsent > 0 && socket->bytesToWrite() < MiB; unsent -= MiB)
                socket->write(piece.left(int(qMin(unsent, MiB))));
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, feed);
        feed(0);
    }
    qint64 seen = -1;
    QElapsedTimer quiet;
    // Until the writes stall: no byte taken for a second once most of the cap went out.
    QVERIFY(QTest::qWaitFor([&] {
        if (std::exchange(seen, taken) != taken)
            quiet.start();
        return taken > 200 * MiB && quiet.elapsed() > 1000;
    }, 25000));
    const qint64 grown = resident() - before;
    // Beyond the cap: Qt's 1 MiB read buffer of each sender, 8 MiB for the allocator.
    QVERIFY2(before > 0 && grown < (256 + 8 + 8) * MiB, qPrintable(QString::number(grown / MiB)));
    for (QTcpSocket *socket : h.clients->findChildren<QTcpSocket *>())
        QCOMPARE(socket->state(), QAbstractSocket::ConnectedState); // held, not dropped
    QVERIFY(h.answers(h.connect(port)));
}

QTEST_GUILESS_MAIN(TestServerProcess)
#include "tst_server_process.moc"
