#include "DialogListObjects.h"

#include <TreeObjCheckable.h>

#include <QCoreApplication>
#include <QTreeView>

DialogListObjects::DialogListObjects()
    : PickerDialog(QStringLiteral("DialogListObjects"),
                   QCoreApplication::translate("DialogListObjects", "List objects"))
    , m_treeWidget(new TreeObjCheckable(this))
{
    setTree(m_treeWidget, m_treeWidget->findChild<QTreeView *>());
}

DialogListObjects::~DialogListObjects() = default;

void DialogListObjects::showForRoute(QStandardItemModel *objectsModel, QList<int> *objects,
                                     QWidget *window)
{
    m_treeWidget->setModelAndCheckedO(objectsModel, objects);
    showOver(window);
}
