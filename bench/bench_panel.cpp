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
#include <QCloseEvent>
#include <QDataStream>
#include <QElapsedTimer>
#include <QPluginLoader>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTextStream>
#include <QTreeView>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>

using namespace TreeBodies;

namespace {

constexpr int Groups = 20;
constexpr int SectionsPerRoute = 5;
constexpr int FirstRouteId = 1000;
// Sections name objects 1..MaxObjects; a smaller layer tree leaves the rest unfound.
constexpr int MaxObjects = 100000;
constexpr int ObjectsPerLayer = 1000;
constexpr int Runs = 3;
constexpr int RedrawRuns = 9;

// Milliseconds one run of work takes.
double timed(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.nsecsElapsed() / 1e6;
}

// Bytes the heap holds now.
double heapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd);
}

// Megabytes work leaves allocated.
double allocated(const std::function<void()> &work)
{
    malloc_trim(0);
    const double before = heapBytes();
    work();
    return (heapBytes() - before) / (1024.0 * 1024.0);
}

void report(const QString &name, double now, double baseline, const char *unit = "ms")
{
    std::printf("%-48s %10.3f %-2s %10.3f %-2s %8.2fx\n", qPrintable(name), now, unit, baseline,
                unit, baseline > 0 ? now / baseline : 0.0);
    std::fflush(stdout);
}

int objectOf(int routeIndex, int section)
{
    return (routeIndex * SectionsPerRoute + section - 1) % MaxObjects + 1;
}

// Groups of routes of five sections each; route ids run from FirstRouteId up.
QByteArray ruleTree(int routesPerGroup)
{
    QList<Node> groups;
    int index = 0;
    for (int g = 0; g < Groups; ++g) {
        QList<Node> routes;
        for (int r = 0; r < routesPerGroup; ++r, ++index) {
            const int id = FirstRouteId + index;
            QList<SectionRecord *> sections;
            for (int s = 1; s <= SectionsPerRoute; ++s)
                sections << section(s, QStringLiteral("Section %1").arg(s), {objectOf(index, s)},
                                    3600, 7200);
            routes << withRoute(node(id, QStringLiteral("Route %1").arg(id), 3),
                                route(id, sections));
        }
        groups << node(g + 1, QStringLiteral("Group %1").arg(g + 1), 1, routes);
    }
    return TreeBodies::ruleTree(groups);
}

// Circles, polygons and short lines in layers of a thousand, ids from 1 up.
QByteArray layerTree(int objects)
{
    QList<Node> layers;
    for (int first = 1; first <= objects; first += ObjectsPerLayer) {
        QList<GraphObData> shapes;
        for (int id = first; id < first + ObjectsPerLayer && id <= objects; ++id) {
            const QPoint at(376000000 + id * 1000, 556000000 + (id % 97) * 1000);
            const QString name = QStringLiteral("Zone %1").arg(id);
            switch (id % 3) {
            case 0:
                shapes << object(id, 4, name, {at}, {{QStringLiteral("Diameter"), 200}});
                break;
            case 1:
                shapes << object(id, 3, name, {at, at + QPoint(900, 0), at + QPoint(0, 900)});
                break;
            default:
                shapes << object(id, 2, name, {at, at + QPoint(900, 0), at + QPoint(900, 900)});
            }
        }
        layers << layer(first, QStringLiteral("Layer %1").arg(first), 1, shapes);
    }
    return TreeBodies::layerTree(layers);
}

// Every route's check mode switched on.
QByteArray checkModeReply(int routes)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << quint32(1764921600) << qint32(routes);
    for (int i = 0; i < routes; ++i)
        out << qint32(FirstRouteId + i);
    return body;
}

QByteArray stateReply(int routeId, int round)
{
    QList<RouteMessages::SectionState> states;
    for (int s = 1; s <= SectionsPerRoute; ++s)
        states << RouteMessages::SectionState{s, 1 + (routeId + s + round) % 2};
    return RouteMessages::sectionsStateBody(routeId, states);
}

// The baselines: the same body read with the wire's record readers into a
// model that does nothing else, each item holding its text and check box,
// the records kept beside it.
class BareTree
{
public:
    enum class Payload { Routes, GraphObjects };

