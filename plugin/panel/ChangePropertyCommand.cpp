#include "ChangePropertyCommand.h"

#include "EditTarget.h"

#include "records/ItemRoles.h"

#include <QObject>

ChangePropertyCommand::ChangePropertyCommand(EditTarget &target, const QModelIndex &propertyIndex,
                                             const QVariant &oldValue, const QVariant &newValue,
                                             QUndoCommand *parent)
    : ViewerCommand(target, parent)
    , firstRedo(true)
    , propertyIndex(propertyIndex)
    , oldValue(oldValue)
    , newValue(newValue)
    , snapshot(target.rowSnapshot(mainIndex))
{
}

ChangePropertyCommand::~ChangePropertyCommand() = default;

void ChangePropertyCommand::redo()
{
    target.applyProperty(mainIndex, propertyIndex, newValue);
    lookUpItem();
    target.setEditState(EditState::Changed, mainItem);
    setText(QObject::tr("Change property"));
    // The push runs the first redo while the table already shows the new value.
    if (!firstRedo)
        target.selectRow(mainIndex);
    firstRedo = false;
}

void ChangePropertyCommand::undo()
{
    // Putting the old text back would recompute derived times from it; the
    // snapshot restores them as they were.
    if (snapshot.isValid())
        target.restoreRowSnapshot(mainIndex, snapshot);
    else
        target.applyProperty(mainIndex, propertyIndex, oldValue);
    lookUpItem();
    target.setEditState(previousState, mainItem);
    target.selectRow(mainIndex);
}
