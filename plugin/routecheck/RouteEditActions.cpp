#include "RouteEditActions.h"

#include "panel/PanProperties.h"

#include <QAction>
#include <QCoreApplication>

RouteEditActions::RouteEditActions(PanProperties &panel)
{
    const QString add = QStringLiteral(":/icon/resource/add.png");
    const QString del = QStringLiteral(":/icon/resource/delete.png");
    const QString pick = QStringLiteral(":/icon/resource/vybor.png");
    m_addRoute =
        panel.addToolAction(add, QCoreApplication::translate("OperativeCheck", "Add route"));
    m_addSection =
        panel.addToolAction(add, QCoreApplication::translate("OperativeCheck", "Add section"));
    m_deleteRoute =
        panel.addToolAction(del, QCoreApplication::translate("OperativeCheck", "Del route"));
    m_deleteSection =
        panel.addToolAction(del, QCoreApplication::translate("OperativeCheck", "Del section"));
    m_selectObjects = panel.addToolAction(
        pick, QCoreApplication::translate("OperativeCheck", "Select objects"));
    m_selectGraphObjects = panel.addToolAction(
        pick, QCoreApplication::translate("OperativeCheck", "Select graphic objects"));
    for (QAction *action : {m_addRoute, m_addSection, m_deleteRoute, m_deleteSection,
                            m_selectObjects, m_selectGraphObjects}) {
        action->setEnabled(false);
        action->setVisible(action == m_addSection);
    }
    // The delete buttons keep their places, so a second click never lands on the other one.
    m_deleteRoute->setVisible(true);
    m_deleteSection->setVisible(true);

    // Words, not icons: the add icon is the route's and the section's already.
    m_newGroup = panel.addToolAction(
        QString(), QCoreApplication::translate("OperativeCheck", "New group…"));
    m_newRoute = panel.addToolAction(
        QString(), QCoreApplication::translate("OperativeCheck", "New route…"));
    m_renameNode =
        panel.addToolAction(QString(), QCoreApplication::translate("OperativeCheck", "Rename…"));
}

void RouteEditActions::offerNodeEdits(bool canAdd, bool canRename)
{
    m_newGroup->setEnabled(canAdd);
    m_newRoute->setEnabled(canAdd);
    m_renameNode->setEnabled(canRename);
}

void RouteEditActions::offerFor(bool isRoute, bool isSection)
{
    const bool isOther = !isRoute && !isSection;
    m_addRoute->setEnabled(isOther);
    m_addRoute->setVisible(isOther);
    m_deleteRoute->setEnabled(isRoute);
    m_addSection->setEnabled(!isOther);
    m_addSection->setVisible(!isOther);
    m_deleteSection->setEnabled(isSection);
    m_selectObjects->setEnabled(!isOther);
    m_selectGraphObjects->setEnabled(!isOther);
    if (!isOther) {
        m_selectObjects->setVisible(isRoute);
        m_selectGraphObjects->setVisible(isSection);
    }
}
