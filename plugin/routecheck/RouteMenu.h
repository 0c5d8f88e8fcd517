#ifndef ROUTEMENU_H
#define ROUTEMENU_H

#include <memory>

class QAction;
class QMenu;
class QObject;

// The main tree's context menu: "Show on map", then switching checking off or
// on for the routes under the row. The switches carry their mode (0 off, 1 on)
// as the action's data.
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

private:
    std::unique_ptr<QMenu> m_menu; // no parent
    QAction *m_showOnMap;
    QAction *m_checkOff;
    QAction *m_checkOn;
};

#endif // ROUTEMENU_H
