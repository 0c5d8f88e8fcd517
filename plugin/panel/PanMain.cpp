#include "PanMain.h"

#include <QAction>
#include <QCheckBox>
#include <QToolBar>

PanMain::PanMain()
{
    // The toolbar texts are translated in the "QWidget" context.
    m_selectAllBox = new QCheckBox(this);
    m_selectAllBox->setObjectName(QStringLiteral("checkBox"));
    m_selectAllBox->setText(QWidget::tr("Select all"));
    toolBar()->addWidget(m_selectAllBox);
    connect(m_selectAllBox, &QCheckBox::stateChanged, this, &PanMain::selectAllChanged);

    m_editorAction = addToolAction(QStringLiteral(":/icon/resource/redactor_on.png"),
                                   QWidget::tr("Editor panel On/Off"));
    m_editorAction->setCheckable(true);
    m_editorAction->setChecked(true);
    m_editorAction->setEnabled(true);
    connect(m_editorAction, &QAction::triggered, this, &PanMain::editorToggled);

    m_getAction = addToolAction(QStringLiteral(":/icon/resource/reload.png"), QWidget::tr("Get"));
    connect(m_getAction, &QAction::triggered, this, &PanMain::reloadClicked);

    m_expandAction = addToolAction(QStringLiteral(":/Pic/resources/branch-closed.png"),
                                   QWidget::tr("Expand/Collapse"));
    connect(m_expandAction, &QAction::triggered, this, &PanMain::expandCollapseClicked);
}
