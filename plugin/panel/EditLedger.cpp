#include "EditLedger.h"

#include "ItemChangeGate.h"

#include "records/ItemRoles.h"
#include "records/RouteRecord.h"
#include "wire/RouteMessages.h"

#include <QAction>
#include <QDataStream>
#include <QStandardItemModel>

EditLedger::EditLedger(QStandardItemModel *tree, ItemChangeGate &treeGate, QAction *saveAction)
    : m_tree(tree)
    , m_treeGate(treeGate)
    , m_saveAction(saveAction)
{
}

void EditLedger::setItemEditState(int state, QStandardItem *item)
{
    if (!item)
        return;
    QStandardItem *routeItem = itemSection(item) ? item->parent() : item;
    const RouteRecord *route = itemRoute(routeItem);
    if (!route)
        return;
    if (state == EditState::Unchanged && route->sectionsReordered)
        state = EditState::Changed;
    markRouteEditState(state, route->id, routeItem);
}

void EditLedger::markRouteEditState(int state, int routeId, QStandardItem *routeItem)
{
    if (routeItem && state != EditState::Deleted) {
        m_deletedRouteIds.remove(routeId);
        const ItemChangeGate::Muted muted(m_treeGate);
        routeItem->setData(state, ItemRole::EditState);
    } else {
        m_deletedRouteIds.insert(routeId);
    }
}

bool EditLedger::hasEdits() const
{
    if (!m_deletedRouteIds.isEmpty())
        return true;
    for (int row = 0; row < m_tree->rowCount(); ++row) {
        if (hasMarkedRoute(m_tree->item(row, 0)))
            return true;
    }
    return false;
}

bool EditLedger::hasMarkedRoute(const QStandardItem *item)
{
    if (!item)
        return false;
    const int state = itemEditState(item);
    if ((state == EditState::New || state == EditState::Changed) && itemRoute(item))
        return true;
    for (int row = 0; row < item->rowCount(); ++row) {
        if (hasMarkedRoute(item->child(row)))
            return true;
    }
    return false;
}

void EditLedger::refreshSaveAction()
{
    m_saveAction->setEnabled(hasEdits());
}

QByteArray EditLedger::saveBody()
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    bool written = false;
    for (int row = 0; row < m_tree->rowCount(); ++row) {
        if (QStandardItem *item = m_tree->item(row, 0))
            written = writeItem(item, out) || written;
    }
    RouteMessages::writeSaveEnd(out, m_deletedRouteIds);
    return written || !m_deletedRouteIds.isEmpty() ? body : QByteArray();
}

bool EditLedger::writeItem(QStandardItem *item, QDataStream &out)
{
    if (!item)
        return false;
    bool written = false;
    const int state = itemEditState(item);
    const int nodeId = item->data(ItemRole::NodeId).toInt();
    if (RouteRecord *route = itemRoute(item)) {
        if (state == EditState::New || route->id < 0) {
            if (route->id != nodeId) {
                route->id = nodeId;
                // Tables of items by route id learn of the new id from the item.
                const ItemChangeGate::Muted muted(m_treeGate);
                item->setData(QVariant(), ItemRole::Route);
                setItemRecord(item, ItemRole::Route, route);
            }
            RouteMessages::writeSaveEntry(out, nodeId, *route);
            // The new route replaces the node's old one; deleting that too would lose it.
            m_deletedRouteIds.remove(nodeId);
            written = true;
        } else if (state == EditState::Changed) {
            RouteMessages::writeSaveEntry(out, 0, *route);
            written = true;
        }
    }
    for (int row = 0; row < item->rowCount(); ++row)
        written = writeItem(item->child(row), out) || written;
    return written;
}

void EditLedger::saved()
{
    m_deletedRouteIds.clear();
    const ItemChangeGate::Muted muted(m_treeGate);
    for (int row = 0; row < m_tree->rowCount(); ++row)
        clearEditStates(m_tree->item(row, 0));
    refreshSaveAction();
}

void EditLedger::clearEditStates(QStandardItem *item)
{
    if (!item)
        return;
    const int state = itemEditState(item);
    if (state == EditState::New || state == EditState::Changed)
        item->setData(EditState::Unchanged, ItemRole::EditState);
    if (RouteRecord *route = itemRoute(item))
        route->sectionsReordered = false;
    for (int row = 0; row < item->rowCount(); ++row)
        clearEditStates(item->child(row));
}
