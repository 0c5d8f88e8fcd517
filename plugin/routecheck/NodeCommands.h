#ifndef NODECOMMANDS_H
#define NODECOMMANDS_H

#include "RouteEditTarget.h"

#include "panel/ViewerCommand.h"

#include <QString>

#include <memory>

class NodeRequests;
struct NodeTicket;

// What the rule node commands need of the panel beyond the route operations.
class NodeEditTarget : public RouteEditTarget
{
public:
    // A row as rows read from the server are made; id 0 while pending.
    virtual QStandardItem *newNodeItem(const QString &name, qint32 id, uint bits) const = 0;
    // Sets a role of a row without it counting as an operator's edit.
    virtual void setRowData(QStandardItem *item, int role, const QVariant &value) = 0;
    virtual void expandRow(const QModelIndex &row) = 0;
    virtual NodeRequests &nodeRequests() = 0;
    // The server would not make the node: its step leaves the undo stack.
    virtual void dropStep(QUndoCommand *command) = 0;
};

// A new rule node, last among the nodes under its parent row (none: the top
// level), with the parent's type bits. Redo puts the row in at once and asks
// the server for the node; the reply gives the row its id. A node with a
// route takes a new route in the same step and becomes the current row.
class AddNodeCommand : public ViewerCommand
{
public:
    AddNodeCommand(NodeEditTarget &panel, const QModelIndex &parent, const QString &name,
                   bool withRoute);
    ~AddNodeCommand() override;
    void undo() override;
    void redo() override;

private:
    QStandardItem *parentItem() const;
    void answered(qint32 id);
    void refused();
    void removeRow();

    NodeEditTarget &panel;
    MainRowRef m_parent;
    bool m_topLevel;
    QString m_name;
    bool m_withRoute;
    MainRowRef m_row;
    std::shared_ptr<NodeTicket> m_ticket;
};

// A new name for the current node row, sent to the server; a refusal puts
// the name before it back.
class RenameNodeCommand : public ViewerCommand
{
public:
    RenameNodeCommand(NodeEditTarget &panel, const QString &name);
    void undo() override;
    void redo() override;

private:
    void apply(const QString &name, const QString &before);

    NodeEditTarget &panel;
    QString m_old;
    QString m_new;
};

#endif // NODECOMMANDS_H
