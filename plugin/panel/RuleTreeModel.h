#ifndef RULETREEMODEL_H
#define RULETREEMODEL_H

#include <QStandardItemModel>

// The main tree's model: a row whose type bits keep it from being edited says
// so in its tool tip, whatever column is pointed at.
class RuleTreeModel : public QStandardItemModel
{
    Q_OBJECT

public:
    using QStandardItemModel::QStandardItemModel;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // Whether a row's type bits let the operator edit it and add nodes under it.
    static bool allowsEditing(uint typeMask);
    static QString readOnlyToolTip();
    // What the property panel says in place of a read-only row's table.
    static QString readOnlyNotice();
};

#endif // RULETREEMODEL_H
