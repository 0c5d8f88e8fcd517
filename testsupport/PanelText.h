#ifndef PANELTEXT_H
#define PANELTEXT_H

// Plain-text views of what the panel shows and of what it asked of the host,
// for tests to compare whole.
#include "FakeHost.h"
#include "PanelDriver.h"

#include "records/ItemRoles.h"

#include <MapQt.h>

#include <QStringList>

namespace PanelText {

// The rows under parent as "text:type mask", each with its rows in brackets.
inline QString tree(const QStandardItem *parent)
{
    QStringList rows;
    for (int row = 0; parent && row < parent->rowCount(); ++row) {
        const QStandardItem *item = parent->child(row);
        const QString below = tree(item);
        rows << QStringLiteral("%1:%2").arg(item->text()).arg(
                    item->data(ItemRole::TypeMask).toUInt())
                + (below.isEmpty() ? QString() : '(' + below + ')');
    }
    return rows.join(' ');
}

// The check state of the item at each path (rows from the top), one digit each;
// with column 1, the text beside it.
inline QStringList cells(const QStandardItemModel *model, const QList<QList<int>> &paths,
                         int column)
{
    QStringList texts;
    for (const QList<int> &path : paths) {
        const QStandardItem *item = PanelDriver::itemAt(model, path);
        texts << (!item ? QStringLiteral("-")
                  : column ? item->index().siblingAtColumn(1).data().toString()
                           : QString::number(item->checkState()));
    }
    return texts;
}
inline QString ticks(const QStandardItemModel *model, const QList<QList<int>> &paths)
{
    return cells(model, paths, 0).join(QString());
}
inline QStringList modes(const QStandardItemModel *model, const QList<QList<int>> &paths)
{
    return cells(model, paths, 1);
}

// Each call as "scale N", "center X,Y" or "refresh", followed by "on map M"
// when it was not for map 1.
inline QStringList mapCalls(const QList<MapCall> &calls)
{
    QStringList texts;
    for (const MapCall &call : calls) {
        texts << (call.kind == MapCall::Scale    ? QStringLiteral("scale %1").arg(call.a)
                  : call.kind == MapCall::Center ? QStringLiteral("center %1,%2").arg(call.a)
                                                       .arg(call.b)
                                                 : QStringLiteral("refresh"));
        if (call.mapId != 1)
            texts << QStringLiteral("on map %1").arg(call.mapId);
    }
    return texts;
}

} // namespace PanelText

#endif // PANELTEXT_H
