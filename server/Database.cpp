#include "Database.h"

#include "LogLimiter.h"
#include "Schema.h"
#include "SqlDialect.h"
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

bool Database::open(const QString &where, QString *error, Access access)
{
    close();
    m_access = access;
    if (!openConnection(where, Check::Run, error))
        return false;
    if (access == Access::ReadOnly) {
        const int version = schemaVersion();
        if (version != Schema::latestVersion()) {
            *error = QStringLiteral("%1 has schema version %2, not this server's %3, and cannot"
                                    " be brought up to date read-only")
                         .arg(path()).arg(version).arg(Schema::latestVersion());
            close();
            return false;
        }
        return true;
    }
    if (!Schema::upgrade(connection(), error)) {
        close();
        return false;
    }
    return true;
}

bool Database::openChecked(const QString &where, QString *error)
{
    close();
    m_access = Access::ReadWrite;
    return openConnection(where, Check::Done, error);
}

bool Database::openFileForWriting(QString *error)
{
    const QFileInfo file(m_address.databaseName());
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
                     .arg(file.filePath());
        return false;
    }
    return true;
}

bool Database::openConnection(const QString &where, Check check, QString *error)
{
    const std::optional<DatabaseAddress> address = DatabaseAddress::parse(where, error);
    if (!address)
        return false;
    m_address = *address;
    if (m_address.isFile() && m_access == Access::ReadWrite && !openFileForWriting(error))
        return false;
    const SqlDialect &dialect = SqlDialect::of(m_address.backend());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(dialect.driver(), m_name);
        m_address.applyTo(&db);
        QStringList options;
        if (m_address.isFile()) {
            options << QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs);
            if (m_access == Access::ReadOnly)
                options << QStringLiteral("QSQLITE_OPEN_READONLY");
        } else {
            // A server that does not answer fails the start, not hangs it; one
            // gone quiet mid-run (a cut network) fails the statement waiting on
            // it within about half a minute instead of holding the thread.
            options << QStringLiteral("connect_timeout=%1").arg(ConnectTimeoutSeconds)
                    << QStringLiteral("keepalives=1") << QStringLiteral("keepalives_idle=10")
                    << QStringLiteral("keepalives_interval=5") << QStringLiteral("keepalives_count=3")
                    << QStringLiteral("tcp_user_timeout=%1").arg(ConnectTimeoutSeconds * 3000);
            if (!m_address.options().isEmpty())
                options << m_address.options();
        }
        db.setConnectOptions(options.join(QLatin1Char(';')));
        if (!db.open()) {
            *error = QStringLiteral("cannot open %1: %2")
                         .arg(m_address.shown(), db.lastError().text().trimmed());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            return false;
        }
    }
    // Nothing is written to a database before it is known to be ours, new or empty.
    if (check == Check::Run && !accepts(error)) {
        close();
        return false;
    }
    if (!startSession(error)) {
        close();
        return false;
    }
    return true;
}

bool Database::accepts(QString *error) const
{
    const SqlDialect &dialect = SqlDialect::of(m_address.backend());
    QStringList problems;
    // A file that is no database, or a damaged one, fails here, read only.
    if (!dialect.checkIntegrity(connection(), &problems)) {
        *error = QStringLiteral("%1 is damaged or unreadable: %2")
                     .arg(path(), problems.value(0).simplified());
        return false;
    }
    QString why;
    const int version = Schema::version(connection(), &why);
    if (version < 0) {
        *error = why;
        return false;
    }
    if (version > Schema::latestVersion()) {
        *error = QStringLiteral("%1 has schema version %2; this server knows up to %3")
                     .arg(path())
                     .arg(version)
                     .arg(Schema::latestVersion());
        return false;
    }
    const QStringList tables = dialect.tables(connection());
    if (version == 0 && !tables.isEmpty()) {
        *error = QStringLiteral("%1 is another program's database (tables %2); it is left "
                                "as it is")
                     .arg(path(), tables.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

bool Database::startSession(QString *error) const
{
    if (SqlDialect::of(m_address.backend()).startSession(connection(), isReadOnly()))
        return true;
    *error = m_address.isFile()
                 ? QStringLiteral("cannot switch %1 to WAL mode with foreign keys").arg(path())
                 : QStringLiteral("cannot set up the session on %1: %2")
                       .arg(path(), connection().lastError().text());
    return false;
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
    m_address = {};
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
    if (SqlDialect::of(m_address.backend()).capSize(connection(), bytes))
        return true;
    qCWarning(lcServer).noquote() << "cannot cap the size of" << path();
    return false;
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

qint32 Database::returnedId(QSqlQuery &query)
{
    const qint32 id = query.next() ? query.value(0).toInt() : 0;
    query.finish();
    return id;
}

bool Database::followGivenIds(const QString &table) const
{
    const QStringList statements = SqlDialect::of(m_address.backend()).afterGivenIds(table);
    for (const QString &statement : statements) {
        if (!exec(statement))
            return false;
    }
    return true;
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
