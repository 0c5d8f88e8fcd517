#include "StoreError.h"

#include <QSqlError>

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
