#include "ChangePropertyCommand.h"

#include "OperativeBase.h"

#include <QObject>

ChangePropertyCommand::ChangePropertyCommand(OperativeBase *viewer,
                                             const QModelIndex &propertyIndex,
                                             const QVariant &oldValue, const QVariant &newValue,
                                             QUndoCommand *parent)
    : ViewerCommand(viewer, parent)
    , firstRedo(true)
    , propertyIndex(propertyIndex)
    , oldValue(oldValue)
    , newValue(newValue)
    , snapshot(viewer->rowSnapshot(mainIndex))
{
}

ChangePropertyCommand::~ChangePropertyCommand() = default;

void ChangePropertyCommand::redo()
{
    viewer->applyProperty(mainIndex, propertyIndex, newValue);
    lookUpItem();
    viewer->setItemEditState(3, mainItem);
    setText(QObject::tr("Change property"));
    // The push runs the first redo while the table already shows the new value.
    if (!firstRedo)
        viewer->selectMainIndex(mainIndex);
    firstRedo = false;
}

void ChangePropertyCommand::undo()
{
    // Putting the old text back would recompute derived times from it; the
    // snapshot restores them as they were.
    if (snapshot.isValid())
        viewer->restoreRowSnapshot(mainIndex, snapshot);
    else
        viewer->applyProperty(mainIndex, propertyIndex, oldValue);
    lookUpItem();
    viewer->setItemEditState(previousState, mainItem);
    viewer->selectMainIndex(mainIndex);
}
