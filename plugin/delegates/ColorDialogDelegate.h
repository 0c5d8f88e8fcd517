#ifndef COLORDIALOGDELEGATE_H
#define COLORDIALOGDELEGATE_H

#include <QColor>
#include <QColorDialog>
#include <QItemDelegate>

// Edits a colour cell through a modal colour dialog instead of an in-cell editor. The dialog
// opens only for an edit that the operator started in the active window (the delegate is
// "armed" by that event), so a repeated setEditorData while the editor is open, or an edit
// started programmatically, opens nothing. A chosen colour is written as the cell's value
// and its decoration swatch; a cancelled dialog leaves the cell as it was.
class ColorDialogDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    explicit ColorDialogDelegate(bool showAlpha, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

private:
    // Changed by the const editor calls the view makes during one edit.
    mutable bool armed;
    mutable QColor chosenColor; // invalid after a cancel; kept until the next armed edit
    QColorDialog::ColorDialogOptions options;
};

#endif // COLORDIALOGDELEGATE_H
