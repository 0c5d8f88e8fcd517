#include "GraphObject.h"

#include "GraphObCircle.h"
#include "GraphObIconText.h"
#include "GraphObLine.h"
#include "GraphObPolygone.h"
#include "geo/MapGeometry.h"

#include <MapQt.h>

#include <QCoreApplication>
#include <QStandardItemModel>

QStringList &GraphObject::typeNames()
{
    static QStringList names;
    return names;
}

void GraphObject::InitTypeNames()
{
    typeNames() = QStringList{tr("Abstract"), tr("IconText"), tr("Line"),
                            tr("Polygone"), tr("Circle"), tr("Cone")};
}

GraphObject::GraphObject(const GraphObData &record, QObject *parent)
    : QObject(parent)
    , GraphObData(record)
    , primitiveList(nullptr)
    , vertexTrace(new MapQt::MapTrace)
{
    vertexTrace->pen = new QPen(QColor(Qt::red), 3);
    vertexTrace->style = 2;
}

GraphObject::~GraphObject()
{
    delete vertexTrace;
}

void GraphObject::nameIfUnnamed()
{
    if (!name.isEmpty())
        return;
    name = QCoreApplication::translate("GraphObject", "[New %0 %1]")
               .arg(typeNames().value(type), QString::number(id));
}

void GraphObject::AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list)
{
    primitiveList = list;
    if (list)
        list->clear();
}

void GraphObject::RemovePoint(int index)
{
    if (index >= 0 && index < points.size())
        points.removeAt(index);
    RebuildPrimitives();
}

void GraphObject::InsertPoint(int, QPoint point)
{
    points = QList<QPoint>{point};
    RebuildPrimitives();
}

void GraphObject::MovePoints(int, int, QPoint offset)
{
    if (points.isEmpty())
        return;
    InsertPoint(0, MapGeometry::shifted(points.first(), offset));
}

void GraphObject::PreviewMove(int, int, QPoint) {}

void GraphObject::FillTreeItem(QStandardItem *item)
{
    if (item)
        item->setText(name);
}

void GraphObject::FillProperties(QStandardItemModel *model)
{
    if (!model)
        return;
    model->clear();
    model->setColumnCount(2);
    model->setRowCount(0);
    model->setHeaderData(0, Qt::Horizontal, QCoreApplication::translate("GraphObject", "Param"),
                         Qt::EditRole);
    model->setHeaderData(1, Qt::Horizontal, QCoreApplication::translate("GraphObject", "Value"),
                         Qt::EditRole);
    appendTextRow(model, QT_TRANSLATE_NOOP("GraphObject", "Name"), name);
}

bool GraphObject::FindHitPoints(const QList<MapHit> &hits, int &first, int &second, int key)
{
    if (findVertexHit(hits, first, second, key))
        return true;
    first = second = -1;
    return false;
}

void GraphObject::appendRow(QStandardItemModel *model, const char *label, QStandardItem *value)
{
    auto *labelItem = new QStandardItem(QCoreApplication::translate("GraphObject", label));
    labelItem->setEditable(false);
    value->setEditable(true);
    model->appendRow(QList<QStandardItem *>{labelItem, value});
}

void GraphObject::appendTextRow(QStandardItemModel *model, const char *label, const QString &text)
{
    appendRow(model, label, new QStandardItem(text));
}

void GraphObject::appendColorRow(QStandardItemModel *model, const char *label,
                                 const QColor &color)
{
    auto *value = new QStandardItem;
    value->setData(color, Qt::EditRole);
    value->setData(color, Qt::DecorationRole);
    appendRow(model, label, value);
}

void GraphObject::appendNumberRow(QStandardItemModel *model, const char *label, int number)
{
    appendTextRow(model, label, QStringLiteral("%0").arg(number));
}

void GraphObject::setName(const QVariant &value)
{
    name = value.toString();
}

void GraphObject::storeProperty(const QString &key, const QVariant &value)
{
    properties.insert(key, value);
}

void GraphObject::fillVertexTrace()
{
    QList<QPoint> marks = points;
    marks.append(QPoint(0, 0));
    setTracePoints(vertexTrace, marks);
}

bool GraphObject::findVertexHit(const QList<MapHit> &hits, int &first, int &second,
                                int key) const
{
    const int position = primitivePosition(primitiveList, vertexTrace);
    if (position < 0)
        return false;
    for (const MapHit &hit : hits) {
        if (hit.values[1] != key || hit.values[3] != position)
            continue;
        const int vertex = points.indexOf(QPoint(hit.values[4], hit.values[5]));
        if (vertex >= 0) {
            first = second = vertex;
            return true;
        }
    }
    return false;
}

int GraphObject::primitivePosition(const QList<MapQt::MapPrimitive *> *list,
                                   const MapQt::MapPrimitive *primitive)
{
    if (!list)
        return -1;
    for (int i = 0; i < list->size(); ++i) {
        if (list->at(i) == primitive)
            return i;
    }
    return -1;
}

void GraphObject::setTracePoints(MapQt::MapTrace *trace, const QList<QPoint> &points)
{
    MapQt::MapPoint *array = points.isEmpty() ? nullptr : new MapQt::MapPoint[points.size()];
    for (int i = 0; i < points.size(); ++i)
        array[i] = MapQt::MapPoint{points[i].x(), points[i].y()};
    delete[] trace->points;
    trace->points = array;
    trace->count = points.size();
}

void GraphObject::setPenColor(MapQt::MapPrimitive *primitive, const QColor &color)
{
    if (!primitive->pen)
        primitive->pen = new QPen;
    primitive->pen->setColor(color);
    primitive->pen->setWidth(3);
}

void GraphObject::setBrushColor(MapQt::MapPrimitive *primitive, const QColor &color)
{
    if (!primitive->brush)
        primitive->brush = new QBrush(Qt::SolidPattern);
    primitive->brush->setColor(color);
}

void GraphObject::extendBy(const QPoint &point, int &minX, int &minY, int &maxX, int &maxY)
{
    minX = qMin(minX, point.x());
    minY = qMin(minY, point.y());
    maxX = qMax(maxX, point.x());
    maxY = qMax(maxY, point.y());
}

GraphObject *CreateGraphObject(const GraphObData &record)
{
    switch (record.type) {
    case 1:
        return new GraphObIconText(record);
    case 2:
        return new GraphObLine(record);
    case 3:
        return new GraphObPolygone(record);
    case 4:
        return new GraphObCircle(record);
    default:
        return nullptr;
    }
}
