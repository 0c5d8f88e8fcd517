#ifndef PANPROPERTIES_H
#define PANPROPERTIES_H

#include "TypicalPanel.h"

class LabelColumn;
class QLabel;
class QModelIndex;
class QStandardItemModel;
class QTableView;
class QUndoGroup;

// "Save", undo and redo above the property table of the current tree row.
class PanProperties : public TypicalPanel
{
    Q_OBJECT

public:
    // Undo and redo act on undoGroup's active stack; without a group there are none.
    explicit PanProperties(QUndoGroup *undoGroup);

    QAction *saveAction() const { return m_saveAction; }
    QAction *undoAction() const { return m_undoAction; }
    QAction *redoAction() const { return m_redoAction; }
    QStandardItemModel *propertyModel() const { return m_propertyModel; }
    QTableView *propertyView() const { return m_propertyView; }
    // The label column's width, to fit after each filling of the table.
    LabelColumn *labelColumn() const { return m_labelColumn; }
    // Said in place of the table while the panel is disabled; empty: the table greys out.
    void setLockedNotice(const QString &text);
    QLabel *lockedNotice() const { return m_notice; }

signals:
    void saveClicked();
    // A cell of the table was clicked or activated.
    void propertyClicked(const QModelIndex &index);

protected:
    void changeEvent(QEvent *event) override;

private:
    void showNotice();

    QAction *m_saveAction;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QStandardItemModel *m_propertyModel;
    QTableView *m_propertyView;
    LabelColumn *m_labelColumn;
    QLabel *m_notice;
};

#endif // PANPROPERTIES_H
