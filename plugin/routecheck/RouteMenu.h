#ifndef ROUTEMENU_H
#define ROUTEMENU_H

#include <memory>

class QAction;
class QMenu;
class QObject;

// The main tree's context menu: "Show on map", then switching checking off or
// on for the routes under the row, then the node edits. The switches carry
// their mode (0 off, 1 on) as the action's data.
class RouteMenu
{
public:
    // The actions are children of owner.
    explicit RouteMenu(QObject *owner);
    ~RouteMenu();

    QMenu *menu() const { return m_menu.get(); }
    QAction *showOnMap() const { return m_showOnMap; }
    QAction *checkOff() const { return m_checkOff; }
    QAction *checkOn() const { return m_checkOn; }
    QAction *newGroup() const { return m_newGroup; }
    QAction *newRoute() const { return m_newRoute; }
    QAction *renameNode() const { return m_renameNode; }

    // The row actions need a row; the node edits are offered as the row allows.
    void offerFor(bool hasRow, bool canAdd, bool canRename);

private:
    std::unique_ptr<QMenu> m_menu; // no parent
    QAction *m_showOnMap;
    QAction *m_checkOff;
    QAction *m_checkOn;
    QAction *m_newGroup;
    QAction *m_newRoute;
    QAction *m_renameNode;
};

#endif // ROUTEMENU_H
