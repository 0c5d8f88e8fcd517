#include "RuleTreeModel.h"

#include "records/ItemRoles.h"
#include "records/RecordKinds.h"

QVariant RuleTreeModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::ToolTipRole)
        return QStandardItemModel::data(index, role);
    const QVariant own = QStandardItemModel::data(index, role);
    if (own.isValid())
        return own;
    const QModelIndex first = index.sibling(index.row(), 0);
    const QVariant mask = QStandardItemModel::data(first, ItemRole::TypeMask);
    return mask.isValid() && !allowsEditing(mask.toUInt()) ? QVariant(readOnlyToolTip()) : own;
}

bool RuleTreeModel::allowsEditing(uint typeMask)
{
    return (typeMask & NodeBits::Editable) != 0;
}

QString RuleTreeModel::readOnlyToolTip()
{
    return tr("Read-only: set by the server's administrators");
}

QString RuleTreeModel::readOnlyNotice()
{
    return tr("This row is read-only: the server's administrators set it, and only they can "
              "change it.");
}
