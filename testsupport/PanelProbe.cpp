#include "PanelProbe.h"

#include "records/ItemRoles.h"

#include <QAbstractItemModel>
#include <QTreeView>

namespace PanelProbe {

QModelIndex findRoute(const QAbstractItemModel *model, int nodeId, const QModelIndex &parent)
{
    if (!model)
        return {};
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (index.data(ItemRole::NodeId).toInt() == nodeId
            && index.data(ItemRole::Route).toLongLong() != 0)
            return index;
        const QModelIndex found = findRoute(model, nodeId, index);
        if (found.isValid())
            return found;
    }
    return {};
}

QTreeView *ruleView(const QWidget *page, int nodeId)
{
    if (!page)
        return nullptr;
    const QList<QTreeView *> views = page->findChildren<QTreeView *>();
    for (QTreeView *view : views) {
        if (findRoute(view->model(), nodeId).isValid())
            return view;
    }
    return nullptr;
}

bool tickRoute(const QWidget *page, int nodeId)
{
    QTreeView *view = ruleView(page, nodeId);
    if (!view)
        return false;
    return view->model()->setData(findRoute(view->model(), nodeId), Qt::Checked,
                                  Qt::CheckStateRole);
}

} // namespace PanelProbe
