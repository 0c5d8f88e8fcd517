#include "TrackedObjectStore.h"

#include "Database.h"
#include "NodeForest.h"
#include "SqlDialect.h"

#include "wire/WireWriter.h"

#include <QSqlQuery>
#include <QVariant>

TrackedObjectStore::TrackedObjectStore(const Database &db)
    : m_db(db)
{
}

qint32 TrackedObjectStore::add(qint32 parentId, const QString &name, Kind kind, int order,
                               const QString &deviceId)
{
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("INSERT INTO tracked_objects"
                                 " (parent_id, name, kind, sort_order, device_id)"
                                 " VALUES (?, ?, ?, ?, ?) RETURNING id"));
    query.addBindValue(parentId > 0 ? QVariant(parentId) : QVariant(QVariant::Int));
    query.addBindValue(name.isNull() ? QString(QLatin1String("")) : name);
    query.addBindValue(int(kind));
    query.addBindValue(order);
    query.addBindValue(deviceId.isEmpty() ? QVariant(QVariant::String) : QVariant(deviceId));
    if (!query.exec()) {
        Database::warnFailure("adding a tracked object", query);
        return 0;
    }
    return Database::returnedId(query);
}

QHash<qint32, QString> TrackedObjectStore::unitNames(bool *ok) const
{
    QSqlQuery query(m_db.connection());
    SqlDialect::readOnce(query);
    *ok = query.exec(QStringLiteral("SELECT id, name FROM tracked_objects WHERE kind = 1"));
    if (!*ok) {
        Database::warnFailure("reading unit names", query);
        return {};
    }
    QHash<qint32, QString> names;
    while (query.next())
        names.insert(query.value(0).toInt(), query.value(1).toString());
    return names;
}

QByteArray TrackedObjectStore::treeBody(bool *ok) const
{
    NodeForest forest;
    *ok = forest.load(m_db, "tracked_objects", "kind");
    if (!*ok)
        return QByteArray();
    WireWriter out;
    forest.write(out, NodeForest::PayloadWriter());
    return out.take();
}
