#include "RuleStore.h"

#include "Database.h"
#include "IdListReader.h"
#include "NodeForest.h"
#include "NodeTable.h"
#include "RowBatch.h"
#include "ServerLog.h"
#include "SqlDialect.h"
#include "SqlTransaction.h"
#include "StoreLimits.h"

#include "wire/RouteMessages.h"
#include "wire/WireWriter.h"
#include "records/RouteRecord.h"
#include "records/SectionRecord.h"

#include <QDataStream>
#include <QHash>
#include <QPair>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QVector>

#include <algorithm>
#include <map>
#include <memory>

namespace {

using RouteMap = std::map<qint32, std::unique_ptr<RouteRecord>>;

// The statements that write one route, prepared once per change.
class RouteWriter
{
public:
    explicit RouteWriter(const QSqlDatabase &db)
        : m_remove(db)
        , m_route(db)
        , m_objects(db, QStringLiteral("INSERT INTO route_objects (route_id, position, object_id)"),
                    3, "storing a route's tracked objects")
        , m_sections(db,
                     QStringLiteral("INSERT INTO sections (route_id, position, section_id, name,"
                                    " check_time_in, check_time_out, message_on_time_in,"
                                    " message_on_time_out, time_in_ahead, time_in_behind,"
                                    " time_out_ahead, time_out_behind)"),
                     12, "storing a section")
        , m_sectionObjects(db,
                           QStringLiteral("INSERT INTO section_objects"
                                          " (route_id, section_position, position, object_id)"),
                           4, "storing a section's graphic objects", &m_sections)
    {
        m_prepared =
            m_remove.prepare(QStringLiteral("DELETE FROM routes WHERE node_id = ?"))
            && m_route.prepare(QStringLiteral(
                "INSERT INTO routes (node_id, check_on, check_time_type, check_time, fifth_field)"
                " VALUES (?, ?, ?, ?, ?)"));
        if (!m_prepared) {
            // A database server may lock the tables out while preparing.
            const QSqlQuery &failed = m_remove.lastError().isValid() ? m_remove : m_route;
            Database::warnFailure("preparing the route statements", failed);
            m_error = StoreError::fromSql(failed.lastError(),
                                          QStringLiteral("preparing the route statements"));
        }
    }

    bool remove(qint32 id)
    {
        m_remove.addBindValue(id);
        return run(m_remove, "deleting a route");
    }

    // replacing: the route may have rows to delete first.
    bool write(const RouteRecord &route, bool replacing = true)
    {
        if (!m_prepared || (replacing && !remove(route.id)))
            return false;
        m_route.addBindValue(route.id);
        m_route.addBindValue(route.checkOn);
        m_route.addBindValue(route.checkTimeType);
        m_route.addBindValue(qint64(route.checkTime));
        m_route.addBindValue(route.fifthField);
        if (!run(m_route, "storing a route"))
            return false;
        for (int i = 0; i < route.objects.size(); ++i) {
            if (!m_objects.add({route.id, i, route.objects.at(i)}, &m_error))
                return false;
        }
        for (int i = 0; i < route.sections.size(); ++i) {
            if (!writeSection(route.id, i, *route.sections.at(i)))
                return false;
        }
        // Each route whole before the next: a later one may replace it.
        return m_objects.flush(&m_error) && m_sectionObjects.flush(&m_error);
    }

    // What the last failed statement was doing, and why it failed.
    StoreError error() const { return m_error; }

private:
    bool writeSection(qint32 routeId, int position, const SectionRecord &section)
    {
        const QVariantList values = {
            routeId, position, section.id,
            // A null name stays null (NULL), an empty one empty.
            section.name.isNull() ? QVariant(QVariant::String) : QVariant(section.name),
            section.checkTimeIn, section.checkTimeOut,
            int(section.messageOnTimeIn), int(section.messageOnTimeOut),
            section.checkTimeInAhead, section.checkTimeInBehind,
            section.checkTimeOutAhead, section.checkTimeOutBehind};
        if (!m_sections.add(values, &m_error))
            return false;
        for (int i = 0; i < section.graphObjectIds.size(); ++i) {
            if (!m_sectionObjects.add({routeId, position, i, section.graphObjectIds.at(i)},
                                      &m_error))
                return false;
        }
        return true;
    }

    bool run(QSqlQuery &query, const char *what)
    {
        if (query.exec())
            return true;
        Database::warnFailure(what, query);
        m_error = StoreError::fromSql(query.lastError(), QString::fromLatin1(what));
        return false;
    }

