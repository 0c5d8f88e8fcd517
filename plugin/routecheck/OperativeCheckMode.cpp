// Check mode and live section states of OperativeCheck.
#include "shell/OperativeCheck.h"
#include "wire/Commands.h"

#include "graphobj/GraphObject.h"
#include "records/ItemRoles.h"
#include "wire/RouteMessages.h"
#include "records/RouteRecord.h"

#include <PluginHost.h>

#include <QAction>
#include <QDateTime>
#include <QStandardItemModel>
#include <QTreeView>

namespace {

// How a section's state shows: 0 erase, 1 own colours, 2 red tint, 3 green tint.
int drawMode(bool checked, int state)
{
    if (!checked)
        return 0;
    switch (state) {
    case 1:
        return 2;
    case 2:
        return 3;
    default:
        return 1;
    }
}

} // namespace

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

void OperativeCheck::onSetCheckMode()
{
    const QModelIndexList selected = mainView->selectionModel()
        ? mainView->selectionModel()->selectedIndexes()
        : QModelIndexList();
    auto *action = qobject_cast<QAction *>(sender());
    if (selected.isEmpty() || !action)
        return;

    // Pending edits reach the server before the mode changes.
    onSaveClicked();
    const qint32 mode = qint32(action->data().toUInt());
    const QList<int> ids = routeIdsUnder(model->itemFromIndex(selected.first()));
    sendRequest(QByteArray(Commands::SetCheckMode), RouteMessages::checkModeRequest(mode, ids));
}

void OperativeCheck::applyCheckMode(QStandardItem *item, uint checkTime, const QList<int> &routeIds)
{
    if (!item)
        return;
    RouteRecord *route = itemRoute(item);
    if (route && routeIds.contains(route->id)) {
        if (checkTime == 0) {
            route->checkOn = 0;
        } else {
            route->checkOn = 1;
            route->checkTime = checkTime;
        }
        QStandardItem *container = item->parent() ? item->parent() : model->invisibleRootItem();
        if (QStandardItem *modeItem = container->child(item->row(), 1))
            modeItem->setText(checkModeText(*route));
        return;
    }
    for (int row = 0; row < item->rowCount(); ++row)
        applyCheckMode(item->child(row), checkTime, routeIds);
}

void OperativeCheck::drawSectionObjects(const SectionRecord &section, bool checked)
{
    if (section.graphObjectIds.isEmpty())
        return;
    QList<GraphObject *> objects;
    graphObjDialog.findGraphObjects(section.graphObjectIds, objects);
    const int mode = drawMode(checked, section.state);
    MapQt::PrimitiveList *list = sectionList();
    if (!list)
        return;
    for (GraphObject *object : qAsConst(objects))
        object->DrawOnLayer(&list->primitives, mode);
}

void OperativeCheck::ItemChecked(QStandardItem *item, bool checked)
{
    RouteRecord *route = itemSection(item) ? itemRoute(item->parent()) : itemRoute(item);
    if (!route)
        return;
    for (const SectionRecord *section : qAsConst(route->sections))
        drawSectionObjects(*section, checked);
    if (mapModel)
        mapModel->Refresh(boundMapId);
}
