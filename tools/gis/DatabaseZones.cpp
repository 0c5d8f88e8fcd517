#include "DatabaseZones.h"

#include "ChangeNotices.h"
#include "LayerEdits.h"
#include "LayerStore.h"
#include "RuleStore.h"
#include "SqlTransaction.h"
#include "StoreLimits.h"
#include "TrackedObjectStore.h"

#include <QFileInfo>
#include <QLockFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

DatabaseZones::DatabaseZones(const QString &path)
    : m_where(path)
    , m_isFile(DatabaseAddress::namesFile(path))
    , m_path(DatabaseAddress::parse(path, nullptr).value_or(DatabaseAddress::file(path)).shown())
{
}

bool DatabaseZones::exists(QString *error) const
{
    if (!m_isFile || QFileInfo(m_where).isFile())
        return true;
    *error = QStringLiteral("no database at %1").arg(m_path);
    return false;
}

bool DatabaseZones::tree(TreeBodies::Payload payload, QList<TreeNode> *nodes, QString *error)
{
    if (!m_db.isOpen()
        && (!exists(error) || !m_db.open(m_where, error, Database::Access::ReadOnly)))
        return false;
    bool ok = false;
    QByteArray body;
    switch (payload) {
    case TreeBodies::Payload::Rule:
        body = RuleStore(m_db).treeBody(&ok);
        break;
    case TreeBodies::Payload::Layer:
        body = LayerStore(m_db).treeBody(&ok);
        break;
    case TreeBodies::Payload::None:
        body = TrackedObjectStore(m_db).treeBody(&ok);
        break;
    }
    const auto read = ok ? TreeBodies::read(body, payload) : std::nullopt;
    if (!read) {
        *error = QStringLiteral("cannot read the trees of %1").arg(m_path);
        return false;
    }
    *nodes = *read;
    return true;
}

bool DatabaseZones::openForWriting(QString *error)
{
    if (!exists(error))
        return false;
    if (m_isFile) {
        m_lock = Database::lockForWriting(m_where, error);
        if (!m_lock) {
            *error += QStringLiteral("; use --server");
            return false;
        }
    }
    m_db.close();
    return m_db.open(m_where, error);
}

bool DatabaseZones::import(const QString &layer, const QVector<GraphObData> &shapes,
                           QString *error)
{
    if (!openForWriting(error))
        return false;
    SqlTransaction transaction(m_db.connection());
    QList<qint32> ids;
    if (!transaction.isActive() || !addShapes(layer, shapes, &ids, error) || !fitsReply(error)
        || !transaction.commit()) {
        if (error->isEmpty())
            *error = QStringLiteral("%1: %2").arg(m_path, transaction.error().text());
        return false;
    }
    // Servers running on a PostgreSQL database tell their clients.
    ChangeNotices(m_db).announce(ChangeNotices::Kind::Layers);
    return true;
}

bool DatabaseZones::importRoute(const QString &layer, const AuditRoute &route,
                                QStringList *warnings, QString *error)
{
    if (!openForWriting(error))
        return false;
    SqlTransaction transaction(m_db.connection());
    QVector<GraphObData> shapes;
    for (const QList<GraphObData> &section : route.shapes)
        shapes += section.toVector();
    QList<qint32> ids;
    if (!transaction.isActive() || !addShapes(layer, shapes, &ids, error))
        return false;
    QList<int> units;
    for (const QString &name : route.unitNames) {
        const qint32 unit = unitNamed(name, error);
        if (unit == 0 && !error->isEmpty())
            return false;
        if (unit == 0)
            warnings->append(QStringLiteral("no unit is named \"%1\"; the route goes without it")
                                 .arg(name));
        else
            units.append(unit);
    }
    QSqlQuery query(m_db.connection());
    if (!query.exec(QStringLiteral("SELECT COALESCE(MAX(sort_order) + 1, 0) FROM rule_nodes"
                                   " WHERE parent_id IS NULL"))
        || !query.next()) {
        *error = QStringLiteral("%1: %2").arg(m_path, query.lastError().text());
        return false;
    }
    RuleStore rules(m_db);
    const qint32 node = rules.addNode(0, route.name, RuleStore::NewTopLevelBits,
                                      query.value(0).toInt());
    const RouteRecord stored = route.storedAs(node, ids, units);
    const QString problem = node ? StoreLimits::routeProblem(stored) : QString();
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    if (node == 0 || !rules.storeRoute(stored)) {
        *error = QStringLiteral("%1: the route \"%2\" could not be stored").arg(m_path, route.name);
        return false;
    }
    if (!fitsReply(error))
        return false;
    if (!transaction.commit()) {
        *error = QStringLiteral("%1: %2").arg(m_path, transaction.error().text());
        return false;
    }
    ChangeNotices notices(m_db);
    notices.announce(ChangeNotices::Kind::Layers);
    notices.announce(ChangeNotices::Kind::Rules);
    return true;
}

