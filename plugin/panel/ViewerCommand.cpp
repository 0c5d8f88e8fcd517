#include "ViewerCommand.h"

#include "OperativeBase.h"

#include "graphobj/GraphObject.h"
#include "records/ItemRoles.h"

#include <QStandardItemModel>

ViewerCommand::ViewerCommand(OperativeBase *viewer, QUndoCommand *parent)
    : QUndoCommand(parent)
    , viewer(viewer)
    , mainItem(nullptr)
    , graphObject(nullptr)
    , previousState(0)
{
    // The row on show, which the property table and the toolbar act on.
    mainIndex = viewer->currentMainIndex;
    lookUpItem();
    if (mainItem) {
        const QStandardItem *routeItem = itemSection(mainItem) ? mainItem->parent() : mainItem;
        previousState = itemEditState(routeItem);
    }
}

ViewerCommand::~ViewerCommand() = default;

void ViewerCommand::lookUpItem()
{
    const QModelIndex index = mainIndex;
    mainItem = index.isValid() ? viewer->model->itemFromIndex(index) : nullptr;
    graphObject = itemGraphObject(mainItem);
}
