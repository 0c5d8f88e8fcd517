#ifndef CHANGEPROPERTYCOMMAND_H
#define CHANGEPROPERTYCOMMAND_H

#include "ViewerCommand.h"

#include <QModelIndex>
#include <QVariant>

// One accepted edit of a property cell.
class ChangePropertyCommand : public ViewerCommand
{
public:
    ChangePropertyCommand(EditTarget &target, const QModelIndex &propertyIndex,
                          const QVariant &oldValue, const QVariant &newValue,
                          QUndoCommand *parent = nullptr);
    ~ChangePropertyCommand() override;

    void undo() override;
    void redo() override;

private:
    bool firstRedo;
    // Only its row and model are read: the table is rebuilt under the command.
    QModelIndex propertyIndex;
    QVariant oldValue;
    QVariant newValue;
    QVariant snapshot; // the row's record before the edit
};

#endif // CHANGEPROPERTYCOMMAND_H
