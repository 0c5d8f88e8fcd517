#include "TypicalPanel.h"

#include <QAction>
#include <QIcon>
#include <QToolBar>
#include <QVBoxLayout>

TypicalPanel::TypicalPanel()
    : QWidget(nullptr)
    , m_column(new QVBoxLayout)
    , m_toolBar(new QToolBar)
{
    m_column->setContentsMargins(1, 1, 1, 1);
    m_column->setSpacing(1);
    m_toolBar->setStyleSheet(
        " QToolBar {  background-color: qlineargradient(spread:reflect, x1:0.995494, y1:1, "
        "x2:1, y2:0.159, stop:0 rgba(61, 61, 61, 255), stop:1 rgba(225, 225, 225, 255)); } ");
    m_column->addWidget(m_toolBar);
    setLayout(m_column);
}

QAction *TypicalPanel::addToolAction(const QString &iconPath, const QString &text)
{
    auto *action = new QAction(text, this);
    if (!iconPath.isEmpty())
        action->setIcon(QIcon(iconPath));
    action->setToolTip(text);
    m_toolBar->addAction(action);
    return action;
}
