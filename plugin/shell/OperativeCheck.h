#ifndef OPERATIVECHECK_H
#define OPERATIVECHECK_H

#include "dialogs/DialogListObjects.h"
#include "dialogs/DialogSelectGraphObj.h"
#include "panel/OperativeBase.h"
#include "records/SectionRecord.h"

#include <QList>
#include <QMenu>
#include <QStringList>

class CmbBoxDelegateOnStrList;
class LineEditDelegate;
class QAction;
class QStandardItemModel;
class RouteRecord;

// The route-check panel: loads the server's rule and layer trees, edits routes
// and sections, switches checking and colours section shapes by live state.
class OperativeCheck : public OperativeBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.orvind.Halvo5.PluginInterface/1.0")
    Q_INTERFACES(PluginInterface)

public:
    OperativeCheck();
    ~OperativeCheck() override;

    // PluginInterface
    QString GetPluginName() override;
    QString GetName() override;
    void OnClose(QEvent *event) override;

    // SupportTreeLayers
    void ReadItemPayload(QStandardItem *item, QDataStream &in) override;
    void ItemChecked(QStandardItem *item, bool checked) override;
    qint64 ItemKey(QStandardItem *item) override;

    // OperativeBase
    void resetTree() override;
    void requestTrees() override;
    void setItemEditState(int state, QStandardItem *item) override;
    void applyProperty(const QModelIndex &mainIndex, const QModelIndex &propertyIndex,
                       const QVariant &value) override;
    void handleReply(const QString &command, QDataStream &body) override;
    bool writeItem(QStandardItem *item, QDataStream &out) override;
    void showProperties(QStandardItem *item) override;
    QVariant rowSnapshot(const QModelIndex &mainIndex) override;
    void restoreRowSnapshot(const QModelIndex &mainIndex, const QVariant &snapshot) override;

    // First item at or below start (the whole tree when null) whose route has routeId.
    QStandardItem *findRouteItem(int routeId, QStandardItem *start = nullptr) const;
    // The route ids at and below item: its own first, then depth first in row order.
    static QList<int> routeIdsUnder(const QStandardItem *item);

    static QString checkModeText(const RouteRecord &route);

    // Tree operations behind the editing commands. Records handed in are taken
    // over; each ends by making its result row current.
    QModelIndex addRoute(const QModelIndex &index, RouteRecord *route);
    QModelIndex deleteRoute(const QModelIndex &index);
    QModelIndex addSect(const QModelIndex &index, SectionRecord *section);
    QModelIndex deleteSect(const QModelIndex &index);

    // Draws (checked) or erases the section's graphic objects in its state's colours.
    void drawSectionObjects(const SectionRecord &section, bool checked);
    // Applies a check-mode reply to item's subtree; a matching route ends the descent.
    void applyCheckMode(QStandardItem *item, uint checkTime, const QList<int> &routeIds);

    DialogListObjects objectsDialog;
    DialogSelectGraphObj graphObjDialog;
    QMenu contextMenu;
    QAction *showOnMapAction;
    QAction *addRouteAction;
    QAction *delRouteAction;
    QAction *addSectAction;
    QAction *delSectAction;
    QAction *selObjsAction;
    QAction *selGObjAction;
    SectionRecord sectionTemplate;

public slots:
    void onMainItemDblClicked(QModelIndex index);
    void onContextMenuRequested(QPoint pos);
    void onShowOnMap();
    void onAddRouteClicked();
    void onDelRouteClicked();
    void onAddSectClicked();
    void onDelSectClicked();
    void onSelObjsClicked();
    void onSelObjsAccepted();
    void onSelGObjClicked();
    void onSelGObjAccepted();
    void onSetCheckMode();

private:
    QStandardItem *currentMainItem() const;
    void setEditingActions(bool isRoute, bool isSection);
    void startPropertyTable();
    void showRouteRows(const RouteRecord &route);
    void showSectionRows(const SectionRecord &section);
    void fillSectionValues(const SectionRecord &section, QStandardItemModel *properties);
    // Names of the tracked objects with these ids, each once, in the host model's order.
    QString objectsText(const QList<int> &objects) const;

    void handleSectionsState(QDataStream &body);
    void redrawCheckedRoutes(QStandardItem *item);
    void attachRouteItems(QStandardItem *item, RouteRecord *route);
    void clearSectionList();
};

#endif // OPERATIVECHECK_H
