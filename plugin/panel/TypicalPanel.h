#ifndef TYPICALPANEL_H
#define TYPICALPANEL_H

#include <QWidget>

class QAction;
class QToolBar;
class QVBoxLayout;

// A panel with a toolbar on top. Its buttons say what the operator asked for
// through the panel's own signals; the panel object connects them.
class TypicalPanel : public QWidget
{
    Q_OBJECT

public:
    TypicalPanel();

    // Appends an action to the toolbar; its text doubles as tool tip. An empty
    // path gives no icon.
    QAction *addToolAction(const QString &iconPath, const QString &text);

protected:
    QToolBar *toolBar() const { return m_toolBar; }
    // The panel's column: the toolbar, then whatever the panel adds below it.
    QVBoxLayout *column() const { return m_column; }

private:
    QVBoxLayout *m_column;
    QToolBar *m_toolBar;
};

#endif // TYPICALPANEL_H
