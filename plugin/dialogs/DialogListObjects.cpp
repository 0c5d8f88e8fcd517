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
    m_treeWidget = new TreeObjCheckable(this);
    gridLayout->addWidget(m_treeWidget, 0, 0, 1, 1);

    buttonBox = new QDialogButtonBox(this);
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    gridLayout->addWidget(buttonBox, 1, 0);

    connect(buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

DialogListObjects::~DialogListObjects() = default;

void DialogListObjects::showForRoute(QStandardItemModel *objectsModel, QList<int> *objects)
{
    m_treeWidget->setModelAndCheckedO(objectsModel, objects);
    if (!isVisible()) {
        show();
    } else {
        raise();
        activateWindow();
    }
}
