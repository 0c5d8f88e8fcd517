#ifndef PANPROPERTIES_H
#define PANPROPERTIES_H

#include "TypicalPanel.h"

class QStandardItemModel;
class QTableView;

// "Save", undo and redo above the property table of the current tree row.
class PanProperties : public TypicalPanel
{
    Q_OBJECT

public:
    explicit PanProperties(OperativeBase *owner);

    QAction *saveAction;
    QAction *undoAction;
    QAction *redoAction;
    QStandardItemModel *propertyModel;
    QTableView *propertyView;
};

#endif // PANPROPERTIES_H
