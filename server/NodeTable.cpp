#include "NodeTable.h"

#include "Database.h"
#include "StoreError.h"

#include <QList>
#include <QSqlQuery>
#include <QVariant>

namespace {

// Guards the walk up against a loop stored by some other program.
constexpr int MaxSteps = 1 << 20;

} // namespace

NodeTable::NodeTable(const Database &db, const QString &table)
    : m_db(db), m_table(table)
{
}

NodeTable::Within NodeTable::isWithin(qint32 id, qint32 ancestor, StoreError *error) const
{
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT COALESCE(parent_id, 0) FROM %1 WHERE id = ?")
                      .arg(m_table));
    for (int steps = 0; id != 0 && steps <= MaxSteps; ++steps) {
        if (id == ancestor)
            return Yes;
        if (!StoreError::exec(query, {id}, "looking up a node's parents", error))
            return ReadFailed;
        id = query.next() ? query.value(0).toInt() : 0;
    }
    return No;
}

bool NodeTable::place(qint32 id, qint32 parentId, int position, StoreError *error) const
{
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT id FROM %1 WHERE COALESCE(parent_id, 0) = ?"
                                 " AND id <> ? ORDER BY sort_order, id")
                      .arg(m_table));
    if (!StoreError::exec(query, {parentId, id}, "reading a node's new siblings", error))
        return false;
    QList<qint32> siblings;
    while (query.next())
        siblings << query.value(0).toInt();
    const bool inRange = position >= 0 && position <= siblings.size();
    siblings.insert(inRange ? position : siblings.size(), id);
    query.prepare(QStringLiteral("UPDATE %1 SET parent_id = ?, sort_order = ? WHERE id = ?")
                      .arg(m_table));
    const QVariant parent = parentId ? QVariant(parentId) : QVariant(QVariant::Int);
    for (int order = 0; order < siblings.size(); ++order) {
        if (!StoreError::exec(query, {parent, order, siblings.at(order)}, "moving a node", error))
            return false;
    }
    return true;
}
