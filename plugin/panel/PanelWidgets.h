#ifndef PANELWIDGETS_H
#define PANELWIDGETS_H

#include <QPointer>

class PanMain;
class PanProperties;
class PanelNotice;
class QAction;
class QAbstractItemModel;
class QObject;
class QSplitter;
class QTreeView;
class QUndoGroup;
class QVBoxLayout;
class QWidget;

// The panel's widgets, in one column: a notice bar, the main strip, then a splitter
// with the main tree over the property panel. They are made once and move
// between the host's pages as a whole. A host page that holds them may be
// deleted before the plug-in; whatever no page took with it is deleted here.
class PanelWidgets
{
public:
    PanelWidgets(QAbstractItemModel *treeModel, QUndoGroup *undoGroup);
    ~PanelWidgets();

    QVBoxLayout *layout() const;
    PanMain *panMain() const;
    QTreeView *mainView() const;
    PanProperties *panProperties() const;
    PanelNotice *notice() const;

    // Makes action's shortcut work while the focus is anywhere in the panel, and only there.
    void addPanelAction(QAction *action);

    // Gives page the column.
    void putOn(QWidget *page);
    // page is being deleted and has deleted its layout already: takes the
    // column's widgets back out of it before its children go. False when the
    // column was not on page.
    bool takeBackFrom(const QObject *page);

    // Expands the whole tree when no top row is open, else collapses it; the
    // expand button's icon tells which was done.
    void toggleExpanded();
    // Sizes both columns to the rows the fully expanded tree shows, then
    // leaves only the rows it opened for that open.
    void fitColumnsToExpandedTree();

private:
    QPointer<QVBoxLayout> m_layout;
    QPointer<PanelNotice> m_notice;
    QPointer<PanMain> m_panMain;
    QPointer<QSplitter> m_splitter;
    QPointer<QTreeView> m_mainView;       // in the splitter
    QPointer<PanProperties> m_panProperties; // in the splitter

    PanelWidgets(const PanelWidgets &) = delete;
    PanelWidgets &operator=(const PanelWidgets &) = delete;
};

#endif // PANELWIDGETS_H
