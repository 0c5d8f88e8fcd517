#include "ColorDialogDelegate.h"

#include <QAbstractItemModel>
#include <QStyle>
#include <QStyleOptionViewItem>

ColorDialogDelegate::ColorDialogDelegate(bool showAlpha, QObject *parent)
    : QItemDelegate(parent)
    , armed(false)
    , options(showAlpha ? QColorDialog::ShowAlphaChannel : QColorDialog::ColorDialogOptions())
{
}

QWidget *ColorDialogDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                           const QModelIndex &) const
{
    return new QWidget(parent);
}

void ColorDialogDelegate::setEditorData(QWidget *, const QModelIndex &index) const
{
    if (!armed)
        return;
    // Disarm before the nested loop of the dialog can bring this call back.
    armed = false;
    const QColor initial = qvariant_cast<QColor>(index.data(Qt::EditRole));
    chosenColor = QColorDialog::getColor(initial, nullptr, QString(), options);
}

void ColorDialogDelegate::setModelData(QWidget *, QAbstractItemModel *model,
                                       const QModelIndex &index) const
{
    if (!chosenColor.isValid())
        return;
    model->setData(index, chosenColor, Qt::EditRole);
    // The default painting draws a colour decoration as a swatch.
    model->setData(index, chosenColor, Qt::DecorationRole);
}

bool ColorDialogDelegate::editorEvent(QEvent *, QAbstractItemModel *,
                                      const QStyleOptionViewItem &option, const QModelIndex &)
{
    if (option.state & QStyle::State_Active)
        armed = true;
    // The view still handles the event, and opens the editor as its triggers say.
    return false;
}
