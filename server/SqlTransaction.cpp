#include "SqlTransaction.h"

#include "ServerLog.h"

#include <QSqlError>

SqlTransaction::SqlTransaction(const QSqlDatabase &db)
    : m_db(db)
{
    m_active = m_db.transaction();
    if (!m_active) {
        m_error = m_db.lastError();
        qCWarning(lcServer).noquote() << "cannot begin a transaction:" << m_error.text();
    }
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
    m_error = m_db.lastError();
    qCWarning(lcServer).noquote() << "cannot commit:" << m_error.text();
    m_db.rollback();
    return false;
}