    BareTree(const QByteArray &body, Payload payload) : m_payload(payload)
    {
        QDataStream in(body);
        in.setVersion(QDataStream::Qt_4_5);
        readNodes(m_model.invisibleRootItem(), in);
    }
    ~BareTree() { qDeleteAll(m_objects); }

    QStandardItemModel &model() { return m_model; }

private:
    void readNodes(QStandardItem *parent, QDataStream &in)
    {
        qint32 count = 0;
        in >> count;
        for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
            qint32 id = 0, bits = 0;
            QString name;
            in >> id >> name >> bits;
            auto *item = new QStandardItem(name);
            item->setCheckable(true);
            auto *second = new QStandardItem;
            parent->appendRow({item, second});
            readNodes(item, in);
            if (m_payload == Payload::Routes)
                readRoute(item, second, in);
            else
                readObjects(item, in);
        }
    }

    void readRoute(QStandardItem *item, QStandardItem *mode, QDataStream &in)
    {
        bool hasRoute = false;
        in >> hasRoute;
        if (!hasRoute)
            return;
        m_routes.emplace_back(RouteMessages::readRoute(in));
        mode->setText(QStringLiteral("Check off"));
        for (const SectionRecord *section : qAsConst(m_routes.back()->sections))
            item->appendRow({new QStandardItem(section->name), new QStandardItem});
    }

    void readObjects(QStandardItem *item, QDataStream &in)
    {
        qint32 count = 0;
        in >> count;
        for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
            m_objects.append(ReadGraphObData(in));
            auto *child = new QStandardItem(m_objects.last()->name);
            child->setCheckable(true);
            item->appendRow(child);
        }
    }

    Payload m_payload;
    QStandardItemModel m_model;
    std::vector<std::unique_ptr<RouteRecord>> m_routes;
    QList<GraphObData *> m_objects;
};

class Bench
{
public:
    Bench(PluginInterface *plugin, QTabWidget *tabs, int routesPerGroup)
        : m_plugin(plugin), m_tabs(tabs), m_routesPerGroup(routesPerGroup),
          m_routes(Groups * routesPerGroup)
    {
    }

    void deliver(const char *command, QByteArray body)
    {
        QByteArray name = command;
        m_plugin->OnServerReply(name, body);
    }

    // The view of the rule tree: the one showing every group.
    QTreeView *mainView() const
    {
        for (QTreeView *view : m_tabs->findChildren<QTreeView *>()) {
            if (view->model() && view->model()->rowCount() == Groups)
                return view;
        }
        qFatal("bench_panel: no view shows the rule tree");
    }

    // Loads are taken three times, panel and baseline in turn, the best of each
    // counted: a busy machine slows single runs by half.
    void ruleTreeLoad()
    {
        const QByteArray tree = ruleTree(m_routesPerGroup);
        const QByteArray empty = TreeBodies::ruleTree({});
        double bareTime = 1e9, time = 1e9, bareMemory = 0, memory = 0;
        for (int run = 0; run < Runs; ++run) {
            m_bareRules.reset();
            deliver(Commands::GetRuleTree, empty);
            const double bareBytes = allocated([&] {
                bareTime = std::min(bareTime, timed([&] {
                    m_bareRules = std::make_unique<BareTree>(tree, BareTree::Payload::Routes);
                }));
            });
            const double bytes = allocated([&] {
                time = std::min(time, timed([&] { deliver(Commands::GetRuleTree, tree); }));
            });
            if (run == 0) {
                bareMemory = bareBytes;
                memory = bytes;
            }
        }
        report(QStringLiteral("Rule tree load"), time, bareTime);
        report(QStringLiteral("Rule tree memory"), memory, bareMemory, "MB");
    }

