#include "NodeCommands.h"

#include "NodeRequests.h"

#include "records/ItemRoles.h"
#include "records/RecordKinds.h"
#include "records/RouteRecord.h"
#include "wire/Commands.h"
#include "wire/UnitMessages.h"

#include <QObject>
#include <QStandardItemModel>

namespace {

QStandardItem *itemAt(const NodeEditTarget &panel, const QModelIndex &index)
{
    return index.isValid() ? panel.treeModel()->itemFromIndex(index) : nullptr;
}

// New nodes go after their parent's nodes, before its route's section rows.
int nodeRowCount(const QStandardItem *parent)
{
    int row = 0;
    while (row < parent->rowCount() && !itemSection(parent->child(row)))
        ++row;
    return row;
}

} // namespace

AddNodeCommand::AddNodeCommand(NodeEditTarget &panel, const QModelIndex &parent,
                               const QString &name, bool withRoute)
    : ViewerCommand(panel, nullptr)
    , panel(panel)
    , m_parent(parent)
    , m_topLevel(!parent.isValid())
    , m_name(name)
    , m_withRoute(withRoute)
{
    setText(withRoute ? QObject::tr("New route") : QObject::tr("New group"));
}

AddNodeCommand::~AddNodeCommand()
{
    if (m_ticket) {
        m_ticket->answered = nullptr;
        m_ticket->refused = nullptr;
    }
}

QStandardItem *AddNodeCommand::parentItem() const
{
    return m_topLevel ? panel.treeModel()->invisibleRootItem() : itemAt(panel, m_parent);
}

void AddNodeCommand::redo()
{
    QStandardItem *parent = parentItem();
    if (!parent)
        return;
    const uint bits = m_topLevel ? NodeBits::Shown | NodeBits::Editable
                                 : parent->data(ItemRole::TypeMask).toUInt();
    QStandardItem *item = panel.newNodeItem(m_name, 0, bits);
    parent->insertRow(nodeRowCount(parent), item);
    m_row = item->index();
    if (!m_topLevel)
        panel.expandRow(parent->index());

    // Not make_shared: its tag is a unique symbol the module would export.
    m_ticket.reset(new NodeTicket);
    m_ticket->answered = [this](qint32 id) { answered(id); };
    m_ticket->refused = [this] { refused(); };
    const MainRowRef parentRow = m_parent;
    const bool topLevel = m_topLevel;
    const QString name = m_name;
    panel.nodeRequests().addNode(m_ticket, [parentRow, topLevel, name]() {
        std::optional<NodeRequests::Request> request;
        // Sent after every earlier add was answered: a new parent has its id by now.
        const qint32 parentId = topLevel ? 0 : parentRow.index().data(ItemRole::NodeId).toInt();
        if (topLevel || parentId > 0)
            request = {Commands::AddRuleNode, UnitMessages::idTextBody({parentId, name})};
        return request;
    });

    if (m_withRoute) {
        panel.addRoute(m_row, nullptr);
        panel.setEditState(EditState::New, itemAt(panel, m_row));
    }
}

void AddNodeCommand::undo()
{
    if (!m_ticket || !m_ticket->wanted)
        return;
    removeRow();
    panel.nodeRequests().dropNode(m_ticket);
}

void AddNodeCommand::removeRow()
{
    QStandardItem *item = itemAt(panel, m_row);
    if (!item)
        return;
    const bool wasCurrent = panel.currentRow() == item->index();
    const MainRowRef current = panel.currentRow();
    if (m_withRoute)
        panel.deleteRoute(m_row);
    QStandardItem *parent = item->parent();
    (parent ? parent : panel.treeModel()->invisibleRootItem())->removeRow(item->row());
    panel.selectRow(wasCurrent || m_withRoute ? mainIndex : current);
}

void AddNodeCommand::answered(qint32 id)
{
    QStandardItem *item = itemAt(panel, m_row);
    if (!item)
        return;
    panel.setRowData(item, ItemRole::NodeId, id);
    for (int row = 0; row < item->rowCount(); ++row) {
        if (itemSection(item->child(row)))
            panel.setRowData(item->child(row), ItemRole::NodeId, id);
    }
    // An unsaved route carries its node's id negated.
    if (RouteRecord *route = itemRoute(item); route && route->id == 0) {
        route->id = -id;
        // Tables of items by route id learn of the new id from the item.
        panel.setRowData(item, ItemRole::Route, QVariant());
        panel.setRowData(item, ItemRole::Route, qlonglong(reinterpret_cast<quintptr>(route)));
    }
    if (panel.currentRow() == item->index())
        panel.selectRow(item->index());
}

void AddNodeCommand::refused()
{
    // The stack undoes this step, so the row goes; it never comes back.
    panel.dropStep(this);
}

RenameNodeCommand::RenameNodeCommand(NodeEditTarget &panel, const QString &name)
    : ViewerCommand(panel, nullptr)
    , panel(panel)
    , m_old(mainItem ? mainItem->text() : QString())
    , m_new(name)
{
    setText(QObject::tr("Rename"));
}

void RenameNodeCommand::redo()
{
    apply(m_new, m_old);
}

void RenameNodeCommand::undo()
{
    apply(m_old, m_new);
}

void RenameNodeCommand::apply(const QString &name, const QString &before)
{
    lookUpItem();
    if (!mainItem)
        return;
    panel.setRowData(mainItem, Qt::DisplayRole, name);
    const MainRowRef row = mainIndex;
    NodeEditTarget *target = &panel;
    panel.nodeRequests().send(
        [row, name]() {
            std::optional<NodeRequests::Request> request;
            const qint32 id = row.index().data(ItemRole::NodeId).toInt();
            if (id > 0)
                request = {Commands::RenameRuleNode, UnitMessages::idTextBody({id, name})};
            return request;
        },
        [row, name, before, target]() {
            QStandardItem *item = itemAt(*target, row);
            if (item && item->text() == name)
                target->setRowData(item, Qt::DisplayRole, before);
        });
}
