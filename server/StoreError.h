#ifndef STOREERROR_H
#define STOREERROR_H

#include "wire/RequestFailure.h"

#include <QString>

class QSqlError;

// Why a change was not stored: the code its sender is told and a reason
// that names what was being done.
struct StoreError
{
    RequestFailure::Code code = RequestFailure::Storage;
    QString reason;

    // Read-only, busy or locked, full or I/O: from SQLite's result code.
    static StoreError fromSql(const QSqlError &error, const QString &what);
};

#endif // STOREERROR_H
