#ifndef PANELTEXT_H
#define PANELTEXT_H

// Plain-text views of what the panel shows and of what it asked of the host,
// for tests to compare whole.
#include "FakeHost.h"

#include <MapQt.h>

#include <QList>
#include <QString>
#include <QStringList>

class QStandardItem;
class QStandardItemModel;

namespace PanelText {

// The rows under parent as "text:type mask", each with its rows in brackets.
QString tree(const QStandardItem *parent);

// The check state of the item at each path (rows from the top), one digit each.
QString ticks(const QStandardItemModel *model, const QList<QList<int>> &paths);

// The column-1 text beside the item at each path.
QStringList modes(const QStandardItemModel *model, const QList<QList<int>> &paths);

// The states of the sections of the route at each path, route after route.
QList<int> sectionStates(const QStandardItemModel *model, const QList<QList<int>> &paths);

// Each primitive as the host draws it: "polygon N" or "trace N" (N points) with
// "pen R,G,B,A/W" and "brush R,G,B,A" where set, or "car <caption>".
QStringList primitives(const MapQt::PrimitiveList *list);

// Each call as "scale N", "center X,Y" or "refresh", followed by "on map M"
// when it was not for map 1.
QStringList mapCalls(const QList<MapCall> &calls);

} // namespace PanelText

#endif // PANELTEXT_H
