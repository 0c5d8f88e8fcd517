// Writes the fuzz target's seed corpus with the plug-in's own writers. Each
// seed is the reader's selector byte followed by one server body.
// Usage: make_corpus <directory>
#include "wire/LayerMessages.h"
#include "wire/RouteMessages.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include "wire/LiveMessages.h"

#include <QByteArray>
#include <QColor>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <functional>

namespace {

enum Selector : char {
    RouteTree = 0,
    LayerRecords = 1,
    CheckModeReply = 2,
    SectionsState = 3,
    LayerTree = 4,
    Positions = 5,
    Events = 6,
    EventsRequest = 7,
};

QByteArray body(const std::function<void(QDataStream &)> &write)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    write(out);
    return bytes;
}

SectionRecord *section(int id, const QString &name, const QList<int> &objects, int in, int out)
{
    auto *record = new SectionRecord;
    record->id = id;
    record->name = name;
    record->graphObjectIds = objects;
    record->checkTimeIn = in;
    record->checkTimeOut = out;
    record->checkTimeInAhead = 60;
    record->checkTimeOutBehind = 120;
    record->messageOnTimeOut = false;
    return record;
}

// Node head with no children, then the has-route flag and the route.
void writeRouteNode(QDataStream &out, qint32 id, const QString &name, const RouteRecord &route)
{
    out << id << name << qint32(3) << qint32(0) << true;
    RouteMessages::writeRoute(out, route);
}

QByteArray routeTree()
{
    RouteRecord north(11);
    north.checkOn = 1;
    north.checkTimeType = 4;
    north.checkTime = 1700000000u;
    north.objects = {1, 2};
    north.sections << section(1, QStringLiteral("Gate"), {101, 102}, 3600, 7200)
                   << section(2, QString(), {103}, -1, -1);
    RouteRecord south(20);
    south.sections << section(5, QStringLiteral("Выезд"), {104}, 0, 60);

    return body([&](QDataStream &out) {
        out << qint32(3);
        out << qint32(10) << QStringLiteral("North") << qint32(3) << qint32(1);
        writeRouteNode(out, 11, QStringLiteral("Route A"), north);
        out << false;
        writeRouteNode(out, 20, QStringLiteral("South"), south);
        // A node the type filter drops, read in full all the same.
        out << qint32(30) << QStringLiteral("Hidden") << qint32(2) << qint32(0) << false;
    });
}

GraphObData record(qint32 type, qint32 id, const QList<QPoint> &points)
{
    GraphObData data;
    data.type = type;
    data.id = id;
    data.name = QStringLiteral("Object %1").arg(id);
    data.points = points;
    data.properties.insert(QStringLiteral("Comment"), QStringLiteral("seed"));
    return data;
}

QList<GraphObData> layerRecords()
{
    const QPoint a(376000000, 557500000);
    const QPoint b(376100000, 557560000);
    const QPoint c(376200000, 557500000);

    GraphObData icon = record(1, 101, {a});
    icon.properties.insert(QStringLiteral("IconName"), QStringLiteral("House"));
    GraphObData line = record(2, 102, {a, b, c});
    line.properties.insert(QStringLiteral("Width"), 30);
    line.properties.insert(QStringLiteral("Color"), QColor(Qt::red));
    GraphObData polygon = record(3, 103, {a, b, c});
    polygon.properties.insert(QStringLiteral("Brush"), QColor(0, 128, 0, 100));
    GraphObData circle = record(4, 104, {b});
    circle.properties.insert(QStringLiteral("Diameter"), 250);
    circle.properties.insert(QStringLiteral("Tags"), QStringList{QStringLiteral("a")});
    GraphObData cone = record(5, 105, {a, b});
    cone.properties.insert(QStringLiteral("Angle"), 1.5);
    return {icon, line, polygon, circle, cone};
}

QByteArray layerTree()
{
    const QList<GraphObData> records = layerRecords();
    return body([&](QDataStream &out) {
        out << qint32(1) << qint32(1) << QStringLiteral("Layer") << qint32(1);
        out << qint32(1) << qint32(2) << QStringLiteral("Sublayer") << qint32(1) << qint32(0);
        out << qint32(1);
        WriteGraphObData(out, records.at(0));
        out << qint32(records.size() - 1);
        for (int i = 1; i < records.size(); ++i)
            WriteGraphObData(out, records.at(i));
    });
}

bool writeSeed(const QDir &dir, const QString &name, Selector selector, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(QByteArray(1, selector) + bytes) == bytes.size() + 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;

    const QList<GraphObData> records = layerRecords();
    const QByteArray allRecords = body([&](QDataStream &out) {
        for (const GraphObData &data : records)
            WriteGraphObData(out, data);
    });
    const QList<RouteMessages::SectionState> states{{1, 1}, {2, 2}, {7, 3}};

    bool ok = true;
    ok &= writeSeed(dir, QStringLiteral("route-tree"), RouteTree, routeTree());
    ok &= writeSeed(dir, QStringLiteral("route-tree-empty"), RouteTree,
                    body([](QDataStream &out) { out << qint32(0); }));
    ok &= writeSeed(dir, QStringLiteral("layer-records"), LayerRecords, allRecords);
    const QByteArray checkOn = body([](QDataStream &out) {
        out << quint32(1700000000u) << QList<int>{11, 20};
    });
    ok &= writeSeed(dir, QStringLiteral("check-mode-on"), CheckModeReply, checkOn);
    ok &= writeSeed(dir, QStringLiteral("check-mode-off"), CheckModeReply,
                    body([](QDataStream &out) { out << quint32(0) << QList<int>{11}; }));
    ok &= writeSeed(dir, QStringLiteral("sections-state"), SectionsState,
                    RouteMessages::sectionsStateBody(11, states));
    ok &= writeSeed(dir, QStringLiteral("sections-state-unknown-route"), SectionsState,
                    RouteMessages::sectionsStateBody(99, {{1, 1}}));
    ok &= writeSeed(dir, QStringLiteral("layer-tree"), LayerTree, layerTree());
    ok &= writeSeed(dir, QStringLiteral("positions"), Positions,
                    LiveMessages::positionsBody({{7, 1700000000u, QPoint(376000000, 556000000)},
                                                 {8, 1700000010u, QPoint(-1, 2)}}));
    LiveMessages::CheckEvent event;
    event.id = 3;
    event.time = 1700000000u;
    event.routeId = 11;
    event.routeName = QStringLiteral("Route A");
    event.sectionId = 1;
    event.sectionName = QStringLiteral("Gate");
    event.unitId = 7;
    event.kind = LiveMessages::CheckEvent::TimeOut;
    event.deviation = -120;
    ok &= writeSeed(dir, QStringLiteral("events"), Events, LiveMessages::eventsBody({event}));
    ok &= writeSeed(dir, QStringLiteral("events-request"), EventsRequest,
                    LiveMessages::eventsRequestBody(50));
    return ok ? 0 : 1;
}
