#include "GraphObLine.h"

#include "geo/MapGeometry.h"

#include "delegates/ColorDialogDelegate.h"

#include <MapQt.h>

#include <QAbstractItemView>
#include <QStandardItemModel>

namespace {

const QString WidthKey = QStringLiteral("Width");
const QString ColorKey = QStringLiteral("Color");
const QString CommentKey = QStringLiteral("Comment");

// Shared by every line's property table; lives as long as the library.
ColorDialogDelegate *colorDelegate = nullptr;

} // namespace

GraphObLine::GraphObLine(const GraphObData &record, QObject *parent)
    : GraphObLineBase(record, parent)
    , width(50)
    , outlineTrace(nullptr)
{
    type = 2;
    if (!colorDelegate)
        colorDelegate = new ColorDialogDelegate(false);
    nameIfUnnamed();
    width = properties.value(WidthKey, 50).toInt();
    color = properties.value(ColorKey, QColor(Qt::cyan)).value<QColor>();
    outlineTrace = new MapQt::MapTrace;
    outlineTrace->pen = new QPen(color, 3);
}

GraphObLine::~GraphObLine()
{
    delete outlineTrace;
}

void GraphObLine::DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode)
{
    if (!list)
        return;
    list->removeOne(outlineTrace);
    if (mode == 0)
        return;
    if (!points.isEmpty()) {
        setTracePoints(outlineTrace, MapGeometry::BuildCorridor(points, width));
        setPenColor(outlineTrace, color);
    }
    list->append(outlineTrace);
}

void GraphObLine::SetupPropertyView(QAbstractItemView *view)
{
    if (!view)
        return;
    view->setItemDelegateForRow(2, colorDelegate);
    FillProperties(qobject_cast<QStandardItemModel *>(view->model()));
}

void GraphObLine::FillProperties(QStandardItemModel *model)
{
    if (!model)
        return;
    GraphObLineBase::FillProperties(model);
    appendNumberRow(model, QT_TRANSLATE_NOOP("GraphObject", "Width"), width);
    appendColorRow(model, QT_TRANSLATE_NOOP("GraphObject", "Color"), color);
    appendTextRow(model, QT_TRANSLATE_NOOP("GraphObject", "Comment"),
                  properties.value(CommentKey).toString());
}

void GraphObLine::SetProperty(const QModelIndex &index, const QVariant &value)
{
    switch (index.row()) {
    case 0:
        setName(value);
        break;
    case 1:
        width = value.toInt();
        storeProperty(WidthKey, value);
        break;
    case 2:
        color = value.value<QColor>();
        storeProperty(ColorKey, value);
        break;
    case 3:
        storeProperty(CommentKey, value);
        break;
    default:
        break;
    }
}

void GraphObLine::ExtendBounds(int &minX, int &minY, int &maxX, int &maxY)
{
    const QList<QPoint> corridor = MapGeometry::BuildCorridor(points, width);
    for (const QPoint &point : corridor)
        extendBy(point, minX, minY, maxX, maxY);
}

void GraphObLine::RebuildPrimitives()
{
    fillVertexTrace();
    lineTrace->points = vertexTrace->points;
    lineTrace->count = points.size();
    previewTrace->count = 0;
}

int GraphObLine::NormalizeIndex(int index)
{
    if (index < 0)
        return 0;
    if (index >= points.size())
        return points.size() - 1;
    return index;
}