    void layerTreeLoadAndClear(int objects)
    {
        const QByteArray tree = layerTree(objects);
        const QByteArray empty = layerTree(0);
        double bareTime = 1e9, time = 1e9, bareClear = 1e9, clear = 1e9;
        double bareMemory = 0, memory = 0;
        for (int run = 0; run < Runs; ++run) {
            std::unique_ptr<BareTree> bare;
            const double bareBytes = allocated([&] {
                bareTime = std::min(bareTime, timed([&] {
                    bare = std::make_unique<BareTree>(tree, BareTree::Payload::GraphObjects);
                }));
            });
            bareClear = std::min(bareClear, timed([&] { bare.reset(); }));
            const double bytes = allocated([&] {
                time = std::min(time, timed([&] { deliver(Commands::GetLayerTree, tree); }));
            });
            if (run == 0) {
                bareMemory = bareBytes;
                memory = bytes;
            }
            clear = std::min(clear, timed([&] { deliver(Commands::GetLayerTree, empty); }));
        }
        const QString what = QStringLiteral("Layer tree of %1 objects").arg(objects);
        report(what + QStringLiteral(": load"), time, bareTime);
        report(what + QStringLiteral(": memory"), memory, bareMemory, "MB");
        report(what + QStringLiteral(": clear, against its load"), clear, time);
        report(what + QStringLiteral(": bare clear, against its load"), bareClear, bareTime);
    }

    void checkModeReply()
    {
        // As an operator would see it: every group open.
        mainView()->expandAll();
        const QByteArray mode = ::checkModeReply(m_routes);
        const double bareMode = timed([&] {
            for (int g = 0; g < Groups; ++g) {
                QStandardItem *group = m_bareRules->model().item(g);
                for (int r = 0; r < group->rowCount(); ++r)
                    group->child(r, 1)->setText(QStringLiteral("Check on"));
            }
        });
        report(QStringLiteral("\"Set_check_mode\" reply, tree expanded"),
               timed([&] { deliver(Commands::SetCheckMode, mode); }), bareMode);
        report(QStringLiteral("\"Set_check_mode\" reply again"),
               timed([&] { deliver(Commands::SetCheckMode, mode); }), bareMode);
        mainView()->collapseAll();
    }

    // "Select all" ticks every route, which shows it on the map.
    void selectAll(int objects)
    {
        deliver(Commands::GetLayerTree, layerTree(objects));
        auto *box = m_tabs->findChild<QCheckBox *>(QStringLiteral("checkBox"));
        const double bareTicks = timed([&] { tickBare(Qt::Checked); });
        report(QStringLiteral("\"Select all\", layer of %1 objects").arg(objects),
               timed([&] { box->click(); }), bareTicks);
        box->click();
        tickBare(Qt::Unchecked);
    }

    // A full round of state replies, one per route, with a few routes shown.
    void stateReplies(int objects, int shownRoutes)
    {
        deliver(Commands::GetLayerTree, layerTree(objects));
        auto *model = qobject_cast<QStandardItemModel *>(mainView()->model());
        const int step = m_routes / shownRoutes;
        for (int i = 0; i < m_routes; i += step)
            model->item(i / m_routesPerGroup)->child(i % m_routesPerGroup)->setCheckState(
                Qt::Checked);

        QList<QByteArray> shown, hidden;
        for (int i = 0; i < m_routes; ++i)
            (i % step == 0 ? shown : hidden) << stateReply(FirstRouteId + i, 1);
        const auto decode = [](const QList<QByteArray> &bodies) {
            return timed([&] {
                for (QByteArray body : bodies) {
                    QDataStream in(body);
                    RouteMessages::readSectionsState(in);
                }
            });
        };
        const auto send = [this](const QList<QByteArray> &bodies) {
            return timed([&] {
                for (const QByteArray &body : bodies)
                    deliver(Commands::SectionsState, body);
            });
        };
        const double decodeAll = decode(shown) + decode(hidden);
        const double round = send(hidden) + send(shown);
        report(QStringLiteral("%1 state replies, %2 shown, %3 objects")
                   .arg(m_routes).arg(shown.size()).arg(objects),
               round, decodeAll);

        const double hiddenTime = send(hidden);
        report(QStringLiteral("  a reply for a route not shown, in µs"),
               hiddenTime * 1000 / hidden.size(), decode(hidden) * 1000 / hidden.size(), "us");

        // A shown section redrawn: replies listing every section against the
        // same replies listing none, per section; the baseline is one
        // remove-and-append on a bare list as long as the host's. Best of
        // RedrawRuns on both sides: the first run after the hidden replies
        // above finds the caches emptied, the bare list never does.
        QList<QByteArray> emptyReplies;
        for (int i = 0; i < m_routes; i += step)
            emptyReplies << RouteMessages::sectionsStateBody(FirstRouteId + i, {});
        const int redraws = shown.size() * SectionsPerRoute;
        QList<MapQt::MapPrimitive *> bareList;
        std::vector<std::unique_ptr<MapQt::MapTrace>> traces;
        const int length = m_host.sectionList() ? m_host.sectionList()->primitives.size() : 0;
        for (int i = 0; i < length; ++i) {
            traces.push_back(std::make_unique<MapQt::MapTrace>());
            bareList.append(traces.back().get());
        }
        double perSection = std::numeric_limits<double>::max();
        double bare = perSection;
        for (int run = 0; run < RedrawRuns; ++run) {
            perSection =
                std::min(perSection, (send(shown) - send(emptyReplies)) * 1000 / redraws);
            bare = std::min(bare, timed([&] {
                              for (int i = 0; i < redraws; ++i) {
                                  MapQt::MapPrimitive *primitive = bareList.at((i * 7919) % length);
                                  bareList.removeOne(primitive);
                                  bareList.append(primitive);
                              }
                          }) * 1000 / redraws);
        }
        report(QStringLiteral("  a shown section redrawn (list of %1), in µs").arg(length),
               perSection, bare, "us");
    }

