#include "RouteMap.h"

#include "dialogs/DialogSelectGraphObj.h"
#include "graphobj/GraphObject.h"
#include "panel/BindToMapModel.h"
#include "records/ItemRoles.h"
#include "records/RecordKinds.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include "geo/MapGeometry.h"

#include <PluginHost.h>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>

#include <limits>

namespace {

// The colours a section's shapes take, explained. The host draws a car's
// picture centred on its place: the box fills the picture's upper right
// quarter, so its lower left corner stands at the place.
std::unique_ptr<MapQt::MapCar> makeLegend()
{
    const QString own = QCoreApplication::translate("OperativeCheck", "Own colours: due");
    const QList<QPair<QColor, QString>> rows{
        {QColor(Qt::white), own},
        {MapGeometry::TintColor(Qt::white, DrawMode::Passed),
         QCoreApplication::translate("OperativeCheck", "Passed")},
        {MapGeometry::TintColor(Qt::white, DrawMode::Violated),
         QCoreApplication::translate("OperativeCheck", "Violated")}};
    const QFontMetrics metrics{QFont()};
    int textWidth = 0;
    for (const auto &row : rows)
        textWidth = qMax(textWidth, metrics.horizontalAdvance(row.second));
    const int line = metrics.height() + 4;
    const QSize box(textWidth + line + 16, line * rows.size() + 8);
    QPixmap picture(box * 2);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.translate(box.width(), 0);
    painter.setPen(Qt::darkGray);
    painter.setBrush(QColor(255, 255, 255, 230));
    painter.drawRect(QRect(QPoint(0, 0), box - QSize(1, 1)));
    for (int i = 0; i < rows.size(); ++i) {
        const QRect swatch(6, 4 + i * line + 2, line - 6, line - 6);
        painter.setPen(Qt::darkGray);
        painter.setBrush(rows.at(i).first);
        painter.drawRect(swatch);
        painter.setPen(Qt::black);
        painter.drawText(QRect(swatch.right() + 6, 4 + i * line, textWidth + 4, line),
                         Qt::AlignVCenter | Qt::AlignLeft, rows.at(i).second);
    }
    painter.end();
    auto legend = std::make_unique<MapQt::MapCar>();
    legend->pixmap = picture;
    return legend;
}

} // namespace

RouteMap::RouteMap(const BindToMapModel &binding, const DialogSelectGraphObj &objects)
    : m_binding(binding)
    , m_objects(objects)
{
}

RouteMap::~RouteMap()
{
    clear();
}

void RouteMap::drawSection(const SectionRecord &section, bool shown) const
{
    if (section.graphObjectIds.isEmpty())
        return;
    GraphObjectList objects;
    m_objects.findGraphObjects(section.graphObjectIds, objects);
    const DrawMode mode = shown ? drawModeFor(section.state) : DrawMode::Hidden;
    MapQt::PrimitiveList *list = m_binding.sectionList();
    if (!list)
        return;
    for (GraphObject *object : qAsConst(objects))
        object->DrawOnLayer(&list->primitives, int(mode));
}

void RouteMap::drawRoute(const RouteRecord &route, bool shown) const
{
    for (const SectionRecord *section : qAsConst(route.sections))
        drawSection(*section, shown);
    refresh();
}

bool RouteMap::redrawShownRoutes(const QStandardItem *item, bool shown) const
{
    if (!item)
        return false;
    bool any = false;
    if (const RouteRecord *route = itemRoute(item)) {
        if (item->checkState() == Qt::Checked) {
            for (const SectionRecord *section : qAsConst(route->sections))
                drawSection(*section, shown);
            any = true;
        }
    }
    for (int row = 0; row < item->rowCount(); ++row)
        any = redrawShownRoutes(item->child(row), shown) || any;
    return any;
}

void RouteMap::showRoutes(const QStandardItem *item, bool shown) const
{
    if (redrawShownRoutes(item, shown))
        refresh();
}

void RouteMap::clear() const
{
    if (MapQt::PrimitiveList *list = m_binding.sectionList())
        list->primitives.clear();
    if (MapQt::PrimitiveList *list = m_binding.legendList())
        list->primitives.removeOne(m_legend.get());
}

void RouteMap::refresh() const
{
    placeLegend();
    if (MapModel *map = m_binding.mapModel())
        map->Refresh(m_binding.boundMapId());
}

void RouteMap::placeLegend() const
{
    MapQt::PrimitiveList *legendList = m_binding.legendList();
    const MapQt::PrimitiveList *shapes = m_binding.sectionList();
    if (!legendList || !shapes)
        return;
    legendList->primitives.removeOne(m_legend.get());
    int minX = std::numeric_limits<int>::max();
    int maxY = std::numeric_limits<int>::min();
    for (const MapQt::MapPrimitive *primitive : shapes->primitives) {
        const auto *trace = dynamic_cast<const MapQt::MapTrace *>(primitive);
        if (!trace) { // a picture, at its place
            minX = qMin(minX, primitive->x);
            maxY = qMax(maxY, primitive->y);
            continue;
        }
        for (int i = 0; i < trace->count; ++i) {
            minX = qMin(minX, trace->points[i].x);
            maxY = qMax(maxY, trace->points[i].y);
        }
    }
    if (minX == std::numeric_limits<int>::max())
        return;
    if (!m_legend)
        m_legend = makeLegend();
    m_legend->x = minX;
    m_legend->y = maxY;
    legendList->primitives.append(m_legend.get());
}

void RouteMap::moveTo(const QList<int> &graphObjectIds) const
{
    GraphObjectList objects;
    m_objects.findGraphObjects(graphObjectIds, objects);

    const int start = std::numeric_limits<int>::max();
    const int end = std::numeric_limits<int>::min();
    int minX = start, minY = start, maxX = end, maxY = end;
    for (GraphObject *object : qAsConst(objects))
        object->ExtendBounds(minX, minY, maxX, maxY);

    MapModel *map = m_binding.mapModel();
    const bool widened = minX != start && minY != start && maxX != end && maxY != end;
    if (!widened || !map)
        return;
    const int mapId = m_binding.boundMapId();
    void *view = map->GetViewContext(mapId);
    if (minX != maxX || minY != maxY)
        map->SetScale(BindToMapModel::scaleForRect(minX, minY, maxX, maxY), mapId, view);
    // Halves in 64 bits: the span of two ints does not fit in one.
    const int x = int(minX + (qint64(maxX) - minX) / 2);
    const int y = int(minY + (qint64(maxY) - minY) / 2);
    map->SetCenter(x, y, mapId, view);
}