    QSqlQuery m_remove;
    QSqlQuery m_route;
    RowBatch m_objects;
    RowBatch m_sections;
    RowBatch m_sectionObjects; // flushes m_sections first
    bool m_prepared = false;
    StoreError m_error;
};

// The names of the given nodes and whether each carries a route, read in a
// few statements rather than one per node. False on a database error.
struct NodeInfo
{
    QString name;
    bool hasRoute = false;
};
bool lookUpNodes(const QSqlDatabase &db, const QVector<qint32> &ids,
                 QHash<qint32, NodeInfo> *nodes, StoreError *error)
{
    constexpr int Chunk = 500;
    QSqlQuery query(db);
    SqlDialect::readOnce(query);
    const QString head = QStringLiteral("SELECT n.id, n.name, r.node_id FROM rule_nodes n"
                                        " LEFT JOIN routes r ON r.node_id = n.id WHERE n.id IN (");
    for (int first = 0; first < ids.size(); first += Chunk) {
        const int end = std::min(first + Chunk, int(ids.size()));
        QString sql = head;
        sql.reserve(head.size() + 12 * (end - first) + 1);
        QString number;
        for (int i = first; i < end; ++i) {
            if (i > first)
                sql += QLatin1Char(',');
            sql += number.setNum(ids.at(i));
        }
        sql += QLatin1Char(')');
        if (!query.exec(sql)) {
            Database::warnFailure("looking up names", query);
            *error = StoreError::fromSql(query.lastError(), QStringLiteral("looking up nodes"));
            return false;
        }
        while (query.next())
            nodes->insert(query.value(0).toInt(), {query.value(1).toString(), !query.isNull(2)});
    }
    return true;
}

bool select(QSqlQuery &query, const QString &sql)
{
    SqlDialect::readOnce(query);
    if (query.exec(sql))
        return true;
    Database::warnFailure("reading routes", query);
    return false;
}

bool select(QSqlQuery &query, const char *sql)
{
    return select(query, QString::fromLatin1(sql));
}

// Every route, or only the route of node only.
bool loadRoutes(const QSqlDatabase &db, RouteMap *routes, qint32 only = 0)
{
    const auto sql = [only](const char *head, const char *key, const char *tail = "") {
        const QString where = only ? QStringLiteral(" WHERE %1 = %2").arg(QLatin1String(key))
                                         .arg(only)
                                   : QString();
        return QLatin1String(head) + where + QLatin1String(tail);
    };
    QSqlQuery query(db);
    if (!select(query, sql("SELECT node_id, check_on, check_time_type, check_time, fifth_field"
                           " FROM routes", "node_id")))
        return false;
    while (query.next()) {
        auto route = std::make_unique<RouteRecord>(query.value(0).toInt());
        route->checkOn = query.value(1).toInt();
        route->checkTimeType = query.value(2).toInt();
        route->checkTime = uint(query.value(3).toLongLong());
        route->fifthField = query.value(4).toInt();
        const qint32 id = route->id;
        (*routes)[id] = std::move(route);
    }

    if (!select(query, sql("SELECT route_id, object_id FROM route_objects", "route_id",
                           " ORDER BY route_id, position")))
        return false;
    while (query.next()) {
        const auto found = routes->find(query.value(0).toInt());
        if (found != routes->end())
            found->second->objects.append(query.value(1).toInt());
    }

    QHash<QPair<qint32, int>, SectionRecord *> sections;
    if (!select(query, sql("SELECT route_id, position, section_id, name, check_time_in,"
                           " check_time_out, message_on_time_in, message_on_time_out,"
                           " time_in_ahead, time_in_behind, time_out_ahead, time_out_behind"
                           " FROM sections", "route_id", " ORDER BY route_id, position")))
        return false;
    while (query.next()) {
        const auto found = routes->find(query.value(0).toInt());
        if (found == routes->end())
            continue;
        auto *section = new SectionRecord;
        found->second->sections.append(section);
        section->id = query.value(2).toInt();
        section->name = query.value(3).toString();
        section->checkTimeIn = query.value(4).toInt();
        section->checkTimeOut = query.value(5).toInt();
        section->messageOnTimeIn = query.value(6).toInt() != 0;
        section->messageOnTimeOut = query.value(7).toInt() != 0;
        section->checkTimeInAhead = query.value(8).toInt();
        section->checkTimeInBehind = query.value(9).toInt();
        section->checkTimeOutAhead = query.value(10).toInt();
        section->checkTimeOutBehind = query.value(11).toInt();
        section->deriveSchedule();
        sections.insert(qMakePair(found->first, query.value(1).toInt()), section);
    }

    if (!select(query, sql("SELECT route_id, section_position, object_id FROM section_objects",
                           "route_id", " ORDER BY route_id, section_position, position")))
        return false;
    while (query.next()) {
        SectionRecord *section =
            sections.value(qMakePair(query.value(0).toInt(), query.value(1).toInt()));
        if (section)
            section->graphObjectIds.append(query.value(2).toInt());
    }
    return true;
}

// One table read forward in route order: by route id, then (positioned) by
// the position in the second column.
struct Cursor
{
    Cursor(const QSqlDatabase &db, const char *sql, bool positioned = false)
        : query(db), positioned(positioned)
    {
        ok = select(query, sql);
        if (ok)
            next();
    }
    // SQLite hands integers over as 64-bit; taken as such, they skip
    // QVariant's slower conversion path.
    int at(int column) const { return int(query.value(column).toLongLong()); }
    void next()
    {
        valid = query.next();
        route = valid ? at(0) : 0;
        position = valid && positioned ? at(1) : -1;
    }
    // Skips rows ordered before (route, position) and tells whether the
    // current one is theirs.
    bool reaches(qint32 route, int position = -1)
    {
        while (valid && qMakePair(this->route, this->position) < qMakePair(route, position))
            next();
        return valid && this->route == route && this->position == position;
    }

