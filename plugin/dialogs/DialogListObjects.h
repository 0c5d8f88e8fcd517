#ifndef DIALOGLISTOBJECTS_H
#define DIALOGLISTOBJECTS_H

#include <QDialog>
#include <QList>

class QDialogButtonBox;
class QGridLayout;
class QStandardItemModel;
class TreeObjCheckable;

// Chooses the tracked units a route watches, from the host's objects model.
class DialogListObjects : public QDialog
{
    Q_OBJECT

public:
    DialogListObjects();
    ~DialogListObjects() override;

    // Shows model's objects with exactly the listed ids ticked; objects is only read.
    void showForRoute(QStandardItemModel *objectsModel, QList<int> *objects);

    TreeObjCheckable *treeWidget() const { return m_treeWidget; }

private:
    TreeObjCheckable *m_treeWidget;
    QGridLayout *gridLayout;
    QDialogButtonBox *buttonBox;
};

#endif // DIALOGLISTOBJECTS_H
