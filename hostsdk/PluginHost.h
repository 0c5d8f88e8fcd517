#ifndef PLUGINHOST_H
#define PLUGINHOST_H

#include "MapQt.h"

#include <QByteArray>
#include <QtGlobal>

class PluginInterface;
class QObject;
class QStandardItemModel;

// Sends a request to a named server; the reply comes back through
// PluginInterface::OnServerReply of the sender.
class ServerLink
{
public:
    virtual ~ServerLink() {}
    virtual void SendToServer(const QByteArray &server, const QByteArray &command,
                              const QByteArray &body, PluginInterface *sender) = 0;
};

// One host map, addressed by its map id.
class MapModel
{
public:
    virtual ~MapModel() {}
    virtual void *GetMapContext(int mapId) = 0;
    // scale: the map shows 4 x scale metres across
    virtual void SetScale(int scale, int mapId, void *viewContext) = 0;
    // x, y in 1e-7 degree
    virtual void SetCenter(int x, int y, int mapId, void *viewContext) = 0;
    virtual void Refresh(int mapId) = 0;
    // The table stays the map's; a plug-in may insert layers and lists into it.
    virtual MapQt::LayerTable *GetLayers(int mapId) = 0;
    virtual void *GetViewContext(int mapId) = 0;
};

// What the host hands a plug-in through SetHost. Everything it returns stays the host's.
class PluginHost
{
public:
    virtual ~PluginHost() {}
    virtual MapModel *GetMapModel() = 0;
    virtual ServerLink *GetServerLink() = 0;
    virtual QStandardItemModel *GetObjectsModel() = 0;
    // Emits OnConnectToServerSignal(QByteArray &) whenever the server connection is made.
    virtual QObject *GetServerNotifier() = 0;
};

// Role 33 of an objects-model item holds a pointer to one of these, as qlonglong.
struct TrackedObject
{
    qint32 id;
    QString name;
};

#endif // PLUGINHOST_H
