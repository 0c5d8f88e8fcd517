#ifndef TYPICALPANEL_H
#define TYPICALPANEL_H

#include <QWidget>

class OperativeBase;
class QAction;
class QToolBar;
class QVBoxLayout;

// A panel with a toolbar on top whose buttons call slots of the owning panel object.
class TypicalPanel : public QWidget
{
    Q_OBJECT

public:
    explicit TypicalPanel(OperativeBase *owner);

    // An action on the toolbar; its text doubles as tool tip. With a slot, the
    // action's triggered(bool) (or triggered()) goes to that slot of owner.
    QAction *addToolAction(const QString &iconPath, const QString &text, const char *slot);

    OperativeBase *owner; // not owned, may be null
    QVBoxLayout *layout;
    QToolBar *toolBar;
};

#endif // TYPICALPANEL_H
