#ifndef SHAPELINK_H
#define SHAPELINK_H

#include "records/GraphObData.h"
#include "records/RouteRecord.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QQueue>

#include <functional>

class PluginInterface;
class ServerConnection;
struct RequestFailure;

// The host's exchange with the server over graphic layers and objects, for
// the drawing desk and imports alike: each request's answer goes to the
// callback it was sent with. The server answers requests in order, so the
// callbacks of one command are kept in the order sent; a lost link fails
// every one still waiting.
class ShapeLink : public QObject
{
    Q_OBJECT

public:
    // The id the server gave or named (0 for a tree), or empty reason; else
    // 0 and why it failed.
    using Done = std::function<void(qint32 id, const QString &error)>;

    // The connection outlives the link.
    explicit ShapeLink(ServerConnection *connection, QObject *parent = nullptr);
    ~ShapeLink() override;

    // A record of id 0 is added to the layer; any other is changed.
    void save(qint32 layerId, const GraphObData &record, Done done);
    void remove(qint32 objectId, Done done);
    void addLayer(const QString &name, Done done);
    void removeLayer(qint32 layerId, Done done);
    // A top-level rule node, and the route it carries (done gets the node's id).
    void addRuleNode(const QString &name, Done done);
    void removeRuleNode(qint32 nodeId, Done done);
    void saveRoute(const RouteRecord &route, Done done);
    // An empty body when the tree could not be read.
    using TreeDone = std::function<void(const QByteArray &treeBody)>;
    void readLayers(TreeDone done);
    // Any tree reply by its command.
    void readTree(const QByteArray &command, TreeDone done);

signals:
    // Something was stored: the layer tree differs from what was read.
    void layersChanged();
    // A rule node or route was stored.
    void rulesChanged();

private:
    void send(const QByteArray &command, const QByteArray &body, Done done);
    void onReply(const QByteArray &command, const QByteArray &body);
    void onFailure(const RequestFailure &failure, PluginInterface *plugin);
    void failAll(const QString &reason);

    ServerConnection *m_connection; // not owned
    QHash<QByteArray, QQueue<Done>> m_waiting;
    QHash<QByteArray, QQueue<TreeDone>> m_treeWaiting; // by tree command
};

#endif // SHAPELINK_H
