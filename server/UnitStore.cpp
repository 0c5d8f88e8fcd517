#include "UnitStore.h"

#include "Database.h"
#include "NodeTable.h"
#include "SqlDialect.h"
#include "SqlTransaction.h"
#include "StoreLimits.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <optional>

namespace {

enum NodeKind { NoNode = -1, ReadFailed = -2 };

QString noNode(qint32 id)
{
    return QStringLiteral("there is no unit node %1").arg(id);
}

double real(const QVariant &value)
{
    return value.isNull() ? UnitMessages::Unknown : value.toDouble();
}

} // namespace

UnitStore::UnitStore(const Database &db)
    : m_db(db)
{
}

int UnitStore::kindOf(qint32 id, StoreError *error) const
{
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT kind FROM tracked_objects WHERE id = ?"));
    if (!StoreError::exec(query, {id}, "looking up a unit node", error))
        return ReadFailed;
    return query.next() ? query.value(0).toInt() : NoNode;
}

qint32 UnitStore::addNode(const UnitMessages::NewNode &node, StoreError *error)
{
    if (const auto problem = StoreLimits::nameProblem(node.name))
        return StoreError::refuse(error, problem->code, problem->reason);
    SqlTransaction transaction(m_db.connection());
    if (!StoreError::began(transaction, error))
        return 0;
    if (node.parentId != 0) {
        const int kind = kindOf(node.parentId, error);
        if (kind == ReadFailed)
            return 0;
        if (kind == NoNode)
            return StoreError::refuse(error, RequestFailure::Refused, noNode(node.parentId));
        if (kind == int(UnitMessages::NewNode::Unit)) {
            return StoreError::refuse(error, RequestFailure::Refused,
                          QStringLiteral("%1 is a unit; only groups hold nodes")
                              .arg(node.parentId));
        }
    }
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM tracked_objects"));
    if (!StoreError::exec(query, {}, "counting the units", error) || !query.next())
        return 0;
    if (query.value(0).toInt() >= StoreLimits::MaxTrackedObjects) {
        return StoreError::refuse(error, RequestFailure::OverLimit,
                      QStringLiteral("there are %1 groups and units already, the most there"
                                     " may be")
                          .arg(StoreLimits::MaxTrackedObjects));
    }
    query.prepare(QStringLiteral(
        "INSERT INTO tracked_objects (parent_id, name, kind, sort_order) VALUES (?, ?, ?,"
        " (SELECT COALESCE(MAX(sort_order) + 1, 0) FROM tracked_objects"
        "  WHERE COALESCE(parent_id, 0) = ?)) RETURNING id"));
    const QVariant parent = node.parentId ? QVariant(node.parentId) : QVariant(QVariant::Int);
    if (!StoreError::exec(query, {parent, node.name, int(node.kind), node.parentId},
                          "adding a unit node", error))
        return 0;
    const qint32 id = Database::returnedId(query);
    return StoreError::committed(transaction, error) ? id : 0;
}

bool UnitStore::rename(qint32 id, const QString &name, StoreError *error)
{
    if (const auto problem = StoreLimits::nameProblem(name))
        return StoreError::refuse(error, problem->code, problem->reason);
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("UPDATE tracked_objects SET name = ? WHERE id = ?"));
    if (!StoreError::exec(query, {name, id}, "renaming a unit node", error))
        return false;
    return query.numRowsAffected() > 0
           || StoreError::refuse(error, RequestFailure::Refused, noNode(id));
}

bool UnitStore::move(const UnitMessages::NodeMove &move, StoreError *error)
{
    SqlTransaction transaction(m_db.connection());
    if (!StoreError::began(transaction, error))
        return false;
    const int kind = kindOf(move.id, error);
    const int parentKind = move.parentId ? kindOf(move.parentId, error) : 0;
    if (kind == ReadFailed || parentKind == ReadFailed)
        return false;
    if (kind == NoNode || parentKind == NoNode)
        return StoreError::refuse(error, RequestFailure::Refused,
                                  noNode(kind == NoNode ? move.id : move.parentId));
    if (parentKind == int(UnitMessages::NewNode::Unit)) {
        return StoreError::refuse(error, RequestFailure::Refused,
                      QStringLiteral("%1 is a unit; only groups hold nodes").arg(move.parentId));
    }
    const NodeTable nodes(m_db, QStringLiteral("tracked_objects"));
    const NodeTable::Within within = nodes.isWithin(move.parentId, move.id, error);
    if (within == NodeTable::ReadFailed)
        return false;
    if (within == NodeTable::Yes) {
        return StoreError::refuse(error, RequestFailure::Refused,
                      QStringLiteral("node %1 cannot move into itself or its own subtree")
                          .arg(move.id));
    }
    if (!nodes.place(move.id, move.parentId, move.position, error))
        return false;
    return StoreError::committed(transaction, error);
}

