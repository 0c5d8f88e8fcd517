#include "RouteMenu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

RouteMenu::RouteMenu(QObject *owner)
    : m_menu(std::make_unique<QMenu>())
{
    m_showOnMap =
        new QAction(QCoreApplication::translate("OperativeCheck", "Show on map"), owner);
    m_showOnMap->setCheckable(true);
    m_menu->addAction(m_showOnMap);
    m_menu->addSeparator();
    m_checkOff = new QAction(QCoreApplication::translate("OperativeCheck", "Set check off"), owner);
    m_checkOff->setData(QVariant(int(0)));
    m_menu->addAction(m_checkOff);
    m_checkOn = new QAction(QCoreApplication::translate("OperativeCheck", "Set check on"), owner);
    m_checkOn->setData(QVariant(int(1)));
    m_menu->addAction(m_checkOn);
    m_menu->addSeparator();
    m_newGroup = new QAction(QCoreApplication::translate("OperativeCheck", "New group…"), owner);
    m_menu->addAction(m_newGroup);
    m_newRoute = new QAction(QCoreApplication::translate("OperativeCheck", "New route…"), owner);
    m_menu->addAction(m_newRoute);
    m_renameNode = new QAction(QCoreApplication::translate("OperativeCheck", "Rename…"), owner);
    m_menu->addAction(m_renameNode);
}

void RouteMenu::offerFor(bool hasRow, bool canAdd, bool canRename)
{
    for (QAction *action : {m_showOnMap, m_checkOff, m_checkOn})
        action->setEnabled(hasRow);
    m_newGroup->setEnabled(canAdd);
    m_newRoute->setEnabled(canAdd);
    m_renameNode->setEnabled(canRename);
}

RouteMenu::~RouteMenu() = default;
