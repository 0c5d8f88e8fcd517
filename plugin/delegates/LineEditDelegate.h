#ifndef LINEEDITDELEGATE_H
#define LINEEDITDELEGATE_H

#include <QItemDelegate>
#include <QString>

// Edits a cell's text in a line edit with an input mask. The text is written back as the
// editor holds it; the property code parses it.
class LineEditDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    explicit LineEditDelegate(const QString &inputMask, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    QString inputMask;
};

#endif // LINEEDITDELEGATE_H
