#ifndef LINEEDITDELEGATE_H
#define LINEEDITDELEGATE_H

#include <QItemDelegate>
#include <QString>

#include <functional>

class QLineEdit;

// Edits a cell's text in a line edit with an input mask. The text is written back as the
// editor holds it; the property code parses it. With a check, text it finds a problem with
// is never written: the editor shows the problem in a red frame and its tooltip, and Return
// leaves it open.
class LineEditDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    // check: the problem with a text, empty when there is none.
    using Check = std::function<QString(const QString &)>;

    explicit LineEditDelegate(const QString &inputMask, QObject *parent = nullptr,
                              Check check = Check());

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    // Marks the editor by the problem with its text, popping the tooltip up when
    // announced; the problem, empty when none.
    QString markProblem(QLineEdit *edit, bool announce) const;

    QString inputMask;
    Check check;
};

#endif // LINEEDITDELEGATE_H
