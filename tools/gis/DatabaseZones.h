#ifndef DATABASEZONES_H
#define DATABASEZONES_H

#include "Database.h"
#include "ZoneStore.h"

#include <QLockFile>

#include <memory>

// Zones straight in a server's database. Reading goes beside a running
// server; an import into a file takes the writer's lock, so not while a
// server holds it. A database server keeps its writers apart itself.
class DatabaseZones : public ZoneStore
{
public:
    explicit DatabaseZones(const QString &path);

    bool tree(TreeBodies::Payload payload, QList<TreeNode> *nodes, QString *error) override;
    // In one transaction, refused when the layer tree would no longer fit a reply.
    bool import(const QString &layer, const QVector<GraphObData> &shapes,
                QString *error) override;
    bool importRoute(const QString &layer, const AuditRoute &route, QStringList *warnings,
                     QString *error) override;

private:
    // A path to nothing is refused: opening would make a file there.
    bool exists(QString *error) const;
    // Takes a file's writer lock and opens the database for writing.
    bool openForWriting(QString *error);
    // The shapes last in the layer (made when missing), inside the caller's
    // transaction; their ids in ids.
    bool addShapes(const QString &layer, const QVector<GraphObData> &shapes,
                   QList<qint32> *ids, QString *error);
    // The unit of that name; 0 when none.
    qint32 unitNamed(const QString &name, QString *error) const;
    // The top-level layer's id, made when missing; 0 with why.
    qint32 topLevelLayer(const QString &name, QString *error) const;
    bool fitsReply(QString *error) const;

    const QString m_where; // as --db gave it
    const bool m_isFile;
    const QString m_path; // for messages: never a password
    Database m_db;
    std::unique_ptr<QLockFile> m_lock; // a file's, while this writes
};

#endif // DATABASEZONES_H
