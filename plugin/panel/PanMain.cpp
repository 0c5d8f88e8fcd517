#include "PanMain.h"

#include "OperativeBase.h"

#include <QAction>
#include <QCheckBox>
#include <QToolBar>

PanMain::PanMain(OperativeBase *owner)
    : TypicalPanel(owner)
{
    selectAllBox = new QCheckBox(this);
    selectAllBox->setObjectName(QStringLiteral("checkBox"));
    selectAllBox->setText(QWidget::tr("Select all"));
    toolBar->addWidget(selectAllBox);
    if (owner)
        connect(selectAllBox, SIGNAL(stateChanged(int)), owner, SLOT(selectAllChecked(int)));

    editorAction = addToolAction(QStringLiteral(":/icon/resource/redactor_on.png"),
                                 QWidget::tr("Editor panel On/Off"), SLOT(onEditorOnOff(bool)));
    editorAction->setCheckable(true);
    editorAction->setChecked(true);
    editorAction->setEnabled(true);

    getAction = addToolAction(QStringLiteral(":/icon/resource/reload.png"), QWidget::tr("Get"),
                              SLOT(onGetClicked()));
    expandAction = addToolAction(QStringLiteral(":/Pic/resources/branch-closed.png"),
                                 QWidget::tr("Expand/Collapse"), SLOT(onCollapseClicked()));
}
