#ifndef ROWBATCH_H
#define ROWBATCH_H

#include "StoreError.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <initializer_list>

// Rows of one table written many to a statement: on a database server a
// round trip a row is what makes a large save slow. Rows go out when the
// batch is full and on flush(); a batch whose rows refer to another's rows
// flushes that one first.
class RowBatch
{
public:
    static constexpr int MaxValuesPerStatement = 1024;

    // head: "INSERT INTO table (a, b, c)"; refersTo (may be null) outlives this.
    RowBatch(const QSqlDatabase &db, const QString &head, int columns, const char *what,
             RowBatch *refersTo = nullptr);

    // One row of as many values as columns; false with why on a failed write.
    bool add(std::initializer_list<QVariant> row, StoreError *error);
    bool add(const QVariantList &row, StoreError *error);
    bool flush(StoreError *error);

private:
    QString statement(int rows) const;

    QSqlDatabase m_db;
    QString m_head;
    int m_columns;
    int m_rowsPerStatement;
    const char *m_what;
    RowBatch *m_refersTo;
    QSqlQuery m_full; // prepared once for a full batch
    bool m_fullPrepared = false;
    QVariantList m_values;
};

#endif // ROWBATCH_H
