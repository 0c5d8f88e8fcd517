#include "PanProperties.h"

#include "OperativeBase.h"

#include <QAction>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolBar>
#include <QUndoGroup>
#include <QVBoxLayout>

PanProperties::PanProperties(OperativeBase *owner)
    : TypicalPanel(owner)
    , undoAction(nullptr)
    , redoAction(nullptr)
{
    saveAction = addToolAction(QStringLiteral(":/icon/resource/save.png"), QWidget::tr("Save"),
                               SLOT(onSaveClicked()));
    toolBar->addSeparator();

    if (owner) {
        undoAction = owner->undoGroup->createUndoAction(this, QString());
        undoAction->setIcon(QIcon(QStringLiteral(":/icon/resource/undo.png")));
        toolBar->addAction(undoAction);
        redoAction = owner->undoGroup->createRedoAction(this, QString());
        redoAction->setIcon(QIcon(QStringLiteral(":/icon/resource/redo.png")));
        toolBar->addAction(redoAction);
    }
    toolBar->addSeparator();

    propertyModel = new QStandardItemModel(0, 0, this);
    propertyView = new QTableView(this);
    propertyView->setStyleSheet(QStringLiteral(" QTableView { background-color: rgb(215, 215, 215); }"));
    propertyView->setModel(propertyModel);
    propertyView->setSelectionBehavior(QAbstractItemView::SelectRows);
    propertyView->setEditTriggers(QAbstractItemView::DoubleClicked);
    propertyView->verticalHeader()->hide();
    propertyView->horizontalHeader()->show();
    propertyView->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    propertyView->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(propertyView);

    if (owner) {
        connect(propertyView, SIGNAL(activated(const QModelIndex &)), owner,
                SLOT(onPropertyItemClicked(const QModelIndex &)));
        connect(propertyView, SIGNAL(clicked(const QModelIndex &)), owner,
                SLOT(onPropertyItemClicked(const QModelIndex &)));
        connect(propertyModel, SIGNAL(itemChanged(QStandardItem *)), owner,
                SLOT(onPropertyItemChanged(QStandardItem *)));
    }
}
