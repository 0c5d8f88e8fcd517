#ifndef EDITTARGET_H
#define EDITTARGET_H

class QModelIndex;
class QStandardItem;
class QStandardItemModel;
class QVariant;

// The panel as its undo commands see it: the main tree, the row on show, and
// the steps an edit is made of. Commands know the panel only through this.
class EditTarget
{
public:
    virtual ~EditTarget() = default;

    virtual QStandardItemModel *treeModel() const = 0;
    // The column-0 index whose properties are on show; invalid when none.
    virtual QModelIndex currentRow() const = 0;
    // Makes row current and shows its properties afresh.
    virtual void selectRow(const QModelIndex &row) = 0;
    // Marks the route of item (a section's route for a section item).
    virtual void setEditState(int state, QStandardItem *item) = 0;
    virtual void applyProperty(const QModelIndex &row, const QModelIndex &property,
                               const QVariant &value) = 0;
    // What an edit of row may change, taken before the edit so that undo puts
    // it back exactly, derived fields included; invalid when the row has none.
    virtual QVariant rowSnapshot(const QModelIndex &row) const = 0;
    virtual void restoreRowSnapshot(const QModelIndex &row, const QVariant &snapshot) = 0;
};

#endif // EDITTARGET_H
