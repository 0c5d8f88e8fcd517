// Writes docs/panel.png (the panel after a load) and docs/map-states.png (section
// shapes of every kind in every state, painted as the host paints layer 99).
// The plug-in is loaded from the build's plugins/ folder and driven through
// its interface, as a host drives it.
#include "MapPainter.h"

#include "testsupport/FakeHost.h"
#include "testsupport/PanelProbe.h"
#include "testsupport/TreeBuilders.h"

#include "records/RecordKinds.h"
#include "wire/Commands.h"

#include <PluginInterface.h>

#include <QApplication>
#include <QDir>
#include <QPluginLoader>
#include <QTabWidget>
#include <QTextStream>
#include <QTreeView>

using namespace TreeBodies;

namespace {

constexpr int Lat = 557500000; // 55.75 N
constexpr int Lon = 376000000; // 37.60 E
constexpr int Step = 20000;    // about 2 km of latitude

void reply(PluginInterface *plugin, const char *command, const QByteArray &body)
{
    QByteArray c(command);
    QByteArray b = body;
    plugin->OnServerReply(c, b);
}

GraphObData shape(int id, int kind, int column, int row)
{
    const int x = Lon + column * Step * 2;
    const int y = Lat - row * Step;
    const QString names[] = {"", "Post", "Avenue", "Depot", "Square"};
    const QString name = QStringLiteral("%1 %2").arg(names[kind]).arg(id);
    switch (GraphKind(kind)) {
    case GraphKind::IconText:
        return object(id, 1, name, {{x, y}}, {{"IconName", "PostDPS"}});
    case GraphKind::Line:
        return object(id, 2, name, {{x - 14000, y - 4000}, {x, y + 5000}, {x + 14000, y - 4000}},
                      {{"Width", 60}, {"Color", QColor(30, 60, 160)}});
    case GraphKind::Polygon:
        return object(id, 3, name, {{x - 12000, y - 6000}, {x + 12000, y - 6000},
                                    {x + 8000, y + 7000}, {x - 9000, y + 6000}},
                      {{"Color", QColor(90, 90, 90)}, {"Brush", QColor(40, 120, 220, 150)}});
    default:
        return object(id, 4, name, {{x, y}},
                      {{"Diameter", 140}, {"Color", QColor(90, 90, 90)},
                       {"Brush", QColor(200, 160, 40, 150)}});
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TZ", "UTC");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
    QDir().mkpath(out);

    QTextStream err(stderr);
    QPluginLoader loader(QCoreApplication::applicationDirPath()
                         + QStringLiteral("/../bin/plugins/libOperativeCheck.so"));
    QObject *instance = loader.instance();
    auto *plugin = qobject_cast<PluginInterface *>(instance);
    if (!plugin) {
        err << "render-docs: cannot load the plug-in: " << loader.errorString() << '\n';
        return 1;
    }

    FakeHost host;
    host.addTrackedObject(101, "Patrol 12");
    host.addTrackedObject(102, "Patrol 14");
    plugin->SetHost(&host);
    QTabWidget tabs;
    tabs.addTab(new QWidget, "City");
    QWidget *page = plugin->CreateWidget(nullptr, &tabs);
    tabs.removeTab(0);
    tabs.addTab(page, "Route check");
    plugin->BindMap(0, 1);

    // Rows of the picture: states 0 (own colours), 1 (violated), 2 (passed); columns: kinds.
    QList<SectionRecord *> sections;
    QList<GraphObData> objects;
    QList<RouteMessages::SectionState> states;
    const QString stateNames[] = {"due", "violated", "passed"};
    int id = 1;
    for (int state = 0; state < 3; ++state) {
        for (int kind = 1; kind <= 4; ++kind, ++id) {
            objects << shape(id, kind, kind - 1, state);
            sections << section(id, QStringLiteral("%1, %2").arg(objects.last().name,
                                                                 stateNames[state]),
                                {id}, 8 * 3600 + id * 600, 8 * 3600 + id * 600 + 900);
            states << RouteMessages::SectionState{id, state};
        }
    }
    QSharedPointer<RouteRecord> showcase = route(7, sections);
    showcase->checkOn = 1;
    showcase->checkTime = 1764921600; // 2025-12-05 08:00 UTC
    showcase->objects = {101, 102};
    QSharedPointer<RouteRecord> night = route(8, {section(1, "Bridge"), section(2, "Harbour")});

    reply(plugin, Commands::GetRuleTree,
          ruleTree({node(1, "Central district", 2,
                         {withRoute(node(7, "Showcase route", 3), showcase),
                          withRoute(node(8, "Night patrol", 3), night)}),
                    node(2, "Northern district", 3, {node(3, "Depot checks", 1)})}));
    Node layer = node(50, "Checkpoints", 1);
    layer.objects = objects;
    reply(plugin, Commands::GetLayerTree, layerTree({layer}));
    reply(plugin, Commands::SectionsState, RouteMessages::sectionsStateBody(7, states));

    QTreeView *rules = PanelProbe::ruleView(page, 7);
    if (!rules) {
        err << "render-docs: the panel shows no route 7\n";
        return 1;
    }
    rules->expandAll();
    PanelProbe::tickRoute(page, 7);
    const QModelIndex route = PanelProbe::findRoute(rules->model(), 7);
    const QModelIndex shown = rules->model()->index(2, 0, route);
    rules->setCurrentIndex(shown);
    QMetaObject::invokeMethod(instance, "onMainItemClicked", Q_ARG(QModelIndex, shown));

    tabs.resize(460, 720);
    tabs.show();
    QApplication::processEvents();
    tabs.grab().save(out + QStringLiteral("/panel.png"));

    MapPainter painter(QRect(Lon - Step, Lat - 3 * Step, 8 * Step + Step, 3 * Step + Step),
                       QSize(900, 420));
    painter.paint(*host.GetLayers(1));
    painter.image().save(out + QStringLiteral("/map-states.png"));
    plugin->OnClose(nullptr);
    delete instance;
    return 0;
}
