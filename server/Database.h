#ifndef DATABASE_H
#define DATABASE_H

#include <QSqlDatabase>
#include <QString>

#include <memory>

class QLockFile;
class QSqlQuery;

// One SQLite connection of its own name, so that several servers (and tests)
// can live in one process. Opening for writing sets foreign keys on and WAL
// mode and brings the schema up to date; opening read-only changes nothing.
class Database
{
public:
    enum class Access { ReadWrite, ReadOnly };

    // How long a statement waits for another program's write lock before it
    // fails as busy.
    static constexpr int BusyTimeoutMs = 1000;

    Database();
    ~Database();

    // A file that cannot be written is refused for ReadWrite with the reason.
    bool open(const QString &path, QString *error, Access access = Access::ReadWrite);
    // A second connection, for writing, to a file another Database of this
    // process has opened, checked and brought up to date.
    bool openChecked(const QString &path, QString *error);
    void close();
    bool isOpen() const;
    bool isReadOnly() const { return m_access == Access::ReadOnly; }

    // A handle to this instance's connection; never keep it past close().
    QSqlDatabase connection() const;
    QString connectionName() const { return m_name; }
    QString path() const { return m_path; }
    int schemaVersion() const;

    // Writes that would grow the file past bytes fail as a full disk would.
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

    // Logs a failed query with what was being done.
    static void warnFailure(const char *what, const QSqlQuery &query);

private:
    Q_DISABLE_COPY(Database)

    // Whether the open file may become ours: readable and whole, and ours
    // already (a known schema version) or empty. Reads only.
    bool accepts(QString *error) const;
    bool setPragmas() const;

    enum class Check { Run, Done };
    bool openConnection(const QString &path, Check check, QString *error);
    bool prepareForWriting(QString *error);

    QString m_name;
    QString m_path;
    Access m_access = Access::ReadWrite;
};

#endif // DATABASE_H