    QSqlQuery query;
    bool positioned;
    bool ok = false;
    bool valid = false;
    qint32 route = 0;
    int position = -1;
};

// Every stored route in its wire form (see RouteMessages::writeRoute), written
// straight from the four tables read side by side in route order, each route
// one span of a single buffer.
class RoutePayloads
{
public:
    bool load(const QSqlDatabase &db)
    {
        Cursor routes(db, "SELECT node_id, check_on, check_time_type, check_time, fifth_field"
                          " FROM routes ORDER BY node_id");
        Cursor objects(db, "SELECT route_id, object_id FROM route_objects"
                           " ORDER BY route_id, position");
        Cursor sections(db, "SELECT route_id, position, section_id, name, check_time_in,"
                            " check_time_out, message_on_time_in, message_on_time_out,"
                            " time_in_ahead, time_in_behind, time_out_ahead, time_out_behind"
                            " FROM sections ORDER BY route_id, position", true);
        Cursor sectionObjects(db, "SELECT route_id, section_position, object_id"
                                  " FROM section_objects"
                                  " ORDER BY route_id, section_position, position", true);
        if (!routes.ok || !objects.ok || !sections.ok || !sectionObjects.ok)
            return false;
        QVector<SectionRow> rows;
        WireWriter &out = m_wire;
        for (; routes.valid; routes.next()) {
            const qint32 id = routes.route;
            const int start = out.size();
            for (quint32 value : {quint32(id), quint32(routes.at(1)), quint32(routes.at(2)),
                                  quint32(routes.query.value(3).toLongLong()),
                                  quint32(routes.at(4))})
                out.putUInt32(value);
            putIds(out, objects, id, -1, 1);
            // The section count comes first: the rows are taken, then written.
            rows.clear();
            while (sections.valid && sections.route < id)
                sections.next();
            for (; sections.valid && sections.route == id; sections.next()) {
                const Cursor &q = sections;
                rows.append({{sections.position, q.at(2), q.at(4), q.at(5), q.at(8), q.at(9),
                              q.at(10), q.at(11)},
                             q.query.value(3).toString(), q.at(6) != 0, q.at(7) != 0});
            }
            out.putInt32(rows.size());
            for (const SectionRow &row : qAsConst(rows)) {
                out.putInt32(row.values[1]);
                out.putString(row.name);
                putIds(out, sectionObjects, id, row.values[0], 2);
                out.putInt32(row.values[2]), out.putInt32(row.values[3]);
                out.putBool(row.messageIn), out.putBool(row.messageOut);
                for (int k = 4; k < 8; ++k)
                    out.putInt32(row.values[k]);
            }
            m_spans.append({id, start, out.size() - start});
        }
        return true;
    }

    int size() const { return m_wire.size(); }

