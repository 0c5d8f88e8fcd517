#include "TypicalPanel.h"

#include "OperativeBase.h"

#include <QAction>
#include <QIcon>
#include <QToolBar>
#include <QVBoxLayout>

TypicalPanel::TypicalPanel(OperativeBase *owner)
    : QWidget(nullptr)
    , owner(owner)
    , layout(new QVBoxLayout)
    , toolBar(new QToolBar)
{
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(1);
    toolBar->setStyleSheet(
        " QToolBar {  background-color: qlineargradient(spread:reflect, x1:0.995494, y1:1, "
        "x2:1, y2:0.159, stop:0 rgba(61, 61, 61, 255), stop:1 rgba(225, 225, 225, 255)); } ");
    layout->addWidget(toolBar);
    setLayout(layout);
}

QAction *TypicalPanel::addToolAction(const QString &iconPath, const QString &text,
                                     const char *slot)
{
    auto *action = new QAction(text, this);
    if (!iconPath.isEmpty())
        action->setIcon(QIcon(iconPath));
    action->setToolTip(text);
    toolBar->addAction(action);
    if (owner && slot) {
        if (!connect(action, SIGNAL(triggered(bool)), owner, slot))
            connect(action, SIGNAL(triggered()), owner, slot);
    }
    return action;
}
