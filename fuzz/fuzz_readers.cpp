// The panel's libFuzzer target: the server's tree and route replies go to the
// plug-in through its interface, as a host delivers them. The first input byte
// picks the reply (Selector), the rest is the body. The readers themselves are
// fuzzed without widgets by fuzz_wire.cpp. `fuzz_readers --write-corpus DIR`
// writes the seeds: the selector byte, then one body.
#include "Seeds.h"

#include "testsupport/FakeHost.h"
#include "testsupport/PanelProbe.h"

#include "shell/OperativeCheck.h"
#include "wire/Commands.h"

#include <QApplication>
#include <QTabWidget>

#include <cstddef>
#include <cstdint>

namespace {

enum Selector : char {
    RuleTree,       // 0 "Get_tree_rulecheck" reply
    LayerTree,      // 1 "Get_tree_graphobj" reply
    CheckModeReply, // 2 "Set_check_mode" reply over the loaded trees
    SectionsState,  // 3 "Every_sections_state" over the loaded trees, route 11 ticked
    SelectorCount,
};

// Group 10 holds route 11 one level down; 20 is a route at the top; 30 is a
// node the panel's type filter drops, read in full all the same.
QByteArray routeTree()
{
    const QList<RouteRecord> routes = FuzzSeeds::routes();
    const TreeNode routeA{11, "Route A", 3, {}, routes[0], {}};
    return TreeBodies::ruleTree({TreeBodies::node(10, "North", 3, {routeA}),
                                 TreeNode{20, "South", 3, {}, routes[1], {}},
                                 TreeBodies::node(30, "Hidden", 2)});
}

// A layer with the icon, and a sublayer with the rest.
QByteArray layerTree()
{
    const QList<GraphObData> records = FuzzSeeds::layerRecords();
    return TreeBodies::layerTree({TreeBodies::layer(
        1, "Layer", 1, records.mid(0, 1), {TreeBodies::layer(2, "Sublayer", 1, records.mid(1))})});
}

FuzzSeeds::Seeds seeds()
{
    const QByteArray state = RouteMessages::sectionsStateBody(11, {{1, 1}, {2, 2}, {7, 3}});
    return {{"route-tree", RuleTree + routeTree()},
            {"layer-tree", LayerTree + layerTree()},
            {"check-mode-on", CheckModeReply + FuzzSeeds::checkModeOn()},
            {"sections-state", SectionsState + state}};
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

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSeeds::writeOnRequest(*argc, *argv, seeds);
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
    switch (Selector(data[0] % SelectorCount)) {
    case RuleTree: reply(Commands::GetRuleTree, body); break;
    case LayerTree: reply(Commands::GetLayerTree, body); break;
    case CheckModeReply: loadTrees(), reply(Commands::SetCheckMode, body); break;
    case SectionsState:
    case SelectorCount: loadTrees(), reply(Commands::SectionsState, body); break;
    }
    fixture->host.mapCalls.clear();
    fixture->host.requests.clear();
    return 0;
}
