// One libFuzzer target over every reader of a body from the wire; the first
// input byte picks the reader (Selector), the rest is the body. The panel's
// replies go through the plug-in's interface, as a host delivers them. The
// strict readers must accept only bodies their writers would write again byte
// for byte. `fuzz_readers --write-corpus DIR` writes the seeds instead, with
// the wire's own writers: the selector byte, then one body.
#include "testsupport/FakeHost.h"
#include "testsupport/PanelProbe.h"
#include "testsupport/TreeBuilders.h"

#include "shell/OperativeCheck.h"
#include "wire/Commands.h"
#include "wire/Frame.h"
#include "wire/LiveMessages.h"
#include "wire/StreamRead.h"

#include <QApplication>
#include <QColor>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QScopedPointer>
#include <QTabWidget>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>

namespace {

enum Selector : char {
    RuleTree,       // 0 "Get_tree_rulecheck" reply into the panel
    LayerRecords,   // 1 layer records read one after another until the body ends
    CheckModeReply, // 2 "Set_check_mode" reply over the loaded trees
    SectionsState,  // 3 "Every_sections_state" over the loaded trees, route 11 ticked
    LayerTree,      // 4 "Get_tree_graphobj" reply into the panel
    Positions,      // 5 "Push_positions" / "Unit_positions" body
    Events,         // 6 "Get_check_events" reply / "Check_events" body
    EventsRequest,  // 7 "Get_check_events" request
    Frames,         // 8 a receive buffer cut into request frames
    SelectorCount,
};

QByteArray written(const std::function<void(QDataStream &)> &write)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    write(out);
    return bytes;
}

// Group 10 holds route 11 one level down; 20 is a route at the top; 30 is a
// node the panel's type filter drops, read in full all the same. Sections
// have tolerances and one message switch off, so every field is seeded.
QByteArray routeTree()
{
    const auto section = [](int id, const QString &name, QList<int> objects, int in, int out) {
        SectionRecord *s = TreeBodies::section(id, name, objects, in, out);
        s->checkTimeInAhead = 60, s->checkTimeOutBehind = 120, s->messageOnTimeOut = false;
        return s;
    };
    RouteRecord north(11);
    north.checkOn = 1, north.checkTimeType = 4, north.checkTime = 1700000000u;
    north.objects = {1, 2};
    north.sections << section(1, "Gate", {101, 102}, 3600, 7200) << section(2, {}, {103}, -1, -1);
    RouteRecord south(20);
    south.sections << section(5, "Выезд", {104}, 0, 60);
    const TreeNode routeA{11, "Route A", 3, {}, north, {}};
    return TreeBodies::ruleTree({TreeBodies::node(10, "North", 3, {routeA}),
                                 TreeNode{20, "South", 3, {}, south, {}},
                                 TreeBodies::node(30, "Hidden", 2)});
}

// An object of every kind, the drawable ones with ids 101 to 104.
QList<GraphObData> layerRecords()
{
    const QPoint a(376000000, 557500000), b(376100000, 557560000), c(376200000, 557500000);
    const auto record = [](qint32 type, qint32 id, QList<QPoint> points, QVariantMap more) {
        more.insert("Comment", "seed");
        return GraphObData{id, type, QString("Object %1").arg(id), points, more};
    };
    return {record(1, 101, {a}, {{"IconName", "House"}}),
            record(2, 102, {a, b, c}, {{"Width", 30}, {"Color", QColor(Qt::red)}}),
            record(3, 103, {a, b, c}, {{"Brush", QColor(0, 128, 0, 100)}}),
            record(4, 104, {b}, {{"Diameter", 250}, {"Tags", QStringList{"a"}}}),
            record(5, 105, {a, b}, {{"Angle", 1.5}})};
}

// A layer with the icon, and a sublayer with the rest.
QByteArray layerTree()
{
    const QList<GraphObData> records = layerRecords();
    return TreeBodies::layerTree({TreeBodies::layer(
        1, "Layer", 1, records.mid(0, 1), {TreeBodies::layer(2, "Sublayer", 1, records.mid(1))})});
}

