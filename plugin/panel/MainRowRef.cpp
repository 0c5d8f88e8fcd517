#include "MainRowRef.h"

#include "records/ItemRoles.h"
#include "records/SectionRecord.h"

#include <QStandardItemModel>

MainRowRef::MainRowRef(const QModelIndex &index)
    : model(qobject_cast<const QStandardItemModel *>(index.model()))
{
    if (!model || !index.isValid())
        return;
    const QStandardItem *item = model->itemFromIndex(index.sibling(index.row(), 0));
    if (const SectionRecord *record = itemSection(item)) {
        section = true;
        sectionId = record->id;
        item = item->parent();
    }
    for (; item; item = item->parent())
        nodeRows.prepend(item->row());
}

QModelIndex MainRowRef::index() const
{
    if (!model || nodeRows.isEmpty())
        return QModelIndex();
    const QStandardItem *item = model->invisibleRootItem();
    for (int row : nodeRows) {
        item = row < item->rowCount() ? item->child(row) : nullptr;
        if (!item)
            return QModelIndex();
    }
    if (!section)
        return item->index();
    for (int row = 0; row < item->rowCount(); ++row) {
        const QStandardItem *child = item->child(row);
        const SectionRecord *record = itemSection(child);
        if (record && record->id == sectionId)
            return child->index();
    }
    return QModelIndex();
}
