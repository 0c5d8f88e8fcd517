#include "GraphObIconText.h"

#include "IconTable.h"
#include "PropertySchema.h"

#include "geo/MapGeometry.h"
#include "records/RecordKinds.h"

#include <MapQt.h>

#include <QIcon>
#include <QPainter>
#include <QStandardItem>

namespace {
const QString IconNameKey = QString::fromLatin1(GraphProperty::IconName);

// A disc wider than the icon, so that its tint rings the picture on top of it.
QPixmap discPicture(const QColor &tint, const QPixmap &icon)
{
    const int Size = qMax(icon.width(), icon.height()) + 10;
    QPixmap picture(Size, Size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor rim = tint;
    rim.setAlpha(255);
    painter.setPen(QPen(rim, 2));
    painter.setBrush(tint);
    painter.drawEllipse(QRectF(1, 1, Size - 2, Size - 2));
    return picture;
}
} // namespace

GraphObIconText::GraphObIconText(const GraphObData &record)
    : GraphObject(record)
    , iconIndex(-1)
    , car(new MapQt::MapCar)
{
    type = qint32(GraphKind::IconText);
    nameIfUnnamed();
    car->carParam1 = 0;
    car->carParam2 = 0;
    iconIndex = iconPosition(properties.value(IconNameKey).toString());
    RebuildPrimitives();
}

GraphObIconText::~GraphObIconText()
{
    delete car;
}

void GraphObIconText::AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list)
{
    GraphObject::AttachEditPrimitives(list);
    if (list)
        *list << car << vertexTrace();
    RebuildPrimitives();
}

void GraphObIconText::DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode)
{
    if (!list)
        return;
    takeFromList(list, car, m_disc.get());
    if (mode == 0)
        return;
    const DrawMode drawMode = DrawMode(mode);
    if (drawMode == DrawMode::Violated || drawMode == DrawMode::Passed) {
        if (!m_disc)
            m_disc = std::make_unique<MapQt::MapCar>();
        // Made again for another tint or another picture.
        if (m_discMode != mode || m_discIcon != car->pixmap.cacheKey()) {
            m_discMode = mode;
            m_discIcon = car->pixmap.cacheKey();
            const QColor tint = MapGeometry::TintColor(QColor(255, 255, 255, 0), drawMode);
            setBrushColor(m_disc.get(), tint);
            m_disc->pixmap = discPicture(tint, car->pixmap);
        }
        m_disc->x = car->x;
        m_disc->y = car->y;
        m_disc->visible = car->visible;
        appendToList(list, m_disc.get());
    }
    appendToList(list, car);
}

void GraphObIconText::FillTreeItem(QStandardItem *item)
{
    if (!item)
        return;
    GraphObject::FillTreeItem(item);
    item->setIcon(QIcon(car->pixmap));
}

const PropertySchema &GraphObIconText::propertySchema() const
{
    return PropertySchema::iconText();
}

void GraphObIconText::propertyChanged(const PropertyRow &row)
{
    switch (row.value) {
    case PropertyValue::Name:
        car->text = name;
        car->visible = true;
        break;
    case PropertyValue::Icon: {
        const QString iconName = properties.value(IconNameKey).toString();
        iconIndex = iconPosition(iconName);
        car->pixmap = iconTable().value(iconName);
        break;
    }
    default:
        break;
    }
}

void GraphObIconText::ExtendBounds(int &minX, int &minY, int &maxX, int &maxY)
{
    if (!points.isEmpty())
        extendBy(points.first(), minX, minY, maxX, maxY);
}

void GraphObIconText::RebuildPrimitives()
{
    fillVertexTrace();
    car->text = name;
    if (points.size() == 1) {
        car->x = points.first().x();
        car->y = points.first().y();
        car->visible = true;
    } else {
        car->visible = false;
    }
    car->pixmap = iconTable().value(properties.value(IconNameKey).toString());
}
