#include "InstanceLease.h"

#include "Database.h"
#include "ServerLog.h"
#include "SqlDialect.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QUuid>
#include <QVariant>

InstanceLease::InstanceLease(const Database &db, QObject *parent)
    : QObject(parent)
    , m_db(db)
    , m_id(QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(HeartbeatMs);
    connect(m_timer, &QTimer::timeout, this, &InstanceLease::beat);
}

InstanceLease::~InstanceLease()
{
    stop();
}

bool InstanceLease::start(const QString &address, QString *error)
{
    m_address = address;
    if (!renew() || !readMembers(&m_members)) {
        *error = QStringLiteral("cannot take a place among the servers of %1: %2")
                     .arg(m_db.path(), m_db.connection().lastError().text());
        return false;
    }
    m_timer->start();
    return true;
}

void InstanceLease::stop()
{
    if (!m_timer->isActive())
        return;
    m_timer->stop();
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("DELETE FROM server_instances WHERE id = ?"));
    query.addBindValue(m_id);
    if (!query.exec())
        Database::warnFailure("giving up this server's place", query);
    m_members.clear();
}

bool InstanceLease::renew()
{
    const QString now = SqlDialect::of(m_db.connection()).nowMilliseconds();
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("INSERT INTO server_instances (id, address, heartbeat)"
                                 " VALUES (?, ?, %1) ON CONFLICT (id) DO UPDATE"
                                 " SET address = excluded.address, heartbeat = excluded.heartbeat")
                      .arg(now));
    query.addBindValue(m_id);
    query.addBindValue(m_address);
    if (!query.exec()) {
        Database::warnFailure("renewing this server's place", query);
        return false;
    }
    m_sinceRenewed.start();
    return true;
}

bool InstanceLease::readMembers(QList<Member> *members) const
{
    const QString now = SqlDialect::of(m_db.connection()).nowMilliseconds();
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("DELETE FROM server_instances WHERE heartbeat < %1 - ?")
                      .arg(now));
    query.addBindValue(ForgetMs);
    if (!query.exec())
        Database::warnFailure("clearing away servers long gone", query);
    query.prepare(QStringLiteral("SELECT id, address FROM server_instances"
                                 " WHERE heartbeat >= %1 - ? ORDER BY id")
                      .arg(now));
    query.addBindValue(LeaseMs);
    if (!query.exec()) {
        Database::warnFailure("reading the servers of the database", query);
        return false;
    }
    members->clear();
    while (query.next())
        members->append({query.value(0).toString(), query.value(1).toString()});
    return true;
}

void InstanceLease::beat()
{
    QList<Member> members;
    const bool held = renew() || m_sinceRenewed.elapsed() < LeaseMs;
    if (!held) {
        qCWarning(lcServer) << "this server could not renew its place for" << LeaseMs
                            << "ms; it judges no route until it can";
    }
    if (held && !readMembers(&members))
        return; // the list as it was until the database answers again
    if (held)
        emit renewed();
    if (members == m_members)
        return;
    m_members = members;
    emit membersChanged();
}
