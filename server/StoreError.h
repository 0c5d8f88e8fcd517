#ifndef STOREERROR_H
#define STOREERROR_H

#include "wire/RequestFailure.h"

#include <QString>
#include <QVariantList>

class QSqlError;
class QSqlQuery;
class SqlTransaction;

// Why a change was not stored: the code its sender is told and a reason
// that names what was being done.
struct StoreError
{
    RequestFailure::Code code = RequestFailure::Storage;
    QString reason;

    // Read-only, busy or locked, full or I/O: from the database's error code.
    static StoreError fromSql(const QSqlError &error, const QString &what);

    // The stores' two ways out of a change. exec runs a prepared query with
    // its values; why it failed goes to error. refuse sets error and gives
    // false, for a refusal's one line.
    static bool exec(QSqlQuery &query, const QVariantList &values, const char *what,
                     StoreError *error);
    static bool refuse(StoreError *error, RequestFailure::Code code, const QString &reason);
    // A change's transaction began, or was committed; else error says why.
    static bool began(const SqlTransaction &transaction, StoreError *error);
    static bool committed(SqlTransaction &transaction, StoreError *error);
};

#endif // STOREERROR_H
