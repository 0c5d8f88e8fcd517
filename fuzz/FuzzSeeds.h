#ifndef FUZZSEEDS_H
#define FUZZSEEDS_H

// The trees the fuzz target loads before it feeds replies, and the seeds of its
// corpus, written with the wire's own writers.
#include "testsupport/TreeBuilders.h"

#include <QColor>

namespace FuzzSeeds {

// The first input byte picks the reader.
enum Selector : char {
    RouteTree = 0,       // "Get_tree_rulecheck" reply into the panel
    LayerRecords = 1,    // layer records read one after another until the body ends
    CheckModeReply = 2,  // "Set_check_mode" reply over the loaded trees
    SectionsState = 3,   // "Every_sections_state" over the loaded trees, route 11 ticked
    LayerTree = 4,       // "Get_tree_graphobj" reply into the panel
    Positions = 5,       // "Push_positions" / "Unit_positions" body
    Events = 6,          // "Get_check_events" reply / "Check_events" body
    EventsRequest = 7,   // "Get_check_events" request
    Frames = 8,          // a receive buffer cut into request frames
    SelectorCount = 9,
};

// A section with tolerances and one message switch off, so every field is seeded.
inline SectionRecord *section(int id, const QString &name, const QList<int> &objects, int in,
                              int out)
{
    SectionRecord *record = TreeBodies::section(id, name, objects, in, out);
    record->checkTimeInAhead = 60;
    record->checkTimeOutBehind = 120;
    record->messageOnTimeOut = false;
    return record;
}

// Group 10 holds route 11 one level down; 20 is a route at the top; 30 is a
// node the panel's type filter drops, read in full all the same.
inline QByteArray routeTree()
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

    TreeNode routeA{11, QStringLiteral("Route A"), 3, {}, north, {}};
    return TreeBodies::ruleTree({TreeNode{10, QStringLiteral("North"), 3, {routeA}, {}, {}},
                                 TreeNode{20, QStringLiteral("South"), 3, {}, south, {}},
                                 TreeNode{30, QStringLiteral("Hidden"), 2, {}, {}, {}}});
}

// An object of every kind, the drawable ones with ids 101 to 104.
inline QList<GraphObData> layerRecords()
{
    const QPoint a(376000000, 557500000);
    const QPoint b(376100000, 557560000);
    const QPoint c(376200000, 557500000);
    const auto record = [](qint32 type, qint32 id, const QList<QPoint> &points) {
        return GraphObData{id, type, QStringLiteral("Object %1").arg(id), points,
                           {{QStringLiteral("Comment"), QStringLiteral("seed")}}};
    };
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

// A layer with the icon, and a sublayer with the rest.
inline QByteArray layerTree()
{
    QList<GraphObData> records = layerRecords();
    TreeNode sublayer{2, QStringLiteral("Sublayer"), 1, {}, {}, records.mid(1)};
    return TreeBodies::layerTree(
        {TreeNode{1, QStringLiteral("Layer"), 1, {sublayer}, {}, records.mid(0, 1)}});
}

} // namespace FuzzSeeds

#endif // FUZZSEEDS_H
