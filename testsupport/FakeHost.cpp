#include "FakeHost.h"

FakeHost::~FakeHost()
{
    // The layer table and everything in it is the map's.
    for (MapQt::LayerTable *table : qAsConst(layerTables)) {
        for (QList<MapQt::LayerGroup *> *groups : qAsConst(*table)) {
            for (MapQt::LayerGroup *group : qAsConst(*groups)) {
                qDeleteAll(group->lists);
                delete group;
            }
            delete groups;
        }
        delete table;
    }
}

MapQt::LayerTable *FakeHost::GetLayers(int mapId)
{
    MapQt::LayerTable *&table = layerTables[mapId];
    if (!table)
        table = new MapQt::LayerTable;
    return table;
}

QStandardItem *FakeHost::addTrackedObject(qint32 id, const QString &name, QStandardItem *parent)
{
    trackedObjects.push_back(std::make_unique<TrackedObject>(TrackedObject{id, name}));
    auto *item = new QStandardItem(name);
    item->setData(qlonglong(reinterpret_cast<quintptr>(trackedObjects.back().get())), 33);
    (parent ? parent : objects.invisibleRootItem())->appendRow(item);
    return item;
}

MapQt::PrimitiveList *FakeHost::sectionList(int mapId)
{
    MapQt::LayerTable *table = layerTables.value(mapId);
    QList<MapQt::LayerGroup *> *groups = table ? table->value(99) : nullptr;
    if (!groups || groups->size() < 2 || groups->at(1)->lists.isEmpty())
        return nullptr;
    return groups->at(1)->lists.first();
}
