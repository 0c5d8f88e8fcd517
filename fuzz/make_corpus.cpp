// Writes the fuzz target's seed corpus with the wire's own writers. Each seed
// is the reader's selector byte followed by one body.
// Usage: make_corpus <directory>
#include "FuzzSeeds.h"

#include "wire/Frame.h"
#include "wire/LayerMessages.h"
#include "wire/LiveMessages.h"
#include "wire/RouteMessages.h"

#include <QDataStream>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace FuzzSeeds;

namespace {

QByteArray checkModeReply(quint32 checkTime, const QList<int> &routeIds)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << checkTime << routeIds;
    return bytes;
}

QByteArray allRecords()
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    for (const GraphObData &data : layerRecords())
        WriteGraphObData(out, data);
    return bytes;
}

LiveMessages::CheckEvent event()
{
    LiveMessages::CheckEvent e;
    e.id = 3;
    e.time = 1700000000u;
    e.routeId = 11;
    e.routeName = QStringLiteral("Route A");
    e.sectionId = 1;
    e.sectionName = QStringLiteral("Gate");
    e.unitId = 7;
    e.kind = LiveMessages::CheckEvent::TimeOut;
    e.deviation = -120;
    return e;
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

    const QList<QPair<const char *, QByteArray>> seeds{
        {"route-tree", RouteTree + routeTree()},
        {"route-tree-empty", RouteTree + TreeBodies::ruleTree({})},
        {"layer-records", LayerRecords + allRecords()},
        {"check-mode-on", CheckModeReply + checkModeReply(1700000000u, {11, 20})},
        {"check-mode-off", CheckModeReply + checkModeReply(0, {11})},
        {"sections-state",
         SectionsState + RouteMessages::sectionsStateBody(11, {{1, 1}, {2, 2}, {7, 3}})},
        {"sections-state-unknown-route",
         SectionsState + RouteMessages::sectionsStateBody(99, {{1, 1}})},
        {"layer-tree", LayerTree + layerTree()},
        {"positions", Positions + LiveMessages::positionsBody(
                                      {{7, 1700000000u, QPoint(376000000, 556000000)},
                                       {8, 1700000010u, QPoint(-1, 2)}})},
        {"events", Events + LiveMessages::eventsBody({event()})},
        {"events-request", EventsRequest + LiveMessages::eventsRequestBody(50)},
        {"frames", Frames + Frame::encode(Frame::Request{"OperCheck_Server1", "Auth_token", "t"})
                       + Frame::encode(Frame::Request{"OperCheck_Server1", "Get_tree_rulecheck",
                                                      {}})},
    };
    bool ok = true;
    for (const auto &seed : seeds) {
        QFile file(dir.filePath(QString::fromLatin1(seed.first)));
        ok &= file.open(QIODevice::WriteOnly | QIODevice::Truncate)
              && file.write(seed.second) == seed.second.size();
    }
    return ok ? 0 : 1;
}
