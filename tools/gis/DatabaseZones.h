#ifndef DATABASEZONES_H
#define DATABASEZONES_H

#include "Database.h"
#include "ZoneStore.h"

// Zones straight in a server's database file. Reading goes beside a running
// server; an import takes the writer's lock, so not while a server holds it.
class DatabaseZones : public ZoneStore
{
public:
    explicit DatabaseZones(const QString &path);

    bool tree(TreeBodies::Payload payload, QList<TreeNode> *nodes, QString *error) override;
    // In one transaction, refused when the layer tree would no longer fit a reply.
    bool import(const QString &layer, const QVector<GraphObData> &shapes,
                QString *error) override;

private:
    // A path to nothing is refused: opening would make a file there.
    bool exists(QString *error) const;
    // The top-level layer's id, made when missing; 0 with why.
    qint32 topLevelLayer(const QString &name, QString *error) const;
    bool fitsReply(QString *error) const;

    const QString m_path;
    Database m_db;
};

#endif // DATABASEZONES_H
