#include "RouteTree.h"

#include "RouteMap.h"

#include "panel/ItemChangeGate.h"
#include "panel/ModelChangeWatch.h"
#include "records/ItemRoles.h"
#include "records/RecordKinds.h"
#include "records/RouteRecord.h"
#include "shell/PluginLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStandardItemModel>

#include <functional>

RouteTree::RouteTree(QStandardItemModel *model, ItemChangeGate &treeGate, const RouteMap &map)
    : m_model(model)
    , m_treeGate(treeGate)
    , m_map(map)
    , m_itemPrototype(std::make_unique<QStandardItem>())
{
    m_itemPrototype->setEditable(false);
    m_itemPrototype->setCheckable(false);
    m_loadedSectionPrototype.reset(m_itemPrototype->clone());
    m_loadedSectionPrototype->setData(qlonglong(0), ItemRole::GraphObject);
    m_loadedSectionPrototype->setData(qlonglong(0), ItemRole::Route);
    m_routeItemsWatch = std::make_unique<ModelChangeWatch>(model, ItemRole::Route,
                                                           [this] { forgetRouteItems(); });
}

RouteTree::~RouteTree() = default;

QStandardItem *RouteTree::container(const QStandardItem *item) const
{
    return item->parent() ? item->parent() : m_model->invisibleRootItem();
}

void RouteTree::attachRoute(QStandardItem *item, RouteRecord *route)
{
    setItemRecord(item, ItemRole::Route, route);
    QStandardItem *modeItem = m_itemPrototype->clone();
    modeItem->setText(checkModeText(*route));
    container(item)->setChild(item->row(), 1, modeItem);

    for (SectionRecord *section : qAsConst(route->sections)) {
        QStandardItem *sectionItem = m_loadedSectionPrototype->clone();
        sectionItem->setText(section->name);
        setItemRecord(sectionItem, ItemRole::Section, section);
        sectionItem->setData(item->data(ItemRole::NodeId), ItemRole::NodeId);
        sectionItem->setData(item->data(ItemRole::TypeMask), ItemRole::TypeMask);
        item->appendRow(sectionItem);
    }
}

void RouteTree::addRoute(const QModelIndex &index, RouteRecord *route)
{
    QStandardItem *item = index.isValid() ? m_model->itemFromIndex(index) : nullptr;
    if (!item || itemRoute(item)) {
        delete route; // handed over, but there is nowhere to attach it
        return;
    }
    if (!route)
        route = new RouteRecord(-item->data(ItemRole::NodeId).toInt());
    {
        const ItemChangeGate::Muted muted(m_treeGate);
        attachRoute(item, route);
    }
    if (item->checkState() == Qt::Checked)
        m_map.drawRoute(*route, true);
}

void RouteTree::deleteRoute(const QModelIndex &index)
{
    QStandardItem *item = index.isValid() ? m_model->itemFromIndex(index) : nullptr;
    RouteRecord *route = itemRoute(item);
    if (!route)
        return;
    // A shown route leaves the map with its record.
    if (item->checkState() == Qt::Checked)
        m_map.drawRoute(*route, false);
    {
        const ItemChangeGate::Muted muted(m_treeGate);
        item->setData(qlonglong(0), ItemRole::Route);
        for (int row = item->rowCount() - 1; row >= 0; --row) {
            if (itemSection(item->child(row)))
                item->removeRow(row);
        }
        delete container(item)->takeChild(item->row(), 1);
    }
    delete route;
}

QModelIndex RouteTree::addSection(const QModelIndex &index, SectionRecord *section)
{
    QStandardItem *routeItem = index.isValid() ? m_model->itemFromIndex(index) : nullptr;
    RouteRecord *route = itemRoute(routeItem);
    if (!route && routeItem) {
        routeItem = routeItem->parent();
        route = itemRoute(routeItem);
    }
    if (!route) {
        delete section;
        return QModelIndex();
    }

    if (!section) {
        section = new SectionRecord;
        section->id = ++route->maxSectionId;
        section->name = QCoreApplication::translate("OperativeCheck", "New section %0")
                            .replace(QLatin1String("%0"), QString::number(section->id));
        section->takeSettingsFrom(m_sectionTemplate);
    }
    // A section handed back keeps its id; later ones must not reuse it.
    route->maxSectionId = qMax(route->maxSectionId, section->id);
    route->sections.append(section);

    QStandardItem *sectionItem = m_itemPrototype->clone();
    sectionItem->setText(section->name);
    setItemRecord(sectionItem, ItemRole::Section, section);
    sectionItem->setEditable(false);
    sectionItem->setCheckable(false);
    sectionItem->setData(routeItem->data(ItemRole::NodeId), ItemRole::NodeId);
    sectionItem->setData(routeItem->data(ItemRole::TypeMask), ItemRole::TypeMask);
    routeItem->appendRow(sectionItem);

    if (routeItem->checkState() == Qt::Checked && !section->graphObjectIds.isEmpty()) {
        m_map.drawSection(*section, true);
        m_map.refresh();
    }
    return sectionItem->index();
}

