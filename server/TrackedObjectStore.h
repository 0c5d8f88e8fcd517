#ifndef TRACKEDOBJECTSTORE_H
#define TRACKEDOBJECTSTORE_H

#include <QByteArray>
#include <QHash>
#include <QString>

class Database;

// The units a route can track (patrol cars, convoys), in nested groups.
class TrackedObjectStore
{
public:
    enum class Kind { Group = 0, Unit = 1 };

    explicit TrackedObjectStore(const Database &db); // the database outlives the store

    // 0 on failure. Parent 0: top level. A unit may come with its device id.
    qint32 add(qint32 parentId, const QString &name, Kind kind, int order,
               const QString &deviceId = QString());

    // The name of every unit by id; ok is false on a database error.
    QHash<qint32, QString> unitNames(bool *ok) const;

    // The "Get_tree_objects" reply body: a Tree whose node tag is the kind and
    // which carries no payload. ok is false on a database error.
    QByteArray treeBody(bool *ok) const;

private:
    const Database &m_db;
};

#endif // TRACKEDOBJECTSTORE_H
