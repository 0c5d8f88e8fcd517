#include "OperativeCheck.h"

#include "panel/PanMain.h"
#include "panel/PanProperties.h"
#include "routecheck/ItemRoles.h"
#include "routecheck/RouteMessages.h"
#include "routecheck/RouteRecord.h"

#include <PluginHost.h>

#include <QAction>
#include <QDataStream>
#include <QDateTime>
#include <QEvent>
#include <QStandardItemModel>
#include <QTreeView>
#include <QUndoStack>

OperativeCheck::OperativeCheck()
{
    saveCommand = "Fix_routes";

    showOnMapAction = new QAction(tr("Show on map"), this);
    showOnMapAction->setCheckable(true);
    connect(showOnMapAction, SIGNAL(triggered()), this, SLOT(onShowOnMap()));
    contextMenu.addAction(showOnMapAction);
    contextMenu.addSeparator();
    auto *checkOff = new QAction(tr("Set check off"), this);
    checkOff->setData(QVariant(int(0)));
    connect(checkOff, SIGNAL(triggered()), this, SLOT(onSetCheckMode()));
    contextMenu.addAction(checkOff);
    auto *checkOn = new QAction(tr("Set check on"), this);
    checkOn->setData(QVariant(int(1)));
    connect(checkOn, SIGNAL(triggered()), this, SLOT(onSetCheckMode()));
    contextMenu.addAction(checkOn);

    mainView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(mainView, SIGNAL(customContextMenuRequested(const QPoint &)), this,
            SLOT(onContextMenuRequested(const QPoint &)));
    connect(mainView, SIGNAL(doubleClicked(const QModelIndex &)), this,
            SLOT(onMainItemDblClicked(const QModelIndex &)));

    connectMainModel(true);

    const QString add = QStringLiteral(":/icon/resource/add.png");
    const QString del = QStringLiteral(":/icon/resource/delete.png");
    const QString pick = QStringLiteral(":/icon/resource/vybor.png");
    addRouteAction = panProperties->addToolAction(add, tr("Add route"), SLOT(onAddRouteClicked()));
    addSectAction = panProperties->addToolAction(add, tr("Add section"), SLOT(onAddSectClicked()));
    delRouteAction = panProperties->addToolAction(del, tr("Del route"), SLOT(onDelRouteClicked()));
    delSectAction = panProperties->addToolAction(del, tr("Del section"), SLOT(onDelSectClicked()));
    selObjsAction = panProperties->addToolAction(pick, tr("Select objects"),
                                                 SLOT(onSelObjsClicked()));
    selGObjAction = panProperties->addToolAction(pick, tr("Select graphic objects"),
                                                 SLOT(onSelGObjClicked()));
    for (QAction *action : {addRouteAction, addSectAction, delRouteAction, delSectAction,
                            selObjsAction, selGObjAction}) {
        action->setEnabled(false);
        action->setVisible(action == addSectAction);
    }

    resetTree();
}

OperativeCheck::~OperativeCheck()
{
    resetTree();
}

QString OperativeCheck::GetPluginName()
{
    return QStringLiteral("OperativeCheckPlugin");
}

QString OperativeCheck::GetName()
{
    return QStringLiteral("OperativeCheck");
}

void OperativeCheck::OnClose(QEvent *event)
{
    OperativeBase::OnClose(event);
}

void OperativeCheck::resetTree()
{
    undoStack->clear();
    releaseAllItems();
    model->clear();
    model->setColumnCount(2);
    model->setHeaderData(0, Qt::Horizontal, tr("Graphic layers/rules"), Qt::EditRole);
    model->setHeaderData(1, Qt::Horizontal, tr("Check Mode"), Qt::EditRole);
    currentMainIndex = QModelIndex();
    showProperties(nullptr);
}

void OperativeCheck::requestTrees()
{
    SaveChecked();
    sendRequest(QByteArrayLiteral("Get_tree_rulecheck"), QByteArray());
    sendRequest(QByteArrayLiteral("Get_tree_graphobj"), QByteArray());
}

void OperativeCheck::ReadItemPayload(QStandardItem *item, QDataStream &in)
{
    bool hasRoute = false;
    in >> hasRoute;
    if (!hasRoute)
        return;
    attachRouteItems(item, RouteMessages::readRoute(in));
}

void OperativeCheck::attachRouteItems(QStandardItem *item, RouteRecord *route)
{
    setItemRecord(item, ItemRole::Route, route);
    QStandardItem *modeItem = itemPrototype->clone();
    modeItem->setText(checkModeText(*route));
    QStandardItem *container = item->parent() ? item->parent() : model->invisibleRootItem();
    container->setChild(item->row(), 1, modeItem);

    for (SectionRecord *section : qAsConst(route->sections)) {
        QStandardItem *sectionItem = itemPrototype->clone();
        sectionItem->setText(section->name);
        sectionItem->setData(qlonglong(0), ItemRole::GraphObject);
        sectionItem->setData(qlonglong(0), ItemRole::Route);
        setItemRecord(sectionItem, ItemRole::Section, section);
        sectionItem->setData(item->data(ItemRole::NodeId), ItemRole::NodeId);
        sectionItem->setData(item->data(ItemRole::TypeMask), ItemRole::TypeMask);
        item->appendRow(sectionItem);
    }
}

void OperativeCheck::ItemChecked(QStandardItem *item, bool checked)
{
    Q_UNUSED(checked)
    RouteRecord *route = itemSection(item) ? itemRoute(item->parent()) : itemRoute(item);
    if (!route)
        return;
    if (mapModel)
        mapModel->Refresh(boundMapId);
}

