#ifndef VIEWERCOMMAND_H
#define VIEWERCOMMAND_H

#include <QPersistentModelIndex>
#include <QUndoCommand>

class GraphObject;
class OperativeBase;
class QStandardItem;

// Base of every undo command of the panel: remembers the main-tree row that
// was current when the command was made and the edit state of its route.
class ViewerCommand : public QUndoCommand
{
public:
    ViewerCommand(OperativeBase *viewer, QUndoCommand *parent);
    ~ViewerCommand() override;

protected:
    // Looks mainItem and graphObject up again from mainIndex; rows move under commands.
    void lookUpItem();

    OperativeBase *viewer; // not owned
    // Persistent so that a row removed under the command reads as no row, never as a stale one.
    QPersistentModelIndex mainIndex;
    QStandardItem *mainItem;
    GraphObject *graphObject;
    int previousState;
};

#endif // VIEWERCOMMAND_H