bool UnitStore::remove(qint32 id, StoreError *error)
{
    // The subtree and its units' reports go with the node (foreign keys).
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("DELETE FROM tracked_objects WHERE id = ?"));
    if (!StoreError::exec(query, {id}, "deleting a unit node", error))
        return false;
    return query.numRowsAffected() > 0
           || StoreError::refuse(error, RequestFailure::Refused, noNode(id));
}

bool UnitStore::setDevice(qint32 unitId, const QString &deviceId, StoreError *error)
{
    return setDeviceColumn(unitId, deviceId, Column::DeviceId, error);
}

bool UnitStore::setKey(qint32 unitId, const QString &key, StoreError *error)
{
    return setDeviceColumn(unitId, key, Column::DeviceKey, error);
}

bool UnitStore::setDeviceColumn(qint32 unitId, const QString &text, Column column,
                                StoreError *error)
{
    const QString what = column == Column::DeviceId ? QStringLiteral("device id")
                                                    : QStringLiteral("key");
    if (!text.isEmpty() && !UnitMessages::isDeviceId(text)) {
        return StoreError::refuse(error, RequestFailure::Refused,
                      QStringLiteral("a %1 is 1 to %2 printable ASCII characters")
                          .arg(what)
                          .arg(UnitMessages::MaxDeviceIdLength));
    }
    SqlTransaction transaction(m_db.connection());
    if (!StoreError::began(transaction, error))
        return false;
    const int kind = kindOf(unitId, error);
    if (kind == ReadFailed)
        return false;
    if (kind != int(UnitMessages::NewNode::Unit)) {
        return StoreError::refuse(error, RequestFailure::Refused,
                      kind == NoNode ? noNode(unitId)
                                     : QStringLiteral("%1 is a group; only units have a %2")
                                           .arg(unitId)
                                           .arg(what));
    }
    QSqlQuery query(m_db.connection());
    if (column == Column::DeviceId && !text.isEmpty()) {
        query.prepare(QStringLiteral("SELECT id FROM tracked_objects"
                                     " WHERE device_id = ? AND id <> ?"));
        if (!StoreError::exec(query, {text, unitId}, "looking up a device id", error))
            return false;
        if (query.next()) {
            return StoreError::refuse(error, RequestFailure::Refused,
                          QStringLiteral("device id %1 belongs to unit %2")
                              .arg(text)
                              .arg(query.value(0).toInt()));
        }
    }
    query.prepare(column == Column::DeviceId
                      ? QStringLiteral("UPDATE tracked_objects SET device_id = ? WHERE id = ?")
                      : QStringLiteral("UPDATE tracked_objects SET device_key = ? WHERE id = ?"));
    const QVariant value = text.isEmpty() ? QVariant(QVariant::String) : QVariant(text);
    if (!StoreError::exec(query, {value, unitId}, "setting a unit's device", error))
        return false;
    query.finish();
    return StoreError::committed(transaction, error);
}

QList<UnitMessages::UnitInfo> UnitStore::units(bool *ok) const
{
    QSqlQuery query(m_db.connection());
    SqlDialect::readOnce(query);
    *ok = query.exec(QStringLiteral(
        "SELECT t.id, COALESCE(t.parent_id, 0), t.name, COALESCE(t.device_id, ''),"
        " t.device_key IS NOT NULL, COALESCE(s.time, 0), COALESCE(s.x, 0), COALESCE(s.y, 0),"
        " s.speed, s.bearing, s.altitude, s.accuracy, s.battery"
        " FROM tracked_objects t LEFT JOIN unit_status s ON s.unit_id = t.id"
        " WHERE t.kind = 1 ORDER BY t.id"));
    if (!*ok) {
        Database::warnFailure("reading the units", query);
        return {};
    }
    QList<UnitMessages::UnitInfo> units;
    while (query.next()) {
        UnitMessages::UnitInfo unit;
        unit.id = query.value(0).toInt();
        unit.groupId = query.value(1).toInt();
        unit.name = query.value(2).toString();
        unit.deviceId = query.value(3).toString();
        unit.hasKey = query.value(4).toBool();
        unit.lastTime = quint32(query.value(5).toLongLong());
        unit.position = QPoint(query.value(6).toInt(), query.value(7).toInt());
        unit.status = {real(query.value(8)), real(query.value(9)), real(query.value(10)),
                       real(query.value(11)), real(query.value(12))};
        units << unit;
    }
    return units;
}

QHash<QString, UnitStore::DeviceEntry> UnitStore::devices(bool *ok) const
{
    QSqlQuery query(m_db.connection());
    SqlDialect::readOnce(query);
    *ok = query.exec(QStringLiteral("SELECT device_id, id, COALESCE(device_key, '')"
                                    " FROM tracked_objects"
                                    " WHERE kind = 1 AND device_id IS NOT NULL"));
    if (!*ok) {
        Database::warnFailure("reading the devices", query);
        return {};
    }
    QHash<QString, DeviceEntry> devices;
    while (query.next())
        devices.insert(query.value(0).toString(),
                       {query.value(1).toInt(), query.value(2).toString()});
    return devices;
}
