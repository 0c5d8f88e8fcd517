#include "ViewerCommand.h"

#include "OperativeBase.h"

#include "routecheck/ItemRoles.h"

#include <QStandardItemModel>
#include <QTreeView>

ViewerCommand::ViewerCommand(OperativeBase *viewer, QUndoCommand *parent)
    : QUndoCommand(parent)
    , viewer(viewer)
    , mainItem(nullptr)
    , graphObject(nullptr)
    , previousState(0)
{
    const QModelIndex current = viewer->mainView->currentIndex();
    mainIndex = current.sibling(current.row(), 0);
    lookUpItem();
    if (mainItem) {
        const QStandardItem *routeItem = itemSection(mainItem) ? mainItem->parent() : mainItem;
        previousState = itemEditState(routeItem);
    }
}

ViewerCommand::~ViewerCommand() = default;

void ViewerCommand::lookUpItem()
{
    mainItem = mainIndex.isValid() ? viewer->model->itemFromIndex(mainIndex) : nullptr;
    graphObject = itemGraphObject(mainItem);
}
