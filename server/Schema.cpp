#include "Schema.h"

#include "SqlTransaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace Schema {

namespace {

// Version 1. Routes are keyed by the node that carries them (a route's id is
// its node's id). Lists keep their order in a position column, so duplicates
// and order survive. Tracked object ids and graphic object ids in routes and
// sections are the panel's references and are kept as given, without foreign
// keys. A graphic object's points and properties are stored in their wire
// form (a QList<QPoint> and a QVariantMap, QDataStream Qt_4_5).
QStringList firstLayout()
{
    return {
        QStringLiteral("CREATE TABLE rule_nodes ("
                       " id INTEGER PRIMARY KEY CHECK (id > 0 AND id <= 2147483647),"
                       " parent_id INTEGER REFERENCES rule_nodes(id) ON DELETE CASCADE,"
                       " name TEXT NOT NULL DEFAULT '',"
                       " type_bits INTEGER NOT NULL DEFAULT 0,"
                       " sort_order INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE INDEX rule_nodes_parent ON rule_nodes(parent_id, sort_order)"),
        QStringLiteral("CREATE TABLE routes ("
                       " node_id INTEGER PRIMARY KEY REFERENCES rule_nodes(id) ON DELETE CASCADE,"
                       " check_on INTEGER NOT NULL,"
                       " check_time_type INTEGER NOT NULL,"
                       " check_time INTEGER NOT NULL,"
                       " fifth_field INTEGER NOT NULL)"),
        QStringLiteral("CREATE TABLE route_objects ("
                       " route_id INTEGER NOT NULL REFERENCES routes(node_id) ON DELETE CASCADE,"
                       " position INTEGER NOT NULL,"
                       " object_id INTEGER NOT NULL,"
                       " PRIMARY KEY (route_id, position))"),
        QStringLiteral("CREATE TABLE sections ("
                       " route_id INTEGER NOT NULL REFERENCES routes(node_id) ON DELETE CASCADE,"
                       " position INTEGER NOT NULL,"
                       " section_id INTEGER NOT NULL,"
                       " name TEXT,"
                       " check_time_in INTEGER NOT NULL,"
                       " check_time_out INTEGER NOT NULL,"
                       " message_on_time_in INTEGER NOT NULL,"
                       " message_on_time_out INTEGER NOT NULL,"
                       " time_in_ahead INTEGER NOT NULL,"
                       " time_in_behind INTEGER NOT NULL,"
                       " time_out_ahead INTEGER NOT NULL,"
                       " time_out_behind INTEGER NOT NULL,"
                       " PRIMARY KEY (route_id, position))"),
        QStringLiteral("CREATE TABLE section_objects ("
                       " route_id INTEGER NOT NULL,"
                       " section_position INTEGER NOT NULL,"
                       " position INTEGER NOT NULL,"
                       " object_id INTEGER NOT NULL,"
                       " PRIMARY KEY (route_id, section_position, position),"
                       " FOREIGN KEY (route_id, section_position)"
                       "  REFERENCES sections(route_id, position) ON DELETE CASCADE)"),
        QStringLiteral("CREATE TABLE graph_layers ("
                       " id INTEGER PRIMARY KEY CHECK (id > 0 AND id <= 2147483647),"
                       " parent_id INTEGER REFERENCES graph_layers(id) ON DELETE CASCADE,"
                       " name TEXT NOT NULL DEFAULT '',"
                       " type_bits INTEGER NOT NULL DEFAULT 0,"
                       " sort_order INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE INDEX graph_layers_parent ON graph_layers(parent_id, sort_order)"),
        QStringLiteral("CREATE TABLE graph_objects ("
                       " id INTEGER PRIMARY KEY CHECK (id > 0 AND id <= 2147483647),"
                       " layer_id INTEGER NOT NULL REFERENCES graph_layers(id) ON DELETE CASCADE,"
                       " sort_order INTEGER NOT NULL DEFAULT 0,"
                       " type INTEGER NOT NULL,"
                       " name TEXT,"
                       " points BLOB NOT NULL,"
                       " properties BLOB NOT NULL)"),
        QStringLiteral("CREATE INDEX graph_objects_layer ON graph_objects(layer_id, sort_order)"),
        QStringLiteral("CREATE TABLE tracked_objects ("
                       " id INTEGER PRIMARY KEY CHECK (id > 0 AND id <= 2147483647),"
                       " parent_id INTEGER REFERENCES tracked_objects(id) ON DELETE CASCADE,"
                       " name TEXT NOT NULL DEFAULT '',"
                       " kind INTEGER NOT NULL CHECK (kind IN (0, 1)),"
                       " sort_order INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE INDEX tracked_objects_parent"
                       " ON tracked_objects(parent_id, sort_order)"),
    };
}

// Version 2. What the checking recorded when units entered or left sections
// whose message switch is on. Names are kept as they were at the time, so
// the history reads the same after a rename or a deletion.
QStringList checkEvents()
{
    return {
        QStringLiteral("CREATE TABLE check_events ("
                       " id INTEGER PRIMARY KEY CHECK (id > 0 AND id <= 2147483647),"
                       " time INTEGER NOT NULL,"
                       " route_id INTEGER NOT NULL,"
                       " route_name TEXT NOT NULL DEFAULT '',"
                       " section_id INTEGER NOT NULL,"
                       " section_name TEXT NOT NULL DEFAULT '',"
                       " unit_id INTEGER NOT NULL,"
                       " unit_name TEXT NOT NULL DEFAULT '',"
                       " kind INTEGER NOT NULL CHECK (kind IN (0, 1)),"
                       " deviation INTEGER NOT NULL)"),
    };
}

// Version 3. The device that reports for a unit (one unit per device id) with
// the key it signs with, and what each unit last reported besides its
// position; NULL is unknown. A unit's report goes with the unit.
QStringList unitDevices()
{
    return {
        QStringLiteral("ALTER TABLE tracked_objects ADD COLUMN device_id TEXT"),
        QStringLiteral("CREATE UNIQUE INDEX tracked_objects_device"
                       " ON tracked_objects(device_id)"),
        QStringLiteral("ALTER TABLE tracked_objects ADD COLUMN device_key TEXT"),
        QStringLiteral("CREATE TABLE unit_status ("
                       " unit_id INTEGER PRIMARY KEY"
                       "  REFERENCES tracked_objects(id) ON DELETE CASCADE,"
                       " time INTEGER NOT NULL,"
                       " x INTEGER NOT NULL,"
                       " y INTEGER NOT NULL,"
                       " speed REAL,"
                       " bearing REAL,"
                       " altitude REAL,"
                       " accuracy REAL,"
                       " battery REAL)"),
    };
}

} // namespace

