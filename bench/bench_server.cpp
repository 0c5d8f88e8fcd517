// What a "Fix_routes" save and a "Get_tree_rulecheck" reply cost the server,
// against plain QtSql doing the same rows' work on a twin file, in one run.
//
// The server is driven in-process through the entry its connections use, so
// the save's reply, the live checking's update and the states that follow the
// tree are all counted; sockets are left out. Every stored route is checked:
// 5 sections of one zone each (from a pool of 5,000 circles), 2 units of 500.
// A save writes 1,000 new routes under empty nodes; between runs a second,
// untimed save deletes them again.

#include "Database.h"
#include "LayerStore.h"
#include "RouteCheckServer.h"
#include "RuleStore.h"
#include "SqlTransaction.h"
#include "TrackedObjectStore.h"

#include "records/GraphObData.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"
#include "wire/Commands.h"
#include "wire/RouteMessages.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Saved = 1000;
constexpr int Sections = 5;
constexpr int Units = 500;
constexpr int Zones = 5000;
constexpr int Runs = 9;

RouteRecord makeRoute(int id, int index, quint32 checkTime, qint32 firstZone, qint32 firstUnit)
{
    RouteRecord route(id);
    route.checkOn = 1, route.checkTimeType = 0, route.checkTime = checkTime;
    route.objects = {firstUnit + index % Units, firstUnit + (index + 7) % Units};
    for (int s = 0; s < Sections; ++s) {
        auto *section = new SectionRecord;
        section->id = s + 1;
        section->name = QStringLiteral("Section %1").arg(s + 1);
        section->graphObjectIds = {firstZone + (index * Sections + s) % Zones};
        section->checkTimeIn = 600 * s, section->checkTimeOut = 600 * s + 300;
        section->checkTimeInAhead = section->checkTimeOutAhead = 60;
        section->checkTimeInBehind = section->checkTimeOutBehind = 120;
        section->deriveSchedule();
        route.sections.append(section);
    }
    return route;
}

struct Fixture
{
    QList<RouteRecord> stored;
    QList<RouteRecord> saved; // under nodes without a route
    QByteArray saveBody;
    QByteArray deleteBody;
};

// Nodes, units and zones, the stored routes, and the save's bodies; the same
// ids on every file filled alike.
bool fill(Database &db, int storedCount, Fixture *fixture)
{
    SqlTransaction transaction(db.connection());
    TrackedObjectStore units(db);
    LayerStore layers(db);
    RuleStore rules(db);
    qint32 firstUnit = 0, firstZone = 0;
    for (int u = 0; u < Units; ++u) {
        const qint32 id =
            units.add(0, QStringLiteral("Unit %1").arg(u), TrackedObjectStore::Kind::Unit, u);
        firstUnit = u ? firstUnit : id;
    }
    const qint32 layer = layers.addLayer(0, QStringLiteral("Zones"), 1, 0);
    for (int z = 0; z < Zones; ++z) {
        GraphObData circle;
        circle.type = 4;
        circle.points = {QPoint(376000000 + 2000 * (z % 100), 556000000 + 2000 * (z / 100))};
        circle.properties.insert(QStringLiteral("Diameter"), 150);
        const qint32 id = layers.addObject(layer, circle, z);
        firstZone = z ? firstZone : id;
    }
    const quint32 checkTime = quint32(QDateTime::currentSecsSinceEpoch() - 3600);
    fixture->stored.clear();
    fixture->saved.clear();
    qint32 group = 0; // a group node per 100 routes
    for (int r = 0; r < storedCount + Saved; ++r) {
        if (r % 100 == 0)
            group = rules.addNode(0, QStringLiteral("Group %1").arg(r / 100), 1, r);
        const qint32 node = rules.addNode(group, QStringLiteral("Route %1").arg(r), 3, r);
        const RouteRecord route = makeRoute(node, r, checkTime, firstZone, firstUnit);
        if (r < storedCount) {
            if (!rules.storeRoute(route))
                return false;
            fixture->stored.append(route);
        } else {
            fixture->saved.append(route);
        }
    }
    if (!transaction.commit())
        return false;

    fixture->saveBody.clear();
    fixture->deleteBody.clear();
    QDataStream save(&fixture->saveBody, QIODevice::WriteOnly);
    save.setVersion(QDataStream::Qt_4_5);
    QSet<int> ids;
    for (const RouteRecord &route : qAsConst(fixture->saved)) {
        RouteMessages::writeSaveEntry(save, route.id, route);
        ids.insert(route.id);
    }
    RouteMessages::writeSaveEnd(save, {});
    QDataStream remove(&fixture->deleteBody, QIODevice::WriteOnly);
    remove.setVersion(QDataStream::Qt_4_5);
    RouteMessages::writeSaveEnd(remove, ids);
    return true;
}

