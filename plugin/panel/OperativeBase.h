#ifndef OPERATIVEBASE_H
#define OPERATIVEBASE_H

#include "BindToMapModel.h"
#include "SupportTreeLayers.h"

#include <PluginInterface.h>

#include <QMap>
#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QVariant>

class PanMain;
class PanProperties;
class PluginHost;
class QDataStream;
class QSplitter;
class QStandardItem;
class QTreeView;
class QUndoGroup;
class QUndoStack;
class QVBoxLayout;

// The generic panel: a rule tree over a property table, the undo stack, the
// save request and the placement into the host's tabs. Domain work is handed
// to the derived class through the virtual operations.
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

    // SupportTreeLayers: routes hang on main-tree items too.
    void ReleaseItemData(QStandardItem *item) override;

    virtual void resetTree();
    virtual void requestTrees() = 0;
    virtual void selectMainIndex(const QModelIndex &index);
    virtual void setItemEditState(int state, QStandardItem *item) = 0;
    virtual void applyProperty(const QModelIndex &mainIndex, const QModelIndex &propertyIndex,
                               const QVariant &value) = 0;
    virtual bool acceptPropertyChange(const QModelIndex &mainIndex,
                                      const QModelIndex &propertyIndex, const QVariant &value);
    virtual void handleReply(const QString &command, QDataStream &body) = 0;
    virtual bool writeItem(QStandardItem *item, QDataStream &out) = 0;
    virtual void showProperties(QStandardItem *item) = 0;
    virtual void mainItemChanged(QStandardItem *item);
    // What an edit of the row may change, taken before the edit so that undo
    // puts it back exactly (derived fields included); invalid when the row has none.
    virtual QVariant rowSnapshot(const QModelIndex &mainIndex);
    virtual void restoreRowSnapshot(const QModelIndex &mainIndex, const QVariant &snapshot);

    PluginHost *host;       // the host's, handed over by SetHost
    QUndoStack *undoStack;
    QUndoGroup *undoGroup;
    QTreeView *mainView;
    QPointer<QWidget> hostWidget; // the host's tab page that holds the panel
    QVBoxLayout *panelLayout;
    PanMain *panMain;
    PanProperties *panProperties;
    QStandardItem *itemPrototype; // owned
    QModelIndex currentMainIndex;
    QSet<int> deletedRouteIds;
    const char *saveCommand;
    QVariant valueBeforeEdit;
    QMap<int, QWidget *> tabWidgets; // the host's tab pages
    QTabWidget *hostTabs;            // the host's
    int mapKey;

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
    // The one way out to the server; silently dropped before SetHost.
    void sendRequest(const QByteArray &command, const QByteArray &body);

    // Cuts (false) or makes (true) the main model's itemChanged connection, so
    // that programmatic bulk changes never count as operator edits.
    void connectMainModel(bool on);
    void connectPropertyModel(bool on);

    void markRouteEditState(int state, int routeId, QStandardItem *routeItem);
    // Server confirmed a save: nothing left to undo, nothing pending.
    void resetAfterSave();

private:
    void clearEditStates(QStandardItem *item);
    // The host may delete a tab page before the plug-in: forget it, and take
    // the panel back out of it before its children go.
    void watchHostPage(QWidget *page);
    void hostPageDestroyed(QObject *page);
    void putPanelOn(QWidget *page);

    QPointer<QSplitter> splitter;
    QPointer<QVBoxLayout> layoutGuard;
    QPointer<QTreeView> mainViewGuard;
    QPointer<PanMain> panMainGuard;
};

#endif // OPERATIVEBASE_H
