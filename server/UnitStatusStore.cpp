#include "UnitStatusStore.h"

#include "Database.h"
#include "SqlDialect.h"
#include "SqlTransaction.h"

#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace {

// NULL is "the device said nothing", as NaN is on the wire.
QVariant column(double value)
{
    return std::isnan(value) ? QVariant(QVariant::Double) : QVariant(value);
}

double value(const QVariant &column)
{
    return column.isNull() ? UnitMessages::Unknown : column.toDouble();
}

} // namespace

UnitStatusStore::UnitStatusStore(const Database &db)
    : m_db(db)
{
}

QHash<qint32, UnitStatusStore::Last> UnitStatusStore::load(bool *ok) const
{
    QSqlQuery query(m_db.connection());
    SqlDialect::readOnce(query);
    *ok = query.exec(QStringLiteral("SELECT unit_id, time, x, y, speed, bearing, altitude,"
                                    " accuracy, battery FROM unit_status"));
    if (!*ok) {
        Database::warnFailure("reading the units' last reports", query);
        return {};
    }
    QHash<qint32, Last> rows;
    while (query.next()) {
        Last last;
        last.time = quint32(query.value(1).toLongLong());
        last.position = QPoint(query.value(2).toInt(), query.value(3).toInt());
        last.status.speed = value(query.value(4));
        last.status.bearing = value(query.value(5));
        last.status.altitude = value(query.value(6));
        last.status.accuracy = value(query.value(7));
        last.status.battery = value(query.value(8));
        rows.insert(query.value(0).toInt(), last);
    }
    return rows;
}

bool UnitStatusStore::store(const QHash<qint32, Last> &rows) const
{
    if (rows.isEmpty())
        return true;
    SqlTransaction transaction(m_db.connection());
    if (!transaction.isActive())
        return false;
    QSqlQuery upsert(m_db.connection());
    upsert.prepare(QStringLiteral(
        "INSERT INTO unit_status (unit_id, time, x, y, speed, bearing, altitude, accuracy,"
        " battery) SELECT id, ?, ?, ?, ?, ?, ?, ?, ? FROM tracked_objects WHERE id = ?"
        " AND kind = 1 ON CONFLICT (unit_id) DO UPDATE SET time = excluded.time,"
        " x = excluded.x, y = excluded.y, speed = excluded.speed, bearing = excluded.bearing,"
        " altitude = excluded.altitude, accuracy = excluded.accuracy,"
        " battery = excluded.battery"));
    for (auto row = rows.cbegin(); row != rows.cend(); ++row) {
        const Last &last = row.value();
        upsert.addBindValue(qint64(last.time));
        upsert.addBindValue(last.position.x());
        upsert.addBindValue(last.position.y());
        upsert.addBindValue(column(last.status.speed));
        upsert.addBindValue(column(last.status.bearing));
        upsert.addBindValue(column(last.status.altitude));
        upsert.addBindValue(column(last.status.accuracy));
        upsert.addBindValue(column(last.status.battery));
        upsert.addBindValue(row.key());
        if (!upsert.exec()) {
            Database::warnFailure("storing the units' last reports", upsert);
            return false;
        }
    }
    return transaction.commit();
}
