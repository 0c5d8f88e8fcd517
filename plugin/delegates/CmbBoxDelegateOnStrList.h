#ifndef CMBBOXDELEGATEONSTRLIST_H
#define CMBBOXDELEGATEONSTRLIST_H

#include <QItemDelegate>
#include <QStringList>

// Edits a cell with a combo box over a fixed list of texts and writes the chosen text.
class CmbBoxDelegateOnStrList : public QItemDelegate
{
    Q_OBJECT

public:
    explicit CmbBoxDelegateOnStrList(QStringList *list, QObject *parent = nullptr);
    // Tooltips of the texts, by the same index; not owned.
    void setItemTips(const QStringList *tips) { m_tips = tips; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    QStringList *list; // not owned; read afresh for every editor
    const QStringList *m_tips = nullptr;
};

#endif // CMBBOXDELEGATEONSTRLIST_H
