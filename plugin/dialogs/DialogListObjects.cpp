#include "DialogListObjects.h"

#include <TreeObjCheckable.h>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>

DialogListObjects::DialogListObjects()
    : QDialog(nullptr)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("DialogListObjects"));
    setWindowTitle(QCoreApplication::translate("DialogListObjects", "List objects"));

    gridLayout = new QGridLayout(this);
    treeWidget = new TreeObjCheckable(this);
    gridLayout->addWidget(treeWidget, 0, 0, 1, 1);

    buttonBox = new QDialogButtonBox(this);
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    gridLayout->addWidget(buttonBox, 1, 0);

    connect(buttonBox, SIGNAL(accepted()), this, SLOT(accept()));
    connect(buttonBox, SIGNAL(rejected()), this, SLOT(reject()));
}

DialogListObjects::~DialogListObjects() = default;

void DialogListObjects::showForRoute(QStandardItemModel *objectsModel, QList<int> *objects)
{
    treeWidget->setModelAndCheckedO(objectsModel, objects);
    if (!isVisible()) {
        show();
    } else {
        raise();
        activateWindow();
    }
}
