#ifndef SQLTRANSACTION_H
#define SQLTRANSACTION_H

#include <QSqlDatabase>

// A transaction that rolls back unless committed: every early return of a
// multi-statement change leaves the database as it was.
class SqlTransaction
{
public:
    explicit SqlTransaction(const QSqlDatabase &db);
    ~SqlTransaction();

    bool isActive() const { return m_active; }
    bool commit();

private:
    Q_DISABLE_COPY(SqlTransaction)

    QSqlDatabase m_db;
    bool m_active = false;
};

#endif // SQLTRANSACTION_H
