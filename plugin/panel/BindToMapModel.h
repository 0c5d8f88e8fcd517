#ifndef BINDTOMAPMODEL_H
#define BINDTOMAPMODEL_H

#include <MapQt.h>

class MapModel;
class PluginHost;

// The plug-in's binding to one host map: the map model, the map's layer table and
// the plug-in's own layer in it. Data only; the layer's lists belong to the map.
class BindToMapModel
{
public:
    static constexpr int OperCheckLayerId = 99;

    BindToMapModel() = default;

    // Binds to map mapId of host's map model, finding or making layer 99.
    void bindToMap(PluginHost *host, int mapId);

    // The list section shapes are drawn into, or null when no map is bound.
    MapQt::PrimitiveList *sectionList() const;
    // The list of the layer's first group, under the sections: the legend's; null unbound.
    MapQt::PrimitiveList *legendList() const;

    // The host's map model, null until a binding found one.
    MapModel *mapModel() const { return m_mapModel; }
    int boundMapId() const { return m_boundMapId; }

    // Map scale for a rectangle in 1e-7 degree: a quarter of its diagonal in metres.
    static int scaleForRect(int x1, int y1, int x2, int y2);
    static double distanceMetres(int x1, int y1, int x2, int y2);

private:
    void dropOwnLayer();
    void takeOrMakeLayer();

    MapModel *m_mapModel = nullptr;           // host's
    MapQt::LayerTable *m_mapLayers = nullptr; // host's
    void *m_mapContext = nullptr;
    int m_boundMapId = -1;
    MapQt::LayerGroup *m_layerGroups[2] = {nullptr, nullptr}; // held by the layer table
    MapQt::PrimitiveList *m_layerLists[2] = {nullptr, nullptr};

    Q_DISABLE_COPY(BindToMapModel)
};

#endif // BINDTOMAPMODEL_H
