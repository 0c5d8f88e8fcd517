#include "OperativeCheck.h"
#include "wire/Commands.h"

#include "panel/PanMain.h"
#include "panel/PanProperties.h"
#include "records/ItemRoles.h"
#include "wire/RouteMessages.h"
#include "records/RouteRecord.h"
#include "routecheck/ScheduleEditors.h"

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
    saveCommand = Commands::FixRoutes;

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

    connect(&objectsDialog, SIGNAL(accepted()), this, SLOT(onSelObjsAccepted()));
    connect(&graphObjDialog, SIGNAL(accepted()), this, SLOT(onSelGObjAccepted()));

    ScheduleEditors::instance();
    resetTree();
}

OperativeCheck::~OperativeCheck()
{
    resetTree();
    // The graphic objects die with their dialog; the map must not keep their shapes.
    clearSectionList();
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
    objectsDialog.close();
    graphObjDialog.close();
    OperativeBase::OnClose(event);
}

void OperativeCheck::resetTree()
{
    undoStack->clear();
    // Deletions not yet saved belong to the tree being discarded.
    deletedRouteIds.clear();
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
    sendRequest(QByteArray(Commands::GetRuleTree), QByteArray());
    sendRequest(QByteArray(Commands::GetLayerTree), QByteArray());
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
    // Sections put back out of order stay to be saved, whatever undo restores.
    if (state == EditState::Unchanged && route->sectionsReordered)
        state = EditState::Changed;
    markRouteEditState(state, route->id, routeItem);
}

void OperativeCheck::handleReply(const QString &command, QDataStream &body)
{
    if (command == QLatin1String(Commands::GetRuleTree)) {
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
    } else if (command == QLatin1String(Commands::GetLayerTree)) {
        // The old objects go with the old tree: their shapes leave the map first.
        clearSectionList();
        graphObjDialog.loadTree(body);
        RestoreChecked(true);
        for (int row = 0; row < model->rowCount(); ++row)
            redrawCheckedRoutes(model->item(row, 0));
    } else if (command == QLatin1String(Commands::FixRoutes)) {
        resetAfterSave();
    } else if (command == QLatin1String(Commands::SetCheckMode)) {
        const RouteMessages::CheckModeReply reply = RouteMessages::readCheckModeReply(body);
        connectMainModel(false);
        for (int row = 0; row < model->rowCount(); ++row)
            applyCheckMode(model->item(row, 0), reply.checkTime, reply.routeIds);
        connectMainModel(true);
    } else if (command == QLatin1String(Commands::SectionsState)) {
        handleSectionsState(body);
    }
}

void OperativeCheck::handleSectionsState(QDataStream &body)
{
    qint32 routeId = 0;
    qint32 sectionId = 0;
    body >> routeId >> sectionId;
    QStandardItem *routeItem = findRouteItem(routeId);
    if (routeItem) {
        const RouteRecord *route = itemRoute(routeItem);
        const bool checked = routeItem->checkState() == Qt::Checked;
        while (sectionId > 0) {
            qint32 state = 0;
            body >> state;
            if (SectionRecord *section = route->findSection(sectionId)) {
                section->state = state;
                drawSectionObjects(*section, checked);
            }
            sectionId = 0;
            body >> sectionId;
        }
    }
    if (mapModel)
        mapModel->Refresh(boundMapId);
}

// A layer tree that arrives on its own must not leave shown routes blank.
void OperativeCheck::redrawCheckedRoutes(QStandardItem *item)
{
    if (!item)
        return;
    if (itemRoute(item) && item->checkState() == Qt::Checked) {
        for (const SectionRecord *section : qAsConst(itemRoute(item)->sections))
            drawSectionObjects(*section, true);
    }
    for (int row = 0; row < item->rowCount(); ++row)
        redrawCheckedRoutes(item->child(row));
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
            // The new route replaces the node's old one; deleting that too would lose it.
            deletedRouteIds.remove(nodeId);
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