QModelIndex RouteTree::deleteSection(const QModelIndex &index)
{
    QStandardItem *sectionItem = index.isValid() ? m_model->itemFromIndex(index) : nullptr;
    SectionRecord *section = itemSection(sectionItem);
    if (!section)
        return QModelIndex();

    m_map.drawSection(*section, false);
    m_map.refresh();

    QStandardItem *routeItem = sectionItem->parent();
    if (RouteRecord *route = itemRoute(routeItem))
        route->sections.removeOne(section);
    if (routeItem)
        routeItem->removeRow(sectionItem->row());
    delete section;
    return routeItem ? routeItem->index() : QModelIndex();
}

void RouteTree::rememberSettings(const SectionRecord &section)
{
    m_sectionTemplate.takeSettingsFrom(section);
}

void RouteTree::showSectionName(QStandardItem *item, const QString &name)
{
    const ItemChangeGate::Muted muted(m_treeGate);
    item->setText(name);
}

QStandardItem *RouteTree::findRouteItem(int routeId) const
{
    const QVector<QStandardItem *> items = routeItems(routeId);
    return items.isEmpty() ? nullptr : items.first();
}

QVector<QStandardItem *> RouteTree::routeItems(int routeId) const
{
    if (m_routeItemsBuilt)
        return m_routeItems.value(routeId);
    // One walk fills the whole table: a reply per route must not walk the tree.
    const std::function<void(QStandardItem *)> fill = [&](QStandardItem *item) {
        if (const RouteRecord *route = itemRoute(item))
            m_routeItems[route->id].append(item);
        for (int row = 0; row < item->rowCount(); ++row) {
            if (QStandardItem *child = item->child(row))
                fill(child);
        }
    };
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (QStandardItem *item = m_model->item(row, 0))
            fill(item);
    }
    m_routeItemsBuilt = true;
    return m_routeItems.value(routeId);
}

void RouteTree::forgetRouteItems() const
{
    if (m_routeItemsBuilt) {
        m_routeItemsBuilt = false;
        m_routeItems.clear();
    }
}

QList<int> RouteTree::routeIdsUnder(const QStandardItem *item)
{
    QList<int> ids;
    if (!item)
        return ids;
    if (const RouteRecord *route = itemRoute(item))
        ids.append(route->id);
    for (int row = 0; row < item->rowCount(); ++row)
        ids += routeIdsUnder(item->child(row));
    return ids;
}

QString RouteTree::checkModeText(const RouteRecord &route)
{
    if (route.checkOn == 0)
        return QCoreApplication::translate("OperativeCheck", "Check off");
    const QString time = QDateTime::fromSecsSinceEpoch(qint64(route.checkTime), Qt::UTC)
                             .toLocalTime()
                             .toString(QStringLiteral("hh:mm:ss dd.MM.yy"));
    if (route.checkTimeType == qint32(CheckTimeType::PlanIntercept))
        return QCoreApplication::translate("OperativeCheck", "Plan Perehvat ") + time;
    return QCoreApplication::translate("OperativeCheck", "Check on ") + time;
}

void RouteTree::applyCheckMode(const RouteMessages::CheckModeReply &reply)
{
    const ItemChangeGate::Muted muted(m_treeGate);
    const QSet<int> routeIds(reply.routeIds.cbegin(), reply.routeIds.cend());
    // Every route of a reply shares its time, so a text differs only by time type.
    QHash<int, QString> texts;
    for (int routeId : routeIds) {
        for (QStandardItem *item : routeItems(routeId)) {
            // A listed route takes the mode for the routes below it too.
            if (!hasListedAncestor(item, routeIds))
                applyCheckMode(item, reply.checkTime, texts);
        }
    }
}

bool RouteTree::hasListedAncestor(const QStandardItem *item, const QSet<int> &routeIds)
{
    for (const QStandardItem *up = item->parent(); up; up = up->parent()) {
        const RouteRecord *route = itemRoute(up);
        if (route && routeIds.contains(route->id))
            return true;
    }
    return false;
}

void RouteTree::applyCheckMode(QStandardItem *item, uint checkTime, QHash<int, QString> &texts)
{
    RouteRecord *route = itemRoute(item);
    if (checkTime == 0) {
        route->checkOn = 0;
    } else {
        route->checkOn = 1;
        route->checkTime = checkTime;
    }
    if (QStandardItem *modeItem = container(item)->child(item->row(), 1)) {
        auto text = texts.find(route->checkTimeType);
        if (text == texts.end())
            text = texts.insert(route->checkTimeType, checkModeText(*route));
        modeItem->setText(*text);
    }
}

void RouteTree::applySectionsState(const RouteMessages::SectionsStateReply &reply)
{
    if (QStandardItem *routeItem = findRouteItem(reply.routeId)) {
        const RouteRecord *route = itemRoute(routeItem);
        const bool shown = routeItem->checkState() == Qt::Checked;
        for (const RouteMessages::SectionState &entry : reply.states) {
            if (SectionRecord *section = route->findSection(entry.sectionId)) {
                section->state = entry.state;
                m_map.drawSection(*section, shown);
            }
        }
    } else {
        qCDebug(ocPlugin) << "section states for route" << reply.routeId
                          << "which is not in the tree";
    }
    m_map.refresh();
}
