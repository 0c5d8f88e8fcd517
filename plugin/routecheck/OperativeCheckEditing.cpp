// Adding and deleting routes and sections, and choosing their objects.
#include "shell/OperativeCheck.h"

#include "panel/PanProperties.h"
#include "records/ItemRoles.h"
#include "routecheck/RouteCommands.h"
#include "records/RouteRecord.h"

#include <PluginHost.h>
#include <TreeObjCheckable.h>

#include <QStandardItemModel>
#include <QTreeView>
#include <QUndoStack>

QModelIndex OperativeCheck::addRoute(const QModelIndex &index, RouteRecord *route)
{
    QStandardItem *item = index.isValid() ? model->itemFromIndex(index) : nullptr;
    if (item && !itemRoute(item)) {
        if (!route)
            route = new RouteRecord(-item->data(ItemRole::NodeId).toInt());
        connectMainModel(false);
        attachRouteItems(item, route);
        connectMainModel(true);
        if (item->checkState() == Qt::Checked)
            ItemChecked(item, true);
    } else {
        delete route; // handed over, but there is nowhere to attach it
    }
    selectMainIndex(index);
    return index;
}

QModelIndex OperativeCheck::deleteRoute(const QModelIndex &index)
{
    QStandardItem *item = index.isValid() ? model->itemFromIndex(index) : nullptr;
    if (RouteRecord *route = itemRoute(item)) {
        // A shown route leaves the map with its record.
        if (item->checkState() == Qt::Checked)
            ItemChecked(item, false);
        connectMainModel(false);
        item->setData(qlonglong(0), ItemRole::Route);
        for (int row = item->rowCount() - 1; row >= 0; --row) {
            if (itemSection(item->child(row)))
                item->removeRow(row);
        }
        QStandardItem *container = item->parent() ? item->parent() : model->invisibleRootItem();
        delete container->takeChild(item->row(), 1);
        connectMainModel(true);
        delete route;
    }
    selectMainIndex(index);
    return index;
}

QModelIndex OperativeCheck::addSect(const QModelIndex &index, SectionRecord *section)
{
    QStandardItem *routeItem = index.isValid() ? model->itemFromIndex(index) : nullptr;
    RouteRecord *route = itemRoute(routeItem);
    if (!route && routeItem) {
        routeItem = routeItem->parent();
        route = itemRoute(routeItem);
    }
    if (!route) {
        delete section;
        selectMainIndex(QModelIndex());
        return QModelIndex();
    }

    if (!section) {
        section = new SectionRecord;
        section->id = ++route->maxSectionId;
        section->name = tr("New section %0").replace(QLatin1String("%0"),
                                                     QString::number(section->id));
        section->takeSettingsFrom(sectionTemplate);
    }
    // A section handed back keeps its id; later ones must not reuse it.
    route->maxSectionId = qMax(route->maxSectionId, section->id);
    route->sections.append(section);

    QStandardItem *sectionItem = itemPrototype->clone();
    sectionItem->setText(section->name);
    setItemRecord(sectionItem, ItemRole::Section, section);
    sectionItem->setEditable(false);
    sectionItem->setCheckable(false);
    sectionItem->setData(routeItem->data(ItemRole::NodeId), ItemRole::NodeId);
    sectionItem->setData(routeItem->data(ItemRole::TypeMask), ItemRole::TypeMask);
    routeItem->appendRow(sectionItem);
    mainView->expand(routeItem->index());

    if (routeItem->checkState() == Qt::Checked && !section->graphObjectIds.isEmpty()) {
        drawSectionObjects(*section, true);
        if (mapModel)
            mapModel->Refresh(boundMapId);
    }

    const QModelIndex added = sectionItem->index();
    selectMainIndex(added);
    return added;
}

QModelIndex OperativeCheck::deleteSect(const QModelIndex &index)
{
    QStandardItem *sectionItem = index.isValid() ? model->itemFromIndex(index) : nullptr;
    SectionRecord *section = itemSection(sectionItem);
    if (!section)
        return QModelIndex();

    drawSectionObjects(*section, false);
    if (mapModel)
        mapModel->Refresh(boundMapId);

    QStandardItem *routeItem = sectionItem->parent();
    if (RouteRecord *route = itemRoute(routeItem))
        route->sections.removeOne(section);
    if (routeItem)
        routeItem->removeRow(sectionItem->row());
    delete section;

    const QModelIndex routeIndex = routeItem ? routeItem->index() : QModelIndex();
    selectMainIndex(routeIndex);
    return routeIndex;
}

QStandardItem *OperativeCheck::currentMainItem() const
{
    return currentMainIndex.isValid() ? model->itemFromIndex(currentMainIndex) : nullptr;
}

void OperativeCheck::onAddRouteClicked()
{
    undoStack->push(new AddRouteCommand(this));
}

void OperativeCheck::onDelRouteClicked()
{
    undoStack->push(new DeleteRouteCommand(this));
}

void OperativeCheck::onAddSectClicked()
{
    undoStack->push(new AddSectCommand(this));
}

void OperativeCheck::onDelSectClicked()
{
    undoStack->push(new DeleteSectCommand(this));
}

void OperativeCheck::onSelObjsClicked()
{
    RouteRecord *route = itemRoute(currentMainItem());
    if (!route)
        return;
    objectsDialog.showForRoute(host ? host->GetObjectsModel() : nullptr, &route->objects);
}

void OperativeCheck::onSelObjsAccepted()
{
    QList<int> ids;
    objectsDialog.treeWidget->getCheckedObjs(&ids, QModelIndex());
    undoStack->push(new ChangeListObjsCommand(this, ids));
}

void OperativeCheck::onSelGObjClicked()
{
    const SectionRecord *section = itemSection(currentMainItem());
    if (!section)
        return;
    graphObjDialog.showForSection(section->graphObjectIds);
}

void OperativeCheck::onSelGObjAccepted()
{
    QList<int> ids;
    QString names;
    graphObjDialog.checkedGraphObjects(ids, names);

    undoStack->beginMacro(QObject::tr("Select graph objects"));
    undoStack->push(new SelectGraphObjCommand(this, ids));
    // The names become the section's name, as an edit of its "Name" row would.
    QStandardItem *nameCell = panProperties->propertyModel->item(0, 1);
    valueBeforeEdit = nameCell ? nameCell->data(Qt::EditRole) : QVariant();
    if (nameCell && !names.isEmpty() && itemSection(currentMainItem()))
        nameCell->setText(names);
    undoStack->endMacro();
}