    // The bytes of each route's part, by route id.
    QHash<qint32, qint64> routeSizes() const
    {
        QHash<qint32, qint64> sizes;
        sizes.reserve(m_spans.size());
        for (const Span &span : m_spans)
            sizes.insert(span.routeId, span.length);
        return sizes;
    }

    // Has-route, then the route of the node if it has one.
    void write(WireWriter &out, qint32 nodeId) const
    {
        const auto span = std::lower_bound(
            m_spans.cbegin(), m_spans.cend(), nodeId,
            [](const Span &s, qint32 id) { return s.routeId < id; });
        const bool found = span != m_spans.cend() && span->routeId == nodeId;
        out.putBool(found);
        if (found)
            out.putRaw(m_wire.constData() + span->offset, span->length);
    }

private:
    struct SectionRow
    {
        qint32 values[8]; // position, section id, times in and out, the four tolerances
        QString name;
        bool messageIn;
        bool messageOut;
    };
    struct Span
    {
        qint32 routeId;
        int offset;
        int length;
    };

    // As a QList<int>: the count, then the ids of the cursor's rows of the
    // route (and section position), taken from the given column.
    static void putIds(WireWriter &out, Cursor &cursor, qint32 route, int position, int column)
    {
        const int countAt = out.reserveUInt32();
        quint32 count = 0;
        for (; cursor.reaches(route, position); cursor.next(), ++count)
            out.putInt32(cursor.at(column));
        out.patchUInt32(countAt, count);
    }

    WireWriter m_wire;
    QVector<Span> m_spans; // in route id order
};

// A "Fix_routes" body as read: every entry first, so that the nodes are
// looked up together.
struct SaveBody
{
    std::vector<std::pair<qint32, std::shared_ptr<RouteRecord>>> entries; // lead, route
    QList<int> deleted;

    QVector<qint32> nodeIds() const
    {
        QVector<qint32> ids;
        ids.reserve(int(entries.size()));
        for (const auto &[lead, route] : entries)
            ids.append(lead != 0 ? lead : route->id);
        return ids;
    }
};

// False unless the body reads exactly to its end.
bool readSave(const QByteArray &body, SaveBody *save)
{
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_4_5);
    for (;;) {
        qint32 lead = 0;
        in >> lead;
        if (in.status() != QDataStream::Ok)
            return false;
        if (lead == -1)
            break;
        std::shared_ptr<RouteRecord> route(RouteMessages::readRoute(in));
        if (in.status() != QDataStream::Ok)
            return false;
        save->entries.emplace_back(lead, std::move(route));
    }
    return IdListReader::read(in, &save->deleted) && in.atEnd();
}

// A route a save will write: under its node's name, replacing a stored one or not.
struct PlannedRoute
{
    std::shared_ptr<RouteRecord> route;
    bool replacing;
    QString name;
};

} // namespace

RuleStore::RuleStore(const Database &db)
    : m_db(db)
{
}

qint32 RuleStore::addNode(qint32 parentId, const QString &name, quint32 typeBits, int order)
{
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("INSERT INTO rule_nodes (parent_id, name, type_bits, sort_order)"
                                 " VALUES (?, ?, ?, ?) RETURNING id"));
    query.addBindValue(parentId > 0 ? QVariant(parentId) : QVariant(QVariant::Int));
    query.addBindValue(name.isNull() ? QString(QLatin1String("")) : name);
    query.addBindValue(qint64(typeBits));
    query.addBindValue(order);
    if (!query.exec()) {
        Database::warnFailure("adding a rule node", query);
        return 0;
    }
    m_tally.forget();
    return Database::returnedId(query);
}

bool RuleStore::hasRow(const char *sql, qint32 id) const
{
    QSqlQuery query(m_db.connection());
    query.prepare(QString::fromLatin1(sql));
    query.addBindValue(id);
    if (!query.exec()) {
        Database::warnFailure("looking up a row", query);
        return false;
    }
    return query.next();
}

bool RuleStore::nodeExists(qint32 id) const
{
    return hasRow("SELECT 1 FROM rule_nodes WHERE id = ?", id);
}

bool RuleStore::storeRoute(const RouteRecord &route)
{
    RouteWriter writer(m_db.connection());
    return writer.write(route);
}

