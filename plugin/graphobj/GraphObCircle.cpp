#include "GraphObCircle.h"

#include "geo/MapGeometry.h"

#include "delegates/ColorDialogDelegate.h"

#include <MapQt.h>

#include <QAbstractItemView>
#include <QStandardItemModel>

#include <cmath>

namespace {

const QString DiameterKey = QStringLiteral("Diameter");
const QString ColorKey = QStringLiteral("Color");
const QString BrushKey = QStringLiteral("Brush");
const QString CommentKey = QStringLiteral("Comment");

// The circle's own pair, shared by every circle; live as long as the library.
ColorDialogDelegate *colorDelegate = nullptr;
ColorDialogDelegate *brushDelegate = nullptr;

} // namespace

GraphObCircle::GraphObCircle(const GraphObData &record, QObject *parent)
    : GraphObject(record, parent)
    , diameter(50)
    , fillPolygon(nullptr)
    , outlineTrace(nullptr)
{
    // The type code stays as the record gave it.
    if (!colorDelegate)
        colorDelegate = new ColorDialogDelegate(false);
    if (!brushDelegate)
        brushDelegate = new ColorDialogDelegate(true);
    nameIfUnnamed();
    diameter = properties.value(DiameterKey, 50).toInt();
    color = properties.value(ColorKey, QColor(Qt::cyan)).value<QColor>();
    brushColor = properties.value(BrushKey, QColor(Qt::cyan)).value<QColor>();

    fillPolygon = new MapQt::MapPolygon;
    fillPolygon->pen = new QPen(color, 3);
    fillPolygon->brush = new QBrush(brushColor, Qt::SolidPattern);
    fillPolygon->points = new MapQt::MapPoint[MapGeometry::CirclePointCount];

    outlineTrace = new MapQt::MapTrace;
    outlineTrace->pen = new QPen(QColor(Qt::blue), 3);
    outlineTrace->points = new MapQt::MapPoint[MapGeometry::CirclePointCount];
}

GraphObCircle::~GraphObCircle()
{
    delete outlineTrace;
    delete fillPolygon;
}

void GraphObCircle::AttachEditPrimitives(QList<MapQt::MapPrimitive *> *list)
{
    GraphObject::AttachEditPrimitives(list);
    if (list)
        *list << outlineTrace << vertexTrace;
    RebuildPrimitives();
}

void GraphObCircle::DrawOnLayer(QList<MapQt::MapPrimitive *> *list, int mode)
{
    if (!list)
        return;
    list->removeOne(fillPolygon);
    if (mode == 0)
        return;
    if (!points.isEmpty()) {
        setPenColor(fillPolygon, color);
        setBrushColor(fillPolygon, MapGeometry::TintColor(brushColor, DrawMode(mode)));
        setTracePoints(fillPolygon, MapGeometry::circlePoints(points.first().x(),
                                                              points.first().y(), diameter));
    }
    list->append(fillPolygon);
}

void GraphObCircle::SetupPropertyView(QAbstractItemView *view)
{
    if (!view)
        return;
    view->setItemDelegateForRow(2, colorDelegate);
    view->setItemDelegateForRow(3, brushDelegate);
    FillProperties(qobject_cast<QStandardItemModel *>(view->model()));
}

void GraphObCircle::FillProperties(QStandardItemModel *model)
{
    if (!model)
        return;
    GraphObject::FillProperties(model);
    appendNumberRow(model, QT_TRANSLATE_NOOP("GraphObject", "Diameter, m"), diameter);
    appendColorRow(model, QT_TRANSLATE_NOOP("GraphObject", "Color"), color);
    appendColorRow(model, QT_TRANSLATE_NOOP("GraphObject", "Brush"), brushColor);
    appendTextRow(model, QT_TRANSLATE_NOOP("GraphObject", "Comment"),
                  properties.value(CommentKey).toString());
}

void GraphObCircle::SetProperty(const QModelIndex &index, const QVariant &value)
{
    switch (index.row()) {
    case 0:
        setName(value);
        break;
    case 1:
        diameter = value.toInt();
        storeProperty(DiameterKey, value);
        if (!points.isEmpty())
            setTracePoints(outlineTrace, MapGeometry::circlePoints(points.first().x(),
                                                                   points.first().y(), diameter));
        break;
    case 2:
        color = value.value<QColor>();
        storeProperty(ColorKey, value);
        break;
    case 3:
        brushColor = value.value<QColor>();
        storeProperty(BrushKey, value);
        break;
    case 4:
        storeProperty(CommentKey, value);
        break;
    default:
        break;
    }
}

void GraphObCircle::ExtendBounds(int &minX, int &minY, int &maxX, int &maxY)
{
    using namespace MapGeometry;
    if (points.isEmpty())
        return;
    const double x = points.first().x();
    const double y = points.first().y();
    const double r = diameter / 2;
    const double c = std::cos(y * UnitToRadian);
    const double spanX = r / EarthRadius / c / UnitToRadian;
    const double ym = y * UnitToRadian * EarthRadius;
    minX = qMin(minX, truncToInt(x + std::trunc(-spanX)));
    maxX = qMax(maxX, truncToInt(x + std::trunc(spanX)));
    minY = qMin(minY, truncToInt((ym - r) / EarthRadius / UnitToRadian));
    maxY = qMax(maxY, truncToInt((ym + r) / EarthRadius / UnitToRadian));
}

void GraphObCircle::RebuildPrimitives()
{
    fillVertexTrace();
    outlineTrace->count = 0;
    if (!points.isEmpty())
        setTracePoints(outlineTrace, MapGeometry::circlePoints(points.first().x(),
                                                               points.first().y(), diameter));
}
