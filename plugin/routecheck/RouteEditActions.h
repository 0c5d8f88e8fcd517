#ifndef ROUTEEDITACTIONS_H
#define ROUTEEDITACTIONS_H

class PanProperties;
class QAction;

// The route-editing buttons on the property panel's toolbar, after undo and
// redo, then the node edits, and which of them the current row offers.
class RouteEditActions
{
public:
    explicit RouteEditActions(PanProperties &panel);

    QAction *addRoute() const { return m_addRoute; }
    QAction *addSection() const { return m_addSection; }
    QAction *deleteRoute() const { return m_deleteRoute; }
    QAction *deleteSection() const { return m_deleteSection; }
    QAction *selectObjects() const { return m_selectObjects; }
    QAction *selectGraphObjects() const { return m_selectGraphObjects; }
    QAction *newGroup() const { return m_newGroup; }
    QAction *newRoute() const { return m_newRoute; }
    QAction *renameNode() const { return m_renameNode; }

    // Shows and enables the buttons for a route row, a section row, or any
    // other row (both false); the two delete buttons always show.
    void offerFor(bool isRoute, bool isSection);
    // Enables the node edits; they always show.
    void offerNodeEdits(bool canAdd, bool canRename);

private:
    QAction *m_addRoute;
    QAction *m_addSection;
    QAction *m_deleteRoute;
    QAction *m_deleteSection;
    QAction *m_selectObjects;
    QAction *m_selectGraphObjects;
    QAction *m_newGroup;
    QAction *m_newRoute;
    QAction *m_renameNode;
};

#endif // ROUTEEDITACTIONS_H
