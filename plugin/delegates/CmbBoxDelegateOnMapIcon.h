#ifndef CMBBOXDELEGATEONMAPICON_H
#define CMBBOXDELEGATEONMAPICON_H

#include <QItemDelegate>
#include <QMap>
#include <QPixmap>
#include <QString>

// Edits a map icon cell with a combo box of the icon table's names and pictures; writes the
// chosen name and shows its picture as the cell's decoration.
class CmbBoxDelegateOnMapIcon : public QItemDelegate
{
    Q_OBJECT

public:
    explicit CmbBoxDelegateOnMapIcon(QMap<QString, QPixmap> *iconTable, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    QMap<QString, QPixmap> *iconTable; // not owned; read afresh for every editor
};

#endif // CMBBOXDELEGATEONMAPICON_H
