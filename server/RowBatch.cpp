#include "RowBatch.h"

#include "Database.h"

#include <QSqlError>

RowBatch::RowBatch(const QSqlDatabase &db, const QString &head, int columns, const char *what,
                   RowBatch *refersTo)
    : m_db(db)
    , m_head(head)
    , m_columns(columns)
    , m_rowsPerStatement(qMax(1, MaxValuesPerStatement / columns))
    , m_what(what)
    , m_refersTo(refersTo)
    , m_full(db)
{
    m_values.reserve(m_rowsPerStatement * m_columns);
}

QString RowBatch::statement(int rows) const
{
    QString row = QStringLiteral("(?") + QStringLiteral(", ?").repeated(m_columns - 1)
                  + QLatin1Char(')');
    QStringList all;
    all.reserve(rows);
    for (int i = 0; i < rows; ++i)
        all << row;
    return m_head + QStringLiteral(" VALUES ") + all.join(QStringLiteral(", "));
}

bool RowBatch::add(std::initializer_list<QVariant> row, StoreError *error)
{
    for (const QVariant &value : row)
        m_values << value;
    return m_values.size() < m_rowsPerStatement * m_columns || flush(error);
}

bool RowBatch::add(const QVariantList &row, StoreError *error)
{
    m_values << row;
    return m_values.size() < m_rowsPerStatement * m_columns || flush(error);
}

bool RowBatch::flush(StoreError *error)
{
    if (m_refersTo && !m_refersTo->flush(error))
        return false;
    if (m_values.isEmpty())
        return true;
    const int rows = m_values.size() / m_columns;
    QSqlQuery partial(m_db);
    QSqlQuery &query = rows == m_rowsPerStatement ? m_full : partial;
    const bool prepared = (&query == &m_full && m_fullPrepared) || query.prepare(statement(rows));
    if (!prepared) {
        Database::warnFailure(m_what, query);
        *error = StoreError::fromSql(query.lastError(), QString::fromLatin1(m_what));
        return false;
    }
    m_fullPrepared = m_fullPrepared || &query == &m_full;
    const QVariantList values = std::exchange(m_values, {});
    m_values.reserve(m_rowsPerStatement * m_columns);
    return StoreError::exec(query, values, m_what, error);
}
