#ifndef SERVERZONES_H
#define SERVERZONES_H

#include "WireSession.h"
#include "ZoneStore.h"

// Zones through a running server's commands, so that its clients hear of an
// import ("Layer_tree_changed") as of any edit.
class ServerZones : public ZoneStore
{
public:
    explicit ServerZones(const Endpoint &endpoint);

    bool tree(TreeBodies::Payload payload, QList<TreeNode> *nodes, QString *error) override;
    // Object by object; when one is refused, what this call added is deleted
    // again before it reports.
    bool import(const QString &layer, const QVector<GraphObData> &shapes,
                QString *error) override;
    // The shapes, then the node, then the route ("Fix_routes"); a refusal
    // undoes what came before it.
    bool importRoute(const QString &layer, const AuditRoute &route, QStringList *warnings,
                     QString *error) override;

private:
    bool connected(QString *error);
    // The id a reply carries; false with why.
    bool requestId(const QByteArray &command, const QByteArray &body, qint32 *id,
                   QString *error);
    // Adds the shapes (and the layer when missing); on a refusal undoes
    // them and says why.
    bool addShapes(const QString &layer, const QVector<GraphObData> &shapes, qint32 *madeLayer,
                   QList<qint32> *added, QString *error);
    void undo(qint32 madeLayer, const QList<qint32> &added);

    WireSession m_session;
    bool m_connected = false;
};

#endif // SERVERZONES_H
