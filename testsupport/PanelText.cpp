#include "PanelText.h"

#include "PanelDriver.h"

#include "records/ItemRoles.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QStandardItemModel>

namespace PanelText {

namespace {

QString rgba(const QColor &c)
{
    return QStringLiteral("%1,%2,%3,%4").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

} // namespace

QString tree(const QStandardItem *parent)
{
    QStringList rows;
    for (int row = 0; parent && row < parent->rowCount(); ++row) {
        const QStandardItem *item = parent->child(row);
        const QString below = tree(item);
        rows << QStringLiteral("%1:%2").arg(item->text()).arg(
                    item->data(ItemRole::TypeMask).toUInt())
                + (below.isEmpty() ? QString() : QLatin1Char('(') + below + QLatin1Char(')'));
    }
    return rows.join(QLatin1Char(' '));
}

QString ticks(const QStandardItemModel *model, const QList<QList<int>> &paths)
{
    QString digits;
    for (const QList<int> &path : paths) {
        const QStandardItem *item = PanelDriver::itemAt(model, path);
        digits += item ? QString::number(item->checkState()) : QStringLiteral("-");
    }
    return digits;
}

QStringList modes(const QStandardItemModel *model, const QList<QList<int>> &paths)
{
    QStringList texts;
    for (const QList<int> &path : paths) {
        const QStandardItem *item = PanelDriver::itemAt(model, path);
        texts << (item ? item->index().siblingAtColumn(1).data().toString() : QString());
    }
    return texts;
}

QList<int> sectionStates(const QStandardItemModel *model, const QList<QList<int>> &paths)
{
    QList<int> states;
    for (const QList<int> &path : paths) {
        if (const RouteRecord *route = itemRoute(PanelDriver::itemAt(model, path))) {
            for (const SectionRecord *section : route->sections)
                states << section->state;
        }
    }
    return states;
}

QStringList primitives(const MapQt::PrimitiveList *list)
{
    QStringList result;
    for (const MapQt::MapPrimitive *p : list ? list->primitives : QList<MapQt::MapPrimitive *>()) {
        if (const auto *car = dynamic_cast<const MapQt::MapCar *>(p)) {
            result << QStringLiteral("car ") + car->text;
            continue;
        }
        const auto *trace = dynamic_cast<const MapQt::MapTrace *>(p);
        QString text = trace ? QStringLiteral("%1 %2")
                                   .arg(p->kind == 2 ? QStringLiteral("polygon")
                                                     : QStringLiteral("trace"))
                                   .arg(trace->count)
                             : QStringLiteral("kind %1").arg(p->kind);
        if (p->pen)
            text += QStringLiteral(" pen %1/%2").arg(rgba(p->pen->color())).arg(p->pen->width());
        if (p->brush)
            text += QStringLiteral(" brush ") + rgba(p->brush->color());
        result << text;
    }
    return result;
}

QStringList mapCalls(const QList<MapCall> &calls)
{
    QStringList texts;
    for (const MapCall &call : calls) {
        if (call.kind == MapCall::Scale)
            texts << QStringLiteral("scale %1").arg(call.a);
        else if (call.kind == MapCall::Center)
            texts << QStringLiteral("center %1,%2").arg(call.a).arg(call.b);
        else
            texts << QStringLiteral("refresh");
        if (call.mapId != 1)
            texts << QStringLiteral("on map %1").arg(call.mapId);
    }
    return texts;
}

} // namespace PanelText
