#include "Database.h"

#include "LogLimiter.h"
#include "Schema.h"
#include "ServerLog.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace {

QAtomicInt connectionCounter;

} // namespace

Database::Database()
    : m_name(QStringLiteral("opercheck-server-%1").arg(connectionCounter.fetchAndAddOrdered(1)))
{
}

Database::~Database()
{
    close();
}

bool Database::open(const QString &path, QString *error, Access access)
{
    close();
    m_access = access;
    if (access == Access::ReadOnly) {
        if (!openConnection(path, Check::Run, error))
            return false;
        const int version = schemaVersion();
        if (version != Schema::latestVersion()) {
            *error = QStringLiteral("%1 has schema version %2, not this server's %3, and cannot"
                                    " be brought up to date read-only")
                         .arg(path).arg(version).arg(Schema::latestVersion());
            close();
            return false;
        }
        return true;
    }
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    // SQLite would open such a file read-only without a word, and every save
    // would fail; the journal files need the folder.
    if ((file.exists() && !file.isWritable()) || !QFileInfo(folder).isWritable()) {
        *error = QStringLiteral("%1 cannot be written; start with --read-only to serve it"
                                " without saving")
                     .arg(path);
        return false;
    }
    if (!openConnection(path, Check::Run, error))
        return false;
    if (!prepareForWriting(error)) {
        close();
        return false;
    }
    return true;
}

bool Database::openChecked(const QString &path, QString *error)
{
    close();
    m_access = Access::ReadWrite;
    if (!openConnection(path, Check::Done, error))
        return false;
    if (!setPragmas()) {
        *error = QStringLiteral("cannot switch %1 to WAL mode with foreign keys").arg(path);
        close();
        return false;
    }
    return true;
}

bool Database::openConnection(const QString &path, Check check, QString *error)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs);
        if (m_access == Access::ReadOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        if (!db.open()) {
            *error = QStringLiteral("cannot open %1: %2").arg(path, db.lastError().text());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            return false;
        }
    }
    m_path = path;
    // Nothing is written to a file before it is known to be ours, new or empty.
    if (check == Check::Run && !accepts(error)) {
        close();
        return false;
    }
    return true;
}

bool Database::prepareForWriting(QString *error)
{
    if (!setPragmas()) {
        *error = QStringLiteral("cannot switch %1 to WAL mode with foreign keys").arg(m_path);
        return false;
    }
    return Schema::upgrade(connection(), error);
}

// Both pragmas work only outside a transaction, so they come before the schema.
bool Database::accepts(QString *error) const
{
    QSqlQuery query(connection());
    // A file that is no database, or a damaged one, fails here, read only.
    if (!query.exec(QStringLiteral("PRAGMA quick_check"))) {
        *error = QStringLiteral("cannot read %1: %2").arg(m_path, query.lastError().text());
        return false;
    }
    QStringList problems;
    while (query.next())
        problems << query.value(0).toString();
    if (problems != QStringList{QStringLiteral("ok")}) {
        // SQLite's report runs over several lines; the refusal is one.
        *error = QStringLiteral("%1 is damaged: %2").arg(m_path, problems.value(0).simplified());
        return false;
    }
    const int version = Schema::version(connection());
    if (version > Schema::latestVersion()) {
        *error = QStringLiteral("%1 has schema version %2; this server knows up to %3")
                     .arg(m_path)
                     .arg(version)
                     .arg(Schema::latestVersion());
        return false;
    }
    if (version == 0 && query.exec(QStringLiteral("SELECT group_concat(name, ', ') FROM"
                                                  " sqlite_master WHERE type = 'table'"))
        && query.next() && !query.value(0).toString().isEmpty()) {
        *error = QStringLiteral("%1 is another program's database (tables %2); it is left "
                                "as it is")
                     .arg(m_path, query.value(0).toString());
        return false;
    }
    return true;
}

bool Database::setPragmas() const
{
    QSqlQuery query(connection());
    if (!query.exec(QStringLiteral("PRAGMA foreign_keys = ON"))
        || !query.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !query.next())
        return false;
    return query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
}

void Database::close()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_path.clear();
}

bool Database::isOpen() const
{
    return QSqlDatabase::contains(m_name) && connection().isOpen();
}

QSqlDatabase Database::connection() const
{
    return QSqlDatabase::database(m_name, false);
}

int Database::schemaVersion() const
{
    return Schema::version(connection());
}

bool Database::exec(const QString &statement) const
{
    QSqlQuery query(connection());
    if (query.exec(statement))
        return true;
    warnFailure("running a statement", query);
    return false;
}

bool Database::capSize(qint64 bytes) const
{
    QSqlQuery query(connection());
    if (!query.exec(QStringLiteral("PRAGMA page_size")) || !query.next()) {
        warnFailure("reading the page size", query);
        return false;
    }
    const qint64 pages = qMax<qint64>(1, bytes / qMax(1, query.value(0).toInt()));
    return exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages));
}

bool Database::isEmpty() const
{
    QSqlQuery query(connection());
    const bool ok = query.exec(QStringLiteral(
        "SELECT (SELECT COUNT(*) FROM rule_nodes) + (SELECT COUNT(*) FROM graph_layers)"
        " + (SELECT COUNT(*) FROM graph_objects) + (SELECT COUNT(*) FROM tracked_objects)"))
                    && query.next();
    if (!ok) {
        warnFailure("counting stored rows", query);
        return false;
    }
    return query.value(0).toLongLong() == 0;
}

QString Database::lockPath(const QString &databasePath)
{
    return databasePath + QStringLiteral(".lock");
}

std::unique_ptr<QLockFile> Database::lockForWriting(const QString &databasePath,
                                                    QString *error)
{
    auto lock = std::make_unique<QLockFile>(lockPath(databasePath));
    // Only a dead holder makes a lock stale: a server may run for months.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return lock;
    qint64 pid = 0;
    QString host, program;
    if (lock->error() == QLockFile::LockFailedError && lock->getLockInfo(&pid, &host, &program)) {
        *error = QStringLiteral("%1 is in use by a running server (process %2)")
                     .arg(databasePath)
                     .arg(pid);
    } else {
        *error = QStringLiteral("%1 cannot be written (its lock %2 cannot be made); start with"
                                " --read-only to serve it without saving")
                     .arg(databasePath, lockPath(databasePath));
    }
    return nullptr;
}

void Database::warnFailure(const char *what, const QSqlQuery &query)
{
    // A full or broken disk fails every statement alike.
    static LogLimiter limiter(LogLimiter::DefaultLinesPerWindow);
    if (!limiter.admit(what))
        return;
    qCWarning(lcServer).noquote() << "database error while" << what << ':'
                                  << query.lastError().text() << '(' << query.lastQuery() << ')';
}
