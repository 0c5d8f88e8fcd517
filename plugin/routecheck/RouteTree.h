#ifndef ROUTETREE_H
#define ROUTETREE_H

#include "records/SectionRecord.h"
#include "wire/RouteMessages.h"

#include <QHash>
#include <QList>
#include <QModelIndex>
#include <QSet>
#include <QString>
#include <QVector>

#include <memory>

class ItemChangeGate;
class ModelChangeWatch;
class QStandardItem;
class QStandardItemModel;
class RouteMap;
class RouteRecord;

// The routes and sections in the main tree: a node's route with its section
// rows and check-mode cell, adding and deleting routes and sections, finding
// routes, and the check-mode and live-state replies applied to them. Records
// handed in are taken over; the tree items own them.
class RouteTree
{
public:
    RouteTree(QStandardItemModel *model, ItemChangeGate &treeGate, const RouteMap &map);
    ~RouteTree();

    // Hangs route on the node item: its check-mode cell in column 1 and one
    // row per section below the node's own children.
    void attachRoute(QStandardItem *item, RouteRecord *route);

    // The tree operations behind the editing commands; each returns the row
    // the operator should see next, as RouteEditTarget says.
    void addRoute(const QModelIndex &index, RouteRecord *route);
    void deleteRoute(const QModelIndex &index);
    QModelIndex addSection(const QModelIndex &index, SectionRecord *section);
    QModelIndex deleteSection(const QModelIndex &index);

    // New sections start with the settings of the section edited last.
    void rememberSettings(const SectionRecord &section);
    // Shows a section's edited name on its row without it counting as an edit.
    void showSectionName(QStandardItem *item, const QString &name);

    // First item of the tree, depth first, whose route has routeId; null when none.
    QStandardItem *findRouteItem(int routeId) const;
    // The route ids at and below item: its own first, then depth first in row order.
    static QList<int> routeIdsUnder(const QStandardItem *item);
    static QString checkModeText(const RouteRecord &route);

    // A check-mode reply: the listed routes switch on (since checkTime) or off.
    void applyCheckMode(const RouteMessages::CheckModeReply &reply);
    // A live-state reply: the route's sections take their states and are drawn
    // again; the map is redrawn even when the route is not in the tree.
    void applySectionsState(const RouteMessages::SectionsStateReply &reply);

private:
    // Every item carrying the route, in walk order.
    QVector<QStandardItem *> routeItems(int routeId) const;
    void forgetRouteItems() const;
    static bool hasListedAncestor(const QStandardItem *item, const QSet<int> &routeIds);
    void applyCheckMode(QStandardItem *item, uint checkTime, QHash<int, QString> &texts);
    QStandardItem *container(const QStandardItem *item) const;

    QStandardItemModel *m_model;
    ItemChangeGate &m_treeGate;
    const RouteMap &m_map;
    // New rows are clones of it: not editable, not checkable.
    std::unique_ptr<QStandardItem> m_itemPrototype;
    // Section rows of a loaded route also say they hold no object and no route.
    std::unique_ptr<QStandardItem> m_loadedSectionPrototype;
    SectionRecord m_sectionTemplate;
    // Route id -> the items carrying it in walk order, filled by one walk and
    // dropped on any change of rows or of an item's route.
    mutable QHash<int, QVector<QStandardItem *>> m_routeItems;
    mutable bool m_routeItemsBuilt = false;
    std::unique_ptr<ModelChangeWatch> m_routeItemsWatch;
};

#endif // ROUTETREE_H
