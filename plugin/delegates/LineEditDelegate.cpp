#include "LineEditDelegate.h"

#include "DelegateRules.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>

#include <utility>

LineEditDelegate::LineEditDelegate(const QString &inputMask, QObject *parent, Check check)
    : QItemDelegate(parent)
    , inputMask(inputMask)
    , check(std::move(check))
{
}

QString LineEditDelegate::markProblem(QLineEdit *edit, bool announce) const
{
    const QString problem = check ? check(edit->text()) : QString();
    edit->setToolTip(problem);
    edit->setStyleSheet(problem.isEmpty() ? QString()
                                          : QStringLiteral("QLineEdit { border: 2px solid red; }"));
    if (announce && !problem.isEmpty() && edit->isVisible())
        QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), problem, edit);
    return problem;
}

bool LineEditDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(object);
    if (edit && check && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !markProblem(edit, true).isEmpty())
            return true;
    }
    return QItemDelegate::eventFilter(object, event);
}

QWidget *LineEditDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                        const QModelIndex &) const
{
    auto *edit = new QLineEdit(parent);
    edit->setInputMask(inputMask);
    if (check)
        connect(edit, &QLineEdit::textEdited, edit, [this, edit] { markProblem(edit, false); });
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
    auto *edit = static_cast<QLineEdit *>(editor);
    if (markProblem(edit, true).isEmpty())
        model->setData(index, edit->text(), Qt::EditRole);
}

void LineEditDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &) const
{
    DelegateRules::fitEditorToCell(editor, option);
}
