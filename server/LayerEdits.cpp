#include "LayerEdits.h"

#include "Database.h"
#include "LayerStore.h"
#include "SqlTransaction.h"
#include "StoreLimits.h"

#include "records/GraphObData.h"
#include "wire/LayerMessages.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

// A string's part of a reply: its length field and UTF-16 units; a null
// string is the length field alone.
qint64 stringWireSize(const QString &text)
{
    return 4 + (text.isNull() ? 0 : 2 * qint64(text.size()));
}

// A layer's own part of the tree reply: id, name, bits, its child count and
// its object count.
qint64 layerWireSize(const QString &name)
{
    return 4 + stringWireSize(name) + 4 + 4 + 4;
}

qint64 objectWireSize(const GraphObData &record)
{
    return LayerMessages::recordBody(record).size();
}

QVariant parentValue(qint32 parentId)
{
    return parentId ? QVariant(parentId) : QVariant(QVariant::Int);
}

// The layers at and below the one bound first.
const char SubtreeSql[] = "WITH RECURSIVE below(id) AS (SELECT CAST(? AS BIGINT) UNION"
                          " SELECT l.id FROM graph_layers l JOIN below b ON l.parent_id = b.id)";

// How many routes a refusal names before it says how many more there are.
constexpr int NamedRoutes = 5;

} // namespace

LayerEdits::LayerEdits(const Database &db, LayerStore &layers)
    : m_db(db)
    , m_layers(layers)
{
}

qint32 LayerEdits::addLayer(qint32 parentId, const QString &name, StoreError *error)
{
    if (const auto problem = StoreLimits::nameProblem(name)) {
        return StoreError::refuse(error, problem->code,
                                  QStringLiteral("a new layer under %1: %2")
                                      .arg(parentId)
                                      .arg(problem->reason));
    }
    SqlTransaction transaction(m_db.connection());
    qint64 bits = NewTopLevelBits;
    if (!knowTreeSize(error) || !StoreError::began(transaction, error)
        || (parentId != 0 && !editableLayer(parentId, "hold new layers", &bits, error))
        || !fits(layerWireSize(name), error))
        return 0;
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral(
        "INSERT INTO graph_layers (parent_id, name, type_bits, sort_order) VALUES (?, ?, ?,"
        " (SELECT COALESCE(MAX(sort_order) + 1, 0) FROM graph_layers"
        "  WHERE COALESCE(parent_id, 0) = ?)) RETURNING id"));
    if (!StoreError::exec(query, {parentValue(parentId), name, bits, parentId},
                          "adding a graphic layer", error))
        return 0;
    const qint32 id = Database::returnedId(query);
    if (!StoreError::committed(transaction, error))
        return 0;
    m_treeBytes += layerWireSize(name);
    return id;
}

bool LayerEdits::renameLayer(qint32 id, const QString &name, StoreError *error)
{
    if (const auto problem = StoreLimits::nameProblem(name)) {
        return StoreError::refuse(error, problem->code,
                                  QStringLiteral("layer %1: %2").arg(id).arg(problem->reason));
    }
    SqlTransaction transaction(m_db.connection());
    qint64 bits = 0;
    if (!knowTreeSize(error) || !StoreError::began(transaction, error)
        || !editableLayer(id, "be renamed", &bits, error))
        return false;
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT name FROM graph_layers WHERE id = ?"));
    if (!StoreError::exec(query, {id}, "reading a layer's name", error) || !query.next())
        return false;
    const qint64 growth = layerWireSize(name) - layerWireSize(query.value(0).toString());
    if (!fits(growth, error))
        return false;
    query.prepare(QStringLiteral("UPDATE graph_layers SET name = ? WHERE id = ?"));
    if (!StoreError::exec(query, {name, id}, "renaming a graphic layer", error)
        || !StoreError::committed(transaction, error))
        return false;
    m_treeBytes += growth;
    return true;
}

