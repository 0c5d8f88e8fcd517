// The main tree's context menu and moving the map to a route or section.
#include "shell/OperativeCheck.h"

#include "graphobj/GraphObject.h"
#include "records/ItemRoles.h"
#include "records/RouteRecord.h"

#include <PluginHost.h>

#include <QAction>
#include <QStandardItemModel>
#include <QTreeView>

#include <limits>

void OperativeCheck::onContextMenuRequested(QPoint pos)
{
    const QModelIndexList selected = mainView->selectionModel()
        ? mainView->selectionModel()->selectedIndexes()
        : QModelIndexList();
    if (selected.isEmpty())
        return;
    QStandardItem *item = model->itemFromIndex(selected.first());
    if (!item || itemSection(item))
        return;
    showOnMapAction->setChecked(item->checkState() == Qt::Checked);
    contextMenu.exec(mainView->viewport()->mapToGlobal(pos));
}

void OperativeCheck::onShowOnMap()
{
    const QModelIndexList selected = mainView->selectionModel()
        ? mainView->selectionModel()->selectedIndexes()
        : QModelIndexList();
    if (selected.isEmpty())
        return;
    if (showOnMapAction->isChecked()) {
        onMainItemDblClicked(selected.first());
    } else if (QStandardItem *item = model->itemFromIndex(selected.first())) {
        item->setCheckState(Qt::Unchecked);
    }
}

void OperativeCheck::onMainItemDblClicked(QModelIndex index)
{
    if (index.column() != 0)
        return;
    QStandardItem *item = model->itemFromIndex(index);
    if (!item)
        return;

    QList<GraphObject *> objects;
    QStandardItem *toCheck = item;
    if (const SectionRecord *section = itemSection(item)) {
        graphObjDialog.findGraphObjects(section->graphObjectIds, objects);
        toCheck = item->parent();
    } else if (const RouteRecord *route = itemRoute(item)) {
        for (const SectionRecord *routeSection : route->sections)
            graphObjDialog.findGraphObjects(routeSection->graphObjectIds, objects);
    }

    const int start = std::numeric_limits<int>::max();
    const int end = std::numeric_limits<int>::min();
    int minX = start, minY = start, maxX = end, maxY = end;
    for (GraphObject *object : qAsConst(objects))
        object->ExtendBounds(minX, minY, maxX, maxY);

    const bool widened = minX != start && minY != start && maxX != end && maxY != end;
    if (widened && mapModel) {
        void *view = mapModel->GetViewContext(boundMapId);
        if (minX != maxX || minY != maxY)
            mapModel->SetScale(scaleForRect(minX, minY, maxX, maxY), boundMapId, view);
        // Halves in 64 bits: the span of two ints does not fit in one.
        const int x = int(minX + (qint64(maxX) - minX) / 2);
        const int y = int(minY + (qint64(maxY) - minY) / 2);
        mapModel->SetCenter(x, y, boundMapId, view);
    }
    if (toCheck)
        toCheck->setCheckState(Qt::Checked);
}
