#include "HostServices.h"
#include "HostLog.h"
#include "wire/Commands.h"

#include "CheckEventsModel.h"
#include "MapCanvas.h"
#include "ObjectsModel.h"
#include "ServerConnection.h"
#include "UnitTracker.h"

#include "wire/LiveMessages.h"

HostServices::HostServices(ServerConnection *connection, ObjectsModel *objects,
                           QObject *parent)
    : QObject(parent)
    , m_connection(connection)
    , m_objects(objects)
    , m_units(new UnitTracker(this))
    , m_events(new CheckEventsModel(this))
{
    connect(m_connection, &ServerConnection::connected, this, &HostServices::onConnected);
    connect(m_connection, &ServerConnection::hostReply, this, &HostServices::onHostReply);
    connect(m_connection, &ServerConnection::hostNews, this, &HostServices::onHostNews);
    connect(m_units, &UnitTracker::unitsChanged, this, &HostServices::onUnitsChanged);
}

HostServices::~HostServices() = default;

void HostServices::addMap(MapCanvas *canvas)
{
    m_maps.insert(canvas->mapId(), canvas);
    showUnits();
}

MapCanvas *HostServices::map(int mapId) const
{
    return m_maps.value(mapId).data();
}

void HostServices::onConnected()
{
    m_connection->sendHostRequest(Commands::GetObjectTree);
    m_connection->sendHostRequest(Commands::GetCheckEvents,
                                  LiveMessages::eventsRequestBody(EventsAsked));
}

void HostServices::onHostReply(const QByteArray &command, const QByteArray &body)
{
    if (command == Commands::GetObjectTree) {
        if (!m_objects->load(body))
            qCWarning(lcHost, "the server's unit tree was cut short; kept %d units",
                      m_objects->unitCount());
        // Names may have changed.
        showUnits();
        // The devices and statuses of the units just read.
        m_connection->sendHostRequest(Commands::GetUnits);
    } else if (command == Commands::GetUnits) {
        if (!m_objects->loadUnits(body))
            qCWarning(lcHost, "the server's unit list does not read; the devices are kept");
    } else if (command == Commands::GetCheckEvents) {
        if (const auto events = LiveMessages::readEvents(body))
            m_events->replaceAll(*events);
        else
            qCWarning(lcHost, "the server's check events do not read; the list is kept");
    }
}

void HostServices::onHostNews(const QByteArray &command, const QByteArray &body)
{
    if (command == Commands::UnitPositions) {
        if (!m_units->applyBody(body))
            qCWarning(lcHost, "unit positions from the server do not read; dropped");
    } else if (command == Commands::CheckEvents) {
        if (const auto events = LiveMessages::readEvents(body))
            m_events->addNewest(*events);
        else
            qCWarning(lcHost, "check events from the server do not read; dropped");
    } else if (command == Commands::UnitTreeChanged) {
        // Another client edited the units; their devices follow the tree.
        m_connection->sendHostRequest(Commands::GetObjectTree);
    }
}

void HostServices::onUnitsChanged(const QList<qint32> &unitIds)
{
    for (qint32 id : unitIds)
        m_objects->setLastReport(id, m_units->unit(id).time);
    showUnits();
}

void HostServices::showUnits()
{
    QList<UnitPainter::Marker> markers;
    const QList<LiveMessages::PositionReport> units = m_units->units();
    markers.reserve(units.size());
    for (const LiveMessages::PositionReport &unit : units) {
        const TrackedObject *record = m_objects->record(unit.unitId);
        markers.append({record ? record->name : QLatin1Char('#') + QString::number(unit.unitId),
                        QPointF(unit.position)});
    }
    for (const QPointer<MapCanvas> &canvas : qAsConst(m_maps)) {
        if (canvas)
            canvas->setUnits(markers);
    }
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
