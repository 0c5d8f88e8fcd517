#include "SqlTransaction.h"

#include "ServerLog.h"

#include <QSqlError>

SqlTransaction::SqlTransaction(const QSqlDatabase &db)
    : m_db(db)
{
    m_active = m_db.transaction();
    if (!m_active)
        qCWarning(lcServer).noquote() << "cannot begin a transaction:" << m_db.lastError().text();
}

SqlTransaction::~SqlTransaction()
{
    if (m_active)
        m_db.rollback();
}

bool SqlTransaction::commit()
{
    if (!m_active)
        return false;
    m_active = false;
    if (m_db.commit())
        return true;
    qCWarning(lcServer).noquote() << "cannot commit:" << m_db.lastError().text();
    m_db.rollback();
    return false;
}
