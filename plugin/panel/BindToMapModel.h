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

    // Map scale for a rectangle in 1e-7 degree: a quarter of its diagonal in metres.
    static int scaleForRect(int x1, int y1, int x2, int y2);
    static double distanceMetres(int x1, int y1, int x2, int y2);

protected:
    MapModel *mapModel = nullptr;        // host's
    MapQt::LayerTable *mapLayers = nullptr; // host's
    void *mapContext = nullptr;
    int boundMapId = -1;
    MapQt::LayerGroup *layerGroups[2] = {nullptr, nullptr}; // held by the layer table
    MapQt::PrimitiveList *layerLists[2] = {nullptr, nullptr};

private:
    void dropOwnLayer();
    void takeOrMakeLayer();

    Q_DISABLE_COPY(BindToMapModel)
};

#endif // BINDTOMAPMODEL_H
