#include "BindToMapModel.h"

#include "geo/EarthModel.h"

#include <PluginHost.h>

#include <cmath>

namespace {

constexpr double EarthRadius = EarthModel::DrawingSphere::Radius;
constexpr double UnitToRadian = EarthModel::UnitToRadian;

} // namespace

void BindToMapModel::bindToMap(PluginHost *host, int mapId)
{
    if (m_mapLayers && !m_mapModel)
        dropOwnLayer();

    if (!host)
        return;
    MapModel *model = host->GetMapModel();
    m_mapModel = model;
    if (!model)
        return;

    m_boundMapId = mapId;
    m_mapLayers = model->GetLayers(mapId);
    m_mapContext = model->GetMapContext(mapId);
    takeOrMakeLayer();
}

void BindToMapModel::dropOwnLayer()
{
    QList<MapQt::LayerGroup *> *groups = m_mapLayers->take(OperCheckLayerId);
    if (groups) {
        for (MapQt::LayerGroup *group : qAsConst(*groups)) {
            qDeleteAll(group->lists);
            delete group;
        }
        delete groups;
    }
    for (int i = 0; i < 2; ++i) {
        m_layerGroups[i] = nullptr;
        m_layerLists[i] = nullptr;
    }
}

void BindToMapModel::takeOrMakeLayer()
{
    for (int i = 0; i < 2; ++i) {
        m_layerGroups[i] = nullptr;
        m_layerLists[i] = nullptr;
    }
    if (!m_mapLayers)
        return;

    QList<MapQt::LayerGroup *> *groups = m_mapLayers->value(OperCheckLayerId, nullptr);
    if (groups) {
        for (int i = 0; i < 2 && i < groups->size(); ++i) {
            m_layerGroups[i] = groups->at(i);
            if (m_layerGroups[i] && !m_layerGroups[i]->lists.isEmpty())
                m_layerLists[i] = m_layerGroups[i]->lists.first();
        }
        return;
    }

    groups = new QList<MapQt::LayerGroup *>;
    for (int i = 0; i < 2; ++i) {
        m_layerLists[i] = new MapQt::PrimitiveList{{}, true, false};
        m_layerGroups[i] = new MapQt::LayerGroup{0, 0, {m_layerLists[i]}};
        groups->append(m_layerGroups[i]);
    }
    m_mapLayers->insert(OperCheckLayerId, groups);
}

MapQt::PrimitiveList *BindToMapModel::sectionList() const
{
    return m_mapModel ? m_layerLists[1] : nullptr;
}

MapQt::PrimitiveList *BindToMapModel::legendList() const
{
    return m_mapModel ? m_layerLists[0] : nullptr;
}

double BindToMapModel::distanceMetres(int x1, int y1, int x2, int y2)
{
    const double a = (900000000.0 - y1) * UnitToRadian;
    const double b = (900000000.0 - y2) * UnitToRadian;
    const double c = std::sin(a) * std::sin(b) * std::cos((double(x2) - x1) * UnitToRadian)
        + std::cos(a) * std::cos(b);
    if (c > 1.0)
        return 0.0;
    return EarthRadius * std::acos(std::max(c, -1.0));
}

int BindToMapModel::scaleForRect(int x1, int y1, int x2, int y2)
{
    const int scale = int(0.25 * distanceMetres(x1, y1, x2, y2));
    return scale == 0 ? 1 : scale;
}
