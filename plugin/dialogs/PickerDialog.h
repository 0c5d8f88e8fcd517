#ifndef PICKERDIALOG_H
#define PICKERDIALOG_H

#include <QDialog>

class QLineEdit;
class QTreeView;
class QVBoxLayout;

// A dialog to tick rows of a tree: a name filter above the tree, OK and
// Cancel below. It opens over the panel's window, the first time sized to
// its names (up to two thirds of the screen), and then where the operator
// left it, in this run and the next.
class PickerDialog : public QDialog
{
    Q_OBJECT

public:
    ~PickerDialog() override;

    // Shows the dialog over window, whose child it becomes, with an empty
    // filter; raises it when it is up already.
    void showOver(QWidget *window);
    QLineEdit *filterEdit() const { return m_filterEdit; }
    // The settings key of the size and place.
    QString geometryKey() const;

protected:
    // name: the object name, which also keys the remembered geometry.
    PickerDialog(const QString &name, const QString &title);

    // Puts tree, whose rows view shows, between the filter and the buttons.
    void setTree(QWidget *tree, QTreeView *view);
    // Filters the rows again, as after the tree's rows were replaced.
    void refilter();

    void hideEvent(QHideEvent *event) override;

private:
    void adoptParent(QWidget *window);
    void fitToNames(QWidget *window);

    QVBoxLayout *m_layout;
    QLineEdit *m_filterEdit;
    QTreeView *m_view = nullptr;
    int m_shownRows = 0;
};

#endif // PICKERDIALOG_H
