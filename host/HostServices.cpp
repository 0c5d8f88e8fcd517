#include "HostServices.h"

#include "MapCanvas.h"
#include "ObjectsModel.h"
#include "ServerConnection.h"

HostServices::HostServices(ServerConnection *connection, ObjectsModel *objects,
                           QObject *parent)
    : QObject(parent)
    , m_connection(connection)
    , m_objects(objects)
{
    connect(m_connection, &ServerConnection::connected, this,
            [this]() { m_connection->sendHostRequest(ObjectTreeCommand); });
    connect(m_connection, &ServerConnection::hostReply, this, &HostServices::onHostReply);
}

HostServices::~HostServices() = default;

void HostServices::addMap(MapCanvas *canvas)
{
    m_maps.insert(canvas->mapId(), canvas);
}

MapCanvas *HostServices::map(int mapId) const
{
    return m_maps.value(mapId).data();
}

void HostServices::onHostReply(const QByteArray &command, const QByteArray &body)
{
    if (command != ObjectTreeCommand)
        return;
    if (!m_objects->load(body))
        qWarning("the server's unit tree was cut short; kept %d units", m_objects->unitCount());
}

MapModel *HostServices::GetMapModel()
{
    return this;
}

ServerLink *HostServices::GetServerLink()
{
    return m_connection;
}

QStandardItemModel *HostServices::GetObjectsModel()
{
    return m_objects;
}

QObject *HostServices::GetServerNotifier()
{
    return m_connection->notifier();
}

void *HostServices::GetMapContext(int mapId)
{
    MapCanvas *canvas = map(mapId);
    return canvas ? canvas->mapContext() : nullptr;
}

void HostServices::SetScale(int scale, int mapId, void *)
{
    if (MapCanvas *canvas = map(mapId))
        canvas->setScale(scale);
}

void HostServices::SetCenter(int x, int y, int mapId, void *)
{
    if (MapCanvas *canvas = map(mapId))
        canvas->setCenter(QPointF(x, y));
}

void HostServices::Refresh(int mapId)
{
    if (MapCanvas *canvas = map(mapId))
        canvas->refresh();
}

MapQt::LayerTable *HostServices::GetLayers(int mapId)
{
    MapCanvas *canvas = map(mapId);
    return canvas ? canvas->layers() : nullptr;
}

void *HostServices::GetViewContext(int mapId)
{
    MapCanvas *canvas = map(mapId);
    return canvas ? canvas->viewContext() : nullptr;
}
