#ifndef PANMAIN_H
#define PANMAIN_H

#include "TypicalPanel.h"

class QCheckBox;

// The strip above the main tree: "Select all", editor toggle, reload, expand/collapse.
class PanMain : public TypicalPanel
{
    Q_OBJECT

public:
    PanMain();

    QAction *getAction() const { return m_getAction; }
    QAction *editorAction() const { return m_editorAction; }
    QAction *expandAction() const { return m_expandAction; }
    QCheckBox *selectAllBox() const { return m_selectAllBox; }

signals:
    void selectAllChanged(int state);
    void editorToggled(bool on);
    void reloadClicked();
    void expandCollapseClicked();

private:
    QAction *m_getAction;
    QAction *m_editorAction;
    QAction *m_expandAction;
    QCheckBox *m_selectAllBox;
};

#endif // PANMAIN_H
