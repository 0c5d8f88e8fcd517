// The panel at fleet scale, driven as a host drives it: the built module is
// loaded through its interface, offscreen, and every case is timed against a
// baseline of the same size measured in the same run.
#include "BenchCases.h"
#include "testsupport/FakeHost.h"
#include "testsupport/TreeBuilders.h"
#include "wire/Commands.h"

#include <PluginInterface.h>

#include <QApplication>
#include <QCheckBox>
#include <QDataStream>
#include <QElapsedTimer>
#include <QPluginLoader>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTextStream>
#include <QTreeView>

#include <cstdio>
#include <functional>
#include <memory>

using namespace TreeBodies;

namespace {

constexpr int Groups = 20;
constexpr int SectionsPerRoute = 5;

// Milliseconds one run of work takes.
double timed(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.nsecsElapsed() / 1e6;
}

void report(const QString &name, double now, double baseline)
{
    std::printf("%-44s %10.1f ms %10.1f ms %8.1fx\n", qPrintable(name), now, baseline,
                baseline > 0 ? now / baseline : 0.0);
    std::fflush(stdout);
}

// Groups of routes of five sections each; route ids run from 1000 up.
QByteArray ruleTree(int routesPerGroup)
{
    QList<Node> groups;
    int id = 1000;
    for (int g = 0; g < Groups; ++g) {
        QList<Node> routes;
        for (int r = 0; r < routesPerGroup; ++r, ++id) {
            QList<SectionRecord *> sections;
            for (int s = 1; s <= SectionsPerRoute; ++s)
                sections << section(s, QStringLiteral("Section %1").arg(s), {}, 3600, 7200);
            routes << withRoute(node(id, QStringLiteral("Route %1").arg(id), 3),
                                route(id, sections));
        }
        groups << node(g + 1, QStringLiteral("Group %1").arg(g + 1), 1, routes);
    }
    return TreeBodies::ruleTree(groups);
}

// Every route's check mode switched on.
QByteArray checkModeReply(int routes)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << quint32(1764921600) << qint32(routes);
    for (int i = 0; i < routes; ++i)
        out << qint32(1000 + i);
    return body;
}

// The same items as the panel's rule tree, in a model that does nothing else.
std::unique_ptr<QStandardItemModel> bareModel(int routesPerGroup)
{
    auto model = std::make_unique<QStandardItemModel>(0, 2);
    int id = 1000;
    for (int g = 0; g < Groups; ++g) {
        auto *group = new QStandardItem(QStringLiteral("Group %1").arg(g + 1));
        group->setCheckable(true);
        for (int r = 0; r < routesPerGroup; ++r, ++id) {
            auto *item = new QStandardItem(QStringLiteral("Route %1").arg(id));
            item->setCheckable(true);
            for (int s = 1; s <= SectionsPerRoute; ++s)
                item->appendRow({new QStandardItem(QStringLiteral("Section %1").arg(s)),
                                 new QStandardItem});
            group->appendRow({item, new QStandardItem(QStringLiteral("Check off"))});
        }
        model->appendRow({group, new QStandardItem});
    }
    return model;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchCorridor();
    const int routesPerGroup = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    const int routes = Groups * routesPerGroup;

    QPluginLoader loader(QCoreApplication::applicationDirPath()
                         + QStringLiteral("/plugins/libOperativeCheck.so"));
    auto *plugin = qobject_cast<PluginInterface *>(loader.instance());
    if (!plugin) {
        QTextStream(stderr) << "bench_panel: cannot load the plug-in: " << loader.errorString()
                            << '\n';
        return 1;
    }
    FakeHost host;
    plugin->SetHost(&host);
    auto *tabs = new QTabWidget; // deleted with the plug-in, as a host closing its window
    tabs->addTab(plugin->CreateWidget(nullptr, tabs), "Route check");
    plugin->BindMap(0, 1);

    std::printf("%d routes of %d sections in %d groups\n", routes, SectionsPerRoute, Groups);
    std::printf("%-44s %13s %13s %9s\n", "case", "panel", "baseline", "ratio");

    QByteArray command = Commands::GetRuleTree;
    QByteArray tree = ruleTree(routesPerGroup);
    std::unique_ptr<QStandardItemModel> bare;
    const double bareLoad = timed([&] { bare = bareModel(routesPerGroup); });
    report(QStringLiteral("Rule tree load"), timed([&] { plugin->OnServerReply(command, tree); }),
           bareLoad);

    // As an operator would see it: every group open.
    for (QTreeView *view : tabs->findChildren<QTreeView *>())
        view->expandAll();
    command = Commands::SetCheckMode;
    QByteArray mode = checkModeReply(routes);
    const double bareMode = timed([&] {
        for (int g = 0; g < Groups; ++g) {
            QStandardItem *group = bare->item(g);
            for (int r = 0; r < group->rowCount(); ++r)
                group->child(r, 1)->setText(QStringLiteral("Check on"));
        }
    });
    report(QStringLiteral("\"Set_check_mode\" reply, tree expanded"),
           timed([&] { plugin->OnServerReply(command, mode); }), bareMode);

    // "Select all" ticks every route, which shows it on the map.
    auto *selectAll = tabs->findChild<QCheckBox *>(QStringLiteral("checkBox"));
    const double bareTicks = timed([&] {
        for (int g = 0; g < Groups; ++g) {
            QStandardItem *group = bare->item(g);
            for (int r = 0; r < group->rowCount(); ++r)
                group->child(r)->setCheckState(Qt::Checked);
        }
    });
    report(QStringLiteral("\"Select all\""), timed([&] { selectAll->click(); }), bareTicks);

    // State replies for routes spread over the tree, against decoding the same bodies.
    constexpr int StateReplies = 200;
    QList<QByteArray> bodies;
    for (int i = 0; i < StateReplies; ++i) {
        QList<RouteMessages::SectionState> states;
        for (int s = 1; s <= SectionsPerRoute; ++s)
            states << RouteMessages::SectionState{s, 1 + (i + s) % 2};
        bodies << RouteMessages::sectionsStateBody(1000 + i * (routes / StateReplies), states);
    }
    command = Commands::SectionsState;
    const double decoding = timed([&] {
        for (QByteArray body : qAsConst(bodies)) {
            QDataStream in(body);
            RouteMessages::readSectionsState(in);
        }
    });
    report(QStringLiteral("%1 \"Every_sections_state\" replies").arg(StateReplies),
           timed([&] {
               for (QByteArray body : qAsConst(bodies))
                   plugin->OnServerReply(command, body);
           }),
           decoding);

    const double bareTeardown = timed([&] { bare.reset(); });
    report(QStringLiteral("Destroying the plug-in"), timed([&] {
               loader.unload();
               delete tabs;
           }),
           bareTeardown);
    return 0;
}
