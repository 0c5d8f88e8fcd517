#ifndef PANELPROBE_H
#define PANELPROBE_H

#include <QModelIndex>

class QAbstractItemModel;
class QTreeView;
class QWidget;

// Finds the panel's parts from outside, through its widgets and the item
// roles, as a host or a tool sees them.
namespace PanelProbe {

// The first row at or below parent whose item carries the route of node id.
QModelIndex findRoute(const QAbstractItemModel *model, int nodeId,
                      const QModelIndex &parent = QModelIndex());

// The rule tree on the panel's page: the view whose model holds route nodeId;
// null when none does.
QTreeView *ruleView(const QWidget *page, int nodeId);

// Ticks the route's box as an operator would; false when no view shows it.
bool tickRoute(const QWidget *page, int nodeId);

} // namespace PanelProbe

#endif // PANELPROBE_H
