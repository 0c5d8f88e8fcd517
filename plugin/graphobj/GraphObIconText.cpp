#include "GraphObIconText.h"

#include "IconTable.h"

#include "delegates/CmbBoxDelegateOnMapIcon.h"

#include <MapQt.h>

#include <QAbstractItemView>
#include <QIcon>
#include <QStandardItemModel>

#include <iterator>

namespace {
const QString IconNameKey = QStringLiteral("IconName");
const QString CommentKey = QStringLiteral("Comment");
} // namespace

GraphObIconText::GraphObIconText(const GraphObData &record, QObject *parent)
    : GraphObject(record, parent)
    , iconIndex(-1)
    , car(new MapQt::MapCar)
{
    type = 1;
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
        *list << car << vertexTrace;
    RebuildPrimitives();
}

void GraphObIconText::DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode)
{
    if (!list)
        return;
    list->removeOne(car);
    if (mode != 0)
        list->append(car);
}

void GraphObIconText::FillTreeItem(QStandardItem *item)
{
    if (!item)
        return;
    GraphObject::FillTreeItem(item);
    item->setIcon(QIcon(car->pixmap));
}

void GraphObIconText::SetupPropertyView(QAbstractItemView *view)
{
    if (!view)
        return;
    view->setItemDelegateForRow(1, iconDelegate());
    FillProperties(qobject_cast<QStandardItemModel *>(view->model()));
}

void GraphObIconText::FillProperties(QStandardItemModel *model)
{
    if (!model)
        return;
    GraphObject::FillProperties(model);
    auto *icon = new QStandardItem;
    const QMap<QString, QPixmap> &table = iconTable();
    if (iconIndex >= 0 && iconIndex < table.size()) {
        const auto entry = std::next(table.constBegin(), iconIndex);
        icon->setText(entry.key());
        icon->setData(entry.value(), Qt::DecorationRole);
    }
    appendRow(model, QT_TRANSLATE_NOOP("GraphObject", "Icon"), icon);
    appendTextRow(model, QT_TRANSLATE_NOOP("GraphObject", "Comment"),
                  properties.value(CommentKey).toString());
}

void GraphObIconText::SetProperty(const QModelIndex &index, const QVariant &value)
{
    switch (index.row()) {
    case 0:
        setName(value);
        car->text = name;
        car->visible = true;
        break;
    case 1: {
        const QString iconName = value.toString();
        iconIndex = iconPosition(iconName);
        car->pixmap = iconTable().value(iconName);
        storeProperty(IconNameKey, iconIndex >= 0 ? value : QVariant(QString()));
        break;
    }
    case 2:
        storeProperty(CommentKey, value);
        break;
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
