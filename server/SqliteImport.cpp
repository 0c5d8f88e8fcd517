#include "SqliteImport.h"

#include "Database.h"
#include "RowBatch.h"
#include "Schema.h"
#include "SqlDialect.h"
#include "SqlTransaction.h"

#include <QFileInfo>
#include <QLockFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace {

// SQLite's own bookkeeping (sqlite_sequence, sqlite_stat1) is not ours to copy.
const QLatin1String SqliteOwnPrefix("sqlite_");

QString sqlError(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

// The rows of a table whose rows hang under others of it, each after its
// parent: a parent's id may be higher than its children's after a move, and
// the target checks each statement's rows against the rows already there.
QString parentsFirst(const QString &table)
{
    return QStringLiteral("WITH RECURSIVE ordered (id, depth) AS ("
                          " SELECT id, 0 FROM %1 WHERE parent_id IS NULL"
                          " UNION ALL SELECT child.id, ordered.depth + 1 FROM %1 AS child"
                          " JOIN ordered ON child.parent_id = ordered.id)"
                          " SELECT %1.* FROM %1 JOIN ordered ON %1.id = ordered.id"
                          " ORDER BY ordered.depth, %1.id")
        .arg(table);
}

// The schema version a file says it has, read past Database's refusal to
// tell a file that only needs an upgrade from one that is not ours; -1 when
// unreadable or another program's.
int storedVersion(const QString &path)
{
    const QString name = QStringLiteral("opercheck-import-version");
    int version = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open())
            version = Schema::version(db);
        if (version == 0 && !SqlDialect::of(db).tables(db).isEmpty())
            version = -1;
    }
    QSqlDatabase::removeDatabase(name);
    return version;
}

} // namespace

const QVector<SqliteImport::Table> &SqliteImport::tables()
{
    static const QVector<Table> all = {
        {QLatin1String("rule_nodes"), true, true},
        {QLatin1String("routes"), false, false},
        {QLatin1String("route_objects"), false, false},
        {QLatin1String("sections"), false, false},
        {QLatin1String("section_objects"), false, false},
        {QLatin1String("graph_layers"), true, true},
        {QLatin1String("graph_objects"), true, false},
        {QLatin1String("tracked_objects"), true, true},
        {QLatin1String("unit_status"), false, false},
        {QLatin1String("unit_tracks"), false, false},
        {QLatin1String("check_events"), true, false},
        {QLatin1String("server_instances"), false, false},
    };
    return all;
}

qint64 SqliteImport::rows() const
{
    qint64 total = 0;
    for (const auto &count : m_counts)
        total += count.second;
    return total;
}

QString SqliteImport::perTable() const
{
    QStringList counts;
    for (const auto &count : m_counts)
        counts << QStringLiteral("%1 %2").arg(count.first).arg(count.second);
    return counts.join(QStringLiteral(", "));
}

bool SqliteImport::run(const QString &source, const QString &target, QString *error)
{
    m_counts.clear();
    m_target.clear();
    const std::optional<DatabaseAddress> address = DatabaseAddress::parse(target, error);
    if (!address)
        return false;
    m_target = address->shown();
    if (address->isFile()) {
        *error = QStringLiteral("--import-sqlite copies into a PostgreSQL database; --db names"
                                " the file %1")
                     .arg(m_target);
        return false;
    }
    if (!QFileInfo(source).isFile()) {
        *error = QStringLiteral("--import-sqlite: no file %1").arg(source);
        return false;
    }
    // A server still saving to the file would lose what it saves after the copy.
    QLockFile lock(Database::lockPath(source));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError) {
        *error = QStringLiteral("%1 is in use by a running server; stop it before the import")
                     .arg(source);
        return false;
    }
    Database from;
    Database to;
    const bool done = openSource(&from, source, error) && knowsEveryTable(from, error)
                      && to.open(target, error) && copy(from, to, error);
    if (!done) {
        m_counts.clear();
        *error = error->simplified(); // a database server's messages run over lines
    }
    return done;
}

bool SqliteImport::openSource(Database *source, const QString &path, QString *error)
{
    if (source->open(path, error, Database::Access::ReadOnly))
        return true;
    const int version = storedVersion(path);
    if (version == 0)
        *error = QStringLiteral("%1 holds no database: nothing to import").arg(path);
    if (version > 0 && version < Schema::latestVersion()) {
        *error = QStringLiteral("%1 has schema version %2, older than this server's %3: start"
                                " the server on it once (opercheck-server --db %1) to bring"
                                " it up to date, then import it")
                     .arg(path)
                     .arg(version)
                     .arg(Schema::latestVersion());
    }
    return false;
}