std::vector<RuleStore::NamedRoute> RuleStore::routes(bool *ok) const
{
    RouteMap routes;
    QSqlQuery names(m_db.connection());
    *ok = loadRoutes(m_db.connection(), &routes)
          && select(names, "SELECT r.node_id, n.name FROM routes r"
                           " JOIN rule_nodes n ON n.id = r.node_id");
    if (!*ok)
        return {};
    QHash<qint32, QString> nameOf;
    while (names.next())
        nameOf.insert(names.value(0).toInt(), names.value(1).toString());
    std::vector<NamedRoute> named;
    named.reserve(routes.size());
    for (auto &entry : routes)
        named.push_back({std::move(entry.second), nameOf.value(entry.first)});
    return named;
}

QByteArray RuleStore::treeBody(bool *ok) const
{
    NodeForest forest;
    RoutePayloads routes;
    *ok = forest.load(m_db, "rule_nodes", "type_bits") && routes.load(m_db.connection());
    if (!*ok)
        return QByteArray();

    WireWriter out;
    // The routes' bytes and a little per node: no growing copies of a large body.
    out.reserve(routes.size() + 64 * forest.size());
    forest.write(out, [&routes](WireWriter &to, qint32 nodeId) { routes.write(to, nodeId); });
    m_tally.count(out.size(), routes.routeSizes());
    return out.take();
}

bool RuleStore::applyFixRoutes(const QByteArray &body, Change *change, StoreError *error)
{
    const auto refuse = [error](StoreError why) {
        *error = std::move(why);
        return false;
    };
    SaveBody save;
    if (!readSave(body, &save)) {
        return refuse({RequestFailure::Malformed,
                       QStringLiteral("the body of %1 bytes does not read as a save")
                           .arg(body.size())});
    }
    if (!knowTally(error))
        return false;

    SqlTransaction transaction(m_db.connection());
    if (!transaction.isActive()) {
        return refuse(
            StoreError::fromSql(transaction.error(), QStringLiteral("beginning the save")));
    }
    QHash<qint32, NodeInfo> nodes;
    if (!lookUpNodes(m_db.connection(), save.nodeIds(), &nodes, error))
        return false;

    // Everything is judged before the first row is written: a refused save
    // costs no writing.
    std::vector<PlannedRoute> planned;
    RuleTreeTally::Growth growth(m_tally);
    QSet<qint32> written;
    for (auto &[lead, route] : save.entries) {
        const auto node = nodes.constFind(lead != 0 ? lead : route->id);
        // A route written by an earlier entry is stored by then.
        const bool stored =
            node != nodes.cend() && (node->hasRoute || written.contains(node.key()));
        if (lead != 0 && node == nodes.cend()) {
            qCWarning(lcServer) << "Fix_routes: no rule node" << lead << "for a new route";
            continue;
        }
        if (lead == 0 && !stored) {
            qCWarning(lcServer) << "Fix_routes: no route" << route->id << "to update";
            continue;
        }
        if (lead != 0)
            route->id = lead;
        const QString problem = StoreLimits::routeProblem(*route);
        if (!problem.isEmpty())
            return refuse({RequestFailure::OverLimit, problem});
        growth.setRoute(route->id, RouteMessages::routeWireSize(*route));
        written.insert(route->id);
        planned.push_back({route, stored, node->name});
    }
    for (int id : qAsConst(save.deleted))
        growth.setRoute(id, 0);
    if (!fits(growth, error))
        return false;

    RouteWriter writer(m_db.connection());
    Change touched;
    for (PlannedRoute &entry : planned) {
        if (!writer.write(*entry.route, entry.replacing))
            return refuse(writer.error());
        // Stored as read back: the largest section id is not kept.
        entry.route->maxSectionId = 0;
        const qint32 id = entry.route->id;
        touched.routes[id] = NamedRoute{std::move(entry.route), entry.name};
    }
    for (int id : qAsConst(save.deleted)) {
        if (!writer.remove(id))
            return refuse(writer.error());
        touched.routes[id] = NamedRoute();
    }
    if (!transaction.commit()) {
        return refuse(
            StoreError::fromSql(transaction.error(), QStringLiteral("committing the save")));
    }
    m_tally.apply(growth);
    if (change)
        *change = std::move(touched);
    return true;
}

