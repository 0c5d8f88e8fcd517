#ifndef HOSTSERVICES_H
#define HOSTSERVICES_H

#include <PluginHost.h>

#include <QMap>
#include <QObject>
#include <QPointer>

class MapCanvas;
class ObjectsModel;
class ServerConnection;

// What the host hands every plug-in through SetHost: the map model over the
// registered map views, the server link, the tracked units and the connection
// notifier. It also keeps the units current: they are asked for on every connection.
class HostServices : public QObject, public PluginHost, public MapModel
{
    Q_OBJECT

public:
    static constexpr char ObjectTreeCommand[] = "Get_tree_objects";

    // The connection and the model stay the caller's and must outlive this.
    HostServices(ServerConnection *connection, ObjectsModel *objects, QObject *parent = nullptr);
    ~HostServices() override;

    // A map view, addressed by its id from now on; the canvas stays its parent's.
    void addMap(MapCanvas *canvas);
    MapCanvas *map(int mapId) const;

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
    void onHostReply(const QByteArray &command, const QByteArray &body);

    ServerConnection *m_connection; // not owned
    ObjectsModel *m_objects;        // not owned
    QMap<int, QPointer<MapCanvas>> m_maps; // the window's widgets
};

#endif // HOSTSERVICES_H
