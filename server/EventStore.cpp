#include "EventStore.h"

#include "Database.h"
#include "SqlDialect.h"
#include "SqlTransaction.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

using LiveMessages::CheckEvent;

EventStore::EventStore(const Database &db)
    : m_db(db)
{
}

bool EventStore::record(QList<CheckEvent> *events)
{
    if (events->isEmpty())
        return true;
    SqlTransaction transaction(m_db.connection());
    if (!transaction.isActive())
        return false;
    QSqlQuery insert(m_db.connection());
    // Judged again (on another server, or after a restart), an event of a
    // round already recorded is not recorded twice.
    insert.prepare(QStringLiteral(
        "INSERT INTO check_events (time, route_id, route_name, section_id, section_name,"
        " unit_id, unit_name, kind, deviation, round_start)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
        " ON CONFLICT (route_id, section_id, kind, round_start) DO NOTHING RETURNING id"));
    QList<qint32> ids;
    for (const CheckEvent &e : qAsConst(*events)) {
        insert.addBindValue(qint64(e.time));
        insert.addBindValue(e.routeId);
        insert.addBindValue(e.routeName.isNull() ? QStringLiteral("") : e.routeName);
        insert.addBindValue(e.sectionId);
        insert.addBindValue(e.sectionName.isNull() ? QStringLiteral("") : e.sectionName);
        insert.addBindValue(e.unitId);
        insert.addBindValue(e.unitName.isNull() ? QStringLiteral("") : e.unitName);
        insert.addBindValue(e.kind);
        insert.addBindValue(e.deviation);
        insert.addBindValue(e.roundStart);
        if (!insert.exec()) {
            Database::warnFailure("recording a check event", insert);
            return false;
        }
        ids.append(Database::returnedId(insert));
    }
    const qint32 newest = *std::max_element(ids.cbegin(), ids.cend());
    QSqlQuery trim(m_db.connection());
    trim.prepare(QStringLiteral("DELETE FROM check_events WHERE id <= ?"));
    trim.addBindValue(newest - MaxKept);
    if (newest > 0 && !trim.exec()) {
        Database::warnFailure("trimming the check events", trim);
        return false;
    }
    if (!transaction.commit())
        return false;
    QList<CheckEvent> recorded;
    for (int i = 0; i < ids.size(); ++i) {
        if (ids.at(i) != 0) {
            recorded << events->at(i);
            recorded.last().id = ids.at(i);
        }
    }
    *events = std::move(recorded);
    return true;
}

QList<CheckEvent> EventStore::recent(int limit, bool *ok) const
{
    QSqlQuery query(m_db.connection());
    SqlDialect::readOnce(query);
    query.prepare(QStringLiteral(
        "SELECT id, time, route_id, route_name, section_id, section_name, unit_id, unit_name,"
        " kind, deviation FROM check_events ORDER BY id DESC LIMIT ?"));
    query.addBindValue(qBound(0, limit, MaxKept));
    *ok = query.exec();
    if (!*ok) {
        Database::warnFailure("reading the check events", query);
        return {};
    }
    QList<CheckEvent> events;
    while (query.next()) {
        CheckEvent e;
        e.id = query.value(0).toInt();
        e.time = quint32(query.value(1).toLongLong());
        e.routeId = query.value(2).toInt();
        e.routeName = query.value(3).toString();
        e.sectionId = query.value(4).toInt();
        e.sectionName = query.value(5).toString();
        e.unitId = query.value(6).toInt();
        e.unitName = query.value(7).toString();
        e.kind = query.value(8).toInt();
        e.deviation = query.value(9).toInt();
        events.append(e);
    }
    return events;
}
