#ifndef VIEWERCOMMAND_H
#define VIEWERCOMMAND_H

#include "MainRowRef.h"

#include <QUndoCommand>

class EditTarget;
class GraphObject;
class QStandardItem;

// Base of every undo command of the panel: remembers the main-tree row that
// was current when the command was made and the edit state of its route.
class ViewerCommand : public QUndoCommand
{
public:
    ViewerCommand(EditTarget &target, QUndoCommand *parent);
    ~ViewerCommand() override;

protected:
    // Looks mainItem and graphObject up again from mainIndex; rows move under commands.
    void lookUpItem();

    EditTarget &target;
    MainRowRef mainIndex;
    QStandardItem *mainItem;
    GraphObject *graphObject;
    int previousState;
};

#endif // VIEWERCOMMAND_H
