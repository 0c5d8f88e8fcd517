#include "Schema.h"

#include "SqlDialect.h"
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
                       " id {id} CHECK (id > 0 AND id <= 2147483647),"
                       " parent_id {int} REFERENCES rule_nodes(id) ON DELETE CASCADE,"
                       " name TEXT NOT NULL DEFAULT '',"
                       " type_bits {int} NOT NULL DEFAULT 0,"
                       " sort_order {int} NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE INDEX rule_nodes_parent ON rule_nodes(parent_id, sort_order)"),
        QStringLiteral("CREATE TABLE routes ("
                       " node_id {int} PRIMARY KEY REFERENCES rule_nodes(id) ON DELETE CASCADE,"
                       " check_on {int} NOT NULL,"
                       " check_time_type {int} NOT NULL,"
                       " check_time {int} NOT NULL,"
                       " fifth_field {int} NOT NULL)"),
        QStringLiteral("CREATE TABLE route_objects ("
                       " route_id {int} NOT NULL REFERENCES routes(node_id) ON DELETE CASCADE,"
                       " position {int} NOT NULL,"
                       " object_id {int} NOT NULL,"
                       " PRIMARY KEY (route_id, position))"),
        QStringLiteral("CREATE TABLE sections ("
                       " route_id {int} NOT NULL REFERENCES routes(node_id) ON DELETE CASCADE,"
                       " position {int} NOT NULL,"
                       " section_id {int} NOT NULL,"
                       " name TEXT,"
                       " check_time_in {int} NOT NULL,"
                       " check_time_out {int} NOT NULL,"
                       " message_on_time_in {int} NOT NULL,"
                       " message_on_time_out {int} NOT NULL,"
                       " time_in_ahead {int} NOT NULL,"
                       " time_in_behind {int} NOT NULL,"
                       " time_out_ahead {int} NOT NULL,"
                       " time_out_behind {int} NOT NULL,"
                       " PRIMARY KEY (route_id, position))"),
        QStringLiteral("CREATE TABLE section_objects ("
                       " route_id {int} NOT NULL,"
                       " section_position {int} NOT NULL,"
                       " position {int} NOT NULL,"
                       " object_id {int} NOT NULL,"
                       " PRIMARY KEY (route_id, section_position, position),"
                       " FOREIGN KEY (route_id, section_position)"
                       "  REFERENCES sections(route_id, position) ON DELETE CASCADE)"),
        QStringLiteral("CREATE TABLE graph_layers ("
                       " id {id} CHECK (id > 0 AND id <= 2147483647),"
                       " parent_id {int} REFERENCES graph_layers(id) ON DELETE CASCADE,"
                       " name TEXT NOT NULL DEFAULT '',"
                       " type_bits {int} NOT NULL DEFAULT 0,"
                       " sort_order {int} NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE INDEX graph_layers_parent ON graph_layers(parent_id, sort_order)"),
        QStringLiteral("CREATE TABLE graph_objects ("
                       " id {id} CHECK (id > 0 AND id <= 2147483647),"
                       " layer_id {int} NOT NULL REFERENCES graph_layers(id) ON DELETE CASCADE,"
                       " sort_order {int} NOT NULL DEFAULT 0,"
                       " type {int} NOT NULL,"
                       " name TEXT,"
                       " points {bytes} NOT NULL,"
                       " properties {bytes} NOT NULL)"),
        QStringLiteral("CREATE INDEX graph_objects_layer ON graph_objects(layer_id, sort_order)"),
        QStringLiteral("CREATE TABLE tracked_objects ("
                       " id {id} CHECK (id > 0 AND id <= 2147483647),"
                       " parent_id {int} REFERENCES tracked_objects(id) ON DELETE CASCADE,"
                       " name TEXT NOT NULL DEFAULT '',"
                       " kind {int} NOT NULL CHECK (kind IN (0, 1)),"
                       " sort_order {int} NOT NULL DEFAULT 0)"),
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
                       " id {id} CHECK (id > 0 AND id <= 2147483647),"
                       " time {int} NOT NULL,"
                       " route_id {int} NOT NULL,"
                       " route_name TEXT NOT NULL DEFAULT '',"
                       " section_id {int} NOT NULL,"
                       " section_name TEXT NOT NULL DEFAULT '',"
                       " unit_id {int} NOT NULL,"
                       " unit_name TEXT NOT NULL DEFAULT '',"
                       " kind {int} NOT NULL CHECK (kind IN (0, 1)),"
                       " deviation {int} NOT NULL)"),
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
                       " unit_id {int} PRIMARY KEY"
                       "  REFERENCES tracked_objects(id) ON DELETE CASCADE,"
                       " time {int} NOT NULL,"
                       " x {int} NOT NULL,"
                       " y {int} NOT NULL,"
                       " speed {real},"
                       " bearing {real},"
                       " altitude {real},"
                       " accuracy {real},"
                       " battery {real})"),
    };
}

// Version 4. What lets checking go on elsewhere, on another server of the
// same database or after a restart: an event is recorded once per route,
// section, kind and round (the round's start; NULL for events from before);
// each unit's last reports as checking kept them (a blob of time, x, y
// triples) and what the reports before them left (CheckEngine::foldedState);
// and the servers sharing the database, each with the address its
// peers reach it at and when it last said it is alive (the database's clock,
// in milliseconds).
QStringList sharedChecking()
{
    return {
        QStringLiteral("ALTER TABLE check_events ADD COLUMN round_start {int}"),
        QStringLiteral("CREATE UNIQUE INDEX check_events_once"
                       " ON check_events(route_id, section_id, kind, round_start)"),
        QStringLiteral("CREATE TABLE unit_tracks ("
                       " unit_id {int} PRIMARY KEY"
                       "  REFERENCES tracked_objects(id) ON DELETE CASCADE,"
                       " reports {bytes} NOT NULL,"
                       " folded {bytes})"),
        QStringLiteral("CREATE TABLE server_instances ("
                       " id TEXT PRIMARY KEY,"
                       " address TEXT NOT NULL,"
                       " heartbeat {int} NOT NULL)"),
    };
}

} // namespace

const QVector<QStringList> &migrations()
{
    static const QVector<QStringList> all = {firstLayout(), checkEvents(), unitDevices(),
                                             sharedChecking()};
    return all;
}

int latestVersion()
{
    return migrations().size();
}

int version(const QSqlDatabase &db, QString *error)
{
    QString why;
    const int version = SqlDialect::of(db).schemaVersion(db, &why);
    if (version < 0 && error) {
        *error =
            QStringLiteral("cannot read the schema version of %1: %2").arg(db.databaseName(), why);
    }
    return version;
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
        const SqlDialect &dialect = SqlDialect::of(db);
        const QStringList statements =
            migrations().at(current) + dialect.setSchemaVersion(current + 1);
        for (const QString &statement : statements) {
            if (!query.exec(dialect.layout(statement))) {
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
