#include "RouteMap.h"

#include "dialogs/DialogSelectGraphObj.h"
#include "graphobj/GraphObject.h"
#include "panel/BindToMapModel.h"
#include "records/ItemRoles.h"
#include "records/RecordKinds.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <PluginHost.h>

#include <limits>

RouteMap::RouteMap(const BindToMapModel &binding, const DialogSelectGraphObj &objects)
    : m_binding(binding)
    , m_objects(objects)
{
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

void RouteMap::redrawShownRoutes(const QStandardItem *item) const
{
    if (!item)
        return;
    if (const RouteRecord *route = itemRoute(item)) {
        if (item->checkState() == Qt::Checked) {
            for (const SectionRecord *section : qAsConst(route->sections))
                drawSection(*section, true);
        }
    }
    for (int row = 0; row < item->rowCount(); ++row)
        redrawShownRoutes(item->child(row));
}

void RouteMap::clear() const
{
    if (MapQt::PrimitiveList *list = m_binding.sectionList())
        list->primitives.clear();
}

void RouteMap::refresh() const
{
    if (MapModel *map = m_binding.mapModel())
        map->Refresh(m_binding.boundMapId());
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