// The rows a save of these routes adds, in one transaction of prepared inserts.
bool insertRaw(const QSqlDatabase &db, const QList<RouteRecord> &routes)
{
    SqlTransaction transaction(db);
    QSqlQuery route(db), object(db), section(db), sectionObject(db);
    route.prepare(QStringLiteral("INSERT INTO routes (node_id, check_on, check_time_type,"
                                 " check_time, fifth_field) VALUES (?, ?, ?, ?, ?)"));
    object.prepare(QStringLiteral("INSERT INTO route_objects (route_id, position, object_id)"
                                  " VALUES (?, ?, ?)"));
    section.prepare(QStringLiteral(
        "INSERT INTO sections (route_id, position, section_id, name, check_time_in,"
        " check_time_out, message_on_time_in, message_on_time_out, time_in_ahead,"
        " time_in_behind, time_out_ahead, time_out_behind)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    sectionObject.prepare(QStringLiteral("INSERT INTO section_objects (route_id,"
                                         " section_position, position, object_id)"
                                         " VALUES (?, ?, ?, ?)"));
    bool ok = true;
    for (const RouteRecord &r : routes) {
        for (const QVariant &v : {QVariant(r.id), QVariant(r.checkOn), QVariant(r.checkTimeType),
                                  QVariant(qint64(r.checkTime)), QVariant(r.fifthField)})
            route.addBindValue(v);
        ok = ok && route.exec();
        for (int i = 0; i < r.objects.size(); ++i) {
            object.addBindValue(r.id), object.addBindValue(i);
            object.addBindValue(r.objects.at(i));
            ok = ok && object.exec();
        }
        for (int p = 0; p < r.sections.size(); ++p) {
            const SectionRecord &s = *r.sections.at(p);
            for (const QVariant &v :
                 {QVariant(r.id), QVariant(p), QVariant(s.id), QVariant(s.name),
                  QVariant(s.checkTimeIn), QVariant(s.checkTimeOut),
                  QVariant(int(s.messageOnTimeIn)), QVariant(int(s.messageOnTimeOut)),
                  QVariant(s.checkTimeInAhead),
                  QVariant(s.checkTimeInBehind), QVariant(s.checkTimeOutAhead),
                  QVariant(s.checkTimeOutBehind)})
                section.addBindValue(v);
            ok = ok && section.exec();
            for (int i = 0; i < s.graphObjectIds.size(); ++i) {
                sectionObject.addBindValue(r.id), sectionObject.addBindValue(p);
                sectionObject.addBindValue(i), sectionObject.addBindValue(s.graphObjectIds.at(i));
                ok = ok && sectionObject.exec();
            }
        }
    }
    return ok && transaction.commit();
}

// Every row and column the rule tree is made of, read plainly.
qint64 selectRaw(const QSqlDatabase &db)
{
    qint64 sum = 0;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    for (const char *sql :
         {"SELECT id, parent_id, name, type_bits FROM rule_nodes ORDER BY sort_order, id",
          "SELECT node_id, check_on, check_time_type, check_time, fifth_field FROM routes",
          "SELECT route_id, object_id FROM route_objects ORDER BY route_id, position",
          "SELECT route_id, position, section_id, name, check_time_in, check_time_out,"
          " message_on_time_in, message_on_time_out, time_in_ahead, time_in_behind,"
          " time_out_ahead, time_out_behind FROM sections ORDER BY route_id, position",
          "SELECT route_id, section_position, object_id FROM section_objects"
          " ORDER BY route_id, section_position, position"}) {
        query.exec(QString::fromLatin1(sql));
        const int columns = query.record().count();
        while (query.next()) {
            for (int c = 0; c < columns; ++c) {
                const QVariant value = query.value(c);
                sum += value.type() == QVariant::String ? value.toString().size()
                                                        : value.toLongLong();
            }
        }
    }
    return sum;
}

double median(QList<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.at(samples.size() / 2);
}

double millis(const std::function<void()> &run)
{
    QElapsedTimer timer;
    timer.start();
    run();
    return timer.nsecsElapsed() / 1e6;
}

void row(const char *name, double server, double baseline)
{
    std::printf("%-44s %10.1f ms %10.1f ms %8.2fx\n", name, server, baseline, server / baseline);
    std::fflush(stdout);
}

struct Measured
{
    double save = 0.0;
    double rawSave = 0.0;
    double tree = 0.0;
    double rawSelect = 0.0;
};

bool measure(const QTemporaryDir &dir, int storedCount, bool tree, Measured *m)
{
    const QString tag = QString::number(storedCount);
    Fixture fixture;
    Database raw;
    QString error;
    if (!raw.open(dir.filePath(QStringLiteral("raw-%1.sqlite").arg(tag)), &error)
        || !fill(raw, storedCount, &fixture))
        return false;
    {
        Database seeded;
        if (!seeded.open(dir.filePath(QStringLiteral("server-%1.sqlite").arg(tag)), &error)
            || !fill(seeded, storedCount, &fixture))
            return false;
    }
    ServerOptions options;
    options.port = 0;
    options.databasePath = dir.filePath(QStringLiteral("server-%1.sqlite").arg(tag));
    RouteCheckServer server(options);
    if (!server.start(&error))
        return false;

    struct Counting : ReplySink
    {
        int replies = 0;
        qint64 replyBytes = 0;
        void sendReply(const QByteArray &, const QByteArray &body) override
        {
            ++replies;
            replyBytes += body.size();
        }
        void sendRouteState(qint32, const QByteArray &body) override { sendReply({}, body); }
    } counting;
    Counting *sink = &counting;
    int &replies = counting.replies;
    qint64 &replyBytes = counting.replyBytes;
    // A save is written on the server's writer thread; its reply comes back here.
    const auto save = [&](const QByteArray &body) {
        const int before = replies;
        server.serve(Commands::FixRoutes, body, sink);
        while (replies == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    QList<double> saves, rawSaves, trees, selects;
    for (int run = 0; run < Runs; ++run) {
        replies = 0;
        saves << millis([&] { save(fixture.saveBody); });
        if (replies != 1)
            return false;
        save(fixture.deleteBody);
        bool ok = false;
        rawSaves << millis([&] { ok = insertRaw(raw.connection(), fixture.saved); });
        if (!ok || !raw.exec(QStringLiteral("DELETE FROM routes WHERE node_id >= %1")
                                 .arg(fixture.saved.first().id)))
            return false;
        if (tree) {
            replies = 0, replyBytes = 0;
            trees << millis([&] { server.serve(Commands::GetRuleTree, QByteArray(), sink); });
            qint64 sum = 0;
            selects << millis([&] { sum = selectRaw(raw.connection()); });
            if (replies != storedCount + 1 || sum == 0)
                return false;
        }
    }
    m->save = median(saves), m->rawSave = median(rawSaves);
    if (tree)
        m->tree = median(trees), m->rawSelect = median(selects);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("route-check server: saves of %d routes x %d sections, medians of %d runs\n",
                Saved, Sections, Runs);
    std::printf("%-44s %13s %13s %9s\n", "case", "server", "baseline", "ratio");
    Measured small, large;
    if (!measure(dir, 1000, false, &small) || !measure(dir, 20000, true, &large)) {
        std::fprintf(stderr, "bench_server: a step failed\n");
        return 1;
    }
    row("save 1,000 routes, 1k stored / raw insert", small.save, small.rawSave);
    row("save 1,000 routes, 20k stored / raw insert", large.save, large.rawSave);
    row("save, 20k stored / 1k stored", large.save, small.save);
    row("Get_tree_rulecheck, 20k routes / raw SELECT", large.tree, large.rawSelect);
    return 0;
}
