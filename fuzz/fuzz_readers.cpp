// One libFuzzer target over every reader of a server body. The first input
// byte picks the reader, the rest is the body:
//   0  "Get_tree_rulecheck" reply (route tree)
//   1  layer-tree records, read one after another until the body ends
//   2  "Set_check_mode" reply, over a loaded route tree
//   3  "Every_sections_state" reply, over a loaded tree with a checked route
//   4  "Get_tree_graphobj" reply (layer tree)
//   5  "Push_positions" / "Unit_positions" body
//   6  "Get_check_events" reply / "Check_events" body
//   7  "Get_check_events" request
// The live message readers must accept only bodies their writers would write
// again byte for byte.
#include "wire/LayerMessages.h"
#include "wire/StreamRead.h"
#include "wire/RouteMessages.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"
#include "shell/OperativeCheck.h"

#include "testsupport/FakeHost.h"

#include "wire/LiveMessages.h"

#include <QApplication>
#include <QByteArray>
#include <QColor>
#include <QDataStream>
#include <QScopedPointer>
#include <QStandardItem>
#include <QStandardItemModel>

#include <cstddef>
#include <cstdint>

namespace {

constexpr int MapId = 1;

QDataStream &writing(QDataStream &out)
{
    out.setVersion(QDataStream::Qt_4_5);
    return out;
}

SectionRecord *section(int id, const QString &name, const QList<int> &objects)
{
    auto *record = new SectionRecord;
    record->id = id;
    record->name = name;
    record->graphObjectIds = objects;
    record->checkTimeIn = 3600;
    record->checkTimeOut = 7200;
    return record;
}

// Node head, no children, and a route payload (has route, then the route).
void writeRouteNode(QDataStream &out, qint32 id, const QString &name, const RouteRecord &route)
{
    out << id << name << qint32(3) << qint32(0) << true;
    RouteMessages::writeRoute(out, route);
}

// Two top-level nodes; the first holds route 11 one level down, the second is route 20.
QByteArray routeTreeBody()
{
    RouteRecord north(11);
    north.checkOn = 1;
    north.checkTime = 1700000000u;
    north.objects = {1, 2};
    north.sections << section(1, QStringLiteral("Gate"), {101, 102})
                   << section(2, QStringLiteral("Bridge"), {103});
    RouteRecord south(20);
    south.sections << section(5, QStringLiteral("Exit"), {104});

    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    writing(out) << qint32(2);
    out << qint32(10) << QStringLiteral("North") << qint32(3) << qint32(1);
    writeRouteNode(out, 11, QStringLiteral("Route A"), north);
    out << false;
    writeRouteNode(out, 20, QStringLiteral("South"), south);
    return body;
}

// One layer holding an object of each drawable kind, ids 101 to 104.
QByteArray layerTreeBody()
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    writing(out) << qint32(1) << qint32(1) << QStringLiteral("Layer") << qint32(1) << qint32(0);
    out << qint32(4);
    const QPoint a(376000000, 557500000);
    const QPoint b(376100000, 557560000);
    const QPoint c(376200000, 557500000);
    for (int type = 1; type <= 4; ++type) {
        GraphObData record;
        record.type = type;
        record.id = 100 + type;
        record.name = QStringLiteral("Object %1").arg(type);
        record.points = type == 1 ? QList<QPoint>{a} : QList<QPoint>{a, b, c};
        record.properties.insert(QStringLiteral("Color"), QColor(Qt::red));
        record.properties.insert(QStringLiteral("Width"), 30);
        WriteGraphObData(out, record);
    }
    return body;
}

struct Fixture
{
    FakeHost host;
    OperativeCheck plugin;
    QByteArray routeTree = routeTreeBody();
    QByteArray layerTree = layerTreeBody();
};

Fixture *fixture = nullptr;

void reply(const char *command, const QByteArray &body)
{
    QByteArray name(command);
    QByteArray copy(body);
    fixture->plugin.OnServerReply(name, copy);
}

// Known trees, with route 11 ticked, so that replies find routes and sections to act on.
void loadTrees()
{
    reply("Get_tree_rulecheck", fixture->routeTree);
    reply("Get_tree_graphobj", fixture->layerTree);
    if (QStandardItem *item = fixture->plugin.findRouteItem(11))
        item->setCheckState(Qt::Checked);
}

void readLayerRecords(const QByteArray &body)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    while (StreamRead::canRead(in)) {
        const QScopedPointer<GraphObData> record(ReadGraphObData(in));
        if (!record)
            break;
    }
}

void readLiveMessage(int selector, const QByteArray &body)
{
    bool exact = true;
    if (selector == 5) {
        QList<LiveMessages::PositionReport> reports;
        if (LiveMessages::readPositions(body, &reports))
            exact = LiveMessages::positionsBody(reports) == body;
    } else if (selector == 6) {
        QList<LiveMessages::CheckEvent> events;
        if (LiveMessages::readEvents(body, &events))
            exact = LiveMessages::eventsBody(events) == body;
    } else {
        int limit = 0;
        if (LiveMessages::readEventsRequest(body, &limit))
            exact = LiveMessages::eventsRequestBody(limit) == body;
    }
    if (!exact)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt gets its own arguments: it must not take libFuzzer's flags away.
    static int qtArgc = 1;
    static char *qtArgv[] = {*argc > 0 ? (*argv)[0] : nullptr, nullptr};
    new QApplication(qtArgc, qtArgv); // lives as long as the process, never torn down
    fixture = new Fixture;
    fixture->plugin.SetHost(&fixture->host);
    fixture->plugin.BindMap(0, MapId);
    // Fonts and styles are set up on first use and kept for the process: do it
    // here, so that no input is blamed for them.
    loadTrees();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0 || size > (1u << 24))
        return 0;
    const QByteArray body(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    switch (data[0] % 8) {
    case 0:
        reply("Get_tree_rulecheck", body);
        break;
    case 1:
        readLayerRecords(body);
        break;
    case 2:
        loadTrees();
        reply("Set_check_mode", body);
        break;
    case 3:
        loadTrees();
        reply("Every_sections_state", body);
        break;
    case 4:
        reply("Get_tree_graphobj", body);
        break;
    default:
        readLiveMessage(data[0] % 8, body);
        break;
    }
    fixture->host.mapCalls.clear();
    fixture->host.requests.clear();
    return 0;
}
