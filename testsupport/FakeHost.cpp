#include "FakeHost.h"

FakeHost::FakeHost(bool withMap)
    : withMap(withMap)
{
}

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

MapModel *FakeHost::GetMapModel()
{
    return withMap ? this : nullptr;
}

ServerLink *FakeHost::GetServerLink()
{
    return this;
}

QStandardItemModel *FakeHost::GetObjectsModel()
{
    return &objects;
}

QObject *FakeHost::GetServerNotifier()
{
    return &notifier;
}

void FakeHost::SendToServer(const QByteArray &server, const QByteArray &command,
                            const QByteArray &body, PluginInterface *sender)
{
    requests.append({server, command, body, sender});
}

void *FakeHost::GetMapContext(int)
{
    return &mapContext;
}

void FakeHost::SetScale(int scale, int mapId, void *)
{
    mapCalls.append({MapCall::Scale, scale, 0, mapId});
}

void FakeHost::SetCenter(int x, int y, int mapId, void *)
{
    mapCalls.append({MapCall::Center, x, y, mapId});
}

void FakeHost::Refresh(int mapId)
{
    mapCalls.append({MapCall::Refresh, 0, 0, mapId});
}

MapQt::LayerTable *FakeHost::GetLayers(int mapId)
{
    MapQt::LayerTable *&table = layerTables[mapId];
    if (!table)
        table = new MapQt::LayerTable;
    return table;
}

void *FakeHost::GetViewContext(int)
{
    return &viewContext;
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
    if (!table)
        return nullptr;
    QList<MapQt::LayerGroup *> *groups = table->value(99);
    if (!groups || groups->size() < 2 || groups->at(1)->lists.isEmpty())
        return nullptr;
    return groups->at(1)->lists.first();
}

int FakeHost::refreshCount() const
{
    int count = 0;
    for (const MapCall &call : mapCalls)
        count += call.kind == MapCall::Refresh;
    return count;
}

QList<QByteArray> FakeHost::commands() const
{
    QList<QByteArray> result;
    for (const SentRequest &request : requests)
        result.append(request.command);
    return result;
}
