#ifndef OPERATIVEBASE_H
#define OPERATIVEBASE_H

#include "BindToMapModel.h"
#include "SupportTreeLayers.h"

#include <PluginInterface.h>

#include <QMap>
#include <QModelIndex>
#include <QObject>
#include <QSet>
#include <QVariant>

#include <memory>

class EditLedger;
class EditTarget;
class HostAdapter;
class HostPages;
class ItemChangeGate;
class PanMain;
class PanProperties;
class PanelNotice;
class PanelWidgets;
class QAction;
class PluginHost;
class QDataStream;
class QStandardItem;
class QTreeView;
class QUndoGroup;
class QUndoStack;
class QVBoxLayout;

// The plug-in object as the host sees it, generic part: the interface
// operations, the panel's slots, the main tree over a property table, undo
// and saving. The work is done by the parts it owns (widgets, host pages,
// host adapter, edit ledger); what a tree row means is left to the derived
// class through the protected operations. Unsaved edits are never dropped
// unasked: closing and reloading ask first, and news that the tree changed
// elsewhere, or that the link is back, waits in a notice bar.
class OperativeBase : public QObject, public PluginInterface, public BindToMapModel,
                      public SupportTreeLayers
{
    Q_OBJECT

public:
    OperativeBase();
    ~OperativeBase() override;

    // PluginInterface
    QWidget *CreateWidget(QWidget *unused, QTabWidget *tabs) override;
    void SetHost(PluginHost *host) override;
    void BindMap(int unused, int mapId) override;
    void OnServerReply(QByteArray &command, QByteArray &body) override;
    void OnTabActivated(int mapId) override;
    void OnClose(QEvent *event) override;

    // Ticks made on the main view's check boxes.
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Where the main view draws the check box of the row at index.
    QRect checkBoxRect(const QModelIndex &index) const;

    // SupportTreeLayers: routes hang on main-tree items too.
    void ReleaseItemData(QStandardItem *item) override;

    // Makes index the main tree's current row and shows its properties afresh.
    void selectMainIndex(const QModelIndex &index);
    // Marks the route of item (a section item's route for a section item).
    void setItemEditState(int state, QStandardItem *item);
    // Marks a route by id; a deletion, or no item, records the id as deleted.
    void markRouteEditState(int state, int routeId, QStandardItem *routeItem);

    PluginHost *host() const;
    QUndoStack *undoStack() const { return m_undoStack; }
    QTreeView *mainView() const;
    PanMain *panMain() const;
    PanProperties *panProperties() const;
    QVBoxLayout *panelLayout() const;
    // The host's page that holds the panel; null before the first page and
    // after the host deleted it.
    QWidget *hostWidget() const;
    // The pages made for the host's tabs, by tab key.
    QMap<int, QWidget *> tabWidgets() const;
    // The column-0 index whose properties are on show; invalid when none.
    QModelIndex currentMainIndex() const { return m_currentMainIndex; }
    // The property value as it was before the running edit.
    QVariant valueBeforeEdit() const { return m_valueBeforeEdit; }
    // Routes deleted since the last save.
    QSet<int> deletedRouteIds() const;
    // Whether a save would send anything: routes added, changed or deleted since the last one.
    bool hasUnsavedEdits() const;
    PanelNotice *notice() const;
    // Deletes the current section or route, as the Delete key does.
    QAction *deleteAction() const { return m_deleteAction; }

public slots:
    void ConnectToServer(QByteArray &);
    void selectAllChecked(int state);
    void onGetClicked();
    void onCollapseClicked();
    void onEditorOnOff(bool on);
    void onMainItemClicked(QModelIndex index);
    void onMainItemChanged(QStandardItem *item);
    void onSaveClicked();
    void onPropertyItemClicked(QModelIndex index);
    void onPropertyItemChanged(QStandardItem *item);

protected:
    enum class Answer { Save, Discard, Cancel };
    // What the operator wants done with the unsaved edits before what was asked: a
    // question parented to the panel, Cancel its default and its Escape.
    Answer askAboutEdits(const QString &title, const QString &text) const;
    // The Delete key, with no editor in the way.
    virtual void deleteCurrentRow() = 0;

    // Clears the undo steps, the unsaved deletions, the tree and the property
    // table; the tree keeps two columns.
    virtual void resetTree();
    virtual void requestTrees() = 0;
    virtual void handleReply(const QString &command, QDataStream &body) = 0;
    // Fills the property table for item (null: empties it).
    virtual void showProperties(QStandardItem *item) = 0;
    // Whether an operator's edit of a property cell is taken; a refused edit
    // is put back in the cell.
    virtual bool acceptPropertyChange(const QModelIndex &mainIndex,
                                      const QModelIndex &propertyIndex, const QVariant &value);
    // The panel as the undo commands see it.
    virtual EditTarget &editTarget() = 0;
    // Around a move of the panel to another map: what is drawn on the bound
    // map leaves it before, and is drawn on the newly bound one after.
    virtual void leavingMap() {}
    virtual void enteredMap() {}

    // Silently dropped before SetHost.
    void sendRequest(const QByteArray &command, const QByteArray &body);
    // The host's tracked objects; null without a host.
    QStandardItemModel *objectsModel() const;

    // The main model's itemChanged connection to onMainItemChanged, and the
    // property model's to onPropertyItemChanged: cut around programmatic
    // changes so that they never count as operator edits.
    ItemChangeGate &treeGate() { return *m_treeGate; }
    ItemChangeGate &propertyGate() { return *m_propertyGate; }

    // Both columns of the main tree sized as the expanded tree would size them.
    void fitColumnsToExpandedTree();
    // The server confirmed a save: nothing left to undo, nothing pending; a
    // close or a reload that waited for it goes ahead.
    void resetAfterSave();
    // A save asked for while this holds waits for releaseHeldSave.
    virtual bool saveMustWait() const { return false; }
    void releaseHeldSave();
    // Sent once a held save has gone, so that it follows the save; at once
    // when no save is held.
    void sendAfterSave(const QByteArray &command, const QByteArray &body);

private:
    enum class AfterSave { Nothing, Close, Reload };

    void installShortcuts();
    void onDeleteTriggered();
    void refreshSaveState();
    // Saves, and once the server has the edits runs next; with nothing to save, at once.
    void saveThen(AfterSave next);
    void runAfterSave(AfterSave next);
    // The other operator's edit: reloads, or tells when that would drop edits.
    void onRuleTreeChanged();
    // Offers saving, or reloading without the edits, in the notice bar.
    void offerSaveOrReload(const QString &text, const QString &saveText, AfterSave afterSave);

    // A tick runs down to the children, never up; the change is drawn or erased.
    void mainItemChanged(QStandardItem *item);
    // Around ticks, which may run down through many rows (runsDown); they nest.
    void beginTicks(bool runsDown);
    void endTicks();

    QUndoStack *m_undoStack;
    QUndoGroup *m_undoGroup;
    std::unique_ptr<PanelWidgets> m_widgets;
    std::unique_ptr<HostPages> m_pages;
    std::unique_ptr<HostAdapter> m_hostAdapter;
    std::unique_ptr<ItemChangeGate> m_treeGate;
    std::unique_ptr<ItemChangeGate> m_propertyGate;
    std::unique_ptr<EditLedger> m_ledger;
    QModelIndex m_currentMainIndex;
    QVariant m_valueBeforeEdit;
    int m_tickDepth = 0;
    bool m_saveHeld = false;
    QList<QPair<QByteArray, QByteArray>> m_afterHeldSave; // command, body
    QAction *m_deleteAction = nullptr;
    AfterSave m_afterSave = AfterSave::Nothing;
};

#endif // OPERATIVEBASE_H
