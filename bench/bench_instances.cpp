// What sharing one PostgreSQL database between route-check servers costs and
// gives, against one server on a SQLite file, in one run: saves a second,
// position reports a second, how long the servers take to answer again after
// the saves, how soon a change made through one server reaches a client of
// another, and how soon a survivor judges the routes of a killed server. The
// servers are the real program on loopback; every client lives in this
// program, so its own work shares the cores too.
//
// Each setup gets a database of its own, filled alike: 200 checked routes of
// 10 units each, every route with one circular zone and no schedule, and a
// node per client for its saves. Saved routes are left unchecked: a save
// costs the store and the notices, not judging.

#include "Database.h"
#include "InstanceLease.h"
#include "LayerStore.h"
#include "RuleStore.h"
#include "SqlTransaction.h"
#include "TrackedObjectStore.h"

#include "testsupport/ServerProcess.h"
#include "testsupport/TreeBuilders.h"

#include "wire/Commands.h"
#include "wire/LiveMessages.h"
#include "wire/RouteMessages.h"
#include "wire/UnitMessages.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>
#include <optional>
#include <vector>

namespace {

constexpr int ClientsPerServer = 4;
constexpr int MaxServers = 2;
constexpr int Saves = 400; // in all, taken by whichever client was answered
constexpr int SavedSections = 4;
constexpr int ZonesPerSection = 3;
constexpr int Routes = 200;
constexpr int UnitsPerRoute = 10;
constexpr int Units = Routes * UnitsPerRoute;
constexpr int Steps = 40; // reports per unit, outside and inside its zone by turns
constexpr int BatchSize = 100;
constexpr int Reports = Units * Steps;
constexpr int Pushers = 4; // in all, shared out over the servers
constexpr int Changes = 50;
constexpr int TakeoverRounds = 3;
constexpr int PollMs = 50;
constexpr int PatienceMs = 60000; // for whatever must come; the step fails after it
constexpr int ZoneDiameter = 150; // metres
constexpr int ZonesPerRow = 20;
constexpr int ZoneSpacing = 20000; // 1e-7 degree: zones over a kilometre apart
constexpr int AwayOffset = 20000;  // 222 m north of a zone's centre: outside it
constexpr int CircleKind = 4;
const QPoint Origin(376000000, 556000000);

// Ids of what fill() stored; the same on every database filled alike.
struct Layout
{
    QList<qint32> zones; // one per checked route
    QList<QPoint> spots; // their centres
    QList<qint32> units; // route r has units r * UnitsPerRoute onwards
    QList<qint32> desks; // a node per client, for its saves
    qint32 renamed = 0;  // the node the notice rounds rename
    qint64 checkTime = 0;
};

GraphObData circle(const QPoint &centre)
{
    GraphObData zone;
    zone.type = CircleKind;
    zone.points = {centre};
    zone.properties.insert(QStringLiteral("Diameter"), ZoneDiameter);
    return zone;
}

bool fill(const QString &where, Layout *layout, QString *error)
{
    Database db;
    if (!db.open(where, error))
        return false;
    SqlTransaction transaction(db.connection());
    TrackedObjectStore units(db);
    LayerStore layers(db);
    RuleStore rules(db);
    *layout = Layout();
    layout->checkTime = QDateTime::currentSecsSinceEpoch() - 1000;
    for (int u = 0; u < Units; ++u)
        layout->units << units.add(0, QStringLiteral("Car %1").arg(u),
                                   TrackedObjectStore::Kind::Unit, u);
    const qint32 layer = layers.addLayer(0, QStringLiteral("Gates"), 1, 0);
    const qint32 group = rules.addNode(0, QStringLiteral("Beats"), 3, 0);
    for (int r = 0; r < Routes; ++r) {
        const QPoint spot = Origin + QPoint(ZoneSpacing * (r % ZonesPerRow),
                                            ZoneSpacing * (r / ZonesPerRow));
        layout->spots << spot;
        layout->zones << layers.addObject(layer, circle(spot), r);
        RouteRecord route(rules.addNode(group, QStringLiteral("Beat %1").arg(r), 3, r));
        route.checkOn = 1, route.checkTime = quint32(layout->checkTime);
        route.objects = layout->units.mid(r * UnitsPerRoute, UnitsPerRoute);
        route.sections = {TreeBodies::section(1, QStringLiteral("Gate"), {layout->zones.last()})};
        if (!rules.storeRoute(route)) {
            *error = QStringLiteral("a checked route was not stored");
            return false;
        }
    }
    for (int d = 0; d < ClientsPerServer * MaxServers; ++d)
        layout->desks << rules.addNode(0, QStringLiteral("Desk %1").arg(d), 3, Routes + d);
    layout->renamed = rules.addNode(0, QStringLiteral("Notices"), 3, 0);
    if (!transaction.commit()) {
        *error = transaction.error().text();
        return false;
    }
    return true;
}

// A "Fix_routes" of a desk's unchecked route; serial changes its section names,
// so that every save stores something new.
QByteArray saveBody(const Layout &layout, int desk, int serial)
{
    RouteRecord route(layout.desks.at(desk));
    route.objects = {layout.units.at(desk)};
    for (int s = 0; s < SavedSections; ++s) {
        QList<int> zones;
        for (int z = 0; z < ZonesPerSection; ++z)
            zones << layout.zones.at(((desk * SavedSections + s) * ZonesPerSection + z) % Routes);
        route.sections << TreeBodies::section(s + 1, QStringLiteral("Stop %1.%2").arg(serial)
                                                         .arg(s + 1), zones);
    }
    route.recomputeMaxSectionId();
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    RouteMessages::writeSaveEntry(out, route.id, route);
    RouteMessages::writeSaveEnd(out, {});
    return body;
}

// One statement on the own database of the cluster OC_TEST_POSTGRES names,
// outside any transaction: the first value it gives (empty when none), or
// nothing when it failed.
std::optional<QString> onCluster(const QString &statement)
{
    QString error;
    const auto address =
        DatabaseAddress::parse(QString::fromLocal8Bit(qgetenv("OC_TEST_POSTGRES")), &error);
    if (!address || address->isFile())
        return std::nullopt;
    const QString connection = QStringLiteral("bench-admin");
    std::optional<QString> value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        address->applyTo(&db);
        QSqlQuery query(db);
        if (db.open() && query.exec(statement))
            value = query.next() ? query.value(0).toString() : QString();
        else
            std::fprintf(stderr, "bench_instances: %s: %s\n", qPrintable(statement),
                         qPrintable(db.isOpenError() ? db.lastError().text()
                                                     : query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(connection);
    return value;
}

// A database of its own on the cluster, dropped again.
class ScratchDatabase
{
public:
    explicit ScratchDatabase(const QString &name) : m_name(name)
    {
        m_made = bool(onCluster(QStringLiteral("CREATE DATABASE %1").arg(m_name)));
    }
    ~ScratchDatabase()
    {
        if (m_made)
            onCluster(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
    }
    Q_DISABLE_COPY(ScratchDatabase)

    // The --db text; empty when the database could not be made.
    QString where() const
    {
        if (!m_made)
            return QString();
        QUrl url(QString::fromLocal8Bit(qgetenv("OC_TEST_POSTGRES")));
        url.setPath(QLatin1Char('/') + m_name);
        return url.toString();
    }

private:
    QString m_name;
    bool m_made = false;
};

// Runs the event loop until done() holds; false when PatienceMs pass first.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = PatienceMs)
{
    QElapsedTimer clock;
    clock.start();
    QTimer wake; // so that the wait sees the clock without any traffic
    wake.start(PollMs);
    while (!done()) {
        if (clock.hasExpired(timeoutMs))
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Asks done() every PollMs until it holds; false when PatienceMs pass first.
bool pollUntil(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.hasExpired(PatienceMs))
            return false;
        QElapsedTimer pause;
        pause.start();
        waitUntil([&pause] { return pause.hasExpired(PollMs); });
    }
    return true;
}

// The reply to a request; nothing when it failed or did not come.
std::optional<QByteArray> exchange(FrameClient *client, const QByteArray &command,
                                   const QByteArray &body = {})
{
    std::optional<QByteArray> reply;
    bool failed = false;
    const auto connection = QObject::connect(
        client, &FrameClient::replyReceived,
        [&](const QByteArray &answered, const QByteArray &answer) {
            if (answered == command)
                reply = answer;
            failed = failed || answered == Commands::RequestFailed;
        });
    client->send(command, body);
    waitUntil([&] { return reply || failed; });
    QObject::disconnect(connection);
    return reply;
}

// The figures of "Get_server_stats" by name; empty when no reply came.
QHash<QString, qint64> stats(FrameClient *client)
{
    const auto body = exchange(client, Commands::GetServerStats);
    const auto figures = body ? LiveMessages::readStats(*body) : std::nullopt;
    QHash<QString, qint64> byName;
    for (const LiveMessages::ServerStat &figure :
         figures.value_or(QList<LiveMessages::ServerStat>()))
        byName.insert(figure.name, figure.value);
    return byName;
}

struct Setup
{
    const char *name;
    bool postgres;
    int servers;
};

// A database filled with the layout and the server programs on it, and
// clients of theirs.
class Deployment
{
public:
    bool start(const Setup &setup, QString *error)
    {
        static int made = 0;
        ++made;
        if (setup.postgres) {
            const qint64 pid = QCoreApplication::applicationPid();
            m_scratch = std::make_unique<ScratchDatabase>(
                QStringLiteral("oc_bench_%1_%2").arg(pid).arg(made));
            m_where = m_scratch->where();
        } else {
            m_where = m_dir.filePath(QStringLiteral("routes-%1.sqlite").arg(made));
        }
        if (m_where.isEmpty()) {
            *error = QStringLiteral("no database could be made");
            return false;
        }
        if (!fill(m_where, &m_layout, error))
            return false;
        m_servers.resize(size_t(setup.servers));
        m_ports.clear();
        for (auto &server : m_servers) {
            server = std::make_unique<ServerProcess>();
            m_ports << server->launch(m_where);
        }
        if (m_ports.contains(0)) {
            *error = QStringLiteral("a server did not start");
            return false;
        }
        if (setup.postgres && !allCount(setup.servers)) {
            *error = QStringLiteral("the servers did not find each other");
            return false;
        }
        return true;
    }

    int serverCount() const { return int(m_servers.size()); }
    const Layout &layout() const { return m_layout; }

    // A client of server i; null when it could not connect.
    FrameClient *connect(int i)
    {
        auto *client = new FrameClient(m_clients.get());
        client->connectToServer(QHostAddress(QHostAddress::LocalHost), m_ports.at(i));
        return waitUntil([client] { return client->isConnected(); }) ? client : nullptr;
    }
    // Closes every client, so that none reads news of the next measure.
    void closeClients() { m_clients = std::make_unique<QObject>(); }

    // kill -9, as the tests do.
    void kill(int i)
    {
        m_servers.at(size_t(i))->kill();
        m_servers.at(size_t(i))->waitForFinished();
    }
    bool restart(int i)
    {
        m_ports[i] = m_servers.at(size_t(i))->launch(m_where);
        return m_ports.at(i) != 0;
    }
    // A figure of "Get_server_stats" from each server; -1 for one that did not answer.
    QList<qint64> figure(const QString &name)
    {
        QList<qint64> values;
        for (int i = 0; i < serverCount(); ++i) {
            FrameClient *client = connect(i);
            values << (client ? stats(client).value(name, -1) : -1);
            delete client;
        }
        return values;
    }
    // Whether every server counts n servers on the database, before PatienceMs.
    bool allCount(int n)
    {
        for (int i = 0; i < serverCount(); ++i) {
            FrameClient *client = connect(i);
            if (!client || !pollUntil([&] { return stats(client).value("servers") == n; }))
                return false;
            delete client;
        }
        return true;
    }

private:
    // Declared in the order they are built: clients go first, the database last.
    std::unique_ptr<ScratchDatabase> m_scratch;
    QTemporaryDir m_dir;
    QString m_where;
    Layout m_layout;
    std::vector<std::unique_ptr<ServerProcess>> m_servers;
    QList<quint16> m_ports;
    std::unique_ptr<QObject> m_clients = std::make_unique<QObject>();
};

double seconds(const QElapsedTimer &clock)
{
    return clock.nsecsElapsed() / 1e9;
}

struct SaveRate
{
    double perSecond = -1;
    // From the last reply until every server answers a request again: what
    // the saves left a server to catch up with (the others' notices).
    double catchUpMs = -1;
};

// Saves a second: every client saves its own route, the next save as soon as
// its reply comes, until Saves are answered.
SaveRate measureSaves(Deployment &deployment)
{
    const int clients = ClientsPerServer * deployment.serverCount();
    QList<FrameClient *> desks;
    QList<QByteArray> bodies[2]; // two versions per desk, by turns
    for (int d = 0; d < clients; ++d) {
        desks << deployment.connect(d % deployment.serverCount());
        for (int version = 0; version < 2; ++version)
            bodies[version] << saveBody(deployment.layout(), d, version);
    }
    if (desks.contains(nullptr))
        return {};
    int sent = 0, answered = 0, failed = 0;
    const auto sendNext = [&](int d) {
        if (sent < Saves)
            desks.at(d)->send(Commands::FixRoutes, bodies[sent++ % 2].at(d));
    };
    for (int d = 0; d < clients; ++d) {
        QObject::connect(desks.at(d), &FrameClient::replyReceived,
                         [&, d](const QByteArray &command, const QByteArray &) {
                             answered += command == Commands::FixRoutes;
                             failed += command == Commands::RequestFailed;
                             if (command == Commands::FixRoutes)
                                 sendNext(d);
                         });
    }
    QElapsedTimer clock;
    clock.start();
    for (int d = 0; d < clients; ++d)
        sendNext(d);
    const bool done = waitUntil([&] { return answered == Saves || failed; });
    const double elapsed = seconds(clock);
    deployment.closeClients();
    if (!done || failed)
        return {};
    clock.start();
    if (deployment.figure(QStringLiteral("clients")).contains(-1))
        return {};
    return {Saves / elapsed, clock.nsecsElapsed() / 1e6};
}

// The batches of "Push_positions", step by step; a unit's reports all go
// through one pusher, in order.
QList<QByteArray> batchesOf(const Layout &layout, int pusher)
{
    QList<QByteArray> batches;
    for (int step = 0; step < Steps; ++step) {
        for (int first = pusher * BatchSize; first < Units; first += Pushers * BatchSize) {
            QList<LiveMessages::PositionReport> reports;
            for (int u = first; u < first + BatchSize; ++u) {
                const QPoint spot = layout.spots.at(u / UnitsPerRoute);
                reports.append({layout.units.at(u), quint32(layout.checkTime + 100 + step),
                                step % 2 ? spot : spot + QPoint(0, AwayOffset)});
            }
            batches << LiveMessages::positionsBody(reports);
        }
    }
    return batches;
}

struct ReportRate
{
    double perSecond = -1;
    int unheard = 0; // reports some listener never heard (thinned away for a slow reader)
};

// Reports a second: pushers send every batch at once; the clock stops when a
// listener of each server has heard every unit's last report.
ReportRate measureReports(Deployment &deployment)
{
    const Layout &layout = deployment.layout();
    const quint32 lastTime = quint32(layout.checkTime + 100 + Steps - 1);
    const int servers = deployment.serverCount();
    QVector<int> heard(servers), finished(servers);
    for (int s = 0; s < servers; ++s) {
        FrameClient *listener = deployment.connect(s);
        if (!listener)
            return {};
        QObject::connect(listener, &FrameClient::newsReceived,
                         [&, s](const QByteArray &command, const QByteArray &body) {
                             if (command != Commands::UnitPositions)
                                 return;
                             const auto reports = LiveMessages::readPositions(body);
                             for (const LiveMessages::PositionReport &r : reports.value_or(
                                      QList<LiveMessages::PositionReport>())) {
                                 ++heard[s];
                                 finished[s] += r.time == lastTime;
                             }
                         });
    }
    QList<FrameClient *> pushers;
    QList<QList<QByteArray>> batches;
    for (int p = 0; p < Pushers; ++p) {
        pushers << deployment.connect(p % servers);
        batches << batchesOf(layout, p);
    }
    if (pushers.contains(nullptr))
        return {};
    QElapsedTimer clock;
    clock.start();
    for (int p = 0; p < Pushers; ++p) {
        for (const QByteArray &batch : qAsConst(batches.at(p)))
            pushers.at(p)->send(Commands::PushPositions, batch);
    }
    const bool done = waitUntil([&] {
        return std::all_of(finished.cbegin(), finished.cend(), [](int n) { return n == Units; });
    });
    const QList<qint64> accepted = deployment.figure(QStringLiteral("reports_accepted"));
    ReportRate rate;
    if (done && std::accumulate(accepted.cbegin(), accepted.cend(), qint64(0)) == Reports) {
        rate.perSecond = Reports / seconds(clock);
        for (int s = 0; s < servers; ++s)
            rate.unheard += Reports - heard.at(s);
    }
    deployment.closeClients();
    return rate;
}

double percentile(QList<double> samples, double fraction)
{
    std::sort(samples.begin(), samples.end());
    return samples.at(std::min(int(samples.size() * fraction), int(samples.size()) - 1));
}

// From sending a rename through the first server until a client of the last
// one (another client of the same server when alone) hears "Rule_tree_changed",
// in ms; empty on a failure.
QList<double> measureNotices(Deployment &deployment)
{
    FrameClient *editor = deployment.connect(0);
    FrameClient *other = deployment.connect(deployment.serverCount() - 1);
    if (!editor || !other)
        return {};
    QElapsedTimer clock;
    double heardAt = -1;
    QObject::connect(other, &FrameClient::replyReceived, [&](const QByteArray &command) {
        if (command == Commands::RuleTreeChanged)
            heardAt = clock.nsecsElapsed() / 1e6;
    });
    QList<double> delays;
    for (int n = 0; n < Changes; ++n) {
        heardAt = -1;
        clock.start();
        const auto body = UnitMessages::idTextBody(
            {deployment.layout().renamed, QStringLiteral("Notices %1").arg(n)});
        if (!exchange(editor, Commands::RenameRuleNode, body)
            || !waitUntil([&] { return heardAt >= 0; }))
            return {};
        delays << heardAt;
    }
    deployment.closeClients();
    return delays;
}

// A random part of a beat before a restart: a round ends just after a beat of
// the survivor, so a server restarted at once would beat in step with it, and
// the kills would all fall at the same point of its beat.
void pauseOffBeat()
{
    const int ms = QRandomGenerator::global()->bounded(InstanceLease::HeartbeatMs);
    waitUntil([] { return false; }, ms);
}

// From killing the second server until the first says it is alone and judges
// every checked route, polled every PollMs, in ms; empty on a failure.
QList<double> measureTakeovers(Deployment &deployment)
{
    QList<double> takeovers;
    for (int round = 0; round < TakeoverRounds; ++round) {
        FrameClient *survivor = deployment.connect(0);
        if (!survivor)
            return {};
        const auto alone = [survivor] {
            const QHash<QString, qint64> figures = stats(survivor);
            return figures.value("servers") == 1 && figures.value("routes_judged") == Routes;
        };
        QElapsedTimer clock;
        clock.start();
        deployment.kill(1);
        if (!pollUntil(alone))
            return {};
        takeovers << clock.nsecsElapsed() / 1e6;
        deployment.closeClients();
        pauseOffBeat();
        if (!deployment.restart(1) || !deployment.allCount(2))
            return {};
    }
    return takeovers;
}

void header(const char *measured, const char *baseline)
{
    std::printf("%-50s %13s %13s %8s\n", "case", measured, baseline, "ratio");
}

void row(const QString &name, double measured, double baseline, const char *unit)
{
    std::printf("%-50s %10.1f %-2s %10.1f %-2s %7.2fx\n", qPrintable(name), measured, unit,
                baseline, unit, measured / baseline);
    std::fflush(stdout);
}

struct Figures
{
    SaveRate saves;
    ReportRate reports;
    QList<double> notices;
    QList<double> takeovers; // two servers only
    QList<qint64> shares;    // likewise: routes judged by each
};

bool measure(const Setup &setup, Figures *figures)
{
    Deployment deployment;
    QString error;
    if (!deployment.start(setup, &error)) {
        std::fprintf(stderr, "bench_instances: %s: %s\n", setup.name, qPrintable(error));
        return false;
    }
    const auto failed = [&setup](const char *step) {
        std::fprintf(stderr, "bench_instances: %s: %s failed\n", setup.name, step);
        return false;
    };
    figures->saves = measureSaves(deployment);
    if (figures->saves.perSecond < 0)
        return failed("the saves");
    figures->reports = measureReports(deployment);
    if (figures->reports.perSecond < 0)
        return failed("the reports");
    figures->notices = measureNotices(deployment);
    if (figures->notices.isEmpty())
        return failed("the notices");
    if (setup.servers > 1) {
        figures->shares = deployment.figure(QStringLiteral("routes_judged"));
        figures->takeovers = measureTakeovers(deployment);
        if (figures->takeovers.isEmpty())
            return failed("the takeovers");
    }
    return true;
}

void print(const Setup *setups, const Figures *figures, int count)
{
    const Figures &base = figures[0];
    std::printf("\nper second, more is better; baseline: %s\n", setups[0].name);
    header("measured", "baseline");
    for (int i = 1; i < count; ++i)
        row(QStringLiteral("saves, %1").arg(setups[i].name), figures[i].saves.perSecond,
            base.saves.perSecond, "/s");
    for (int i = 1; i < count; ++i)
        row(QStringLiteral("reports, %1").arg(setups[i].name), figures[i].reports.perSecond,
            base.reports.perSecond, "/s");
    std::printf("\nafter the saves, until every server answers again, less is better\n");
    header("measured", "baseline");
    for (int i = 1; i < count; ++i)
        row(QStringLiteral("catching up, %1").arg(setups[i].name), figures[i].saves.catchUpMs,
            base.saves.catchUpMs, "ms");
    std::printf("\nnotice delay, from sending a rename until a client of the other server"
                " (alone: another client) hears of it, less is better\n");
    header("measured", "baseline");
    for (int i = 1; i < count; ++i) {
        row(QStringLiteral("median, %1").arg(setups[i].name), percentile(figures[i].notices, 0.5),
            percentile(base.notices, 0.5), "ms");
        row(QStringLiteral("95th percentile, %1").arg(setups[i].name),
            percentile(figures[i].notices, 0.95), percentile(base.notices, 0.95), "ms");
    }
    for (int i = 0; i < count; ++i) {
        if (figures[i].reports.unheard)
            std::printf("note: %s: %d reports thinned away for a slow listener\n", setups[i].name,
                        figures[i].reports.unheard);
        if (figures[i].takeovers.isEmpty())
            continue;
        QStringList shares;
        for (qint64 share : figures[i].shares)
            shares << QString::number(share);
        std::printf("\n%s: the servers judge %s of the %d checked routes\n", setups[i].name,
                    qPrintable(shares.join(QStringLiteral(" + "))), Routes);
        std::printf("takeover after kill -9, %s, %d rounds,"
                    " polled every %d ms; baseline: the lease\n",
                    setups[i].name, TakeoverRounds, PollMs);
        header("measured", "lease");
        const QList<double> &t = figures[i].takeovers;
        row(QStringLiteral("fastest"), percentile(t, 0.0), InstanceLease::LeaseMs, "ms");
        row(QStringLiteral("median"), percentile(t, 0.5), InstanceLease::LeaseMs, "ms");
        row(QStringLiteral("slowest"), percentile(t, 1.0), InstanceLease::LeaseMs, "ms");
        // The dead one beat last up to a beat before the kill; the survivor
        // sees its lease run out at its own next beat after that.
        std::printf("(a lease lasts %d ms and is renewed every %d ms: the routes pass on"
                    " %d to %d ms after the kill)\n",
                    InstanceLease::LeaseMs, InstanceLease::HeartbeatMs,
                    InstanceLease::LeaseMs - InstanceLease::HeartbeatMs,
                    InstanceLease::LeaseMs + InstanceLease::HeartbeatMs);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("OC_TEST_POSTGRES")) {
        std::fprintf(stderr, "bench_instances: OC_TEST_POSTGRES names no PostgreSQL cluster;"
                             " run it as scripts/with-postgres %s\n", argv[0]);
        return 2;
    }
    const Setup setups[] = {{"SQLite, 1 server", false, 1},
                            {"PostgreSQL, 1 server", true, 1},
                            {"PostgreSQL, 2 servers", true, 2}};
    constexpr int SetupCount = int(sizeof setups / sizeof *setups);
    std::printf("route-check servers on one database: %d saves of %d sections x %d zones by %d"
                " clients a server; %d reports in batches of %d from %d pushers, %d units on %d"
                " checked routes; %d renames\n",
                Saves, SavedSections, ZonesPerSection, ClientsPerServer, Reports, BatchSize,
                Pushers, Units, Routes, Changes);
    // SQLite syncs each commit (the server leaves its default); a throwaway cluster does not.
    std::printf("(%d cores shared by the servers, PostgreSQL and this program's clients;"
                " PostgreSQL fsync %s, SQLite synchronous at its default)\n",
                QThread::idealThreadCount(),
                qPrintable(onCluster(QStringLiteral("SHOW fsync")).value_or("unknown")));
    QFile load(QStringLiteral("/proc/loadavg")); // what else kept the cores busy
    if (load.open(QIODevice::ReadOnly))
        std::printf("(load average at the start: %s)\n",
                    load.readAll().split(' ').value(0).constData());
    Figures figures[SetupCount];
    for (int i = 0; i < SetupCount; ++i) {
        if (!measure(setups[i], &figures[i]))
            return 1;
    }
    print(setups, figures, SetupCount);
    return 0;
}