bool LayerEdits::removeLayer(qint32 id, StoreError *error)
{
    SqlTransaction transaction(m_db.connection());
    qint64 bits = 0;
    const QString objectsSql = QLatin1String(SubtreeSql)
                               + QLatin1String(" SELECT o.id FROM graph_objects o"
                                               " JOIN below b ON o.layer_id = b.id");
    if (!knowTreeSize(error) || !StoreError::began(transaction, error)
        || !editableLayer(id, "be deleted", &bits, error)
        || !refuseUsed(objectsSql, id, QStringLiteral("layer %1").arg(id), error))
        return false;

    QSqlQuery query(m_db.connection());
    qint64 growth = 0;
    query.prepare(QLatin1String(SubtreeSql)
                  + QLatin1String(" SELECT l.name FROM graph_layers l"
                                  " JOIN below b ON l.id = b.id"));
    if (!StoreError::exec(query, {id}, "reading a layer's subtree", error))
        return false;
    while (query.next())
        growth -= layerWireSize(query.value(0).toString());
    query.prepare(QLatin1String(SubtreeSql)
                  + QLatin1String(" SELECT o.name, LENGTH(o.points), LENGTH(o.properties)"
                                  " FROM graph_objects o JOIN below b ON o.layer_id = b.id"));
    if (!StoreError::exec(query, {id}, "reading a layer's objects", error))
        return false;
    while (query.next()) {
        growth -= 8 + stringWireSize(query.value(0).toString()) + query.value(1).toLongLong()
                  + query.value(2).toLongLong();
    }
    // The layers below and every object go with it (foreign keys).
    query.prepare(QStringLiteral("DELETE FROM graph_layers WHERE id = ?"));
    if (!StoreError::exec(query, {id}, "deleting a graphic layer", error)
        || !StoreError::committed(transaction, error))
        return false;
    m_treeBytes += growth;
    return true;
}

qint32 LayerEdits::addObject(qint32 layerId, const GraphObData &record, StoreError *error)
{
    if (const auto problem = StoreLimits::shapeProblem(record)) {
        return StoreError::refuse(error, problem->code,
                                  QStringLiteral("a new object in layer %1: %2")
                                      .arg(layerId)
                                      .arg(problem->reason));
    }
    GraphObData stored = record;
    stored.id = 0;
    SqlTransaction transaction(m_db.connection());
    qint64 bits = 0;
    if (!knowTreeSize(error) || !StoreError::began(transaction, error)
        || !editableLayer(layerId, "hold new objects", &bits, error)
        || !fits(objectWireSize(stored), error))
        return 0;
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT COALESCE(MAX(sort_order) + 1, 0) FROM graph_objects"
                                 " WHERE layer_id = ?"));
    if (!StoreError::exec(query, {layerId}, "numbering a new graphic object", error)
        || !query.next())
        return 0;
    const qint32 id = m_layers.addObject(layerId, stored, query.value(0).toInt());
    if (id == 0) {
        return StoreError::refuse(error, RequestFailure::Storage,
                                  QStringLiteral("the object could not be stored"));
    }
    if (!StoreError::committed(transaction, error))
        return 0;
    stored.id = id;
    m_treeBytes += objectWireSize(stored);
    return id;
}

bool LayerEdits::changeObject(const GraphObData &record, StoreError *error)
{
    if (const auto problem = StoreLimits::shapeProblem(record)) {
        return StoreError::refuse(error, problem->code,
                                  QStringLiteral("object %1: %2")
                                      .arg(record.id)
                                      .arg(problem->reason));
    }
    SqlTransaction transaction(m_db.connection());
    qint64 bits = 0;
    if (!knowTreeSize(error) || !StoreError::began(transaction, error))
        return false;
    const qint32 layerId = layerOf(record.id, error);
    if (layerId == 0 || !editableLayer(layerId, "have its objects changed", &bits, error))
        return false;
    bool ok = false;
    const GraphObData old = m_layers.objects({record.id}, &ok).value(record.id);
    if (!ok)
        return StoreError::refuse(error, RequestFailure::Storage,
                                  QStringLiteral("object %1 cannot be read").arg(record.id));
    const qint64 growth = objectWireSize(record) - objectWireSize(old);
    if (!fits(growth, error))
        return false;
    if (!m_layers.replaceObject(record, error) || !StoreError::committed(transaction, error))
        return false;
    m_treeBytes += growth;
    return true;
}

