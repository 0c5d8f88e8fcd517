#ifndef MAPSCENE_H
#define MAPSCENE_H

// Scenes of routes for the panel's tests: one over graphic objects for what
// the panel draws, one of routes inside routes for switching checks; and the
// context menu driven as the operator does.
#include "testsupport/EditingPanel.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace MapScene {

// Layer Zones: polygons Gate (5), Yard (6), Dock (7) and Field (10), each 900
// units wide and high at x 0, 1000, 2000 and 4000 on y 0, and icon Post (9) at
// 3000,0. Routes: Beat (route 1, row 0) with sections North {5}, South {6} and
// Depot {9, 7}; Spare (route 2, row 1, read-only) with Field {10}; and below
// Area (row 2, type bits 0), Point (route 4) with Post {9}, Bare (route 5) with
// Nothing {} and Ghost {99}, and Group holding Leaf, neither with a route.
inline QByteArray layers()
{
    using namespace TreeBodies;
    const auto polygon = [](qint32 id, const char *name, int x, const QColor &brush) {
        return object(id, 3, name, {{x, 0}, {x + 900, 0}, {x, 900}},
                      {{"Color", QColor(Qt::blue)}, {"Brush", brush}});
    };
    Node zones = node(100, "Zones", 1);
    zones.objects = {polygon(5, "Gate", 0, QColor(10, 200, 30, 100)),
                     polygon(6, "Yard", 1000, Qt::white),
                     polygon(7, "Dock", 2000, QColor(32, 63, 160, 128)),
                     object(9, 1, "Post", {{3000, 0}}), polygon(10, "Field", 4000, Qt::yellow)};
    return layerTree({zones});
}

inline QByteArray routes()
{
    using namespace TreeBodies;
    const Node beat = withRoute(node(1, "Beat", 3), route(1, {section(1, "North", {5}),
                                                              section(2, "South", {6}),
                                                              section(3, "Depot", {9, 7})}));
    const Node spare = withRoute(node(2, "Spare", 1), route(2, {section(1, "Field", {10})}));
    const Node point = withRoute(node(4, "Point", 3), route(4, {section(1, "Post", {9})}));
    const Node bare = withRoute(node(5, "Bare", 3),
                                route(5, {section(1, "Nothing"), section(2, "Ghost", {99})}));
    const Node group = node(6, "Group", 3, {node(7, "Leaf", 3)});
    return ruleTree({beat, spare, node(3, "Area", 0, {point, bare, group})});
}

// Route 10 on node Group (row 0) holds 20, which holds 30; routes 40 and 50
// (with a section) sit below Folder (row 1), a node without a route. Route 10
// comes with the given check mode.
inline QByteArray nestedRoutes(int checkOn = 0, int timeType = 1, uint checkTime = 0)
{
    using namespace TreeBodies;
    QSharedPointer<RouteRecord> outer = route(10);
    outer->checkOn = checkOn;
    outer->checkTimeType = timeType;
    outer->checkTime = checkTime;
    const Node child = withRoute(node(2, "Child", 1, {withRoute(node(3, "Grandchild", 1),
                                                                route(30))}),
                                 route(20));
    return ruleTree({withRoute(node(1, "Group", 1, {child}), outer),
                     node(4, "Folder", 1, {withRoute(node(5, "Inner", 1), route(40)),
                                           withRoute(node(6, "Inner 2", 1),
                                                     route(50, {section(1, "S")}))})});
}

// Both trees, as the server answers a reload.
inline void load(EditingPanel &panel)
{
    panel.reply("Get_tree_rulecheck", routes());
    panel.reply("Get_tree_graphobj", layers());
}

// Right-clicks the row at path and answers the menu from inside its loop: the
// entries it showed ("--" a separator, " [x]" ticked; none when no menu popped
// up), then a Return on the entry pick, or the menu closed.
inline QStringList rightClick(EditingPanel &panel, const QList<int> &path, const QString &pick)
{
    OperativeCheck *plugin = panel.plugin.get();
    // Making a row current selects it, as the press of a right click does.
    plugin->mainView()->setCurrentIndex(panel.item(path)->index());
    QStringList entries;
    QMenu *menu = plugin->contextMenu();
    const QMetaObject::Connection opened = QObject::connect(menu, &QMenu::aboutToShow, plugin, [&] {
        QTimer::singleShot(0, plugin, [&] {
            QAction *chosen = nullptr;
            for (QAction *action : menu->actions()) {
                entries << (action->isSeparator() ? QStringLiteral("--")
                            : action->text() + (action->isChecked() ? " [x]" : ""));
                if (!pick.isEmpty() && action->text() == pick)
                    chosen = action;
            }
            if (QApplication::activePopupWidget() != menu)
                entries.clear();
            menu->setActiveAction(chosen);
            if (chosen)
                QTest::keyClick(menu, Qt::Key_Return);
            menu->hide();
        });
    });
    plugin->onContextMenuRequested(QPoint(4, 4));
    QObject::disconnect(opened);
    return entries;
}

} // namespace MapScene

#endif // MAPSCENE_H
