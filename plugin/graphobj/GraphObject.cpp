#include "GraphObject.h"

#include "IconTable.h"
#include "PropertySchema.h"

#include "geo/VertexEditing.h"

#include <MapQt.h>

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QHash>
#include <QStandardItemModel>

#include <iterator>

namespace {

// By type code. Translated when asked for: the library is loaded, and these
// would be made, before the plug-in's catalogue is installed.
const char *const TypeNameSources[] = {
    QT_TRANSLATE_NOOP("GraphObject", "Abstract"), QT_TRANSLATE_NOOP("GraphObject", "IconText"),
    QT_TRANSLATE_NOOP("GraphObject", "Line"),     QT_TRANSLATE_NOOP("GraphObject", "Polygone"),
    QT_TRANSLATE_NOOP("GraphObject", "Circle"),   QT_TRANSLATE_NOOP("GraphObject", "Cone")};

} // namespace

QString GraphObject::typeName(qint32 type)
{
    if (type < 0 || type >= qint32(std::size(TypeNameSources)))
        return QString();
    return tr(TypeNameSources[type]);
}

GraphObject::GraphObject(const GraphObData &record)
    : GraphObData(record)
    , primitiveList(nullptr)
{
}

GraphObject::~GraphObject() = default;

MapQt::MapTrace *GraphObject::vertexTrace() const
{
    if (!m_vertexTrace) {
        m_vertexTrace = makeTrace(Qt::red);
        m_vertexTrace->style = 2;
    }
    return m_vertexTrace.get();
}

MapQt::MapPrimitive *GraphObject::shownPrimitive()
{
    if (!m_shownPrimitive)
        m_shownPrimitive = makeShownPrimitive();
    return m_shownPrimitive.get();
}

std::unique_ptr<MapQt::MapPrimitive> GraphObject::makeShownPrimitive() const
{
    return nullptr;
}

void GraphObject::takeShownFromList(QList<MapQt::MapPrimitive *> *list)
{
    if (m_shownPrimitive)
        takeFromList(list, m_shownPrimitive.get());
}

std::unique_ptr<MapQt::MapTrace> GraphObject::makeTrace(const QColor &colour, int room)
{
    auto trace = std::make_unique<MapQt::MapTrace>();
    trace->pen = new QPen(colour, 3);
    if (room > 0)
        trace->points = new MapQt::MapPoint[room];
    return trace;
}

void GraphObject::nameIfUnnamed()
{
    if (!name.isEmpty())
        return;
    name = QCoreApplication::translate("GraphObject", "[New %0 %1]")
               .arg(typeName(type), QString::number(id));
}

void GraphObject::AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list)
{
    primitiveList = list;
    if (list)
        list->clear();
}

void GraphObject::RemovePoint(int index)
{
    VertexEditing::removePoint(points, index);
    RebuildPrimitives();
}

void GraphObject::InsertPoint(int index, QPoint point)
{
    VertexEditing::insertPoint(points, index, point, VertexEditing::Outline::Single);
    RebuildPrimitives();
}

void GraphObject::MovePoints(int first, int last, QPoint offset)
{
    if (points.isEmpty())
        return;
    VertexEditing::movePoints(points, first, last, offset, VertexEditing::Outline::Single);
    RebuildPrimitives();
}

void GraphObject::PreviewMove(int, int, QPoint) {}

void GraphObject::FillTreeItem(QStandardItem *item)
{
    if (item)
        item->setText(name);
}

void GraphObject::SetupPropertyView(QAbstractItemView *view)
{
    if (!view)
        return;
    const QVector<PropertyRow> &rows = propertySchema().rows();
    for (int row = 0; row < rows.size(); ++row) {
        if (PropertySchema::hasEditor(rows.at(row)))
            view->setItemDelegateForRow(row, propertySchema().editorFor(rows.at(row)));
    }
    FillProperties(qobject_cast<QStandardItemModel *>(view->model()));
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
    for (const PropertyRow &row : propertySchema().rows()) {
        auto *label = new QStandardItem(QCoreApplication::translate("GraphObject", row.label));
        label->setEditable(false);
        QStandardItem *value = valueCell(row);
        value->setEditable(true);
        model->appendRow(QList<QStandardItem *>{label, value});
    }
}

