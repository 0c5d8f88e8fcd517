#include "CmbBoxDelegateOnStrList.h"

#include "DelegateRules.h"

#include <QComboBox>

CmbBoxDelegateOnStrList::CmbBoxDelegateOnStrList(QStringList *list, QObject *parent)
    : QItemDelegate(parent)
    , list(list)
{
}

QWidget *CmbBoxDelegateOnStrList::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                               const QModelIndex &) const
{
    auto *combo = new QComboBox(parent);
    combo->setEditable(false);
    if (list)
        combo->addItems(*list);
    for (int i = 0; m_tips && i < combo->count(); ++i)
        combo->setItemData(i, m_tips->value(i), Qt::ToolTipRole);
    return combo;
}

void CmbBoxDelegateOnStrList::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    DelegateRules::selectCellText(static_cast<QComboBox *>(editor), index);
}

void CmbBoxDelegateOnStrList::setModelData(QWidget *editor, QAbstractItemModel *model,
                                           const QModelIndex &index) const
{
    model->setData(index, static_cast<QComboBox *>(editor)->currentText(), Qt::EditRole);
}

void CmbBoxDelegateOnStrList::updateEditorGeometry(QWidget *editor,
                                                   const QStyleOptionViewItem &option,
                                                   const QModelIndex &) const
{
    DelegateRules::fitEditorToCell(editor, option);
}
