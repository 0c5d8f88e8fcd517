#include "StoreError.h"

#include "Database.h"
#include "SqlDialect.h"
#include "SqlTransaction.h"

#include <QSqlError>
#include <QSqlQuery>

StoreError StoreError::fromSql(const QSqlError &error, const QString &what)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return {SqlDialect::classify(error), QStringLiteral("%1: %2").arg(what, text)};
}

bool StoreError::exec(QSqlQuery &query, const QVariantList &values, const char *what,
                      StoreError *error)
{
    // A database server prepares on its side, and may refuse there (a lock
    // it waited for too long); that refusal is the one to report.
    const bool prepared = !query.lastError().isValid();
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (prepared && query.exec())
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
