#ifndef HOSTSERVICES_H
#define HOSTSERVICES_H

#include <PluginHost.h>

#include <QMap>
#include <QObject>
#include <QPointer>

class CheckEventsModel;
class MapCanvas;
class ObjectsModel;
class ServerConnection;
class UnitTracker;

// What the host hands every plug-in through SetHost: the map model over the
// registered map views, the server link, the tracked units and the connection
// notifier. It also keeps the host's own state current: the units and the
// latest check events are asked for on every connection (the units' devices
// after the unit tree, and both again when another client changed them), the
// server's live news moves the units on every map and tops up the events.
class HostServices : public QObject, public PluginHost, public MapModel
{
    Q_OBJECT

public:
    // How many of the newest check events a connection starts with.
    static constexpr int EventsAsked = 50;

    // The connection and the model stay the caller's and must outlive this.
    HostServices(ServerConnection *connection, ObjectsModel *objects, QObject *parent = nullptr);
    ~HostServices() override;

    // A map view, addressed by its id from now on; the canvas stays its parent's.
    void addMap(MapCanvas *canvas);
    MapCanvas *map(int mapId) const;

    UnitTracker *unitTracker() const { return m_units; }
    CheckEventsModel *checkEvents() const { return m_events; }

    // PluginHost
    MapModel *GetMapModel() override;
    ServerLink *GetServerLink() override;
    QStandardItemModel *GetObjectsModel() override;
    QObject *GetServerNotifier() override;

    // MapModel; an unknown map id is a call that does nothing (null where a value is due).
    void *GetMapContext(int mapId) override;
    void SetScale(int scale, int mapId, void *viewContext) override;
    void SetCenter(int x, int y, int mapId, void *viewContext) override;
    void Refresh(int mapId) override;
    MapQt::LayerTable *GetLayers(int mapId) override;
    void *GetViewContext(int mapId) override;

private:
    void onConnected();
    void onHostReply(const QByteArray &command, const QByteArray &body);
    void onHostNews(const QByteArray &command, const QByteArray &body);
    void onUnitsChanged(const QList<qint32> &unitIds);
    // Every map shows every tracked unit, named as the objects model names it.
    void showUnits();

    ServerConnection *m_connection; // not owned
    ObjectsModel *m_objects;        // not owned
    UnitTracker *m_units;           // a child
    CheckEventsModel *m_events;     // a child
    QMap<int, QPointer<MapCanvas>> m_maps; // the window's widgets
};

#endif // HOSTSERVICES_H