    void teardown(QPluginLoader &loader)
    {
        const double bareDelete = timed([&] { m_bareRules.reset(); });
        const QByteArray tree = ruleTree(m_routesPerGroup);
        auto bare = std::make_unique<BareTree>(tree, BareTree::Payload::Routes);
        QCloseEvent close;
        report(QStringLiteral("OnClose"), timed([&] { m_plugin->OnClose(&close); }), bareDelete);
        deliver(Commands::GetRuleTree, tree);
        // The plug-in holds the layer tree of the state replies too.
        auto bareLayers =
            std::make_unique<BareTree>(layerTree(MaxObjects), BareTree::Payload::GraphObjects);
        const double bareAgain = timed([&] {
            bare.reset();
            bareLayers.reset();
        });
        report(QStringLiteral("Destroying the plug-in"), timed([&] {
                   loader.unload();
                   delete m_tabs;
               }),
               bareAgain);
    }

    FakeHost &host() { return m_host; }

private:
    void tickBare(Qt::CheckState state)
    {
        for (int g = 0; g < Groups; ++g) {
            QStandardItem *group = m_bareRules->model().item(g);
            for (int r = 0; r < group->rowCount(); ++r)
                group->child(r)->setCheckState(state);
        }
    }

    PluginInterface *m_plugin;
    QTabWidget *m_tabs;
    FakeHost m_host;
    std::unique_ptr<BareTree> m_bareRules;
    int m_routesPerGroup;
    int m_routes;
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchCorridor();
    const int routesPerGroup = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    if (routesPerGroup < 1) {
        QTextStream(stderr) << "usage: bench_panel [routes per group, 1000 unless given]\n";
        return 2;
    }

    QPluginLoader loader(QCoreApplication::applicationDirPath()
                         + QStringLiteral("/plugins/libOperativeCheck.so"));
    auto *plugin = qobject_cast<PluginInterface *>(loader.instance());
    if (!plugin) {
        QTextStream(stderr) << "bench_panel: cannot load the plug-in: " << loader.errorString()
                            << '\n';
        return 1;
    }
    auto *tabs = new QTabWidget; // deleted with the plug-in, as a host closing its window
    Bench bench(plugin, tabs, routesPerGroup);
    plugin->SetHost(&bench.host());
    tabs->addTab(plugin->CreateWidget(nullptr, tabs), "Route check");
    plugin->BindMap(0, 1);
    tabs->resize(1000, 800);
    tabs->show();

    std::printf("%d routes of %d sections in %d groups\n", Groups * routesPerGroup,
                SectionsPerRoute, Groups);
    std::printf("%-48s %13s %13s %9s\n", "case", "panel", "baseline", "ratio");
    bench.ruleTreeLoad();
    bench.layerTreeLoadAndClear(MaxObjects);
    bench.checkModeReply();
    for (int objects : {0, 1000, 10000})
        bench.selectAll(objects);
    bench.stateReplies(MaxObjects, 200);
    bench.teardown(loader);
    return 0;
}
