#ifndef FAKEHOST_H
#define FAKEHOST_H

#include <PluginHost.h>
#include <PluginInterface.h>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStandardItemModel>
#include <QString>

#include <memory>
#include <vector>

// The host's connection notifier.
class FakeNotifier : public QObject
{
    Q_OBJECT

public:
    void connectToServer()
    {
        QByteArray server("OperCheck_Server1");
        emit OnConnectToServerSignal(server);
    }

signals:
    void OnConnectToServerSignal(QByteArray &server);
};

// One request the plug-in sent through the server link.
struct SentRequest { QByteArray server, command, body; PluginInterface *sender; };

// One call the plug-in made on the map model.
struct MapCall { enum Kind { Scale, Center, Refresh } kind; int a, b, mapId; };

// A host for tests: records every request and map call, owns a layer table per
// map and an objects model of tracked units.
class FakeHost : public PluginHost, public ServerLink, public MapModel
{
public:
    ~FakeHost() override;

    MapModel *GetMapModel() override { return this; }
    ServerLink *GetServerLink() override { return this; }
    QStandardItemModel *GetObjectsModel() override { return &objects; }
    QObject *GetServerNotifier() override { return &notifier; }
    void SendToServer(const QByteArray &server, const QByteArray &command,
                      const QByteArray &body, PluginInterface *sender) override
    {
        requests.append({server, command, body, sender});
    }
    void *GetMapContext(int) override { return &mapContext; }
    void SetScale(int scale, int mapId, void *) override
    {
        mapCalls.append({MapCall::Scale, scale, 0, mapId});
    }
    void SetCenter(int x, int y, int mapId, void *) override
    {
        mapCalls.append({MapCall::Center, x, y, mapId});
    }
    void Refresh(int mapId) override { mapCalls.append({MapCall::Refresh, 0, 0, mapId}); }
    MapQt::LayerTable *GetLayers(int mapId) override;
    void *GetViewContext(int) override { return &viewContext; }

    // Adds a tracked unit under parent (top level when null); returns its item.
    QStandardItem *addTrackedObject(qint32 id, const QString &name,
                                    QStandardItem *parent = nullptr);

    // The primitive list of layer 99 the plug-in draws sections into, or null.
    MapQt::PrimitiveList *sectionList(int mapId = 1);

    QList<QByteArray> commands() const
    {
        QList<QByteArray> result;
        for (const SentRequest &request : requests)
            result.append(request.command);
        return result;
    }

    FakeNotifier notifier;
    QList<SentRequest> requests;
    QList<MapCall> mapCalls;
    QStandardItemModel objects;

private:
    QMap<int, MapQt::LayerTable *> layerTables;
    std::vector<std::unique_ptr<TrackedObject>> trackedObjects;
    int mapContext = 0;
    int viewContext = 0;
};

// Hands a reply to the plug-in as the host does, through non-const references.
inline void deliver(PluginInterface *plugin, QByteArray command, QByteArray body)
{
    plugin->OnServerReply(command, body);
}

#endif // FAKEHOST_H
