#include "LineEditDelegate.h"

#include "DelegateRules.h"

#include <QLineEdit>

LineEditDelegate::LineEditDelegate(const QString &inputMask, QObject *parent)
    : QItemDelegate(parent)
    , inputMask(inputMask)
{
}

QWidget *LineEditDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                        const QModelIndex &) const
{
    auto *edit = new QLineEdit(parent);
    edit->setInputMask(inputMask);
    return edit;
}

void LineEditDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    // insert() runs the text through the mask, fitting it into the mask's layout. Selecting
    // first makes a repeated call (the cell changed under an open editor) replace the text
    // instead of overwriting it from the cursor on.
    auto *edit = static_cast<QLineEdit *>(editor);
    edit->selectAll();
    edit->insert(index.data(Qt::EditRole).toString());
}

void LineEditDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const
{
    model->setData(index, static_cast<QLineEdit *>(editor)->text(), Qt::EditRole);
}

void LineEditDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &) const
{
    DelegateRules::fitEditorToCell(editor, option);
}