int writeCorpus(const QDir &dir)
{
    using namespace LiveMessages;
    using RouteMessages::sectionsStateBody;
    const CheckEvent event{3, 1700000000u, 11, "Route A", 1, "Gate", 7, {}, CheckEvent::TimeOut,
                           -120};
    const auto request = [](const char *command, const QByteArray &body) {
        return Frame::encode(Frame::Request{"OperCheck_Server1", command, body});
    };
    const QList<QPair<const char *, QByteArray>> seeds{
        {"route-tree", RuleTree + routeTree()},
        {"layer-records", LayerRecords + written([](QDataStream &out) {
                              for (const GraphObData &data : layerRecords())
                                  WriteGraphObData(out, data);
                          })},
        {"check-mode-on", CheckModeReply + written([](QDataStream &out) {
                           out << 1700000000u << QList<int>{11, 20};
                       })},
        {"sections-state", SectionsState + sectionsStateBody(11, {{1, 1}, {2, 2}, {7, 3}})},
        {"layer-tree", LayerTree + layerTree()},
        {"positions", Positions + positionsBody({{7, 1700000000u, QPoint(376000000, 556000000)},
                                                 {8, 1700000010u, QPoint(-1, 2)}})},
        {"events", Events + eventsBody({event})},
        {"events-request", EventsRequest + eventsRequestBody(50)},
        {"frames", Frames + request("Auth_token", "t") + request("Get_tree_rulecheck", {})},
    };
    bool ok = dir.mkpath(".");
    for (const auto &seed : seeds) {
        QFile file(dir.filePath(seed.first));
        ok = ok && file.open(QIODevice::WriteOnly | QIODevice::Truncate)
             && file.write(seed.second) == seed.second.size();
    }
    return ok ? 0 : 1;
}

struct Fixture
{
    FakeHost host;
    OperativeCheck plugin;
    QTabWidget tabs;
    QWidget *page = nullptr;
    QByteArray routeTree = ::routeTree();
    QByteArray layerTree = ::layerTree();
};

Fixture *fixture = nullptr;

void reply(const char *command, const QByteArray &body)
{
    QByteArray name(command), copy(body);
    static_cast<PluginInterface &>(fixture->plugin).OnServerReply(name, copy);
}

// Known trees, with route 11 ticked, so that replies find routes and sections to act on.
void loadTrees()
{
    reply(Commands::GetRuleTree, fixture->routeTree);
    reply(Commands::GetLayerTree, fixture->layerTree);
    PanelProbe::tickRoute(fixture->page, 11);
}

template <typename Read, typename Write>
void requireExact(const QByteArray &body, Read read, Write write)
{
    if (const auto value = read(body); value && write(*value) != body)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    if (*argc == 3 && qstrcmp((*argv)[1], "--write-corpus") == 0)
        std::exit(writeCorpus(QDir(QString::fromLocal8Bit((*argv)[2]))));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt gets its own arguments: it must not take libFuzzer's flags away.
    static int qtArgc = 1;
    static char *qtArgv[] = {*argc > 0 ? (*argv)[0] : nullptr, nullptr};
    new QApplication(qtArgc, qtArgv); // lives as long as the process, never torn down
    fixture = new Fixture;
    PluginInterface &plugin = fixture->plugin;
    plugin.SetHost(&fixture->host);
    fixture->tabs.addTab(new QWidget, "City");
    fixture->page = plugin.CreateWidget(nullptr, &fixture->tabs);
    plugin.BindMap(0, 1);
    // Fonts and styles are set up on first use and kept for the process: do it
    // here, so that no input is blamed for them.
    loadTrees();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0 || size > (1u << 24))
        return 0;
    QByteArray body(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    using namespace LiveMessages;
    switch (Selector(data[0] % SelectorCount)) {
    case RuleTree: reply(Commands::GetRuleTree, body); break;
    case LayerTree: reply(Commands::GetLayerTree, body); break;
    case CheckModeReply: loadTrees(), reply(Commands::SetCheckMode, body); break;
    case SectionsState: loadTrees(), reply(Commands::SectionsState, body); break;
    case Positions: requireExact(body, readPositions, positionsBody); break;
    case Events: requireExact(body, readEvents, eventsBody); break;
    case EventsRequest: requireExact(body, readEventsRequest, eventsRequestBody); break;
    case LayerRecords: {
        QDataStream in(body);
        in.setVersion(QDataStream::Qt_4_5);
        // Each record is freed as soon as it is read.
        while (StreamRead::canRead(in) && QScopedPointer<GraphObData>(ReadGraphObData(in))) {
        }
        break;
    }
    case Frames:
    case SelectorCount: {
        QByteArray payload;
        while (Frame::Splitter::take(body, &payload) == Frame::Splitter::Complete)
            requireExact(payload, Frame::decodeRequest,
                         [](const Frame::Request &r) { return Frame::encode(r).mid(4); });
        break;
    }
    }
    fixture->host.mapCalls.clear();
    fixture->host.requests.clear();
    return 0;
}
