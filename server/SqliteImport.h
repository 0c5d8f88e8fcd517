#ifndef SQLITEIMPORT_H
#define SQLITEIMPORT_H

#include <QLatin1String>
#include <QPair>
#include <QString>
#include <QVector>

class Database;

// Moves a SQLite database of ours into an empty PostgreSQL database: every
// table, row, column and id as it is, in one transaction on the target, so
// that a failure leaves no row behind. The file is only read.
class SqliteImport
{
public:
    struct Table
    {
        QLatin1String name;
        bool givenIds; // its ids come from the database: new ones go on after the copied
        bool tree;     // its rows hang under a parent row of the same table (parent_id)
    };
    // Every table of ours, each after those its rows refer to. A table the
    // schema gains goes here too, or the import refuses files that hold it.
    static const QVector<Table> &tables();

    // source: a SQLite file; target: a PostgreSQL address. False with why, in one line.
    bool run(const QString &source, const QString &target, QString *error);

    // After a run: the rows copied, in all and per table, and where to (no password).
    qint64 rows() const;
    QString perTable() const; // "rule_nodes 12, routes 3, ..."
    QString targetShown() const { return m_target; }

private:
    static bool openSource(Database *source, const QString &path, QString *error);
    static bool knowsEveryTable(const Database &source, QString *error);
    static bool isEmpty(const Database &target, const Table &table, QString *error);
    bool copy(const Database &source, const Database &target, QString *error);
    static bool copyTable(const Database &source, const Database &target, const Table &table,
                          qint64 *copied, QString *error);

    QString m_target;
    QVector<QPair<QString, qint64>> m_counts;
};

#endif // SQLITEIMPORT_H
