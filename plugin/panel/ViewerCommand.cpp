#include "ViewerCommand.h"

#include "EditTarget.h"

#include "graphobj/GraphObject.h"
#include "records/ItemRoles.h"

#include <QStandardItemModel>

ViewerCommand::ViewerCommand(EditTarget &target, QUndoCommand *parent)
    : QUndoCommand(parent)
    , target(target)
    , mainItem(nullptr)
    , graphObject(nullptr)
    , previousState(0)
{
    // The row on show, which the property table and the toolbar act on.
    mainIndex = target.currentRow();
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
    mainItem = index.isValid() ? target.treeModel()->itemFromIndex(index) : nullptr;
    graphObject = itemGraphObject(mainItem);
}
