#ifndef DATABASE_H
#define DATABASE_H

#include <QSqlDatabase>
#include <QString>

class QSqlQuery;

// One SQLite connection of its own name, so that several servers (and tests)
// can live in one process. Opening sets foreign keys on and WAL mode and
// brings the schema up to date.
class Database
{
public:
    Database();
    ~Database();

    bool open(const QString &path, QString *error);
    void close();
    bool isOpen() const;

    // A handle to this instance's connection; never keep it past close().
    QSqlDatabase connection() const;
    QString connectionName() const { return m_name; }
    QString path() const { return m_path; }
    int schemaVersion() const;

    // Runs one statement; logs and returns false on failure.
    bool exec(const QString &statement) const;
    // True when no rule node, layer, graphic object or tracked object is stored.
    bool isEmpty() const;

    // Logs a failed query with what was being done.
    static void warnFailure(const char *what, const QSqlQuery &query);

private:
    Q_DISABLE_COPY(Database)

    // Whether the open file may become ours: readable and whole, and ours
    // already (a known schema version) or empty. Reads only.
    bool accepts(QString *error) const;
    bool setPragmas() const;

    QString m_name;
    QString m_path;
};

#endif // DATABASE_H
