#ifndef ROUTEEDITACTIONS_H
#define ROUTEEDITACTIONS_H

class PanProperties;
class QAction;

// The route-editing buttons on the property panel's toolbar, after undo and
// redo, and which of them the current row offers.
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

    // Shows and enables the buttons for a route row, a section row, or any
    // other row (both false); the two delete buttons always show.
    void offerFor(bool isRoute, bool isSection);

private:
    QAction *m_addRoute;
    QAction *m_addSection;
    QAction *m_deleteRoute;
    QAction *m_deleteSection;
    QAction *m_selectObjects;
    QAction *m_selectGraphObjects;
};

#endif // ROUTEEDITACTIONS_H
