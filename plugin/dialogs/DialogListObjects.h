#ifndef DIALOGLISTOBJECTS_H
#define DIALOGLISTOBJECTS_H

#include "PickerDialog.h"

#include <QList>

class QStandardItemModel;
class TreeObjCheckable;

// Chooses the tracked units a route watches, from the host's objects model.
class DialogListObjects : public PickerDialog
{
    Q_OBJECT

public:
    DialogListObjects();
    ~DialogListObjects() override;

    // Shows model's objects with exactly the listed ids ticked over window;
    // objects is only read.
    void showForRoute(QStandardItemModel *objectsModel, QList<int> *objects,
                      QWidget *window = nullptr);

    TreeObjCheckable *treeWidget() const { return m_treeWidget; }

private:
    TreeObjCheckable *m_treeWidget;
};

#endif // DIALOGLISTOBJECTS_H
