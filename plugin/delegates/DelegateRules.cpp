#include "DelegateRules.h"

#include <QComboBox>
#include <QModelIndex>
#include <QStyleOptionViewItem>

namespace DelegateRules {

void selectCellText(QComboBox *combo, const QModelIndex &index)
{
    const QString text = index.data(Qt::EditRole).toString();
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void fitEditorToCell(QWidget *editor, const QStyleOptionViewItem &option)
{
    editor->setGeometry(option.rect);
}

} // namespace DelegateRules
