#ifndef SQLDIALECT_H
#define SQLDIALECT_H

#include "DatabaseAddress.h"

#include "wire/RequestFailure.h"

#include <QSqlDatabase>
#include <QStringList>

class QSqlError;
class QSqlQuery;

// Everything the stores say differently to SQLite and to PostgreSQL, in one
// place: the stores themselves run one set of statements on both (standard
// SQL with RETURNING and ON CONFLICT, which both speak).
class SqlDialect
{
public:
    using Backend = DatabaseAddress::Backend;

    virtual ~SqlDialect() = default;

    static const SqlDialect &of(Backend backend);
    // By the connection's driver.
    static const SqlDialect &of(const QSqlDatabase &db);
    // What a failed statement means to the sender of a change: read-only,
    // busy, or else a storage error (a full disk among them). Either
    // backend's codes, told apart by their form (SQLSTATE has five characters,
    // SQLite's codes at most four digits), so that an error needs no driver.
    static RequestFailure::Code classify(const QSqlError &error);

    // Rows read once, in order. SQLite streams them. PostgreSQL's driver
    // streams only one query at a time on a connection, and the stores keep
    // several open side by side, so there each result comes whole.
    static void readOnce(QSqlQuery &query);

    virtual Backend backend() const = 0;
    virtual QString driver() const = 0;

    // The layout's column types are written as {id} (a row id the database
    // gives), {int}, {real} and {bytes}; this spells them for the backend.
    virtual QString layout(QString statement) const = 0;

    // The applied migrations' count: 0 for a new database, -1 when unreadable.
    virtual int schemaVersion(const QSqlDatabase &db, QString *error) const = 0;
    // Statements that record version, run in the migration's transaction.
    virtual QStringList setSchemaVersion(int version) const = 0;

    // A quick check that the database reads whole; problems on failure.
    virtual bool checkIntegrity(const QSqlDatabase &db, QStringList *problems) const = 0;
    // The tables there are, to tell an empty database from another program's.
    virtual QStringList tables(const QSqlDatabase &db) const = 0;

    // Sets up a new connection, outside any transaction; false when it
    // cannot be had as the server needs it.
    virtual bool startSession(const QSqlDatabase &db, bool readOnly) const = 0;

    // Caps the database's size, where the backend can (SQLite's page count).
    virtual bool capSize(const QSqlDatabase &db, qint64 bytes) const = 0;

    // Run first in a transaction: until it ends, another transaction running
    // them with the same key waits (a SQLite file has one writer anyway).
    virtual QStringList oneAtATime(qint64 key) const = 0;

    // The database's clock in milliseconds since 1970, as an SQL expression:
    // servers on several machines agree on it.
    virtual QString nowMilliseconds() const = 0;

    // After rows were written with their ids given (a copy from another
    // database), the next id the database gives comes after the highest.
    virtual QStringList afterGivenIds(const QString &table) const = 0;

protected:
    SqlDialect() = default;
};

#endif // SQLDIALECT_H
