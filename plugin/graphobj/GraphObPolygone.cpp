#include "GraphObPolygone.h"

#include "geo/MapGeometry.h"

#include "delegates/ColorDialogDelegate.h"

#include <MapQt.h>

#include <QAbstractItemView>
#include <QStandardItemModel>

namespace {

const QString ColorKey = QStringLiteral("Color");
const QString BrushKey = QStringLiteral("Brush");
const QString CommentKey = QStringLiteral("Comment");

// Shared by every polygon's property table; live as long as the library.
ColorDialogDelegate *colorDelegate = nullptr;
ColorDialogDelegate *brushDelegate = nullptr;

} // namespace

GraphObPolygone::GraphObPolygone(const GraphObData &record, QObject *parent)
    : GraphObLineBase(record, parent)
    , polygon(nullptr)
{
    type = 3;
    if (!colorDelegate)
        colorDelegate = new ColorDialogDelegate(false);
    if (!brushDelegate)
        brushDelegate = new ColorDialogDelegate(true);
    nameIfUnnamed();
    color = properties.value(ColorKey, QColor(Qt::cyan)).value<QColor>();
    brushColor = properties.value(BrushKey, QColor(Qt::cyan)).value<QColor>();
    polygon = new MapQt::MapPolygon;
    polygon->pen = new QPen(color, 3);
    polygon->brush = new QBrush(brushColor, Qt::SolidPattern);
}

GraphObPolygone::~GraphObPolygone()
{
    delete polygon;
}

void GraphObPolygone::DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode)
{
    if (!list)
        return;
    list->removeOne(polygon);
    if (mode == 0)
        return;
    if (!points.isEmpty()) {
        QList<QPoint> ring = points;
        ring.append(points.first());
        setTracePoints(polygon, ring);
        setBrushColor(polygon, MapGeometry::TintColor(brushColor, DrawMode(mode)));
        setPenColor(polygon, color);
    }
    list->append(polygon);
}

void GraphObPolygone::SetupPropertyView(QAbstractItemView *view)
{
    if (!view)
        return;
    view->setItemDelegateForRow(1, colorDelegate);
    view->setItemDelegateForRow(2, brushDelegate);
    FillProperties(qobject_cast<QStandardItemModel *>(view->model()));
}

void GraphObPolygone::FillProperties(QStandardItemModel *model)
{
    if (!model)
        return;
    GraphObLineBase::FillProperties(model);
    appendColorRow(model, QT_TRANSLATE_NOOP("GraphObject", "Color"), color);
    appendColorRow(model, QT_TRANSLATE_NOOP("GraphObject", "Brush"), brushColor);
    appendTextRow(model, QT_TRANSLATE_NOOP("GraphObject", "Comment"),
                  properties.value(CommentKey).toString());
}

void GraphObPolygone::SetProperty(const QModelIndex &index, const QVariant &value)
{
    switch (index.row()) {
    case 0:
        setName(value);
        break;
    case 1:
        color = value.value<QColor>();
        storeProperty(ColorKey, value);
        break;
    case 2:
        brushColor = value.value<QColor>();
        storeProperty(BrushKey, value);
        break;
    case 3:
        storeProperty(CommentKey, value);
        break;
    default:
        break;
    }
}

void GraphObPolygone::ExtendBounds(int &minX, int &minY, int &maxX, int &maxY)
{
    for (const QPoint &point : qAsConst(points))
        extendBy(point, minX, minY, maxX, maxY);
}

void GraphObPolygone::RebuildPrimitives()
{
    if (points.isEmpty()) {
        setTracePoints(vertexTrace, QList<QPoint>());
    } else {
        QList<QPoint> marks = points;
        marks << points.first() << QPoint(0, 0);
        setTracePoints(vertexTrace, marks);
    }
    lineTrace->points = vertexTrace->points;
    lineTrace->count = points.isEmpty() ? 0 : points.size() + 1;
    previewTrace->count = 0;
}

int GraphObPolygone::NormalizeIndex(int index)
{
    const int n = points.size();
    if (n == 0)
        return -1;
    if (index < 0)
        return (index % n + n) % n; // n + index for -n <= index < 0, and wraps on below
    if (index >= n)
        return index % n;
    return index;
}
