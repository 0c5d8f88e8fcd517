#ifndef DATABASE_H
#define DATABASE_H

#include "DatabaseAddress.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>

class QLockFile;
class QSqlQuery;

// One connection of its own name, to a SQLite file or a PostgreSQL database
// (see DatabaseAddress), so that several servers (and tests) can live in one
// process. Opening for writing brings the schema up to date; opening
// read-only changes nothing.
class Database
{
public:
    enum class Access { ReadWrite, ReadOnly };

    // How long a statement waits for another program's write lock before it
    // fails as busy.
    static constexpr int BusyTimeoutMs = 1000;
    // How long opening waits for a database server to answer.
    static constexpr int ConnectTimeoutSeconds = 10;

    Database();
    ~Database();

    // where is a file or an address as DatabaseAddress reads it. A file that
    // cannot be written is refused for ReadWrite with the reason.
    bool open(const QString &where, QString *error, Access access = Access::ReadWrite);
    // A second connection, for writing, to a database another Database of
    // this process has opened, checked and brought up to date.
    bool openChecked(const QString &where, QString *error);
    void close();
    bool isOpen() const;
    bool isReadOnly() const { return m_access == Access::ReadOnly; }

    // A handle to this instance's connection; never keep it past close().
    QSqlDatabase connection() const;
    QString connectionName() const { return m_name; }
    const DatabaseAddress &address() const { return m_address; }
    // The file, or the address without its password: for messages.
    QString path() const { return m_address.shown(); }
    int schemaVersion() const;

    // Writes that would grow the file past bytes fail as a full disk would.
    // A database server's quotas are its own: false there.
    bool capSize(qint64 bytes) const;

    // Runs one statement; logs and returns false on failure.
    bool exec(const QString &statement) const;
    // True when no rule node, layer, graphic object or tracked object is stored.
    bool isEmpty() const;

    // The lock a writer (a server, an import) holds beside the database file
    // for as long as it writes: a second writer learns that the file is taken.
    static QString lockPath(const QString &databasePath);
    // The lock taken, or null with why when a running process holds it.
    static std::unique_ptr<QLockFile> lockForWriting(const QString &databasePath,
                                                     QString *error);

    // The id an "INSERT ... RETURNING id" gave, or 0. The query is finished
    // so that its transaction can commit.
    static qint32 returnedId(QSqlQuery &query);
    // After a row of table was written with its id given, the ids the
    // database gives go on after the highest.
    bool followGivenIds(const QString &table) const;

    // Logs a failed query with what was being done.
    static void warnFailure(const char *what, const QSqlQuery &query);

private:
    Q_DISABLE_COPY(Database)

    // Whether the open file may become ours: readable and whole, and ours
    // already (a known schema version) or empty. Reads only.
    bool accepts(QString *error) const;
    bool startSession(QString *error) const;

    enum class Check { Run, Done };
    bool openConnection(const QString &where, Check check, QString *error);
    bool openFileForWriting(QString *error);

    QString m_name;
    DatabaseAddress m_address;
    Access m_access = Access::ReadWrite;
};

#endif // DATABASE_H