bool SqliteImport::knowsEveryTable(const Database &source, QString *error)
{
    const QStringList present = SqlDialect::of(source.connection()).tables(source.connection());
    for (const QString &name : present) {
        const bool known = std::any_of(tables().cbegin(), tables().cend(),
                                       [&name](const Table &table) { return table.name == name; });
        if (!known && !name.startsWith(SqliteOwnPrefix)) {
            *error = QStringLiteral("%1 holds a table \"%2\" the import does not know; nothing"
                                    " was imported")
                         .arg(source.path(), name);
            return false;
        }
    }
    return true;
}

bool SqliteImport::isEmpty(const Database &target, const Table &table, QString *error)
{
    QSqlQuery query(target.connection());
    if (!query.exec(QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(table.name))) {
        *error = QStringLiteral("cannot read %1 of %2: %3")
                     .arg(table.name, target.path(), sqlError(query.lastError()));
        return false;
    }
    if (!query.next())
        return true;
    *error = QStringLiteral("%1 is not empty: its table %2 holds rows; the import goes only"
                            " into an empty database")
                 .arg(target.path(), table.name);
    return false;
}

bool SqliteImport::copy(const Database &source, const Database &target, QString *error)
{
    // One snapshot of the file, one transaction on the target: all or nothing.
    SqlTransaction reading(source.connection());
    SqlTransaction writing(target.connection());
    if (!reading.isActive() || !writing.isActive()) {
        *error = QStringLiteral("cannot begin the import: %1")
                     .arg(sqlError(reading.isActive() ? writing.error() : reading.error()));
        return false;
    }
    for (const Table &table : tables()) {
        if (!isEmpty(target, table, error))
            return false;
    }
    for (const Table &table : tables()) {
        qint64 copied = 0;
        if (!copyTable(source, target, table, &copied, error))
            return false;
        m_counts << qMakePair(QString(table.name), copied);
    }
    for (const Table &table : tables()) {
        if (table.givenIds && !target.followGivenIds(table.name)) {
            *error = QStringLiteral("cannot set where the new ids of %1 begin").arg(table.name);
            return false;
        }
    }
    if (!writing.commit()) {
        *error = QStringLiteral("cannot commit the import into %1: %2")
                     .arg(target.path(), sqlError(writing.error()));
        return false;
    }
    return true;
}

bool SqliteImport::copyTable(const Database &source, const Database &target, const Table &table,
                             qint64 *copied, QString *error)
{
    const auto failed = [&](const QString &why) {
        *error = QStringLiteral("cannot copy %1: %2").arg(table.name, why);
        return false;
    };
    QSqlQuery rows(source.connection());
    rows.setForwardOnly(true);
    if (!rows.exec(table.tree ? parentsFirst(table.name)
                              : QStringLiteral("SELECT * FROM %1").arg(table.name)))
        return failed(sqlError(rows.lastError()));
    // The columns as the file has them, so that those a later schema adds come along.
    const QSqlRecord record = rows.record();
    QStringList columns;
    for (int i = 0; i < record.count(); ++i) {
        columns << target.connection().driver()->escapeIdentifier(record.fieldName(i),
                                                                  QSqlDriver::FieldName);
    }
    RowBatch batch(target.connection(),
                   QStringLiteral("INSERT INTO %1 (%2)")
                       .arg(table.name, columns.join(QStringLiteral(", "))),
                   columns.size(), "importing rows");
    StoreError failure;
    QVariantList values;
    *copied = 0;
    while (rows.next()) {
        values.clear();
        for (int i = 0; i < columns.size(); ++i)
            values << rows.value(i);
        if (!batch.add(values, &failure))
            return failed(failure.reason);
        ++*copied;
    }
    if (rows.lastError().isValid())
        return failed(sqlError(rows.lastError()));
    if (!batch.flush(&failure))
        return failed(failure.reason);
    if (!table.tree)
        return true;
    // Rows whose parent chain reaches no top-level row were left out above.
    QSqlQuery count(source.connection());
    if (!count.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table.name)) || !count.next())
        return failed(sqlError(count.lastError()));
    if (count.value(0).toLongLong() == *copied)
        return true;
    return failed(QStringLiteral("%1 of its rows hang under no top-level row")
                      .arg(count.value(0).toLongLong() - *copied));
}