bool RuleStore::setCheckMode(int mode, const QList<int> &ids, quint32 time, QList<int> *applied,
                             StoreError *error)
{
    applied->clear();
    SqlTransaction transaction(m_db.connection());
    if (!transaction.isActive()) {
        *error = StoreError::fromSql(transaction.error(), QStringLiteral("beginning the switch"));
        return false;
    }
    QSqlQuery update(m_db.connection());
    if (!update.prepare(mode == 1 ? QStringLiteral("UPDATE routes SET check_on = 1,"
                                                   " check_time = ? WHERE node_id = ?")
                                  : QStringLiteral("UPDATE routes SET check_on = 0"
                                                   " WHERE node_id = ?"))) {
        Database::warnFailure("setting a check mode", update);
        *error = StoreError::fromSql(update.lastError(), QStringLiteral("setting a check mode"));
        return false;
    }
    QSet<int> seen;
    for (int id : ids) {
        if (seen.contains(id))
            continue;
        seen.insert(id);
        if (mode == 1)
            update.addBindValue(qint64(time));
        update.addBindValue(id);
        if (!update.exec()) {
            Database::warnFailure("setting a check mode", update);
            *error = StoreError::fromSql(update.lastError(),
                                         QStringLiteral("setting a check mode"));
            return false;
        }
        if (update.numRowsAffected() > 0)
            applied->append(id);
    }
    update.finish();
    if (transaction.commit())
        return true;
    *error = StoreError::fromSql(transaction.error(), QStringLiteral("committing the switch"));
    applied->clear();
    return false;
}

namespace {

// A node's own part of the tree reply: id, name, bits, its child count and
// the has-route flag.
qint64 nodeWireSize(int nameLength)
{
    return 4 + 4 + 2 * qint64(nameLength) + 4 + 4 + 1;
}

QVariant parentValue(qint32 parentId)
{
    return parentId ? QVariant(parentId) : QVariant(QVariant::Int);
}

} // namespace

bool RuleStore::knowTally(StoreError *error) const
{
    bool tallied = m_tally.isKnown();
    if (!tallied)
        treeBody(&tallied);
    const QString reason = QStringLiteral("the rule tree cannot be read");
    return tallied || StoreError::refuse(error, RequestFailure::Storage, reason);
}

bool RuleStore::fits(const RuleTreeTally::Growth &growth, StoreError *error)
{
    if (growth.treeBytes() <= StoreLimits::MaxTreeBytes)
        return true;
    return StoreError::refuse(error, RequestFailure::OverLimit,
                   QStringLiteral("the rule tree would take %1 MiB, more than the %2 MiB"
                                  " a reply may carry")
                       .arg(double(growth.treeBytes()) / (1 << 20), 0, 'f', 1)
                       .arg(StoreLimits::MaxTreeBytes >> 20));
}

bool RuleStore::editable(qint32 id, const char *what, qint64 *bits, StoreError *error) const
{
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT type_bits FROM rule_nodes WHERE id = ?"));
    if (!StoreError::exec(query, {id}, "looking up a rule node", error))
        return false;
    if (!query.next())
        return StoreError::refuse(error, RequestFailure::Refused,
                                  QStringLiteral("there is no rule node %1").arg(id));
    *bits = query.value(0).toLongLong();
    if (*bits & NodeBits::Editable)
        return true;
    return StoreError::refuse(error, RequestFailure::Refused,
                   QStringLiteral("rule node %1 is read-only: it may not %2")
                       .arg(id)
                       .arg(QLatin1String(what)));
}

qint32 RuleStore::appendNode(qint32 parentId, const QString &name, StoreError *error)
{
    if (const auto problem = StoreLimits::nameProblem(name)) {
        return StoreError::refuse(error, problem->code,
                       QStringLiteral("a new node under %1: %2")
                           .arg(parentId)
                           .arg(problem->reason));
    }
    SqlTransaction transaction(m_db.connection());
    if (!knowTally(error) || !StoreError::began(transaction, error))
        return 0;
    qint64 bits = NewTopLevelBits;
    if (parentId != 0 && !editable(parentId, "hold new nodes", &bits, error))
        return 0;
    RuleTreeTally::Growth growth(m_tally);
    growth.addNodeBytes(nodeWireSize(name.size()));
    if (!fits(growth, error))
        return 0;
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral(
        "INSERT INTO rule_nodes (parent_id, name, type_bits, sort_order) VALUES (?, ?, ?,"
        " (SELECT COALESCE(MAX(sort_order) + 1, 0) FROM rule_nodes"
        "  WHERE COALESCE(parent_id, 0) = ?)) RETURNING id"));
    if (!StoreError::exec(query, {parentValue(parentId), name, bits, parentId},
                          "adding a rule node", error))
        return 0;
    const qint32 id = Database::returnedId(query);
    if (!StoreError::committed(transaction, error))
        return 0;
    m_tally.apply(growth);
    return id;
}

