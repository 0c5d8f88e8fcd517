#ifndef TREEOBJCHECKABLE_H
#define TREEOBJCHECKABLE_H

#include "LintelGlobal.h"

#include <QList>
#include <QWidget>

class QModelIndex;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

// Shows a tracked-objects model as a tree with a check box per object.
// An object's id is the int32 that starts the record role 33 of its item points to.
class LINTEL_EXPORT TreeObjCheckable : public QWidget
{
    Q_OBJECT

public:
    explicit TreeObjCheckable(QWidget *parent = nullptr);
    ~TreeObjCheckable() override;

    // Replaces what the widget shows: a checkable copy of model's tree, with exactly
    // the objects whose ids are in checked ticked. Neither argument is kept or changed.
    void setModelAndCheckedO(QStandardItemModel *model, QList<int> *checked);

    // Appends the ids of the checked objects under parent (an invalid index: the whole tree).
    void getCheckedObjs(QList<int> *ids, const QModelIndex &parent);

    static constexpr int IdRole = 33;

private slots:
    void onItemChanged(QStandardItem *item);

private:
    void copyChildren(const QStandardItem *from, QStandardItem *to, const QList<int> &checked);
    void collectChecked(const QStandardItem *item, QList<int> *ids) const;

    QStandardItemModel *m_model;
    QTreeView *m_view;
};

#endif // TREEOBJCHECKABLE_H
