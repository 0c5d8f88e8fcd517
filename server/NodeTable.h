#ifndef NODETABLE_H
#define NODETABLE_H

#include <QString>

class Database;
struct StoreError;

// The moves both edited trees (rule nodes, tracked objects) make on their
// table of id, parent_id and sort_order, inside the caller's transaction.
class NodeTable
{
public:
    enum Within { No = 0, Yes = 1, ReadFailed = -2 };

    // The database outlives the object; table is one of the schema's node tables.
    NodeTable(const Database &db, const QString &table);

    // Whether id is ancestor or lies below it.
    Within isWithin(qint32 id, qint32 ancestor, StoreError *error) const;
    // Puts id under parentId (0: top level) at position among its new siblings
    // (out of range: last) and numbers those siblings again.
    bool place(qint32 id, qint32 parentId, int position, StoreError *error) const;

private:
    const Database &m_db;
    QString m_table;
};

#endif // NODETABLE_H
