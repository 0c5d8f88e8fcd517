// One libFuzzer target over every reader of a body from the wire; the first
// input byte picks the reader (FuzzSeeds::Selector), the rest is the body.
// The panel's replies go through the plug-in's interface, as a host delivers
// them. The strict readers must accept only bodies their writers would write
// again byte for byte.
#include "FuzzSeeds.h"

#include "testsupport/FakeHost.h"
#include "testsupport/PanelProbe.h"

#include "shell/OperativeCheck.h"
#include "wire/Commands.h"
#include "wire/Frame.h"
#include "wire/LayerMessages.h"
#include "wire/LiveMessages.h"
#include "wire/StreamRead.h"

#include <QApplication>
#include <QDataStream>
#include <QScopedPointer>
#include <QTabWidget>

#include <cstddef>
#include <cstdint>

namespace {

constexpr int MapId = 1;

struct Fixture
{
    FakeHost host;
    OperativeCheck plugin;
    QTabWidget tabs;
    QWidget *page = nullptr;
    QByteArray routeTree = FuzzSeeds::routeTree();
    QByteArray layerTree = FuzzSeeds::layerTree();
};

Fixture *fixture = nullptr;

void reply(const char *command, const QByteArray &body)
{
    QByteArray name(command);
    QByteArray copy(body);
    PluginInterface &plugin = fixture->plugin;
    plugin.OnServerReply(name, copy);
}

// Known trees, with route 11 ticked, so that replies find routes and sections to act on.
void loadTrees()
{
    reply(Commands::GetRuleTree, fixture->routeTree);
    reply(Commands::GetLayerTree, fixture->layerTree);
    PanelProbe::tickRoute(fixture->page, 11);
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

template <typename Read, typename Write>
void requireExact(const QByteArray &body, Read read, Write write)
{
    if (const auto value = read(body)) {
        if (write(*value) != body)
            __builtin_trap();
    }
}

void readFrames(QByteArray buffer)
{
    QByteArray payload;
    while (Frame::Splitter::take(buffer, &payload) == Frame::Splitter::Complete) {
        if (const auto request = Frame::decodeRequest(payload)) {
            if (Frame::encode(*request).mid(4) != payload)
                __builtin_trap();
        }
    }
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
    PluginInterface &plugin = fixture->plugin;
    plugin.SetHost(&fixture->host);
    fixture->tabs.addTab(new QWidget, QStringLiteral("City"));
    fixture->page = plugin.CreateWidget(nullptr, &fixture->tabs);
    plugin.BindMap(0, MapId);
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
    switch (FuzzSeeds::Selector(data[0] % FuzzSeeds::SelectorCount)) {
    case FuzzSeeds::RouteTree:
        reply(Commands::GetRuleTree, body);
        break;
    case FuzzSeeds::LayerRecords:
        readLayerRecords(body);
        break;
    case FuzzSeeds::CheckModeReply:
        loadTrees();
        reply(Commands::SetCheckMode, body);
        break;
    case FuzzSeeds::SectionsState:
        loadTrees();
        reply(Commands::SectionsState, body);
        break;
    case FuzzSeeds::LayerTree:
        reply(Commands::GetLayerTree, body);
        break;
    case FuzzSeeds::Positions:
        requireExact(body, LiveMessages::readPositions, LiveMessages::positionsBody);
        break;
    case FuzzSeeds::Events:
        requireExact(body, LiveMessages::readEvents, LiveMessages::eventsBody);
        break;
    case FuzzSeeds::EventsRequest:
        requireExact(body, LiveMessages::readEventsRequest, LiveMessages::eventsRequestBody);
        break;
    case FuzzSeeds::Frames:
    case FuzzSeeds::SelectorCount:
        readFrames(body);
        break;
    }
    fixture->host.mapCalls.clear();
    fixture->host.requests.clear();
    return 0;
}
