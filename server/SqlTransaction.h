#ifndef SQLTRANSACTION_H
#define SQLTRANSACTION_H

#include <QSqlDatabase>
#include <QSqlError>

// A transaction that rolls back unless committed: every early return of a
// multi-statement change leaves the database as it was.
class SqlTransaction
{
public:
    explicit SqlTransaction(const QSqlDatabase &db);
    ~SqlTransaction();

    bool isActive() const { return m_active; }
    bool commit();
    // Why beginning or committing failed.
    QSqlError error() const { return m_error; }

private:
    Q_DISABLE_COPY(SqlTransaction)

    QSqlDatabase m_db;
    bool m_active = false;
    QSqlError m_error;
};

#endif // SQLTRANSACTION_H