QStandardItem *GraphObject::valueCell(const PropertyRow &row) const
{
    auto *cell = new QStandardItem;
    const QString key = QString::fromLatin1(row.key);
    switch (row.value) {
    case PropertyValue::Name:
        cell->setText(name);
        break;
    case PropertyValue::Text:
        cell->setText(properties.value(key).toString());
        break;
    case PropertyValue::Number:
        cell->setText(QStringLiteral("%0").arg(numberProperty(row.key)));
        break;
    case PropertyValue::Colour:
    case PropertyValue::FillColour: {
        const QColor color = colourProperty(row.key);
        cell->setData(color, Qt::EditRole);
        cell->setData(color, Qt::DecorationRole);
        break;
    }
    case PropertyValue::Icon: {
        // An unknown name leaves the cell empty.
        const QMap<QString, QPixmap> &table = iconTable();
        const int position = iconPosition(properties.value(key).toString());
        if (position >= 0) {
            const auto entry = std::next(table.constBegin(), position);
            cell->setText(entry.key());
            cell->setData(entry.value(), Qt::DecorationRole);
        }
        break;
    }
    }
    return cell;
}

void GraphObject::SetProperty(const QModelIndex &index, const QVariant &value)
{
    const QVector<PropertyRow> &rows = propertySchema().rows();
    if (index.row() < 0 || index.row() >= rows.size())
        return;
    const PropertyRow &row = rows.at(index.row());
    // Made before the first edit, the shown primitive starts with the colours
    // the object came with, as when it was made with the object.
    shownPrimitive();
    const QString key = QString::fromLatin1(row.key);
    switch (row.value) {
    case PropertyValue::Name:
        name = value.toString();
        break;
    case PropertyValue::Icon:
        // A name the icon table does not know is stored as a null text.
        properties.insert(key, iconPosition(value.toString()) >= 0 ? value : QVariant(QString()));
        break;
    case PropertyValue::Text:
    case PropertyValue::Number:
    case PropertyValue::Colour:
    case PropertyValue::FillColour:
        properties.insert(key, value);
        break;
    }
    propertyChanged(row);
}

void GraphObject::propertyChanged(const PropertyRow &) {}

// Every object of a layer tree reads its properties when it is made: the
// keys, a handful of literals, are turned into text once.
QMap<QString, QVariant>::const_iterator GraphObject::findProperty(const char *key) const
{
    static QHash<const char *, QString> texts;
    auto text = texts.constFind(key);
    if (text == texts.cend())
        text = texts.insert(key, QString::fromLatin1(key));
    return properties.constFind(*text);
}

int GraphObject::numberProperty(const char *key) const
{
    const auto stored = findProperty(key);
    return stored == properties.cend() ? 50 : stored->toInt();
}

QColor GraphObject::colourProperty(const char *key) const
{
    const auto stored = findProperty(key);
    return stored == properties.cend() ? QColor(Qt::cyan) : stored->value<QColor>();
}

bool GraphObject::FindHitPoints(const QList<MapHit> &hits, int &first, int &second, int key)
{
    if (findVertexHit(hits, first, second, key))
        return true;
    first = second = -1;
    return false;
}

void GraphObject::fillVertexTrace()
{
    QList<QPoint> marks = points;
    marks.append(QPoint(0, 0));
    setTracePoints(vertexTrace(), marks);
}

bool GraphObject::findVertexHit(const QList<MapHit> &hits, int &first, int &second,
                                int key) const
{
    const int position = primitivePosition(primitiveList, vertexTrace());
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

void GraphObject::takeFromList(QList<MapQt::MapPrimitive *> *list,
                               MapQt::MapPrimitive *primitive, MapQt::MapPrimitive *alsoDrawn)
{
    const int drawn = m_drawnOn.indexOf(list);
    // The editing list gets its primitives without appendToList.
    if (drawn < 0 && list != primitiveList)
        return;
    list->removeOne(primitive);
    if (alsoDrawn)
        list->removeOne(alsoDrawn);
    if (drawn >= 0)
        m_drawnOn.remove(drawn);
}

void GraphObject::appendToList(QList<MapQt::MapPrimitive *> *list,
                               MapQt::MapPrimitive *primitive)
{
    list->append(primitive);
    if (!m_drawnOn.contains(list))
        m_drawnOn.append(list);
}

void GraphObject::setTracePoints(MapQt::MapTrace *trace, const QList<QPoint> &points,
                                 Closing closing)
{
    const int count =
        points.size() + (closing == Closing::AddFirstPoint && !points.isEmpty() ? 1 : 0);
    MapQt::MapPoint *array = count == 0 ? nullptr : new MapQt::MapPoint[count];
    for (int i = 0; i < count; ++i) {
        const QPoint &point = points.at(i % points.size());
        array[i] = MapQt::MapPoint{point.x(), point.y()};
    }
    delete[] trace->points;
    trace->points = array;
    trace->count = count;
}

void GraphObject::setPenColor(MapQt::MapPrimitive *primitive, const QColor &color)
{
    if (!primitive->pen)
        primitive->pen = new QPen;
    // Setting a pen's colour makes a new brush inside it; a redraw mostly keeps it.
    if (primitive->pen->color() != color)
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