qint64 OperativeCheck::ItemKey(QStandardItem *item)
{
    const RouteRecord *route = itemRoute(item);
    return route ? route->id : 0;
}

void OperativeCheck::setItemEditState(int state, QStandardItem *item)
{
    if (!item)
        return;
    QStandardItem *routeItem = itemSection(item) ? item->parent() : item;
    const RouteRecord *route = itemRoute(routeItem);
    if (!route)
        return;
    markRouteEditState(state, route->id, routeItem);
}

void OperativeCheck::applyProperty(const QModelIndex &, const QModelIndex &, const QVariant &)
{
}

void OperativeCheck::handleReply(const QString &command, QDataStream &body)
{
    if (command == QLatin1String("Get_tree_rulecheck")) {
        connectMainModel(false);
        resetTree();
        BuildTree(nullptr, body);
        mainView->expandAll();
        mainView->resizeColumnToContents(0);
        mainView->resizeColumnToContents(1);
        onCollapseClicked();
        clearSectionList();
        if (mapModel)
            mapModel->Refresh(boundMapId);
        connectMainModel(true);
    } else if (command == QLatin1String("Get_tree_graphobj")) {
        RestoreChecked(true);
    } else if (command == QLatin1String("Fix_routes")) {
        resetAfterSave();
    } else if (command == QLatin1String("Set_check_mode")) {
        RouteMessages::readCheckModeReply(body);
    } else if (command == QLatin1String("Every_sections_state")) {
        RouteMessages::readSectionsState(body);
        if (mapModel)
            mapModel->Refresh(boundMapId);
    }
}

void OperativeCheck::clearSectionList()
{
    if (MapQt::PrimitiveList *list = sectionList())
        list->primitives.clear();
}

bool OperativeCheck::writeItem(QStandardItem *item, QDataStream &out)
{
    if (!item)
        return false;
    bool written = false;
    const int state = itemEditState(item);
    const int nodeId = item->data(ItemRole::NodeId).toInt();
    if (RouteRecord *route = itemRoute(item)) {
        if (state == EditState::New || route->id < 0) {
            route->id = nodeId;
            RouteMessages::writeSaveEntry(out, nodeId, *route);
            written = true;
        } else if (state == EditState::Changed) {
            RouteMessages::writeSaveEntry(out, 0, *route);
            written = true;
        }
    }
    for (int row = 0; row < item->rowCount(); ++row)
        written = writeItem(item->child(row), out) || written;
    return written;
}

void OperativeCheck::showProperties(QStandardItem *item)
{
    const bool isRoute = itemRoute(item) && !itemSection(item);
    const bool isSection = itemSection(item) != nullptr;
    const bool isOther = !isRoute && !isSection;

    addRouteAction->setEnabled(isOther);
    addRouteAction->setVisible(isOther);
    delRouteAction->setEnabled(!isOther);
    delRouteAction->setVisible(!isSection);
    addSectAction->setEnabled(!isOther);
    addSectAction->setVisible(!isOther);
    delSectAction->setEnabled(!isOther);
    delSectAction->setVisible(isSection);
    selObjsAction->setEnabled(!isOther);
    selGObjAction->setEnabled(!isOther);
    if (!isOther) {
        selObjsAction->setVisible(isRoute);
        selGObjAction->setVisible(isSection);
    }

    panProperties->propertyModel->clear();
}

QStandardItem *OperativeCheck::findRouteItem(int routeId, QStandardItem *start) const
{
    if (!start) {
        for (int row = 0; row < model->rowCount(); ++row) {
            if (QStandardItem *found = findRouteItem(routeId, model->item(row, 0)))
                return found;
        }
        return nullptr;
    }
    if (const RouteRecord *route = itemRoute(start)) {
        if (route->id == routeId)
            return start;
    }
    for (int row = 0; row < start->rowCount(); ++row) {
        if (QStandardItem *child = start->child(row)) {
            if (QStandardItem *found = findRouteItem(routeId, child))
                return found;
        }
    }
    return nullptr;
}

QList<int> OperativeCheck::routeIdsUnder(const QStandardItem *item)
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

QString OperativeCheck::checkModeText(const RouteRecord &route)
{
    if (route.checkOn == 0)
        return tr("Check off");
    const QString time = QDateTime::fromSecsSinceEpoch(qint64(route.checkTime), Qt::UTC)
                             .toLocalTime()
                             .toString(QStringLiteral("hh:mm:ss dd.MM.yy"));
    if (route.checkTimeType == 4)
        return tr("Plan Perehvat ") + time;
    return tr("Check on ") + time;
}

void OperativeCheck::onMainItemDblClicked(QModelIndex)
{
}

void OperativeCheck::onContextMenuRequested(QPoint)
{
}

void OperativeCheck::onShowOnMap()
{
}

void OperativeCheck::onAddRouteClicked()
{
}

void OperativeCheck::onDelRouteClicked()
{
}

void OperativeCheck::onAddSectClicked()
{
}

void OperativeCheck::onDelSectClicked()
{
}

void OperativeCheck::onSelObjsClicked()
{
}

void OperativeCheck::onSelObjsAccepted()
{
}

void OperativeCheck::onSelGObjClicked()
{
}

void OperativeCheck::onSelGObjAccepted()
{
}

void OperativeCheck::onSetCheckMode()
{
}