const QVector<QStringList> &migrations()
{
    static const QVector<QStringList> all = {firstLayout(), checkEvents(), unitDevices()};
    return all;
}

int latestVersion()
{
    return migrations().size();
}

int version(const QSqlDatabase &db, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("PRAGMA user_version")) && query.next())
        return query.value(0).toInt();
    if (error) {
        *error = QStringLiteral("cannot read the schema version of %1: %2")
                     .arg(db.databaseName(), query.lastError().text());
    }
    return -1;
}

bool upgrade(const QSqlDatabase &db, QString *error)
{
    int current = version(db, error);
    if (current < 0)
        return false;
    for (; current < latestVersion(); ++current) {
        SqlTransaction transaction(db);
        if (!transaction.isActive()) {
            *error = QStringLiteral("cannot begin the migration to version %1").arg(current + 1);
            return false;
        }
        QSqlQuery query(db);
        QStringList statements = migrations().at(current);
        statements << QStringLiteral("PRAGMA user_version = %1").arg(current + 1);
        for (const QString &statement : qAsConst(statements)) {
            if (!query.exec(statement)) {
                *error = QStringLiteral("migration to version %1 failed: %2")
                             .arg(current + 1)
                             .arg(query.lastError().text());
                return false;
            }
        }
        query.finish();
        if (!transaction.commit()) {
            *error = QStringLiteral("cannot commit the migration to version %1").arg(current + 1);
            return false;
        }
    }
    return true;
}

} // namespace Schema
