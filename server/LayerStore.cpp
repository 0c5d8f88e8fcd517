#include "LayerStore.h"

#include "Database.h"
#include "NodeForest.h"
#include "SqlDialect.h"
#include "StoreError.h"

#include "wire/LayerMessages.h"
#include "wire/WireWriter.h"

#include <QDataStream>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

namespace {

template <typename T>
QByteArray wireForm(const T &value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << value;
    return bytes;
}

// The stored points and properties are the record's own wire fragments; they
// are joined to the record's head and read back with the record reader, so a
// damaged blob costs its object's points or properties, never more.
std::unique_ptr<GraphObData> storedRecord(const QSqlQuery &row)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_5);
    out << qint32(row.value(2).toInt()) << qint32(row.value(1).toInt())
        << row.value(3).toString();
    const QByteArray points = row.value(4).toByteArray();
    const QByteArray properties = row.value(5).toByteArray();
    out.writeRawData(points.constData(), points.size());
    out.writeRawData(properties.constData(), properties.size());

    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_4_5);
    return std::unique_ptr<GraphObData>(ReadGraphObData(in));
}

} // namespace

LayerStore::LayerStore(const Database &db)
    : m_db(db)
{
}

qint32 LayerStore::addLayer(qint32 parentId, const QString &name, quint32 typeBits, int order)
{
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("INSERT INTO graph_layers"
                                 " (parent_id, name, type_bits, sort_order) VALUES (?, ?, ?, ?)"
                                 " RETURNING id"));
    query.addBindValue(parentId > 0 ? QVariant(parentId) : QVariant(QVariant::Int));
    query.addBindValue(name.isNull() ? QString(QLatin1String("")) : name);
    query.addBindValue(qint64(typeBits));
    query.addBindValue(order);
    if (!query.exec()) {
        Database::warnFailure("adding a graphic layer", query);
        return 0;
    }
    return Database::returnedId(query);
}

qint32 LayerStore::addObject(qint32 layerId, const GraphObData &record, int order)
{
    // An id is given where routes already refer to it (the demo's objects).
    const bool givenId = record.id > 0;
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("INSERT INTO graph_objects"
                                 " (%1layer_id, sort_order, type, name, points, properties)"
                                 " VALUES (%2?, ?, ?, ?, ?, ?) RETURNING id")
                      .arg(givenId ? QStringLiteral("id, ") : QString(),
                           givenId ? QStringLiteral("?, ") : QString()));
    if (givenId)
        query.addBindValue(record.id);
    query.addBindValue(layerId);
    query.addBindValue(order);
    query.addBindValue(record.type);
    query.addBindValue(record.name.isNull() ? QVariant(QVariant::String) : QVariant(record.name));
    query.addBindValue(wireForm(record.points));
    query.addBindValue(wireForm(record.properties));
    if (!query.exec()) {
        Database::warnFailure("adding a graphic object", query);
        return 0;
    }
    const qint32 id = Database::returnedId(query);
    return givenId && !m_db.followGivenIds(QStringLiteral("graph_objects")) ? 0 : id;
}

bool LayerStore::replaceObject(const GraphObData &record, StoreError *error)
{
    QSqlQuery query(m_db.connection());
    query.prepare(QStringLiteral("UPDATE graph_objects SET type = ?, name = ?, points = ?,"
                                 " properties = ? WHERE id = ?"));
    const QVariant name = record.name.isNull() ? QVariant(QVariant::String)
                                               : QVariant(record.name);
    return StoreError::exec(query,
                            {record.type, name, wireForm(record.points),
                             wireForm(record.properties), record.id},
                            "changing a graphic object", error);
}

QHash<qint32, GraphObData> LayerStore::objects(bool *ok) const
{
    QHash<qint32, GraphObData> objects;
    *ok = readObjects(QString(), &objects);
    return objects;
}

QHash<qint32, GraphObData> LayerStore::objects(const QSet<qint32> &ids, bool *ok) const
{
    QHash<qint32, GraphObData> objects;
    QStringList batch;
    *ok = true;
    // Ids go in as numbers, a few hundred per statement.
    for (auto it = ids.cbegin(); *ok && it != ids.cend();) {
        batch.append(QString::number(*it));
        if (++it == ids.cend() || batch.size() == 500) {
            *ok = readObjects(QStringLiteral(" WHERE id IN (%1)").arg(batch.join(',')), &objects);
            batch.clear();
        }
    }
    return objects;
}

bool LayerStore::readObjects(const QString &where, QHash<qint32, GraphObData> *objects) const
{
    QSqlQuery query(m_db.connection());
    SqlDialect::readOnce(query);
    if (!query.exec(QStringLiteral("SELECT layer_id, id, type, name, points, properties"
                                   " FROM graph_objects")
                    + where)) {
        Database::warnFailure("reading graphic objects", query);
        return false;
    }
    while (query.next())
        objects->insert(query.value(1).toInt(), *storedRecord(query));
    return true;
}

QByteArray LayerStore::treeBody(bool *ok) const
{
    NodeForest forest;
    *ok = forest.load(m_db, "graph_layers", "type_bits");
    if (!*ok)
        return QByteArray();

    QSqlQuery query(m_db.connection());
    SqlDialect::readOnce(query);
    if (!query.exec(QStringLiteral("SELECT layer_id, id, type, name, points, properties"
                                   " FROM graph_objects ORDER BY layer_id, sort_order, id"))) {
        Database::warnFailure("reading graphic objects", query);
        *ok = false;
        return QByteArray();
    }
    QHash<qint32, QVector<GraphObData>> objects;
    while (query.next())
        objects[query.value(0).toInt()].append(*storedRecord(query));

    WireWriter out;
    forest.write(out, [&objects](WireWriter &to, qint32 layerId) {
        const QVector<GraphObData> records = objects.value(layerId);
        // Objects go through their own stream writer.
        QByteArray payload;
        QDataStream stream(&payload, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_4_5);
        stream << qint32(records.size());
        for (const GraphObData &record : records)
            WriteGraphObData(stream, record);
        to.putRaw(payload.constData(), payload.size());
    });
    return out.take();
}
