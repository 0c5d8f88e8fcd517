#ifndef PANELTEXT_H
#define PANELTEXT_H

// Plain-text views of what the panel shows and of what it asked of the host,
// for tests to compare whole.
#include "FakeHost.h"

#include <MapQt.h>

#include <QAbstractItemModel>
#include <QStringList>

namespace PanelText {

// The rows under parent as "text:N", N the number in role (by default the check
// state), each with its rows in brackets.
inline QString tree(const QAbstractItemModel *model, int role = Qt::CheckStateRole,
                    const QModelIndex &parent = QModelIndex())
{
    QStringList rows;
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        const QString below = tree(model, role, index);
        rows << QStringLiteral("%1:%2").arg(index.data().toString()).arg(index.data(role).toUInt())
                + (below.isEmpty() ? QString() : '(' + below + ')');
    }
    return rows.join(' ');
}

// A primitive as the host draws it: a trace's or polygon's points (a 17-point
// circle by every fourth), its pen (colour/width) and brush where painted; a
// car's caption, place and picture, and without a caption its picture's middle colour.
inline QString primitive(const MapQt::MapPrimitive *p, bool painted = true)
{
    if (p->kind == 5) {
        const auto *car = static_cast<const MapQt::MapCar *>(p);
        const QImage img = car->pixmap.toImage();
        return QStringLiteral("car %1 at %2,%3").arg(car->text).arg(car->x).arg(car->y)
               + (car->visible ? "" : " hidden") + (img.isNull() ? "" : " pictured")
               + (car->text.isEmpty() ? " " + img.pixelColor(img.rect().center()).name() : "");
    }
    const auto *trace = static_cast<const MapQt::MapTrace *>(p);
    QString text = p->kind == 2 ? "polygon" : "trace";
    for (int i = 0; i < trace->count; i += trace->count == 17 ? 4 : 1)
        text += QStringLiteral(" %1,%2").arg(trace->points[i].x).arg(trace->points[i].y);
    if (painted && p->pen)
        text += QStringLiteral(" pen %1/%2").arg(p->pen->color().name(QColor::HexArgb))
                    .arg(p->pen->width());
    return text + (painted && p->brush ? " brush " + p->brush->color().name(QColor::HexArgb) : "");
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
