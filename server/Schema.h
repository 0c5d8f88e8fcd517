#ifndef SCHEMA_H
#define SCHEMA_H

#include <QSqlDatabase>
#include <QStringList>
#include <QVector>

// The database layout as a list of migrations. PRAGMA user_version counts the
// migrations applied; a new layout is a new entry at the end of the list, never
// an edit of an old one.
namespace Schema {

// Entry i brings a database from version i to i + 1.
const QVector<QStringList> &migrations();
int latestVersion();

// PRAGMA user_version, or -1 (and why, in error) when it cannot be read.
int version(const QSqlDatabase &db, QString *error = nullptr);

// Applies the missing migrations, each in its own transaction. The caller has
// refused a database written by a newer server (Database checks first).
bool upgrade(const QSqlDatabase &db, QString *error);

} // namespace Schema

#endif // SCHEMA_H
