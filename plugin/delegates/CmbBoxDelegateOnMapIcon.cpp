#include "CmbBoxDelegateOnMapIcon.h"

#include "DelegateRules.h"

#include <QComboBox>
#include <QIcon>

CmbBoxDelegateOnMapIcon::CmbBoxDelegateOnMapIcon(QMap<QString, QPixmap> *iconTable,
                                                 QObject *parent)
    : QItemDelegate(parent)
    , iconTable(iconTable)
{
}

QWidget *CmbBoxDelegateOnMapIcon::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                               const QModelIndex &) const
{
    auto *combo = new QComboBox(parent);
    combo->setEditable(false);
    if (iconTable) {
        for (auto it = iconTable->cbegin(); it != iconTable->cend(); ++it)
            combo->addItem(QIcon(it.value()), it.key());
    }
    return combo;
}

void CmbBoxDelegateOnMapIcon::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    DelegateRules::selectCellText(static_cast<QComboBox *>(editor), index);
}

void CmbBoxDelegateOnMapIcon::setModelData(QWidget *editor, QAbstractItemModel *model,
                                           const QModelIndex &index) const
{
    const QString name = static_cast<QComboBox *>(editor)->currentText();
    model->setData(index, name, Qt::EditRole);
    // An unknown name (or no selection) clears the picture rather than keeping a stale one.
    const QPixmap picture = iconTable ? iconTable->value(name) : QPixmap();
    model->setData(index, picture, Qt::DecorationRole);
}

void CmbBoxDelegateOnMapIcon::updateEditorGeometry(QWidget *editor,
                                                   const QStyleOptionViewItem &option,
                                                   const QModelIndex &) const
{
    DelegateRules::fitEditorToCell(editor, option);
}
