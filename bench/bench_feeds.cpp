// How many device fixes a second the OsmAnd listener takes in, one fix per
// HTTP request on keep-alive connections, against the same fixes pushed as
// "Push_positions" frames of one report each, in one run. Both are counted
// until the server has checked every fix, so the figure is the whole path:
// transport, reading, the device's unit, the checking engine.

#include "Database.h"
#include "DeviceFeeds.h"
#include "LiveChecker.h"
#include "RouteCheckServer.h"
#include "TrackedObjectStore.h"

#include "wire/Commands.h"
#include "wire/Frame.h"
#include "wire/LiveMessages.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr int Devices = 200;
constexpr int Fixes = 20000;
constexpr int Connections = 4;
constexpr int Runs = 3;

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const QByteArray &bytes)
{
    qint64 sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

// Reads one reply head; the listener's replies to good fixes have no body.
bool readOk(int fd, QByteArray *buffer)
{
    char chunk[512];
    while (!buffer->contains("\r\n\r\n")) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        buffer->append(chunk, int(n));
    }
    const int end = buffer->indexOf("\r\n\r\n") + 4;
    const bool ok = buffer->startsWith("HTTP/1.1 200");
    buffer->remove(0, end);
    return ok;
}

// Fix i: device i % Devices, one second after fix i - 1, so each device's
// fixes come in order on the one connection that carries it.
struct FixPlan
{
    quint32 firstTime = quint32(QDateTime::currentSecsSinceEpoch()) - 2 * Runs * Fixes - 600;
    qint32 firstUnit = 0;

    int device(int i) const { return i % Devices; }
    quint32 time(int i) const { return firstTime + quint32(i); }
    double latitude(int i) const { return 55.0 + (i % 1000) * 1e-4; }
    double longitude(int i) const { return 37.0 + (i % 997) * 1e-4; }
};

void sendHttp(int fd, const FixPlan &plan, int connection, bool *ok)
{
    QByteArray buffer;
    *ok = fd >= 0;
    for (int i = connection; *ok && i < Fixes; i += Connections) {
        const QByteArray request =
            QStringLiteral("GET /?id=bench-%1&lat=%2&lon=%3&timestamp=%4&speed=12.5 HTTP/1.1\r\n"
                           "Host: localhost\r\n\r\n")
                .arg(plan.device(i))
                .arg(plan.latitude(i), 0, 'f', 6)
                .arg(plan.longitude(i), 0, 'f', 6)
                .arg(plan.time(i))
                .toLatin1();
        *ok = sendAll(fd, request) && readOk(fd, &buffer);
    }
}

// The server sends the pusher the positions it accepted; they are read until
// the run is over, so that its replies never back up.
void sendPushes(int fd, const FixPlan &plan, int connection, bool *ok)
{
    *ok = fd >= 0;
    for (int i = connection; *ok && i < Fixes; i += Connections) {
        LiveMessages::PositionReport report;
        report.unitId = plan.firstUnit + plan.device(i);
        report.time = plan.time(i);
        report.position = QPoint(int(plan.longitude(i) * 1e7), int(plan.latitude(i) * 1e7));
        *ok = sendAll(fd, Frame::encode(Frame::Request{Commands::ServerName,
                                                       Commands::PushPositions,
                                                       LiveMessages::positionsBody({report})}));
    }
    char drain[4096];
    while (*ok && ::recv(fd, drain, sizeof drain, 0) > 0) {
    }
}

qint64 accepted(const RouteCheckServer &server)
{
    for (const LiveMessages::ServerStat &stat : server.liveChecker()->stats()) {
        if (stat.name == QLatin1String("reports_accepted"))
            return stat.value;
    }
    return -1;
}

// Seconds from the first byte until the server has checked every fix.
double drive(RouteCheckServer &server, quint16 port, const FixPlan &plan,
             void (*send)(int, const FixPlan &, int, bool *))
{
    const qint64 target = accepted(server) + Fixes;
    int fds[Connections];
    for (int &fd : fds)
        fd = connectTo(port);
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> senders;
    bool ok[Connections] = {};
    for (int c = 0; c < Connections; ++c)
        senders.emplace_back(send, fds[c], std::cref(plan), c, &ok[c]);
    const QDeadlineTimer deadline(120 * 1000);
    while (accepted(server) < target && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double seconds = timer.nsecsElapsed() / 1e9;
    for (const int fd : fds)
        ::shutdown(fd, SHUT_RDWR); // ends the pushers' reading
    for (std::thread &each : senders)
        each.join();
    for (const int fd : fds)
        ::close(fd);
    const bool allOk = std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; });
    return allOk && accepted(server) == target ? seconds : -1;
}

bool addUnits(Database &db, FixPlan *plan)
{
    TrackedObjectStore units(db);
    const qint32 group = units.add(0, QStringLiteral("Bench"), TrackedObjectStore::Kind::Group, 0);
    for (int d = 0; d < Devices; ++d) {
        const qint32 id = units.add(group, QStringLiteral("Unit %1").arg(d),
                                    TrackedObjectStore::Kind::Unit, d);
        if (id == 0)
            return false;
        if (d == 0)
            plan->firstUnit = id;
        QSqlQuery query(db.connection());
        query.prepare(QStringLiteral("UPDATE tracked_objects SET device_id = ? WHERE id = ?"));
        query.addBindValue(QStringLiteral("bench-%1").arg(d));
        query.addBindValue(id);
        if (!query.exec() || id != plan->firstUnit + d)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    ServerOptions options;
    options.port = 0;
    options.databasePath = dir.filePath(QStringLiteral("feeds.sqlite"));
    options.osmand = {true, QHostAddress(QHostAddress::LocalHost), 0};
    RouteCheckServer server(options);
    QString error;
    FixPlan plan;
    if (!server.start(&error) || !addUnits(server.database(), &plan)) {
        std::fprintf(stderr, "bench_feeds: %s\n", qPrintable(error));
        return 1;
    }
    server.liveChecker()->reload(); // the units added beside the wire
    DeviceFeeds feeds(server);
    if (!feeds.start(&error)) {
        std::fprintf(stderr, "bench_feeds: %s\n", qPrintable(error));
        return 1;
    }
    QList<double> http, push;
    for (int run = 0; run < Runs; ++run) {
        push << drive(server, server.serverPort(), plan, sendPushes);
        plan.firstTime += Fixes; // a new track, so none of it is late
        http << drive(server, feeds.osmandPort(), plan, sendHttp);
        plan.firstTime += Fixes;
        if (push.constLast() <= 0 || http.constLast() <= 0) {
            std::fprintf(stderr, "bench_feeds: a run did not deliver every fix\n");
            return 1;
        }
    }
    std::sort(http.begin(), http.end());
    std::sort(push.begin(), push.end());
    const double httpRate = Fixes / http.at(Runs / 2);
    const double pushRate = Fixes / push.at(Runs / 2);
    std::printf("device fixes: %d fixes of %d devices over %d connections, medians of %d runs\n",
                Fixes, Devices, Connections, Runs);
    std::printf("%-52s %10.0f fixes/s\n", "OsmAnd HTTP, keep-alive, one fix per request",
                httpRate);
    std::printf("%-52s %10.0f fixes/s\n", "Push_positions, one report per frame (baseline)",
                pushRate);
    std::printf("%-52s %9.2fx (goal >= 0.30x and >= 5000 fixes/s)\n", "HTTP / baseline",
                httpRate / pushRate);
    return 0;
}
