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
}

RouteMenu::~RouteMenu() = default;