bool LayerEdits::removeObject(qint32 id, StoreError *error)
{
    SqlTransaction transaction(m_db.connection());
    qint64 bits = 0;
    if (!knowTreeSize(error) || !StoreError::began(transaction, error))
        return false;
    const qint32 layerId = layerOf(id, error);
    if (layerId == 0 || !editableLayer(layerId, "lose objects", &bits, error)
        || !refuseUsed(QStringLiteral("SELECT CAST(? AS BIGINT)"), id,
                       QStringLiteral("object %1").arg(id), error))
        return false;
    bool ok = false;
    const GraphObData old = m_layers.objects({id}, &ok).value(id);
    if (!ok)
        return StoreError::refuse(error, RequestFailure::Storage,
                                  QStringLiteral("object %1 cannot be read").arg(id));
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("DELETE FROM graph_objects WHERE id = ?"));
    if (!StoreError::exec(query, {id}, "deleting a graphic object", error)
        || !StoreError::committed(transaction, error))
        return false;
    m_treeBytes -= objectWireSize(old);
    return true;
}

bool LayerEdits::editableLayer(qint32 id, const char *what, qint64 *bits,
                               StoreError *error) const
{
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT type_bits FROM graph_layers WHERE id = ?"));
    if (!StoreError::exec(query, {id}, "looking up a graphic layer", error))
        return false;
    if (!query.next()) {
        return StoreError::refuse(error, RequestFailure::Refused,
                                  QStringLiteral("there is no layer %1").arg(id));
    }
    *bits = query.value(0).toLongLong();
    if (*bits & NodeBits::Editable)
        return true;
    return StoreError::refuse(error, RequestFailure::Refused,
                              QStringLiteral("layer %1 is read-only: it may not %2")
                                  .arg(id)
                                  .arg(QLatin1String(what)));
}

qint32 LayerEdits::layerOf(qint32 id, StoreError *error) const
{
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT layer_id FROM graph_objects WHERE id = ?"));
    if (!StoreError::exec(query, {id}, "looking up a graphic object", error))
        return 0;
    if (query.next())
        return query.value(0).toInt();
    StoreError::refuse(error, RequestFailure::Refused,
                       QStringLiteral("there is no graphic object %1").arg(id));
    return 0;
}

bool LayerEdits::refuseUsed(const QString &objectsSql, qint32 id, const QString &what,
                            StoreError *error) const
{
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("WITH used(id) AS (%1)"
                                 " SELECT DISTINCT s.route_id, n.name FROM section_objects s"
                                 " JOIN rule_nodes n ON n.id = s.route_id"
                                 " WHERE s.object_id IN (SELECT id FROM used)"
                                 " ORDER BY s.route_id")
                      .arg(objectsSql));
    if (!StoreError::exec(query, {id}, "looking up the routes that use objects", error))
        return false;
    QStringList routes;
    int count = 0;
    while (query.next()) {
        if (++count <= NamedRoutes)
            routes << QStringLiteral("%1 \"%2\"").arg(query.value(0).toInt())
                                                  .arg(query.value(1).toString());
    }
    if (count == 0)
        return true;
    if (count > NamedRoutes)
        routes << QStringLiteral("%1 more").arg(count - NamedRoutes);
    return StoreError::refuse(error, RequestFailure::Refused,
                              QStringLiteral("%1 is used by route(s) %2")
                                  .arg(what, routes.join(QLatin1String(", "))));
}

bool LayerEdits::knowTreeSize(StoreError *error)
{
    if (m_treeBytes != Unknown)
        return true;
    bool ok = false;
    const qint64 bytes = m_layers.treeBody(&ok).size();
    if (!ok) {
        return StoreError::refuse(error, RequestFailure::Storage,
                                  QStringLiteral("the layer tree cannot be read"));
    }
    m_treeBytes = bytes;
    return true;
}

bool LayerEdits::fits(qint64 growth, StoreError *error) const
{
    const qint64 bytes = m_treeBytes + growth;
    if (bytes <= StoreLimits::MaxTreeBytes)
        return true;
    return StoreError::refuse(error, RequestFailure::OverLimit,
                              QStringLiteral("the layer tree would take %1 MiB, more than the"
                                             " %2 MiB a reply may carry")
                                  .arg(double(bytes) / (1 << 20), 0, 'f', 1)
                                  .arg(StoreLimits::MaxTreeBytes >> 20));
}
