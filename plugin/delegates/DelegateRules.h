#ifndef DELEGATERULES_H
#define DELEGATERULES_H

class QComboBox;
class QModelIndex;
class QStyleOptionViewItem;
class QWidget;

// Behaviour shared by the property editor delegates, kept in one place so they cannot drift.
namespace DelegateRules {

// Selects the entry whose text equals the cell's text exactly, case included; with no such
// entry the combo shows no selection, so an unknown value is never replaced silently.
void selectCellText(QComboBox *combo, const QModelIndex &index);

// Lays the editor over the whole cell, decoration and check box included.
void fitEditorToCell(QWidget *editor, const QStyleOptionViewItem &option);

} // namespace DelegateRules

#endif // DELEGATERULES_H
