#ifndef PANMAIN_H
#define PANMAIN_H

#include "TypicalPanel.h"

class QCheckBox;

// The strip above the main tree: "Select all", editor toggle, reload, expand/collapse.
class PanMain : public TypicalPanel
{
    Q_OBJECT

public:
    explicit PanMain(OperativeBase *owner);

    QAction *getAction;
    QAction *editorAction;
    QAction *expandAction;
    QCheckBox *selectAllBox;
};

#endif // PANMAIN_H