qint32 DatabaseZones::unitNamed(const QString &name, QString *error) const
{
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT id FROM tracked_objects WHERE kind = 1 AND name = ?"
                                 " ORDER BY id LIMIT 1"));
    query.addBindValue(name);
    if (!query.exec()) {
        *error = QStringLiteral("%1: %2").arg(m_path, query.lastError().text());
        return 0;
    }
    return query.next() ? query.value(0).toInt() : 0;
}

bool DatabaseZones::addShapes(const QString &layer, const QVector<GraphObData> &shapes,
                              QList<qint32> *ids, QString *error)
{
    const qint32 layerId = topLevelLayer(layer, error);
    if (layerId == 0)
        return false;
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT COALESCE(MAX(sort_order) + 1, 0) FROM graph_objects"
                                 " WHERE layer_id = ?"));
    query.addBindValue(layerId);
    if (!query.exec() || !query.next()) {
        *error = QStringLiteral("%1: %2").arg(m_path, query.lastError().text());
        return false;
    }
    int order = query.value(0).toInt();
    LayerStore store(m_db);
    for (int i = 0; i < shapes.size(); ++i) {
        GraphObData shape = shapes.at(i);
        shape.id = 0;
        if (const auto problem = StoreLimits::shapeProblem(shape)) {
            *error = QStringLiteral("shape %1 \"%2\" is refused: %3")
                         .arg(i + 1)
                         .arg(shape.name, problem->reason);
            return false;
        }
        const qint32 id = store.addObject(layerId, shape, order++);
        if (id == 0) {
            *error = QStringLiteral("%1: shape %2 \"%3\" could not be stored")
                         .arg(m_path)
                         .arg(i + 1)
                         .arg(shape.name);
            return false;
        }
        ids->append(id);
    }
    return true;
}

qint32 DatabaseZones::topLevelLayer(const QString &name, QString *error) const
{
    if (const auto problem = StoreLimits::nameProblem(name)) {
        *error = QStringLiteral("layer \"%1\": %2").arg(name, problem->reason);
        return 0;
    }
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT id, type_bits FROM graph_layers"
                                 " WHERE parent_id IS NULL AND name = ? ORDER BY sort_order, id"));
    query.addBindValue(name);
    if (!query.exec()) {
        *error = QStringLiteral("%1: %2").arg(m_path, query.lastError().text());
        return 0;
    }
    if (query.next()) {
        if (query.value(1).toLongLong() & NodeBits::Editable)
            return query.value(0).toInt();
        *error = QStringLiteral("layer \"%1\" of %2 is read-only").arg(name, m_path);
        return 0;
    }
    query.prepare(QStringLiteral("SELECT COALESCE(MAX(sort_order) + 1, 0) FROM graph_layers"
                                 " WHERE parent_id IS NULL"));
    const qint32 id = query.exec() && query.next()
                          ? LayerStore(m_db).addLayer(0, name, LayerEdits::NewTopLevelBits,
                                                      query.value(0).toInt())
                          : 0;
    if (id == 0)
        *error = QStringLiteral("%1: the layer \"%2\" could not be made").arg(m_path, name);
    return id;
}

bool DatabaseZones::fitsReply(QString *error) const
{
    bool ok = false;
    const qint64 bytes = LayerStore(m_db).treeBody(&ok).size();
    if (!ok) {
        *error = QStringLiteral("cannot read the layer tree of %1").arg(m_path);
        return false;
    }
    if (bytes <= StoreLimits::MaxTreeBytes)
        return true;
    *error = QStringLiteral("the layer tree of %1 would take %2 MiB, more than the %3 MiB a"
                            " server's reply may carry")
                 .arg(m_path)
                 .arg(double(bytes) / (1 << 20), 0, 'f', 1)
                 .arg(StoreLimits::MaxTreeBytes >> 20);
    return false;
}