bool RuleStore::renameNode(qint32 id, const QString &name, Change *change, StoreError *error)
{
    if (const auto problem = StoreLimits::nameProblem(name)) {
        return StoreError::refuse(error, problem->code,
                       QStringLiteral("rule node %1: %2").arg(id).arg(problem->reason));
    }
    SqlTransaction transaction(m_db.connection());
    qint64 bits = 0;
    if (!knowTally(error) || !StoreError::began(transaction, error)
        || !editable(id, "be renamed", &bits, error))
        return false;
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("SELECT name FROM rule_nodes WHERE id = ?"));
    if (!StoreError::exec(query, {id}, "reading a rule node's name", error) || !query.next())
        return false;
    RuleTreeTally::Growth growth(m_tally);
    growth.addNodeBytes(nodeWireSize(name.size()) - nodeWireSize(query.value(0).toString().size()));
    if (!fits(growth, error))
        return false;
    query.prepare(QStringLiteral("UPDATE rule_nodes SET name = ? WHERE id = ?"));
    RouteMap routes;
    if (!StoreError::exec(query, {name, id}, "renaming a rule node", error))
        return false;
    // Live checking records the route's events under its node's new name.
    if (!loadRoutes(m_db.connection(), &routes, id))
        return StoreError::refuse(error, RequestFailure::Storage,
                                  QStringLiteral("reading a route"));
    if (!StoreError::committed(transaction, error))
        return false;
    m_tally.apply(growth);
    change->routes.clear();
    for (auto &entry : routes)
        change->routes[entry.first] = NamedRoute{std::move(entry.second), name};
    return true;
}

bool RuleStore::moveNode(qint32 id, qint32 parentId, int position, StoreError *error)
{
    SqlTransaction transaction(m_db.connection());
    qint64 bits = 0;
    if (!StoreError::began(transaction, error) || !editable(id, "be moved", &bits, error)
        || (parentId != 0 && !editable(parentId, "hold new nodes", &bits, error)))
        return false;
    const NodeTable nodes(m_db, QStringLiteral("rule_nodes"));
    const NodeTable::Within within = nodes.isWithin(parentId, id, error);
    if (within == NodeTable::ReadFailed)
        return false;
    if (within == NodeTable::Yes) {
        return StoreError::refuse(error, RequestFailure::Refused,
                                  QStringLiteral("rule node %1 cannot move under itself or into"
                                                 " its own subtree")
                                      .arg(id));
    }
    if (!nodes.place(id, parentId, position, error))
        return false;
    if (!StoreError::committed(transaction, error))
        return false;
    // The size stays, unless the move takes nodes past the depth the reply
    // carries or back: counted again when next needed.
    m_tally.forget();
    return true;
}

bool RuleStore::removeNode(qint32 id, Change *change, StoreError *error)
{
    SqlTransaction transaction(m_db.connection());
    qint64 bits = 0;
    if (!knowTally(error) || !StoreError::began(transaction, error)
        || !editable(id, "be deleted", &bits, error))
        return false;
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral(
        "WITH RECURSIVE below(id) AS (SELECT CAST(? AS BIGINT) UNION"
        " SELECT n.id FROM rule_nodes n JOIN below b ON n.parent_id = b.id)"
        " SELECT n.id, n.name, r.node_id IS NOT NULL FROM below b"
        " JOIN rule_nodes n ON n.id = b.id LEFT JOIN routes r ON r.node_id = n.id"));
    if (!StoreError::exec(query, {id}, "reading a rule node's subtree", error))
        return false;
    RuleTreeTally::Growth growth(m_tally);
    Change gone;
    while (query.next()) {
        growth.addNodeBytes(-nodeWireSize(query.value(1).toString().size()));
        if (query.value(2).toBool()) {
            growth.setRoute(query.value(0).toInt(), 0);
            gone.routes[query.value(0).toInt()] = NamedRoute();
        }
    }
    // Routes, sections and the subtree go with the node (foreign keys).
    query.prepare(QStringLiteral("DELETE FROM rule_nodes WHERE id = ?"));
    if (!StoreError::exec(query, {id}, "deleting a rule node", error)
        || !StoreError::committed(transaction, error))
        return false;
    m_tally.apply(growth);
    *change = std::move(gone);
    return true;
}
