#include "StoreError.h"

#include "Database.h"
#include "SqlTransaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

// SQLite's primary result codes; an extended code carries one in its low byte.
enum SqliteCode {
    SqliteBusy = 5,
    SqliteLocked = 6,
    SqliteReadOnly = 8,
};

} // namespace

StoreError StoreError::fromSql(const QSqlError &error, const QString &what)
{
    bool known = false;
    const int primary = error.nativeErrorCode().toInt(&known) & 0xff;
    // Anything else, a full disk among them, is a storage error.
    RequestFailure::Code code = RequestFailure::Storage;
    if (known && primary == SqliteReadOnly)
        code = RequestFailure::ReadOnly;
    else if (known && (primary == SqliteBusy || primary == SqliteLocked))
        code = RequestFailure::Busy;
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return {code, QStringLiteral("%1: %2").arg(what, text)};
}

bool StoreError::exec(QSqlQuery &query, const QVariantList &values, const char *what,
                      StoreError *error)
{
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (query.exec())
        return true;
    Database::warnFailure(what, query);
    *error = fromSql(query.lastError(), QString::fromLatin1(what));
    return false;
}

bool StoreError::refuse(StoreError *error, RequestFailure::Code code, const QString &reason)
{
    *error = {code, reason};
    return false;
}

bool StoreError::began(const SqlTransaction &transaction, StoreError *error)
{
    if (transaction.isActive())
        return true;
    *error = fromSql(transaction.error(), QStringLiteral("beginning the change"));
    return false;
}

bool StoreError::committed(SqlTransaction &transaction, StoreError *error)
{
    if (transaction.commit())
        return true;
    *error = fromSql(transaction.error(), QStringLiteral("committing the change"));
    return false;
}
